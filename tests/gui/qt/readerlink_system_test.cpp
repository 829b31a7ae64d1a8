// The real program on a private X server, as a station runs it: its own
// folder with Settings.ini pointing the virtual reader at a temporary glass
// and picture folder, readerlink-host as the host application, and a window
// of the test's holding the focus for "Direct". Specimens are laid on the
// glass; the test looks at what the host received, what was typed, the log
// on standard output and the archive.

#include "platform/linux/reference_host.h"
#include "support/temp_dir.h"
#include "support/station_process.h"

#include <gtest/gtest.h>
#include <stdlib.h>

// Xlib's macros (None, Status) last: they clash with GoogleTest's names.
#include "x_key_receiver.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace readerlink::station::testing {

using readerlink::testing::readFile;
using readerlink::testing::TempDir;
using readerlink::testing::writeFile;
namespace {

namespace fs = std::filesystem;
using readerlink::testing::ReferenceHost;
using readerlink::testing::XKeyReceiver;

constexpr auto kLimit = 30s; // generous: sanitizer builds start slowly

class ReaderlinkSystem : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Evdev keycodes and a known layout for typing.
        ASSERT_EQ(std::system("setxkbmap -layout us"), 0);
    }

    void SetUp() override {
        fs::copy_file(READERLINK_BINARY, program());
        for (const char* folder : {"run", "pics"})
            fs::create_directory(dir / folder);
        fs::permissions(dir / "run", fs::perms::owner_all);
        // The host started here and the stations share this runtime folder.
        ::setenv("XDG_RUNTIME_DIR", (dir / "run").c_str(), 1);
    }

    fs::path program() const { return dir / "readerlink"; }
    fs::path pictures() const { return dir / "pics"; }

    void writeSettings(int app, bool twoLines, const std::string& extra = {}) {
        writeFile(dir / "Settings.ini",
                  "[Reader]\nApp=" + std::to_string(app) + "\nTwoLines=" + (twoLines ? "1" : "0") +
                      "\n[Settings]\nPicturePath=" + pictures().string() +
                      "\n[VirtualReader]\nSpecimens=" READERLINK_SPECIMENS "\nGlass=" +
                      (dir / "glass").string() + "\n" + extra);
    }

    std::unique_ptr<Process> launch(std::vector<std::string> arguments = {},
                                    const std::string& platform = "xcb") {
        return std::make_unique<Process>(
            program(), arguments,
            std::vector<std::string>{"QT_QPA_PLATFORM=" + platform,
                                     "XDG_RUNTIME_DIR=" + (dir / "run").string(),
                                     "XDG_CONFIG_HOME=" + (dir / "config").string(),
                                     "LSAN_OPTIONS=suppressions=" READERLINK_LSAN_SUPPRESSIONS});
    }

    // Started and connected: "Connect" opens the reader, which makes the glass
    // and watches it (a specimen laid before its free-run starts still counts).
    std::unique_ptr<Process> launchConnected(std::vector<std::string> arguments = {}) {
        auto station = launch(std::move(arguments));
        EXPECT_TRUE(
            station->waitForOutput("Virtual reader glass: " + (dir / "glass").string(), kLimit))
            << station->standardError();
        EXPECT_TRUE(waitUntil([this] { return fs::exists(dir / "glass"); }, kLimit));
        return station;
    }

    // As tools/lay-specimen does: written beside, then moved in whole.
    void lay(const std::string& specimen) {
        const fs::path staged = dir / "glass" / (".laying-" + specimen);
        fs::copy_file(fs::path(READERLINK_SPECIMENS) / specimen, staged);
        fs::rename(staged, dir / "glass" / specimen);
    }

    TempDir dir;
};

// --- ORLAM: the host application receives the records -----------------------

struct HostCase {
    const char* specimen;
    std::vector<std::string> hostTexts; // each as readerlink-host prints it, in any order
    std::vector<std::string> logLines;
    std::vector<std::string> archive; // files under the picture folder
};

std::string hostText(const std::string& text) {
    return "text \"" + text + "\"\n";
}

const std::string kAnnaMrz =
    "P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<L898902C36UTO7408122F1204159ZE184226B<<<<<10";
const std::string kPeterLine1 = "P<UTOSTEVENSON<<PETER<JOHN<<<<<<<<<<<<<<<<<<";
const std::string kPeterLine2 = "X4RTBPFW46UTO8501019M3203156UTO1234567<<<<52";

TEST_F(ReaderlinkSystem, OrlamHostReceivesEachDocumentsRecordsAndTheArchiveKeepsItsImages) {
    const std::vector<HostCase> cases = {
        {"td3-passport-chip.json",
         {hostText(kAnnaMrz), hostText("@ImageReady"),
          hostText("@#P#UTO#ERIKSSON#ANNA MARIA#L898902C3#UTO#740812#F#120415#ZE184226B#")},
         {"Data sent " + kAnnaMrz, "Making BAC ...", "Is a Passport", "MRZ Done."},
         {"L898902C3.jpg", "Passport/UTO-L898902C3.jpg", "Passport/UTO-L898902C3IN.jpg"}},
        {"td3-passport.json",
         {hostText(kPeterLine1 + kPeterLine2),
          hostText("@#P#UTO#STEVENSON#PETER JOHN#X4RTBPFW4#UTO#850101#M#320315#UTO1234567#")},
         {"MRZ is : " + kPeterLine1, "Is a Passport", "MRZ Done."},
         {"Passport/UTO-X4RTBPFW4.jpg", "Passport/UTO-X4RTBPFW4IN.jpg"}},
        {"mrva-visa.json",
         {hostText("V<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<"
                   "L8988901C4XXX4009078F96121096ZE184226B<<<<<<"),
          hostText("@#V#UTO#ERIKSSON#ANNA MARIA#L8988901C#XXX#400907#F#961210#6ZE184226B#")},
         {"Is a Visa", "MRZ Done."},
         {"Visas/L8988901C-6ZE184226B.jpg", "Visas/L8988901C-6ZE184226BIN.jpg"}},
        {"td1-id-card.json",
         {hostText("I<UTOD231458907<<<<<<<<<<<<<<<7408122F1204159UTO<<<<<<<<<<<6"
                   "ERIKSSON<<ANNA<MARIA<<<<<<<<<<"),
          hostText("@#I#UTO#ERIKSSON#ANNA MARIA#D23145890#UTO#740812#F#120415##")},
         {"Line 3: ERIKSSON<<ANNA<MARIA<<<<<<<<<<\t[Ok]", "MRZ Done."},
         {}},
        {"td3-checksum-error.json",
         {hostText("P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<"
                   "L898902C37UTO7408122F1204159ZE184226B<<<<<10"),
          "text \"@ImageCaptured|" + (dir / "pics" / "Others").string() + "/"},
         {"Error CHECKSUM MRZ2", "Capture notification sent"},
         {}},
    };

    writeSettings(0, true);
    ReferenceHost host;
    auto station = launchConnected();
    for (const HostCase& c : cases) {
        SCOPED_TRACE(c.specimen);
        const std::size_t hostFrom = host.output().size();
        const std::size_t logFrom = station->standardOutput().size();
        lay(c.specimen);
        const std::string received = host.waitForOutput(
            [&](const std::string& out) {
                for (const std::string& text : c.hostTexts)
                    if (out.find(text, hostFrom) == std::string::npos)
                        return false;
                return true;
            },
            kLimit);
        for (const std::string& text : c.hostTexts)
            EXPECT_NE(received.find(text, hostFrom), std::string::npos) << text << received;
        for (const std::string& line : c.logLines)
            EXPECT_TRUE(station->waitForOutput(line + "\n", 5s, logFrom))
                << line << "\n"
                << station->standardOutput().substr(logFrom);
        for (const std::string& file : c.archive)
            EXPECT_GT(fs::file_size(pictures() / file), 1000u) << file;
    }
    EXPECT_EQ(station->standardOutput().find("No host application found"), std::string::npos);
    EXPECT_EQ(station->standardError().find("error"), std::string::npos)
        << station->standardError();
    // Images go in whole under their final names; no temporary file is left.
    for (const auto& entry : fs::recursive_directory_iterator(pictures())) {
        if (entry.is_regular_file()) {
            EXPECT_EQ(entry.path().extension(), ".jpg") << entry.path();
        }
    }
    EXPECT_FALSE(fs::is_empty(pictures() / "Others"));
}

// --- Direct: the text is typed into the focused window ----------------------

struct TypingCase {
    const char* name;
    bool twoLines;
    std::u32string typed;
};

std::u32string wide(const std::string& ascii) {
    return std::u32string(ascii.begin(), ascii.end());
}

class ReaderlinkTyping : public ReaderlinkSystem,
                         public ::testing::WithParamInterface<TypingCase> {};

TEST_P(ReaderlinkTyping, TheMrzIsTypedIntoTheFocusedWindow) {
    const TypingCase& c = GetParam();
    writeSettings(1, c.twoLines);
    auto station = launchConnected();
    XKeyReceiver receiver; // takes the focus from the station's window
    lay("td3-passport.json");
    EXPECT_EQ(receiver.waitFor(c.typed.size(), kLimit), c.typed);
    ASSERT_TRUE(station->waitForOutput("MRZ Done.", kLimit));
    // Records for the host ("@...") are never typed.
    EXPECT_EQ(receiver.waitFor(c.typed.size() + 1, 500ms), U"");
    EXPECT_EQ(receiver.keysDown(), std::vector<int>{});
    EXPECT_EQ(station->standardOutput().find("Typing"), std::string::npos)
        << station->standardOutput();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReaderlinkTyping,
    ::testing::Values(TypingCase{"TwoLines", true, wide(kPeterLine1 + "\r" + kPeterLine2 + "\r")},
                      TypingCase{"OneLine", false, wide(kPeterLine1 + kPeterLine2 + "\r")}),
    [](const ::testing::TestParamInfo<TypingCase>& info) { return info.param.name; });

// --- the program's life --------------------------------------------------------

TEST_F(ReaderlinkSystem, SecondInstanceSaysAlreadyRunningAndTheFirstStillReads) {
    writeSettings(0, true);
    ReferenceHost host;
    auto first = launchConnected();
    const std::string settings = readFile(dir / "Settings.ini");

    auto second = launch({"/m"}, "offscreen");
    EXPECT_EQ(second->waitForExit(kLimit), 0);
    EXPECT_NE(second->standardError().find("Already running"), std::string::npos);
    EXPECT_EQ(second->standardOutput(), "");
    EXPECT_EQ(readFile(dir / "Settings.ini"), settings);

    ASSERT_TRUE(first->running());
    lay("td3-passport.json");
    EXPECT_TRUE(host.waitFor(hostText(kPeterLine1 + kPeterLine2), kLimit)) << host.output();
}

// Whether the station's window asks to be iconic: with no window manager on
// the test's server, the request shows as the window's WM_HINTS state.
class WindowWatch {
public:
    WindowWatch() : display_(XOpenDisplay(nullptr)) {
        if (!display_)
            throw std::runtime_error("no X display");
    }
    ~WindowWatch() { XCloseDisplay(display_); }

    bool iconicWithin(const std::string& title, std::chrono::milliseconds limit) {
        return waitUntil([&] { return iconic(title); }, limit);
    }

private:
    bool iconic(const std::string& title) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count))
            return false;
        bool found = false;
        for (unsigned i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            if (XFetchName(display_, children[i], &name) && name) {
                if (title == name) {
                    if (XWMHints* hints = XGetWMHints(display_, children[i])) {
                        found = (hints->flags & StateHint) && hints->initial_state == IconicState;
                        XFree(hints);
                    }
                }
                XFree(name);
            }
        }
        if (children)
            XFree(children);
        return found;
    }

    Display* display_;
};

struct MinimizeCase {
    const char* name;
    std::vector<std::string> arguments;
    bool minimized;
};

class ReaderlinkMinimized : public ReaderlinkSystem,
                            public ::testing::WithParamInterface<MinimizeCase> {};

TEST_P(ReaderlinkMinimized, OnlyAFirstLowerCaseSlashMMinimizesAfterStart) {
    writeSettings(0, true);
    WindowWatch watch;
    auto station = launchConnected(GetParam().arguments);
    // MinTimer runs two seconds.
    EXPECT_EQ(watch.iconicWithin("Orlam Passport Reader Link", 3500ms), GetParam().minimized);
    EXPECT_TRUE(station->running());
}

INSTANTIATE_TEST_SUITE_P(Cases, ReaderlinkMinimized,
                         ::testing::Values(MinimizeCase{"LowerM", {"/m"}, true},
                                           MinimizeCase{"UpperM", {"/M"}, false}),
                         [](const ::testing::TestParamInfo<MinimizeCase>& info) {
                             return info.param.name;
                         });

TEST_F(ReaderlinkSystem, RestartKeepsTheSettingsAndHandWrittenLines) {
    writeSettings(1, false, "[Ports]\nCOM3=/dev/ttyUSB0\n; kept as written\n");
    {
        auto station = launchConnected();
        station->signal(SIGTERM);
        ASSERT_EQ(station->waitForExit(kLimit), 0) << station->standardError();
    }
    const std::string saved = readFile(dir / "Settings.ini");
    for (const std::string& line : std::vector<std::string>{
             "App=1\n", "TwoLines=0\n", "Index=3\n", "PicturePath=" + pictures().string() + "\n",
             "Glass=" + (dir / "glass").string() + "\n", "COM3=/dev/ttyUSB0\n",
             "; kept as written\n", "[Barcode]\nPhotoPath=" + pictures().string() + "\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line << saved;

    auto station = launchConnected();
    XKeyReceiver receiver;
    lay("td3-passport.json");
    const std::u32string typed = wide(kPeterLine1 + kPeterLine2 + "\r");
    EXPECT_EQ(receiver.waitFor(typed.size(), kLimit), typed);
}

} // namespace
} // namespace readerlink::station::testing
