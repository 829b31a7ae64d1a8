#pragma once

// A private-profile ("INI") file as Windows reads and writes it: "[Section]"
// lines, "Key=Value" lines, section and key names compared without regard to
// case, values kept as plain text. Every read looks at the file as it is now
// and every write reaches the file before it returns, so a hand edit made
// while the program runs is neither hidden nor lost. Lines the program does
// not own (comments, other sections, unknown keys, odd bytes) are written
// back exactly as they were.
//
// Written here because no Debian library does this: GLib's key files match
// names by case and treat backslashes as escapes, QSettings rewrites the whole
// file in its own form, inih only reads.

#include "common/error.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace readerlink::station {

// A write that could not reach the file; the message names the file and why.
class ProfileWriteError : public Error {
public:
    using Error::Error;
};

class ProfileFile {
public:
    // Files larger than this are not ours: they read as empty and are never rewritten.
    static constexpr std::uintmax_t kMaxSize = 1024 * 1024;

    explicit ProfileFile(std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }

    // nullopt when the file, the section or the key is missing, or the file cannot be read.
    std::optional<std::u16string> read(std::u16string_view section, std::u16string_view key) const;

    std::u16string readString(std::u16string_view section, std::u16string_view key,
                              std::u16string_view fallback) const;
    // A value that is not a whole signed decimal integer gives the fallback.
    int readInteger(std::u16string_view section, std::u16string_view key, int fallback) const;
    // Written as "1"/"0"; any non-zero integer reads as true.
    bool readBool(std::u16string_view section, std::u16string_view key, bool fallback) const;

    // Creates the file, the section or the key as needed. Throws ProfileWriteError.
    void writeString(std::u16string_view section, std::u16string_view key,
                     std::u16string_view value);
    void writeInteger(std::u16string_view section, std::u16string_view key, int value);
    void writeBool(std::u16string_view section, std::u16string_view key, bool value);

private:
    std::filesystem::path path_;
};

// Whole signed decimal integer in the int range, blanks around it allowed.
std::optional<int> parseProfileInteger(std::u16string_view text);

} // namespace readerlink::station
