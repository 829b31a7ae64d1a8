#pragma once

// Autorun on Windows: a value under the current user's Run key, which the
// shell starts at log-on.

#include "platform/autorun_store.h"

#include <filesystem>
#include <string>

namespace readerlink::platform {

inline constexpr wchar_t kRunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The value's data: the quoted executable, a blank and the arguments.
std::wstring runKeyCommand(const std::filesystem::path& executable, std::u16string_view arguments);

} // namespace readerlink::platform
