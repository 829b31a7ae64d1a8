#include "platform/windows/shell_execute_converter_launcher.h"

#include "platform/windows/wide_text.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

namespace readerlink::platform {

namespace {

class ShellExecuteConverterLauncher final : public reader::ConverterLauncher {
public:
    explicit ShellExecuteConverterLauncher(std::filesystem::path folder)
        : folder_(std::move(folder)) {}

    bool launchConverter(const std::u16string& imagePath) override {
        // The full path, not the bare name: the shell would otherwise also
        // search the current folder and the PATH for a program of that name.
        const std::wstring program = (folder_ / L"ImageConverter.exe").wstring();
        if (::GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES)
            return false;
        const std::wstring parameters = L"\"" + toWide(imagePath) + L"\"";
        const std::wstring directory = folder_.wstring();
        const HINSTANCE result = ::ShellExecuteW(nullptr, nullptr, program.c_str(),
                                                 parameters.c_str(), directory.c_str(), SW_SHOW);
        return reinterpret_cast<INT_PTR>(result) > 32;
    }

private:
    std::filesystem::path folder_;
};

} // namespace

std::filesystem::path runningProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return std::filesystem::path(path).parent_path();
        }
        path.resize(path.size() * 2);
    }
}

std::unique_ptr<reader::ConverterLauncher>
makeConverterLauncher(std::filesystem::path executableFolder) {
    if (executableFolder.empty())
        executableFolder = runningProgramFolder();
    return std::make_unique<ShellExecuteConverterLauncher>(std::move(executableFolder));
}

} // namespace readerlink::platform
