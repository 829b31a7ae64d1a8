#include "reader/virtual/laid_document.h"

#include "reader/virtual/page_recogniser.h"

#include <cctype>
#include <cstdint>
#include <system_error>

namespace readerlink::virtualreader {

std::optional<FileIdentity> identityOf(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    const auto modified = std::filesystem::last_write_time(path, ec);
    if (ec)
        return std::nullopt;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec)
        return std::nullopt;
    return FileIdentity{modified, size};
}

bool isSpecimenName(const std::string& name) {
    return name.size() > 5 && name.compare(name.size() - 5, 5, ".json") == 0 && name.front() != '.';
}

bool isPageImageName(const std::string& name) {
    if (name.empty() || name.front() == '.')
        return false;
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == "jpg" || extension == "jpeg" || extension == "png" || extension == "tif" ||
           extension == "tiff";
}

std::u16string cardIdFor(const std::string& name) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : name)
        hash = (hash ^ c) * 16777619u;
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string id = u"E004";
    for (int shift = 28; shift >= 0; shift -= 4)
        id.push_back(kHex[(hash >> shift) & 0xF]);
    return id;
}

} // namespace readerlink::virtualreader
