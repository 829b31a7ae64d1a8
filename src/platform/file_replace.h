#pragma once

// Crash-safe replacement of a small file (settings, autostart entry, images):
// the contents go to a new file beside it, are flushed to the disk and then
// renamed over the old one, so a reader sees the old or the new contents and a
// failure at any point leaves the old file as it was.

#include <filesystem>
#include <string_view>
#include <system_error>

namespace readerlink::platform {

enum class WhenFolderIsReadOnly {
    Fail,
    // An existing, writable file in a folder that takes no new files is
    // rewritten where it stands (space reserved first, then written, cut to
    // length and flushed): better than never saving the operator's choices.
    WriteInPlace,
};

// An existing file keeps its permissions. Returns the first failure; nothing
// of the new contents is left behind then.
std::error_code replaceFile(const std::filesystem::path& path, std::string_view bytes,
                            WhenFolderIsReadOnly readOnlyFolder = WhenFolderIsReadOnly::Fail);

} // namespace readerlink::platform
