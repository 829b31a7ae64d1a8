#pragma once

#include "../../support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace readerlink::shell::testing {

using readerlink::testing::TempDir;

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace readerlink::shell::testing
