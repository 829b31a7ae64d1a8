#pragma once

// How a virtual reader is set up: where its specimens and its glass are, how
// it reaches the user-interface thread, and the pieces tests or a real chip
// layer replace.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reader/sdk/sdk_types.h"
#include "reader/virtual/chip_card.h"
#include "reader/virtual/page_recogniser.h"
#include "common/ui_thread.h"

namespace readerlink::virtualreader {

struct VirtualReaderOptions {
    // The specimen library: where relative image paths of a specimen are
    // found when they are not beside it.
    std::filesystem::path specimensFolder;
    // The glass: a specimen file copied in lies on the reader; removing it
    // takes the document away. Created when the device opens.
    std::filesystem::path glassFolder;

    // Required; must outlive every control of the factory.
    UiThread* dispatcher = nullptr;

    // The time between "moving", "stopped" and "ready" as a document settles.
    std::chrono::milliseconds statusGap{250};

    // Quality of the JPEG files SaveImage writes.
    int jpegQuality = 90;

    ChipCardFactory chipCardFactory = makeEmrtdChipCard;
    // Every document on the glass has a chip, the factory's, whatever its
    // specimen says: the card in a real contactless reader.
    bool chipOnEveryDocument = false;

    // Reads bare page images laid on the glass; empty: they are ignored.
    PageRecogniser pageRecogniser;

    // One line about a specimen the reader could not use (malformed file,
    // missing image); the shell writes it to the activity log. Runs on the
    // user-interface thread.
    std::function<void(const std::u16string&)> diagnostics;
};

// Where it lives: "Settings.ini", section "VirtualReader", keys "Specimens"
// (the library) and "Glass". Missing or empty values take the defaults:
// "specimens" beside the executable and "glass" inside it.
inline constexpr std::u16string_view kSettingsSection = u"VirtualReader";
inline constexpr std::u16string_view kSpecimensKey = u"Specimens";
inline constexpr std::u16string_view kGlassKey = u"Glass";
// "ChipReader": empty or missing, the in-process chip of the specimen; a PC/SC
// reader's name, the card in that reader; "*", the first reader with a card.
inline constexpr std::u16string_view kChipReaderKey = u"ChipReader";
// "TrustFolder": CSCA certificates and master lists for Passive
// Authentication; default "trust" in the shipped specimens.
inline constexpr std::u16string_view kTrustFolderKey = u"TrustFolder";
// "ChipCheckToHost": 1 also delivers the Passive Authentication result as a
// text ("@ChipCheck|..."); default 0.
inline constexpr std::u16string_view kChipCheckToHostKey = u"ChipCheckToHost";

// Relative values are taken from the executable's folder.
VirtualReaderOptions optionsFromSettings(const std::filesystem::path& executableFolder,
                                         std::u16string_view specimensValue,
                                         std::u16string_view glassValue, UiThread& dispatcher);

} // namespace readerlink::virtualreader
