// Typing for real into a window of a private Xvfb server.

#include <gtest/gtest.h>
// After gtest: Xlib defines None and Bool as macros.
#include "common/error.h"
#include "common/text.h"
#include "delivery/recording_keyboard.h"
#include "delivery/sendkeys.h"
#include "platform/linux/x11_keyboard.h"
#include "x_key_receiver.h"

#include <X11/XKBlib.h>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace readerlink::platform {
namespace {

using testing::XKeyReceiver;

const std::u16string Mrz = u"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<"
                           u"L898902C36UTO7408122F1204159ZE184226B<<<<<10";

std::u32string utf32(std::u16string_view text) {
    std::u32string out;
    for (char16_t unit : text)
        out.push_back(unit);
    return out;
}

std::string printable(const std::u32string& text) {
    std::u16string units;
    for (char32_t ch : text)
        units.push_back(ch == U'\r' ? u'\u23CE' : static_cast<char16_t>(ch));
    return toUtf8(units);
}

void setLayouts(const char* layouts) {
    const std::string command = std::string("setxkbmap -layout ") + layouts;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

class SendKeysX11 : public ::testing::Test {
protected:
    void SetUp() override { setLayouts("us"); }

    void TearDown() override {
        if (receiver_) {
            EXPECT_EQ(receiver_->keysDown(), std::vector<int>{}) << "keys left down";
        }
    }

    // The receiver first, so it has the focus, then the keyboard, so it
    // starts from the locks and layouts the test set.
    void start() {
        receiver_ = std::make_unique<XKeyReceiver>();
        startKeyboard();
    }

    void startKeyboard() {
        keyboard_ = makeX11KeyboardBackend(
            [this](std::u16string_view text, std::u16string_view) { boxes_.emplace_back(text); });
    }

    std::u32string type(std::u16string_view keys, bool expectedResult = true) {
        EXPECT_EQ(SendKeys(*keyboard_, keys, true), expectedResult);
        keyboard_->getForegroundWindow(); // a round trip: the server has every key
        return receiver_->take();
    }

    XkbStateRec serverState() {
        XkbStateRec state{};
        XkbGetState(receiver_->display(), XkbUseCoreKbd, &state);
        return state;
    }

    void lockGroup(unsigned group) {
        XkbLockGroup(receiver_->display(), XkbUseCoreKbd, group);
        XSync(receiver_->display(), False);
    }

    void lockCaps(bool on) {
        XkbLockModifiers(receiver_->display(), XkbUseCoreKbd, LockMask, on ? LockMask : 0);
        XSync(receiver_->display(), False);
    }

    std::unique_ptr<XKeyReceiver> receiver_;
    std::unique_ptr<KeyboardBackend> keyboard_;
    std::vector<std::u16string> boxes_;
};

TEST_F(SendKeysX11, MrzAndEnterArriveExactlyAndInOrder) {
    start();
    for (int round = 0; round < 3; ++round)
        EXPECT_EQ(printable(type(Mrz + u"{ENTER}")), printable(utf32(Mrz + u"\r")));
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(SendKeysX11, PunctuationAndModifiedText) {
    start();
    EXPECT_EQ(printable(type(u"a{+}b{{}c{}}d~+(xy)z{a 3}1<>?|\\")),
              printable(utf32(u"a+b{c}d\rXYzAAA1<>?|\\")));
}

TEST_F(SendKeysX11, CapsLockDoesNotChangeTheText) {
    receiver_ = std::make_unique<XKeyReceiver>();
    lockCaps(true);
    start();
    const std::u16string text = u"Mixed Case mrz P<UTO 42";
    EXPECT_EQ(printable(type(text)), printable(utf32(text)));
    // Caps Lock switched on in the middle of a string is seen at once.
    lockCaps(false);
    EXPECT_EQ(printable(type(u"ab{CAPSLOCK}cD{CAPSLOCK}e")), printable(utf32(u"abcDe")));
    EXPECT_EQ(serverState().locked_mods & LockMask, 0);
    EXPECT_EQ(printable(type(Mrz)), printable(utf32(Mrz)));
}

TEST_F(SendKeysX11, NumLockToggleThroughTheKeyboardState) {
    start();
    const unsigned before = serverState().locked_mods & Mod2Mask;
    type(u"{NUMLOCK}");
    EXPECT_NE(serverState().locked_mods & Mod2Mask, before);
    type(u"{NUMLOCK}");
    EXPECT_EQ(serverState().locked_mods & Mod2Mask, before);
}

TEST_F(SendKeysX11, ArabicAndEnglishSwitchTheGroup) {
    setLayouts("us,ara");
    start();
    EXPECT_EQ(printable(type(u"a{ARA}\u0628\u0644\u0627{ENG}bc{ENTER}")),
              printable(utf32(u"a\u0628\u0644\u0627bc\r")));
    EXPECT_EQ(serverState().locked_group, 0);
    type(u"{ARA}");
    EXPECT_EQ(serverState().locked_group, 1);
    type(u"{ENG}");
    EXPECT_EQ(serverState().locked_group, 0);
}

TEST_F(SendKeysX11, MrzTypedWhileTheArabicGroupIsLocked) {
    setLayouts("us,ara");
    receiver_ = std::make_unique<XKeyReceiver>();
    lockGroup(1);
    start();
    EXPECT_EQ(printable(type(Mrz + u"{ENTER}")), printable(utf32(Mrz + u"\r")));
    // The operator's group is given back.
    EXPECT_EQ(serverState().locked_group, 1);
    EXPECT_EQ(printable(type(u"\u0628a\u0628")), printable(utf32(u"\u0628a\u0628")));
    EXPECT_EQ(serverState().locked_group, 1);
}

TEST_F(SendKeysX11, AltGrCharactersThroughTheThirdLevelKey) {
    setLayouts("de,ara");
    start();
    EXPECT_EQ(printable(type(u"q{@}e\u20ACz{ARA}\u06A4\u0641{ENG}{@}{ENTER}")),
              printable(utf32(u"q@e\u20ACz\u06A4\u0641@\r")));
    // A group that has no third level: typed through the one that has.
    setLayouts("us,de");
    lockGroup(0); // "{ENG}" found no "us" group above, so Arabic is still locked
    startKeyboard();
    EXPECT_EQ(printable(type(u"a{@}\u20ACb")), printable(utf32(u"a@\u20ACb")));
    EXPECT_EQ(serverState().locked_group, 0);
}

TEST_F(SendKeysX11, KeymapChangedWhileRunningIsFollowed) {
    start();
    EXPECT_EQ(printable(type(u"zy")), printable(utf32(u"zy")));
    setLayouts("de"); // Z and Y change places
    XSync(receiver_->display(), False);
    EXPECT_EQ(printable(type(u"zy")), printable(utf32(u"zy")));
}

TEST_F(SendKeysX11, LayoutSwitchWithoutSuchGroupChangesNothing) {
    start();
    EXPECT_EQ(printable(type(u"{ARA}abc")), printable(utf32(u"abc")));
    EXPECT_EQ(serverState().locked_group, 0);
}

// The preview (readerlink-sendkeys --dry-run) and the X11 backend must press
// the same keys for every character the US layout types.
TEST_F(SendKeysX11, PreviewAndX11FindTheSameKeys) {
    start();
    RecordingKeyboard preview;
    for (char16_t ch = 0x01; ch < 0x7F; ++ch) {
        // Not yet: the preview has no key for U+001C..U+001F, X11 finds Control + 4..7.
        if (ch >= 0x1C && ch <= 0x1F)
            continue;
        EXPECT_EQ(keyboard_->vkKeyScan(ch), preview.vkKeyScan(ch))
            << "U+" << std::hex << static_cast<unsigned>(ch);
    }
}

// "Send two lines" puts a line feed between the lines: Control + Return, so
// the receiver gets the Return key, not Control + J.
TEST_F(SendKeysX11, LineFeedArrivesAsTheReturnKey) {
    start();
    EXPECT_EQ(printable(type(u"AB\nCD")), printable(utf32(u"AB\rCD")));
}

TEST_F(SendKeysX11, NoModifierStaysDownOnAnyWayOut) {
    start();
    type(u"+{ENTER", false);
    EXPECT_EQ(boxes_, std::vector<std::u16string>{u"No Close"});
    EXPECT_EQ(receiver_->keysDown(), std::vector<int>{});
    type(u"^%(ab");
    EXPECT_EQ(receiver_->keysDown(), std::vector<int>{});
    EXPECT_THROW(SendKeys(*keyboard_, u"+{a x}", true), ConversionError);
    keyboard_->getForegroundWindow();
    EXPECT_EQ(receiver_->keysDown(), std::vector<int>{});
    // Whatever a caller leaves down goes up at the end of the call.
    keyboard_->keybdEvent(0x10, 0x2A, 0);
    keyboard_->getForegroundWindow();
    EXPECT_EQ(receiver_->keysDown(), std::vector<int>{50});
    keyboard_->flush();
    keyboard_->getForegroundWindow();
    EXPECT_EQ(receiver_->keysDown(), std::vector<int>{});
}

TEST_F(SendKeysX11, KeysHeldAtATerminatingSignalAreReleased) {
    // No keyboard here: the child's must be the process's only one.
    receiver_ = std::make_unique<XKeyReceiver>();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto keyboard = makeX11KeyboardBackend();
        keyboard->keybdEvent(0x10, 0x2A, 0); // Shift down
        keyboard->keybdEvent(0x41, 0x1E, 0); // A down
        keyboard->getForegroundWindow();
        ::raise(SIGTERM);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(receiver_->keysDown(), std::vector<int>{});
}

TEST(X11KeyboardFactory, NoDisplayIsAClearError) {
    try {
        makeX11KeyboardBackend({}, ":999");
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_NE(error.message().find(u"cannot open the X display :999"), std::u16string::npos)
            << toUtf8(error.message());
    }
}

} // namespace
} // namespace readerlink::platform
