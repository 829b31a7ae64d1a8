#pragma once

// Where the virtual reader's chips come from, chosen once from Settings.ini
// ("VirtualReader": ChipReader, TrustFolder, ChipCheckToHost): the specimens'
// own chips in process, or the card in a contactless reader. Either way the
// Passive Authentication result is logged after each chip read and, when the
// settings ask, delivered as a text.

#include "reader/virtual/virtual_reader_options.h"
#include "station/profile_file.h"

#include <filesystem>
#include <functional>
#include <string>

namespace readerlink::station {

struct ChipSourceHooks {
    // The activity log: the start-up lines and the Passive Authentication line.
    std::function<void(const std::u16string&)> log;
    // Delivers a text to the target application as the station does.
    std::function<void(const std::u16string&)> deliver;
};

// The text delivered for a Passive Authentication log line.
std::u16string chipCheckText(const std::u16string& logLine);

// Sets `options`' chip factory. `defaultTrust` is the trust folder when the
// settings name none; relative names are taken from `programFolder`.
void chooseChipSource(virtualreader::VirtualReaderOptions& options, const ProfileFile& settings,
                      const std::filesystem::path& defaultTrust,
                      const std::filesystem::path& programFolder, ChipSourceHooks hooks);

} // namespace readerlink::station
