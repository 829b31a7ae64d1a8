#include "station/profile_file.h"

#include "common/text.h"

#include "platform/file_replace.h"

#include <cerrno>
#include <fstream>
#include <system_error>
#include <vector>

namespace readerlink::station {
namespace {

struct FileBytes {
    enum class State { Missing, Read, Unreadable };
    State state = State::Missing;
    std::string bytes;
    std::string why;       // for Unreadable
    bool writable = true;  // of an existing file
};

constexpr const char* kTooLarge = "the file is too large for a settings file";

FileBytes unreadable(std::string why) {
    FileBytes out;
    out.state = FileBytes::State::Unreadable;
    out.why = std::move(why);
    return out;
}

FileBytes loadBytes(const std::filesystem::path& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return {};
    if (ec)
        return unreadable(ec.message());
    // Checked before opening: a FIFO or device must not block the station.
    if (status.type() != std::filesystem::file_type::regular)
        return unreadable("not a regular file");
    const auto size = std::filesystem::file_size(path, ec);
    if (ec)
        return unreadable(ec.message());
    if (size > ProfileFile::kMaxSize)
        return unreadable(kTooLarge);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return unreadable(std::error_code(errno, std::generic_category()).message());
    FileBytes out;
    char buffer[16384];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        out.bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (out.bytes.size() > ProfileFile::kMaxSize) // grew while we read it
            return unreadable(kTooLarge);
    }
    if (in.bad())
        return unreadable("read error");
    using std::filesystem::perms;
    out.writable = (status.permissions() & (perms::owner_write | perms::group_write |
                                            perms::others_write)) != perms::none;
    out.state = FileBytes::State::Read;
    return out;
}


char16_t foldCase(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<char16_t>(c + 0x20);
    return c;
}

bool sameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldCase(a[i]) != foldCase(b[i]))
            return false;
    }
    return true;
}

std::string_view trimBlanks(std::string_view s) {
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
    };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// One line of the file, raw, with what it means to the look-up.
struct Line {
    enum class Kind { Other, Section, Entry };
    std::string raw; // including its line terminator, if any
    Kind kind = Kind::Other;
    std::u16string name; // section or key name
    std::string keyText; // the key as spelled in the file
    std::string value;   // UTF-8 bytes of an entry's value
};

std::string_view contentOf(std::string_view raw) {
    if (!raw.empty() && raw.back() == '\n')
        raw.remove_suffix(1);
    if (!raw.empty() && raw.back() == '\r')
        raw.remove_suffix(1);
    return raw;
}

std::vector<Line> parse(const std::string& bytes) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t nl = bytes.find('\n', pos);
        const std::size_t end = nl == std::string::npos ? bytes.size() : nl + 1;
        Line line;
        line.raw = bytes.substr(pos, end - pos);
        std::string_view text = contentOf(line.raw);
        if (pos == 0 && text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3);
        text = trimBlanks(text);
        if (!text.empty() && text.front() == '[') {
            const std::size_t close = text.find(']');
            line.kind = Line::Kind::Section;
            line.name = fromUtf8(trimBlanks(text.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
        } else if (!text.empty() && text.front() != ';') {
            const std::size_t eq = text.find('=');
            if (eq != std::string_view::npos) {
                line.kind = Line::Kind::Entry;
                line.keyText = std::string(trimBlanks(text.substr(0, eq)));
                line.name = fromUtf8(line.keyText);
                line.value = std::string(trimBlanks(text.substr(eq + 1)));
            }
        }
        lines.push_back(std::move(line));
        pos = end;
    }
    return lines;
}

// [begin, end) of the first section of that name, begin being its header line.
struct SectionSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
};

std::optional<SectionSpan> findSection(const std::vector<Line>& lines,
                                       std::u16string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Line::Kind::Section && sameName(lines[i].name, section)) {
            std::size_t end = i + 1;
            while (end < lines.size() && lines[end].kind != Line::Kind::Section)
                ++end;
            return SectionSpan{i, end};
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> findKey(const std::vector<Line>& lines, SectionSpan span,
                                   std::u16string_view key) {
    for (std::size_t i = span.begin + 1; i < span.end; ++i) {
        if (lines[i].kind == Line::Kind::Entry && sameName(lines[i].name, key))
            return i;
    }
    return std::nullopt;
}

std::string lineEndingOf(const std::vector<Line>& lines) {
    for (const Line& line : lines) {
        if (!line.raw.empty() && line.raw.back() == '\n')
            return line.raw.size() >= 2 && line.raw[line.raw.size() - 2] == '\r' ? "\r\n" : "\n";
    }
    return "\n";
}

bool hasLineBreak(std::u16string_view text) {
    for (char16_t c : text) {
        if (c == u'\r' || c == u'\n' || c == 0)
            return true;
    }
    return false;
}

// A link named Settings.ini is written through, not replaced by a plain file.
std::filesystem::path resolveLinks(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        const auto target = std::filesystem::weakly_canonical(path, ec);
        if (!ec)
            return target;
    }
    return path;
}

} // namespace

std::optional<int> parseProfileInteger(std::u16string_view text) {
    while (!text.empty() && text.front() <= u' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() <= u' ')
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    long long value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > 2147483648LL)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return std::nullopt;
    return static_cast<int>(value);
}

ProfileFile::ProfileFile(std::filesystem::path path) : path_(std::move(path)) {}

std::optional<std::u16string> ProfileFile::read(std::u16string_view section,
                                                std::u16string_view key) const {
    const FileBytes file = loadBytes(path_);
    if (file.state != FileBytes::State::Read)
        return std::nullopt;
    const std::vector<Line> lines = parse(file.bytes);
    const auto span = findSection(lines, section);
    if (!span)
        return std::nullopt;
    const auto at = findKey(lines, *span, key);
    if (!at)
        return std::nullopt;
    return fromUtf8(lines[*at].value);
}

std::u16string ProfileFile::readString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view fallback) const {
    auto value = read(section, key);
    return value ? std::move(*value) : std::u16string(fallback);
}

int ProfileFile::readInteger(std::u16string_view section, std::u16string_view key,
                             int fallback) const {
    const auto value = read(section, key);
    if (!value)
        return fallback;
    return parseProfileInteger(*value).value_or(fallback);
}

bool ProfileFile::readBool(std::u16string_view section, std::u16string_view key,
                           bool fallback) const {
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

void ProfileFile::writeString(std::u16string_view section, std::u16string_view key,
                              std::u16string_view value) {
    const std::filesystem::path target = resolveLinks(path_);
    if (hasLineBreak(section) || hasLineBreak(key) || key.find(u'=') != std::u16string_view::npos ||
        section.find(u']') != std::u16string_view::npos) {
        throw ProfileWriteError(u"Cannot save settings: invalid section or key name \"" +
                                std::u16string(section) + u"/" + std::u16string(key) + u"\"");
    }
    if (hasLineBreak(value)) {
        throw ProfileWriteError(fromUtf8("Cannot save settings to \"" + target.string() + "\": ") +
                                u"the value of \"" + std::u16string(key) +
                                u"\" contains a line break");
    }
    const FileBytes file = loadBytes(target);
    if (file.state == FileBytes::State::Unreadable) {
        // Never replace what we could not read: it may be someone's data.
        throw ProfileWriteError(
            fromUtf8("Cannot save settings to \"" + target.string() + "\": " + file.why));
    }
    std::vector<Line> lines = parse(file.bytes);
    const std::string eol = lineEndingOf(lines);
    const std::string entry = toUtf8(value);

    if (const auto span = findSection(lines, section)) {
        if (const auto at = findKey(lines, *span, key)) {
            Line& line = lines[*at];
            const std::string_view raw = line.raw;
            const std::string ending(raw.substr(contentOf(raw).size()));
            line.raw = line.keyText + "=" + entry + (ending.empty() ? std::string() : ending);
        } else {
            // After the section's last entry, so blank lines between sections stay put.
            std::size_t insertAt = span->begin + 1;
            for (std::size_t i = span->begin + 1; i < span->end; ++i) {
                if (!trimBlanks(contentOf(lines[i].raw)).empty())
                    insertAt = i + 1;
            }
            Line& before = lines[insertAt - 1];
            if (before.raw.empty() || before.raw.back() != '\n')
                before.raw += eol;
            Line added;
            added.raw = toUtf8(key) + "=" + entry + eol;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(added));
        }
    } else {
        if (!lines.empty() && (lines.back().raw.empty() || lines.back().raw.back() != '\n'))
            lines.back().raw += eol;
        Line header;
        header.raw = "[" + toUtf8(section) + "]" + eol;
        Line added;
        added.raw = toUtf8(key) + "=" + entry + eol;
        lines.push_back(std::move(header));
        lines.push_back(std::move(added));
    }

    std::string bytes;
    for (const Line& line : lines)
        bytes += line.raw;
    const auto fail = [&](const std::string& why) {
        throw ProfileWriteError(
            fromUtf8("Cannot save settings to \"" + target.string() + "\": " + why));
    };
    if (file.state == FileBytes::State::Read && !file.writable)
        fail("the file is read-only");
    if (const std::error_code error = platform::replaceFile(
            target, bytes, platform::WhenFolderIsReadOnly::WriteInPlace))
        fail(error.message());
}

void ProfileFile::writeInteger(std::u16string_view section, std::u16string_view key, int value) {
    writeString(section, key, toDecimal(value));
}

void ProfileFile::writeBool(std::u16string_view section, std::u16string_view key, bool value) {
    writeString(section, key, value ? u"1" : u"0");
}

} // namespace readerlink::station
