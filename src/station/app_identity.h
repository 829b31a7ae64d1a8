#pragma once

#include <string_view>

namespace readerlink::station {

inline constexpr std::u16string_view kWindowTitle = u"Orlam Passport Reader Link";
// Caption of every message box.
inline constexpr std::u16string_view kApplicationTitle = u"Orlam Reader Connect";
// A second process that finds this name taken knows the station is running.
inline constexpr std::string_view kInstanceName = "TFrmReaderControl";
inline constexpr std::u16string_view kAlreadyRunning = u"Already running";
inline constexpr std::u16string_view kSettingsFileName = u"Settings.ini";

} // namespace readerlink::station
