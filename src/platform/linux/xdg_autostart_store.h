#pragma once

// Autorun on Linux: a desktop entry in the user's XDG autostart folder, which
// desktop sessions start at log-on.

#include "platform/autorun_store.h"

#include <filesystem>
#include <optional>
#include <string>

namespace readerlink::platform {

class XdgAutostartStore : public AutorunStore {
public:
    explicit XdgAutostartStore(std::filesystem::path autostartDir);

    // $XDG_CONFIG_HOME/autostart, else ~/.config/autostart.
    static std::filesystem::path defaultDirectory();

    std::filesystem::path entryPath(std::u16string_view name) const;

    bool setEntry(std::u16string_view name, const std::filesystem::path& executable,
                  std::u16string_view arguments) override;
    void removeEntry(std::u16string_view name) override;

private:
    std::filesystem::path dir_;
};

// The Exec line's value: the quoted executable, a blank and the arguments, escaped
// as desktop entries require. nullopt when the path cannot be written there.
std::optional<std::string> desktopExecValue(const std::filesystem::path& executable,
                                            std::string_view arguments);

} // namespace readerlink::platform
