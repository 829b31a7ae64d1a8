#include "platform/windows/run_key_autorun_store.h"

#include "platform/windows/wide_text.h"

#include <windows.h>

namespace readerlink::platform {

namespace {

class RunKeyAutorunStore final : public AutorunStore {
public:
    bool setEntry(std::u16string_view name, const std::filesystem::path& executable,
                  std::u16string_view arguments) override {
        // Opened, never created: a profile without the key is not ours to shape.
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_SET_VALUE, &key) !=
            ERROR_SUCCESS)
            return false;
        const std::wstring value = toWide(name);
        const std::wstring command = runKeyCommand(executable, arguments);
        const LONG result = ::RegSetValueExW(
            key, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
            static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }

    void removeEntry(std::u16string_view name) override {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_SET_VALUE, &key) !=
            ERROR_SUCCESS)
            return;
        ::RegDeleteValueW(key, toWide(name).c_str());
        ::RegCloseKey(key);
    }
};

} // namespace

std::wstring runKeyCommand(const std::filesystem::path& executable, std::u16string_view arguments) {
    std::wstring command = L"\"" + executable.wstring() + L"\"";
    if (!arguments.empty())
        command += L" " + toWide(arguments);
    return command;
}

std::unique_ptr<AutorunStore> makeAutorunStore() {
    return std::make_unique<RunKeyAutorunStore>();
}

} // namespace readerlink::platform
