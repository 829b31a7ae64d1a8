// Loading and saving the operator's choices through a station.

#include "common/text.h"
#include "station/null_links.h"
#include "station_fixture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace readerlink::station::testing {
namespace {

class StationSettings : public StationFixture {};

TEST_F(StationSettings, FirstStartWithoutFileUsesDefaultsAndConnectCreatesIt) {
    Station& s = start();
    s.FormCreate();
    EXPECT_EQ(s.picturePath(), fromUtf8((dir / "Photos").string()));
    EXPECT_EQ(s.appIndex(), 0);
    EXPECT_TRUE(s.sendTwoLines());
    EXPECT_EQ(s.comPort(), 0);
    EXPECT_FALSE(std::filesystem::exists(settingsPath()));

    s.FormShow();
    EXPECT_EQ(readFile(settingsPath()), "[Reader]\nIndex=3\nApp=0\nTwoLines=1\nComPort=0\n");
}

// An installed program keeps its file and pictures in the user's folders; the
// settings folder is made on the way.
TEST_F(StationSettings, FileAndPicturesElsewhereWhenTold) {
    const auto file = dir / "config" / "readerlink" / "Settings.ini";
    const auto pictures = dir / "data" / "Photos";
    {
        Station s(StationSetup{executable(), {}, dialogs, autorun, timers, &out, file, pictures});
        s.FormCreate();
        EXPECT_EQ(s.picturePath(), fromUtf8(pictures.string()));
        s.FormShow();
        s.FormClose();
    }
    EXPECT_EQ(readFile(file), "[Reader]\nIndex=3\nApp=0\nTwoLines=1\nComPort=0\n"
                              "[Barcode]\nPhotoPath=" +
                                  pictures.string() + "\n");
    EXPECT_FALSE(std::filesystem::exists(settingsPath()));

    // A folder named in the file still wins over the default.
    writeFile(file, "[Settings]\nPicturePath=/srv/photos\n");
    Station s(StationSetup{executable(), {}, dialogs, autorun, timers, &out, file, pictures});
    s.FormCreate();
    EXPECT_EQ(s.picturePath(), u"/srv/photos");
}

TEST_F(StationSettings, StoredChoicesAreLoaded) {
    writeFile(settingsPath(), "[Settings]\nPicturePath=/srv/photos\n"
                              "[Reader]\nIndex=5\nApp=1\nTwoLines=0\nComPort=4\n");
    Station& s = start();
    s.FormCreate();
    EXPECT_EQ(s.picturePath(), u"/srv/photos");
    EXPECT_EQ(s.appIndex(), 1);
    EXPECT_FALSE(s.sendTwoLines());
    EXPECT_EQ(s.comPort(), 4);
}

TEST_F(StationSettings, GarbageValuesGiveDefaultsOrNoSelection) {
    const struct {
        const char* reader;
        int appIndex;
        bool twoLines;
        int comPort;
    } cases[] = {
        {"App=abc\nTwoLines=yes\nComPort=3x\n", 0, true, 0},
        {"App=7\nTwoLines=2\nComPort=-4\n", -1, true, -4}, // out of range: nothing selected
        {"App=-1\nTwoLines=0\nComPort=99999999999\n", -1, false, 0},
        {"App=\nTwoLines=\nComPort=\n", 0, true, 0},
    };
    for (const auto& c : cases) {
        writeFile(settingsPath(), std::string("[Reader]\n") + c.reader);
        Station& s = start();
        s.FormCreate();
        EXPECT_EQ(s.appIndex(), c.appIndex) << c.reader;
        EXPECT_EQ(s.sendTwoLines(), c.twoLines) << c.reader;
        EXPECT_EQ(s.comPort(), c.comPort) << c.reader;
    }
}

TEST_F(StationSettings, ReaderIsAlwaysTheDeskReaderAndDisabled) {
    for (const char* index : {"0", "1", "3", "6", "99", "-1", "abc"}) {
        writeFile(settingsPath(), std::string("[Reader]\nIndex=") + index + "\n");
        Station& s = start();
        s.FormCreate();
        EXPECT_EQ(s.readerIndex(), static_cast<int>(ReaderKind::ArhPrmc)) << index;
        EXPECT_FALSE(s.readerEnabled()) << index;
    }
}

TEST_F(StationSettings, SerialReadersAreOfferedOnlyWhenTheStationIsSetUpForThem) {
    constexpr int kDesk = static_cast<int>(ReaderKind::ArhPrmc);
    constexpr int kHandheld = static_cast<int>(ReaderKind::Handheld);
    const struct {
        const char* name;
        std::string file;
        std::vector<std::u16string> arguments;
        int reader;
        bool offered; // reader choice enabled and COM port shown
    } cases[] = {
        {"default", "[Reader]\nIndex=1\nComPort=3\n", {}, kDesk, false},
        {"key off", "[Reader]\nIndex=1\nSerialReaders=0\n", {}, kDesk, false},
        {"other option", "[Reader]\nIndex=1\n", {u"--serial"}, kDesk, false},
        {"key", "[Reader]\nIndex=1\nComPort=3\nSerialReaders=1\n", {}, kHandheld, true},
        {"option", "[Reader]\nIndex=1\n", {u"/m", u"--serial-readers"}, kHandheld, true},
        {"option, bad index", "[Reader]\nIndex=42\n", {u"--serial-readers"}, kDesk, true},
    };
    for (const auto& c : cases) {
        writeFile(settingsPath(), c.file);
        Station& s = start(c.arguments);
        s.FormCreate();
        EXPECT_EQ(s.readerIndex(), c.reader) << c.name;
        EXPECT_EQ(s.readerEnabled(), c.offered) << c.name;
        EXPECT_EQ(s.comPortVisible(), c.offered) << c.name;
        EXPECT_EQ(s.comPort(), c.file.find("ComPort=3") != std::string::npos ? 3 : 0) << c.name;
    }
    // The key is the operator's: Connect keeps it and never writes it.
    writeFile(settingsPath(), "[Reader]\nIndex=5\nSerialReaders=1\n");
    Station& s = start();
    s.FormCreate();
    s.BtnConnectClick();
    EXPECT_EQ(readFile(settingsPath()),
              "[Reader]\nIndex=5\nSerialReaders=1\nApp=0\nTwoLines=1\nComPort=0\n");
    EXPECT_EQ(calls.calls, std::vector<std::string>{"serial.connect"});
}

TEST_F(StationSettings, PictureFolderIsReadFromOneKeyAndWrittenToAnother) {
    writeFile(settingsPath(), "[Settings]\nPicturePath=/srv/photos\n");
    Station& first = startAndShow();
    first.setPicturePath(u"/tmp/chosen");
    first.FormClose();
    const ProfileFile file(settingsPath());
    EXPECT_EQ(file.readString(u"Barcode", u"PhotoPath", u""), u"/tmp/chosen");
    EXPECT_EQ(file.readString(u"Settings", u"PicturePath", u""), u"/srv/photos");

    Station& second = startAndShow();
    EXPECT_EQ(second.picturePath(), u"/srv/photos");
}

TEST_F(StationSettings, ChosenFolderWithoutPicturePathRevertsToDefault) {
    Station& first = startAndShow();
    dialogs.folderAnswers.push_back("/srv/other");
    first.browsePicturePath();
    first.FormClose();
    EXPECT_EQ(ProfileFile(settingsPath()).readString(u"Barcode", u"PhotoPath", u""), u"/srv/other");
    EXPECT_EQ(startAndShow().picturePath(), fromUtf8((dir / "Photos").string()));
}

TEST_F(StationSettings, ConnectSavesCurrentChoicesBeforeConnecting) {
    Station& s = startAndShow();
    s.setAppIndex(1);
    s.setSendTwoLines(false);
    s.setComPort(7);
    std::string seenAtConnect;
    calls.during = [&](const std::string& call) {
        if (call == "reader.connect")
            seenAtConnect = readFile(settingsPath());
    };
    s.BtnConnectClick();
    EXPECT_EQ(seenAtConnect, "[Reader]\nIndex=3\nApp=1\nTwoLines=0\nComPort=7\n");
}

TEST_F(StationSettings, NothingIsWrittenAtCloseOnTheHandheldReader) {
    Station& s = startAndShow();
    const std::string before = readFile(settingsPath());
    s.setReaderIndex(static_cast<int>(ReaderKind::Handheld));
    calls.calls.clear();
    s.FormClose();
    EXPECT_EQ(calls.calls, std::vector<std::string>{"serial.close"});
    EXPECT_EQ(readFile(settingsPath()), before);
    EXPECT_NE(s.settings(), nullptr);
}

TEST_F(StationSettings, CloseClosesThePortFirstThenSavesAndReleasesTheFile) {
    Station& s = startAndShow();
    calls.calls.clear();
    bool savedWhenPortClosed = true;
    calls.during = [&](const std::string&) {
        savedWhenPortClosed =
            ProfileFile(settingsPath()).read(u"Barcode", u"PhotoPath").has_value();
    };
    s.FormClose();
    EXPECT_EQ(calls.calls, std::vector<std::string>{"serial.close"});
    EXPECT_FALSE(savedWhenPortClosed);
    EXPECT_TRUE(ProfileFile(settingsPath()).read(u"Barcode", u"PhotoPath").has_value());
    EXPECT_EQ(s.settings(), nullptr);
}

TEST_F(StationSettings, ReadOnlyFileLogsOneLineAndTheStationGoesOn) {
    writeFile(settingsPath(), "[Reader]\nIndex=0\nApp=1\n");
    ::chmod(settingsPath().c_str(), 0444);
    Station& s = start();
    s.FormCreate();
    view.log.clear();
    s.FormShow();
    ASSERT_EQ(view.log.size(), 1u);
    EXPECT_NE(toUtf8(view.log[0]).find(settingsPath().string()), std::string::npos);
    EXPECT_EQ(calls.calls, std::vector<std::string>{"reader.connect"});
    EXPECT_EQ(readFile(settingsPath()), "[Reader]\nIndex=0\nApp=1\n");
    EXPECT_TRUE(dialogs.errors.empty());

    view.log.clear();
    s.FormClose();
    EXPECT_EQ(view.log.size(), 1u);
    EXPECT_EQ(readFile(settingsPath()), "[Reader]\nIndex=0\nApp=1\n");
}

} // namespace
} // namespace readerlink::station::testing
