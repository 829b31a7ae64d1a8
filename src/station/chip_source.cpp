#include "station/chip_source.h"

#include "common/text.h"
#include "platform/chip_cards.h"

namespace readerlink::station {

std::u16string chipCheckText(const std::u16string& logLine) {
    return u"@ChipCheck|" + logLine;
}

void chooseChipSource(virtualreader::VirtualReaderOptions& options, const ProfileFile& settings,
                      const std::filesystem::path& defaultTrust,
                      const std::filesystem::path& programFolder, ChipSourceHooks hooks) {
    using namespace virtualreader;
    const std::u16string trustValue =
        trimControls(settings.readString(kSettingsSection, kTrustFolderKey, u""));
    std::filesystem::path trust = defaultTrust;
    if (!trustValue.empty()) {
        trust = std::filesystem::path(toUtf8(trustValue));
        if (trust.is_relative())
            trust = programFolder / trust;
    }
    const bool toHost =
        trimControls(settings.readString(kSettingsSection, kChipCheckToHostKey, u"0")) == u"1";
    ChipAuthenticity authenticity{trust, [hooks, toHost](const std::string& line) {
                                      const std::u16string text = fromUtf8(line);
                                      hooks.log(text);
                                      if (toHost)
                                          hooks.deliver(chipCheckText(text));
                                  }};
    const std::u16string reader =
        trimControls(settings.readString(kSettingsSection, kChipReaderKey, u""));
    if (reader.empty()) {
        options.chipCardFactory = emrtdChipCardFactory(std::move(authenticity));
        options.chipOnEveryDocument = false;
        hooks.log(u"Chip source: the specimens' own chips");
    } else {
        const bool anyReader = reader == u"*";
        options.chipCardFactory = platform::makeContactlessChipCards(
            anyReader ? std::string() : toUtf8(reader), std::move(authenticity));
        options.chipOnEveryDocument = true;
        hooks.log(
            u"Chip source: contactless reader " +
            (anyReader ? std::u16string(u"(the first with a card)") : u"\"" + reader + u"\""));
    }
    hooks.log(u"Chip trust folder: " + fromUtf8(trust.string()) +
              (toHost ? u" (results also sent as text)" : u""));
}

} // namespace readerlink::station
