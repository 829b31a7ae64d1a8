#pragma once

// What a long shift costs the process: resident memory and open file
// descriptors, as Linux reports them for the process itself.

#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <fstream>

namespace readerlink::station_test {

inline std::size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

inline std::size_t openDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

} // namespace readerlink::station_test
