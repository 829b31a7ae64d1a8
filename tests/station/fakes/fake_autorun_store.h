#pragma once

#include "platform/autorun_store.h"

#include <filesystem>
#include <map>
#include <string>

namespace readerlink::station::testing {

// Keeps entries in memory; `failWrites` makes every write fail.
class FakeAutorunStore : public platform::AutorunStore {
public:
    struct Entry {
        std::filesystem::path executable;
        std::u16string arguments;
    };

    bool setEntry(std::u16string_view name, const std::filesystem::path& executable,
                  std::u16string_view arguments) override {
        if (failWrites)
            return false;
        entries[std::u16string(name)] = {executable, std::u16string(arguments)};
        return true;
    }
    void removeEntry(std::u16string_view name) override { entries.erase(std::u16string(name)); }

    bool failWrites = false;
    std::map<std::u16string, Entry> entries;
};

} // namespace readerlink::station::testing
