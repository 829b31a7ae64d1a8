#include "reader/virtual/virtual_reader_options.h"

#include "common/text.h"

namespace readerlink::virtualreader {

namespace {
std::filesystem::path fromSetting(const std::filesystem::path& base, std::u16string_view value) {
    const std::filesystem::path path(toUtf8(trimControls(value)));
    return path.is_absolute() ? path : base / path;
}
} // namespace

VirtualReaderOptions optionsFromSettings(const std::filesystem::path& executableFolder,
                                         std::u16string_view specimensValue,
                                         std::u16string_view glassValue, UiThread& dispatcher) {
    VirtualReaderOptions options;
    options.dispatcher = &dispatcher;
    options.specimensFolder = trimControls(specimensValue).empty()
                                  ? executableFolder / "specimens"
                                  : fromSetting(executableFolder, specimensValue);
    options.glassFolder = trimControls(glassValue).empty() ? options.specimensFolder / "glass"
                                                          : fromSetting(executableFolder, glassValue);
    return options;
}

} // namespace readerlink::virtualreader
