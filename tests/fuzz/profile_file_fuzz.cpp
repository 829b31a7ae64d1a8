// Any bytes as Settings.ini: reading never fails, and a written key always
// reads back while every other entry keeps its value.

#include "station/profile_file.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <string>
#include <unistd.h>

using readerlink::station::ProfileFile;

namespace {

std::filesystem::path scratchFile() {
    static const std::filesystem::path path = [] {
        std::string dir = (std::filesystem::temp_directory_path() / "profile-fuzz-XXXXXX").string();
        if (!::mkdtemp(dir.data()))
            std::abort();
        return std::filesystem::path(dir) / "Settings.ini";
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto path = scratchFile();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ProfileFile file(path);
    const auto picture = file.read(u"Settings", u"PicturePath");
    (void)file.readInteger(u"Reader", u"ComPort", 0);
    (void)file.readBool(u"Reader", u"TwoLines", true);

    file.writeInteger(u"Reader", u"Index", 3);
    if (file.readInteger(u"Reader", u"Index", -1) != 3)
        std::abort();
    // Writing into [Reader] must not disturb [Settings] (unless they are one section).
    if (file.read(u"Settings", u"PicturePath") != picture && !file.read(u"Settings", u"Index"))
        std::abort();
    return 0;
}
