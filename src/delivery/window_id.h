#pragma once

#include <cstdint>

namespace readerlink {

// The main window's identity as the host application sees it (an X11 window
// id here, a window handle on Windows; 0 when the station runs headless).
using WindowId = std::uint64_t;

} // namespace readerlink
