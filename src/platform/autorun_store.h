#pragma once

// Where the per-user "start at log-on" entry lives: the Run key on Windows, an
// autostart desktop entry on Linux.

#include <filesystem>
#include <memory>
#include <string_view>

namespace readerlink::platform {

class AutorunStore {
public:
    virtual ~AutorunStore() = default;

    // Starts `executable` with `arguments` at log-on, under the entry `name`,
    // replacing an entry of that name. False when it cannot be written; the
    // entry is then as it was.
    virtual bool setEntry(std::u16string_view name, const std::filesystem::path& executable,
                          std::u16string_view arguments) = 0;

    // Removes the entry; a missing entry or a failure has no effect.
    virtual void removeEntry(std::u16string_view name) = 0;
};

// The backend of this platform, for the current user.
std::unique_ptr<AutorunStore> makeAutorunStore();

} // namespace readerlink::platform
