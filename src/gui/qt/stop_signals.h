#pragma once

class QWidget;

namespace readerlink::gui {

// SIGTERM and SIGINT (a service stop, Ctrl+C in a terminal) close the window
// as the operator would, so the close step still saves the picture folder.
// Call once, after the window exists.
void closeOnStopSignals(QWidget& window);

} // namespace readerlink::gui
