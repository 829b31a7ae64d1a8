#pragma once

// Single instance on Windows: a running station shows itself by its main
// window's class, "TFrmReaderControl"; a named mutex, taken before that window
// exists, keeps two stations started at the same moment from both passing.
// The system frees the mutex when its holder ends, crashed or not.

#include "platform/single_instance.h"

#include <string>
#include <string_view>

namespace readerlink::platform {

inline constexpr wchar_t kStationWindowClass[] = L"TFrmReaderControl";

// The mutex's name for `name`, in the session's namespace.
std::wstring instanceMutexName(std::string_view name);

} // namespace readerlink::platform
