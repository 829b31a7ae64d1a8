#pragma once

// Starts the outside image converter on a freshly saved portrait. Nothing
// waits for it and nothing comes back from it.

#include <string>

namespace readerlink::reader {

class ConverterLauncher {
public:
    virtual ~ConverterLauncher() = default;
    // Returns whether a converter was started; the converter is optional on a
    // station, so callers may ignore a failure.
    virtual bool launchConverter(const std::u16string& imagePath) = 0;
};

} // namespace readerlink::reader
