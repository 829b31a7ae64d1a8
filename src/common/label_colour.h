#pragma once

namespace readerlink {

// The error label's font colour.
enum class LabelColour { Red, Black };

} // namespace readerlink
