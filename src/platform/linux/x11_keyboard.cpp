#include "platform/linux/x11_keyboard.h"

#include "common/error.h"
#include "common/text.h"
#include "delivery/us_key_table.h"
#include "platform/linux/x11_key_codes.h"
#include "platform/linux/x11_signal_key_release.h"
#include "platform/linux/xkb_key_finder.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <bitset>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace readerlink::platform {

namespace {

[[noreturn]] void fail(const std::string& reason) {
    throw Error(u"Keyboard: " + fromUtf8(reason));
}

std::string displayText(const char* displayName) {
    const char* name = displayName ? displayName : std::getenv("DISPLAY");
    return name ? name : "(DISPLAY not set)";
}

// The XKB layout each Windows keyboard layout stands for.
std::optional<std::string> xkbLayoutOfLanguage(unsigned languageId) {
    switch (languageId) {
    case 0x0409:
        return "us";
    case 0x0401:
        return "ara";
    default:
        return std::nullopt;
    }
}

std::optional<std::string> xkbLayoutOfKlid(std::u16string_view klid) {
    if (klid == u"00000409")
        return "us";
    if (klid == u"00000401")
        return "ara";
    return std::nullopt;
}

class X11Keyboard : public KeyboardBackend {
public:
    X11Keyboard(KeyboardMessageBox showMessageBox, const char* displayName);
    ~X11Keyboard() override;

    void keybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) override;
    std::uint32_t mapVirtualKey(std::uint32_t code, std::uint32_t mapType) override;
    std::uint16_t vkKeyScan(char16_t ch) override;
    std::int16_t getKeyState(std::uint8_t vk) override;
    KeyboardStateBytes getKeyboardState() override;
    void setKeyboardState(const KeyboardStateBytes& state) override;
    void pumpKeyboardMessages() override;
    WindowHandle getForegroundWindow() override;
    void postInputLanguageChangeRequest(WindowHandle window, std::uintptr_t wParam,
                                        std::intptr_t lParam) override;
    void loadKeyboardLayout(std::u16string_view klid, std::uint32_t flags) override;
    void messageBox(std::u16string_view text, std::u16string_view caption) override;
    void flush() override;

private:
    // QueuedAfterReading also reads what the socket holds, without blocking.
    void handleEvents(int mode = QueuedAfterReading);
    void refresh();
    void loadKeymap();
    void lockGroupOfLayout(const std::string& layout);
    std::vector<std::string> configuredLayouts();
    void releaseAll();
    void sendKey(std::uint8_t keycode, bool press);
    bool translateAltGr(std::uint8_t vk, bool press);
    void lockGroup(unsigned group);
    void restoreHomeGroup();

    KeyboardMessageBox showMessageBox_;
    Display* display_ = nullptr;
    int xkbEventBase_ = 0;
    int minKeycode_ = 0;
    int maxKeycode_ = 0;
    xcb_connection_t* keymapConnection_ = nullptr;
    std::int32_t keymapDevice_ = -1;
    xkb_context* context_ = nullptr;
    std::unique_ptr<XkbKeyFinder> finder_;
    bool keymapStale_ = true;
    bool stateStale_ = true;
    // The group the operator (or "{ARA}"/"{ENG}") chose; the group the server
    // has, which differs while a character only another group has is typed;
    // the group the next key press needs.
    unsigned homeGroup_ = 0;
    unsigned serverGroup_ = 0;
    unsigned wantedGroup_ = 0;
    unsigned lockedMods_ = 0;
    bool socketReadThisCall_ = false;
    // The character vkKeyScan found last needs AltGr, and that key.
    bool altGrNext_ = false;
    std::optional<std::uint8_t> altGrKeycode_;
    bool altGrControlHeldBack_ = false;
    bool altGrDown_ = false;
    unsigned numLockMask_ = Mod2Mask;
    std::bitset<256> pressedKeycodes_;
    std::bitset<256> pressedVirtualKeys_;
    std::optional<SignalKeyRelease> signalRelease_;
};

X11Keyboard::X11Keyboard(KeyboardMessageBox showMessageBox, const char* displayName)
    : showMessageBox_(std::move(showMessageBox)) {
    display_ = XOpenDisplay(displayName);
    if (display_ == nullptr)
        fail("cannot open the X display " + displayText(displayName));
    try {
        int opcode = 0, event = 0, error = 0, major = 1, minor = 0;
        if (!XTestQueryExtension(display_, &event, &error, &major, &minor))
            fail("the X server has no XTEST extension");
        major = XkbMajorVersion;
        minor = XkbMinorVersion;
        if (!XkbQueryExtension(display_, &opcode, &xkbEventBase_, &error, &major, &minor))
            fail("the X server has no XKEYBOARD extension");
        XDisplayKeycodes(display_, &minKeycode_, &maxKeycode_);

        keymapConnection_ = xcb_connect(displayName, nullptr);
        if (xcb_connection_has_error(keymapConnection_))
            fail("cannot open the X display " + displayText(displayName));
        if (!xkb_x11_setup_xkb_extension(
                keymapConnection_, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr))
            fail("the X server has no usable XKEYBOARD extension");
        keymapDevice_ = xkb_x11_get_core_keyboard_device_id(keymapConnection_);
        context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        if (context_ == nullptr || keymapDevice_ < 0)
            fail("cannot read the X server's keyboard");
        // Notices first, so no change between reading and listening is missed.
        const unsigned lockChanges = XkbGroupLockMask | XkbModifierLockMask;
        XkbSelectEventDetails(display_, XkbUseCoreKbd, XkbStateNotify, lockChanges, lockChanges);
        const unsigned mapChanges = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
        XkbSelectEvents(display_, XkbUseCoreKbd, mapChanges, mapChanges);
        XSync(display_, False);
        loadKeymap();
        if (const unsigned mask = XkbKeysymToModifiers(display_, XK_Num_Lock))
            numLockMask_ = mask;
        refresh();
        signalRelease_.emplace(displayName);
    } catch (...) {
        if (context_)
            xkb_context_unref(context_);
        if (keymapConnection_)
            xcb_disconnect(keymapConnection_);
        XCloseDisplay(display_);
        throw;
    }
}

X11Keyboard::~X11Keyboard() {
    releaseAll();
    restoreHomeGroup();
    XSync(display_, False);
    signalRelease_.reset();
    finder_.reset();
    xkb_context_unref(context_);
    xcb_disconnect(keymapConnection_);
    XCloseDisplay(display_);
}

void X11Keyboard::releaseAll() {
    for (std::size_t keycode = 0; keycode < pressedKeycodes_.size(); ++keycode) {
        if (!pressedKeycodes_.test(keycode))
            continue;
        XTestFakeKeyEvent(display_, static_cast<unsigned>(keycode), False, CurrentTime);
        signalRelease_->markUp(static_cast<std::uint8_t>(keycode));
    }
    pressedKeycodes_.reset();
    pressedVirtualKeys_.reset();
    altGrNext_ = altGrControlHeldBack_ = altGrDown_ = false;
}

void X11Keyboard::loadKeymap() {
    xkb_keymap* keymap = xkb_x11_keymap_new_from_device(context_, keymapConnection_, keymapDevice_,
                                                        XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap == nullptr)
        fail("cannot read the X server's keymap");
    // Scan codes only name keys when keycodes are evdev codes + 8.
    const bool evdev = xkb_keymap_key_by_name(keymap, "AC01") == 38 &&
                       xkb_keymap_key_by_name(keymap, "RTRN") == 36 &&
                       xkb_keymap_key_by_name(keymap, "LFSH") == 50;
    if (!evdev) {
        xkb_keymap_unref(keymap);
        fail("the X server does not use evdev keycodes");
    }
    finder_ = std::make_unique<XkbKeyFinder>(keymap);
    xkb_keymap_unref(keymap);
    keymapStale_ = false;
}

void X11Keyboard::handleEvents(int mode) {
    while (XEventsQueued(display_, mode) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type != xkbEventBase_)
            continue;
        const auto& xkb = *reinterpret_cast<XkbEvent*>(&event);
        switch (xkb.any.xkb_type) {
        case XkbStateNotify:
            // Our own locks come back as notifications too; only news costs
            // a round trip.
            if (static_cast<unsigned>(xkb.state.locked_group) != serverGroup_ ||
                xkb.state.locked_mods != lockedMods_)
                stateStale_ = true;
            break;
        case XkbNewKeyboardNotify:
        case XkbMapNotify:
            keymapStale_ = true;
            stateStale_ = true;
            break;
        default:
            break;
        }
    }
}

// One round trip, and only after a lock or the keymap changed: the reply
// comes after every request sent so far, our own group locks included.
void X11Keyboard::refresh() {
    // The socket once per call: a lock the operator changes mid-string is
    // seen by the next call, one the string changes ({CAPSLOCK}) at once.
    handleEvents(socketReadThisCall_ ? QueuedAlready : QueuedAfterReading);
    socketReadThisCall_ = true;
    if (keymapStale_) {
        loadKeymap();
        XDisplayKeycodes(display_, &minKeycode_, &maxKeycode_);
    }
    if (stateStale_) {
        XkbStateRec state;
        if (XkbGetState(display_, XkbUseCoreKbd, &state) == Success) {
            // A group someone else locked becomes the one to come back to.
            if (state.locked_group != serverGroup_)
                homeGroup_ = serverGroup_ = wantedGroup_ = state.locked_group;
            lockedMods_ = state.locked_mods;
        }
        stateStale_ = false;
    }
}

void X11Keyboard::sendKey(std::uint8_t keycode, bool press) {
    if (press)
        signalRelease_->markDown(keycode);
    XTestFakeKeyEvent(display_, keycode, press ? True : False, CurrentTime);
    pressedKeycodes_.set(keycode, press);
    if (!press)
        signalRelease_->markUp(keycode);
}

// Windows types AltGr characters as Control + Alt around the key; an X server
// needs the group's ISO_Level3_Shift key instead. For a character that
// vkKeyScan found on the third level, the Control press is held back and the
// Alt press becomes that key.
bool X11Keyboard::translateAltGr(std::uint8_t vk, bool press) {
    if (!altGrNext_ || !altGrKeycode_)
        return false;
    if (vk == vk::Control) {
        if (press && !altGrControlHeldBack_ && !pressedVirtualKeys_.test(vk::Control)) {
            altGrControlHeldBack_ = true;
            return true;
        }
        if (!press && altGrControlHeldBack_) {
            altGrControlHeldBack_ = false;
            return true;
        }
    } else if (vk == vk::Menu) {
        if (press && altGrControlHeldBack_ && !altGrDown_) {
            if (wantedGroup_ != serverGroup_)
                lockGroup(wantedGroup_); // the level-3 key of the character's group
            sendKey(*altGrKeycode_, true);
            altGrDown_ = true;
            return true;
        }
        if (!press && altGrDown_) {
            sendKey(*altGrKeycode_, false);
            altGrDown_ = false;
            altGrNext_ = false;
            return true;
        }
    }
    return false;
}

void X11Keyboard::keybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) {
    const bool press = (flags & KeyEventKeyUp) == 0;
    if (translateAltGr(vk, press))
        return;
    const auto keycode = keycodeForKeyEvent(vk, scan, (flags & KeyEventExtendedKey) != 0);
    if (!keycode || *keycode < minKeycode_ || *keycode > maxKeycode_)
        return; // no such key here; keybd_event reports nothing either
    const bool modifier = vk == vk::Shift || vk == vk::Control || vk == vk::Menu;
    if (press && !modifier && wantedGroup_ != serverGroup_)
        lockGroup(wantedGroup_);
    sendKey(*keycode, press);
    pressedVirtualKeys_.set(vk, press);
    // A lock key changes what the next characters need; read the locks again.
    if (vk == vk::Capital || vk == vk::NumLock || vk == vk::Scroll)
        stateStale_ = true;
}

std::uint32_t X11Keyboard::mapVirtualKey(std::uint32_t code, std::uint32_t mapType) {
    if (mapType != 0 || code > 0xFF)
        return 0;
    return usScanCodeOf(static_cast<std::uint8_t>(code)).code;
}

// The group in force first, then the chosen one, then any other: an MRZ
// typed while the operator left the Arabic group locked must still arrive as
// Latin letters, so a character the chosen group lacks is typed through a
// group that has it, locked around the key and given back at the end.
std::uint16_t X11Keyboard::vkKeyScan(char16_t ch) {
    refresh();
    altGrNext_ = false;
    if (ch >= 0xD800 && ch <= 0xDFFF)
        return NoKeyCode;
    std::vector<unsigned> order{serverGroup_, homeGroup_};
    for (unsigned group = 0; group < finder_->groupCount(); ++group)
        order.push_back(group);
    for (unsigned group : order) {
        if (group >= finder_->groupCount())
            continue;
        const std::uint16_t keyCode = finder_->vkKeyScan(ch, group, lockedMods_);
        if (keyCode != NoKeyCode) {
            wantedGroup_ = group;
            altGrNext_ = ((keyCode >> 8) & 6) == 6;
            altGrKeycode_ = altGrNext_ ? finder_->level3Keycode(group) : std::nullopt;
            return keyCode;
        }
    }
    return NoKeyCode;
}

void X11Keyboard::lockGroup(unsigned group) {
    // On the connection the key events use: keys sent after this lock are
    // read in the new group, keys sent before it in the old one.
    XkbLockGroup(display_, XkbUseCoreKbd, group);
    serverGroup_ = group;
}

void X11Keyboard::restoreHomeGroup() {
    wantedGroup_ = homeGroup_;
    if (serverGroup_ != homeGroup_)
        lockGroup(homeGroup_);
}

// The end of a call: nothing of ours stays down (the engine releases what it
// pressed; this catches whatever a caller left), the operator's group comes
// back, and the keys leave.
void X11Keyboard::flush() {
    releaseAll();
    restoreHomeGroup();
    XFlush(display_);
    socketReadThisCall_ = false;
}

std::int16_t X11Keyboard::getKeyState(std::uint8_t vk) {
    const std::uint8_t state = getKeyboardState()[vk];
    return static_cast<std::int16_t>((state & 0x80 ? 0x8000 : 0) | (state & 1));
}

KeyboardStateBytes X11Keyboard::getKeyboardState() {
    refresh();
    KeyboardStateBytes state{};
    for (std::size_t vk = 0; vk < state.size(); ++vk)
        if (pressedVirtualKeys_.test(vk))
            state[vk] |= 0x80;
    if (lockedMods_ & numLockMask_)
        state[vk::NumLock] |= 1;
    if (lockedMods_ & LockMask)
        state[vk::Capital] |= 1;
    return state;
}

void X11Keyboard::setKeyboardState(const KeyboardStateBytes& state) {
    refresh();
    // Only the lock toggles mean anything to an X server.
    unsigned wanted = lockedMods_ & ~(numLockMask_ | LockMask);
    if (state[vk::NumLock] & 1)
        wanted |= numLockMask_;
    if (state[vk::Capital] & 1)
        wanted |= LockMask;
    const unsigned affect = numLockMask_ | LockMask;
    if ((wanted & affect) != (lockedMods_ & affect)) {
        XkbLockModifiers(display_, XkbUseCoreKbd, affect, wanted & affect);
        lockedMods_ = (lockedMods_ & ~affect) | (wanted & affect);
    }
}

// No window of ours reads keys on this connection, so the pump only takes in
// keyboard notifications. The keys go out together at the end of the call
// (flush), before a message box, or when Xlib's buffer fills: a flush per
// event made typing several times slower (see bench/sendkeys-x11) and
// changes nothing about order, which the single connection keeps.
void X11Keyboard::pumpKeyboardMessages() {
    handleEvents(QueuedAlready); // what has been read already: no system call per event
}

WindowHandle X11Keyboard::getForegroundWindow() {
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    return static_cast<WindowHandle>(focus);
}

// The group is the keyboard's, not one window's: the request to the focused
// window and the activation for our own lookups are the same group lock.
void X11Keyboard::postInputLanguageChangeRequest(WindowHandle, std::uintptr_t,
                                                 std::intptr_t lParam) {
    if (const auto layout = xkbLayoutOfLanguage(static_cast<unsigned>(lParam) & 0xFFFF))
        lockGroupOfLayout(*layout);
}

void X11Keyboard::loadKeyboardLayout(std::u16string_view klid, std::uint32_t flags) {
    if (flags & KlfActivate)
        if (const auto layout = xkbLayoutOfKlid(klid))
            lockGroupOfLayout(*layout);
}

std::vector<std::string> X11Keyboard::configuredLayouts() {
    std::vector<std::string> layouts;
    const Atom names = XInternAtom(display_, "_XKB_RULES_NAMES", True);
    if (names == None)
        return layouts;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, DefaultRootWindow(display_), names, 0, 1024, False, XA_STRING,
                           &type, &format, &count, &after, &data) != Success ||
        data == nullptr)
        return layouts;
    // rules NUL model NUL layouts NUL variants NUL options
    std::vector<std::string> fields;
    std::string field;
    for (unsigned long i = 0; i < count; ++i) {
        if (data[i] == 0) {
            fields.push_back(field);
            field.clear();
        } else {
            field.push_back(static_cast<char>(data[i]));
        }
    }
    fields.push_back(field);
    XFree(data);
    if (fields.size() > 2) {
        std::string layout;
        for (char c : fields[2] + ",") {
            if (c == ',') {
                layouts.push_back(layout);
                layout.clear();
            } else {
                layout.push_back(c);
            }
        }
    }
    return layouts;
}

void X11Keyboard::lockGroupOfLayout(const std::string& layout) {
    const std::vector<std::string> layouts = configuredLayouts();
    for (std::size_t group = 0; group < layouts.size() && group < XkbNumKbdGroups; ++group) {
        if (layouts[group] != layout)
            continue;
        homeGroup_ = wantedGroup_ = static_cast<unsigned>(group);
        if (serverGroup_ != homeGroup_)
            lockGroup(homeGroup_);
        return;
    }
}

void X11Keyboard::messageBox(std::u16string_view text, std::u16string_view caption) {
    // Keys a prefix holds stay down: the string goes on after the box.
    restoreHomeGroup();
    XFlush(display_);
    if (showMessageBox_)
        showMessageBox_(text, caption);
    else
        std::fprintf(stderr, "%s: %s\n", toUtf8(caption).c_str(), toUtf8(text).c_str());
}

} // namespace

std::unique_ptr<KeyboardBackend> makeX11KeyboardBackend(KeyboardMessageBox showMessageBox,
                                                        const char* displayName) {
    return std::make_unique<X11Keyboard>(std::move(showMessageBox), displayName);
}

} // namespace readerlink::platform
