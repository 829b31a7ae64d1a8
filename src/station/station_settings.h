#pragma once

// Which choices "Settings.ini" keeps, where, and when they are read and written.
// The picture folder is read from Settings/PicturePath but written to
// Barcode/PhotoPath, so a folder picked in the window does not come back at
// the next start; a hand-edited PicturePath does.

#include "station/profile_file.h"

#include <filesystem>
#include <string>

namespace readerlink::station {

struct StoredChoices {
    std::u16string picturePath; // already defaulted when empty
    int readerIndex = 0;
    int appIndex = 0;
    bool sendTwoLines = true;
    int comPort = 0;
    bool serialReaders = false; // Reader/SerialReaders: read at start, never written
};

// "Settings.ini" beside the executable.
std::filesystem::path settingsPathFor(const std::filesystem::path& executable);

// The executable's folder followed by "Photos".
std::u16string defaultPicturePath(const std::filesystem::path& executable);

// Read at window creation; missing keys and unreadable files give the defaults.
StoredChoices loadChoices(const ProfileFile& file, const std::filesystem::path& executable);

// On every "Connect": Reader/Index, App, TwoLines, ComPort, in that order.
// Throws ProfileWriteError at the first write that fails.
void saveReaderChoices(ProfileFile& file, int readerIndex, int appIndex, bool sendTwoLines,
                       int comPort);

// At close. Throws ProfileWriteError.
void savePhotoPath(ProfileFile& file, std::u16string_view picturePath);

} // namespace readerlink::station
