// Stands in for the outside image converter: appends "argument count|working
// folder|first argument" to converted.txt beside itself.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const auto record = std::filesystem::path(self).parent_path() / L"converted.txt";
    std::wofstream out(record, std::ios::app);
    out << (argc - 1) << L"|" << std::filesystem::current_path().wstring() << L"|"
        << (argc > 1 ? argv[1] : L"") << L"\n";
    return 0;
}
