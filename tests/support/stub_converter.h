#pragma once

// A stand-in for the outside image converter: a shell script that appends
// one line per run, "argument count|working folder|first argument", to a
// record file. Header-only so several test folders can use it.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace readerlink::testsupport {

inline std::string makeTempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "readerlink-stub-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

inline void writeStubConverter(const std::string& folder, const std::string& name,
                               const std::string& record) {
    const std::string path = folder + "/" + name;
    {
        std::ofstream script(path);
        script << "#!/bin/sh\nprintf '%s|%s|%s\\n' \"$#\" \"$(pwd)\" \"$1\" >> '" << record
               << "'\n";
    }
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// The record's lines once it holds at least `count` of them; gives up after
// ten seconds (the converter runs detached, so its lines arrive later).
inline std::vector<std::string> waitForLines(const std::string& record, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::vector<std::string> lines;
    do {
        lines.clear();
        std::ifstream in(record);
        std::string content((std::istreambuf_iterator<char>(in)), {});
        std::size_t start = 0;
        for (std::size_t nl; (nl = content.find('\n', start)) != std::string::npos; start = nl + 1)
            lines.push_back(content.substr(start, nl - start));
        if (lines.size() >= count)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    return lines;
}

// Puts a folder in front of PATH for the lifetime of the object.
class PathPrefix {
public:
    explicit PathPrefix(const std::string& folder) {
        const char* old = ::getenv("PATH");
        had_ = old != nullptr;
        if (had_)
            old_ = old;
        const std::string path = had_ ? folder + ":" + old_ : folder;
        ::setenv("PATH", path.c_str(), 1);
    }
    ~PathPrefix() {
        if (had_)
            ::setenv("PATH", old_.c_str(), 1);
        else
            ::unsetenv("PATH");
    }
    PathPrefix(const PathPrefix&) = delete;
    PathPrefix& operator=(const PathPrefix&) = delete;

private:
    bool had_ = false;
    std::string old_;
};

// "ImageConverter" in a folder of its own, put on the PATH.
class StubConverter {
public:
    StubConverter() : folder_(makeTempFolder()), record_(folder_ + "/runs.txt"), path_(folder_) {
        writeStubConverter(folder_, "ImageConverter", record_);
    }
    ~StubConverter() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    StubConverter(const StubConverter&) = delete;
    StubConverter& operator=(const StubConverter&) = delete;

    std::vector<std::string> waitForRuns(std::size_t count) const {
        return waitForLines(record_, count);
    }
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
    std::string record_;
    PathPrefix path_;
};

} // namespace readerlink::testsupport
