#pragma once

#include <cstdio>
#include <cstdlib>
#include <random>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>

namespace readerlink::testing {

// A fresh directory under the system's temporary folder, removed with
// everything in it at the end of the test (also when a test left it read-only).
class TempDir {
public:
    TempDir() {
        // A fresh name the system has not handed out; create_directory is the
        // atomic "mine" test on every system.
        static std::random_device seed;
        std::mt19937_64 random(seed());
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            char name[32];
            std::snprintf(name, sizeof name, "readerlink-%012llx",
                          static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
            if (std::filesystem::create_directory(base / name)) {
                path_ = base / name;
                std::filesystem::permissions(path_, std::filesystem::perms::owner_all);
                return;
            }
        }
        throw std::runtime_error("no fresh temporary folder");
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Makes `name` a link to `target`, replacing an older one.
    void link(const std::string& name, const std::string& target) const {
        std::error_code ec;
        std::filesystem::remove(path_ / name, ec);
        std::filesystem::create_symlink(target, path_ / name);
    }

private:
    std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace readerlink::testing
