#include "platform/linux/com_port_paths.h"

#include <system_error>

namespace readerlink::platform {
namespace {

// The number of "COMn" (any letter case); 0 when the name is not one.
long long portNumber(std::u16string_view name) {
    if (name.size() < 4 || name.size() > 13)
        return 0;
    auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
    if (upper(name[0]) != u'C' || upper(name[1]) != u'O' || upper(name[2]) != u'M')
        return 0;
    const std::u16string_view digits = name.substr(3);
    if (digits.front() == u'0')
        return 0;
    long long n = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9')
            return 0;
        n = n * 10 + (c - u'0');
    }
    return n;
}

} // namespace

std::optional<std::string> resolveComPortPath(std::u16string_view portName,
                                              const ComPortPaths& paths) {
    const long long number = portNumber(portName);
    if (number <= 0)
        return std::nullopt;
    const std::string canonical = "COM" + std::to_string(number);
    if (paths.portsSection) {
        if (auto configured = paths.portsSection(std::u16string(canonical.begin(), canonical.end()));
            configured && !configured->empty())
            return configured;
    }
    if (!paths.portsFolder.empty()) {
        const std::filesystem::path link = paths.portsFolder / canonical;
        std::error_code ec;
        // A dangling link still wins, so its open reports the missing target.
        const auto type = std::filesystem::symlink_status(link, ec).type();
        if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::none)
            return link.string();
    }
    return "/dev/ttyS" + std::to_string(number - 1);
}

} // namespace readerlink::platform
