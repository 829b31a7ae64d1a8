#include "station/station_settings.h"

#include "common/text.h"
#include "station/app_identity.h"

namespace readerlink::station {

std::filesystem::path settingsPathFor(const std::filesystem::path& executable) {
    return executable.parent_path() / std::filesystem::path(toUtf8(kSettingsFileName));
}

std::u16string defaultPicturePath(const std::filesystem::path& executable) {
    return fromUtf8((executable.parent_path() / "Photos").string());
}

StoredChoices loadChoices(const ProfileFile& file, const std::filesystem::path& executable) {
    StoredChoices c;
    c.picturePath = file.readString(u"Settings", u"PicturePath", u"");
    if (c.picturePath.empty())
        c.picturePath = defaultPicturePath(executable);
    c.readerIndex = file.readInteger(u"Reader", u"Index", 0);
    c.appIndex = file.readInteger(u"Reader", u"App", 0);
    c.sendTwoLines = file.readBool(u"Reader", u"TwoLines", true);
    c.comPort = file.readInteger(u"Reader", u"ComPort", 0);
    c.serialReaders = file.readBool(u"Reader", u"SerialReaders", false);
    return c;
}

void saveReaderChoices(ProfileFile& file, int readerIndex, int appIndex, bool sendTwoLines,
                       int comPort) {
    file.writeInteger(u"Reader", u"Index", readerIndex);
    file.writeInteger(u"Reader", u"App", appIndex);
    file.writeBool(u"Reader", u"TwoLines", sendTwoLines);
    file.writeInteger(u"Reader", u"ComPort", comPort);
}

void savePhotoPath(ProfileFile& file, std::u16string_view picturePath) {
    file.writeString(u"Barcode", u"PhotoPath", picturePath);
}

} // namespace readerlink::station
