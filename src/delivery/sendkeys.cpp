#include "delivery/sendkeys.h"

#include "common/codepage1252.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace readerlink {

namespace {

std::u16string conversionText(std::u16string_view notAnInteger) {
    // Appended piece by piece: GCC 12 at -O3 warns falsely on the operator+ chain.
    constexpr std::u16string_view tail = u"' is not a valid integer value";
    std::u16string text;
    text.reserve(notAnInteger.size() + tail.size() + 1);
    text.push_back(u'\'');
    text.append(notAnInteger);
    text.append(tail);
    return text;
}

constexpr char16_t Caption[] = u"SendKeys";

struct KeyName {
    std::string_view name;
    std::uint8_t code;
};

// Sorted in byte order: LookupKeyName bisects it.
constexpr std::array<KeyName, 41> KeyNameTable{{
    {"BACKSPACE", 8}, {"BKSP", 8},   {"BREAK", 3},   {"BS", 8},           {"CAPSLOCK", 20},
    {"CLEAR", 12},    {"DEL", 46},   {"DELETE", 46}, {"DOWN", 40},        {"END", 35},
    {"ENTER", 13},    {"ESC", 27},   {"ESCAPE", 27}, {"F1", 112},         {"F10", 121},
    {"F11", 122},     {"F12", 123},  {"F13", 124},   {"F14", 125},        {"F15", 126},
    {"F16", 127},     {"F2", 113},   {"F3", 114},    {"F4", 115},         {"F5", 116},
    {"F6", 117},      {"F7", 118},   {"F8", 119},    {"F9", 120},         {"HELP", 47},
    {"HOME", 36},     {"INS", 45},   {"LEFT", 37},   {"NUMLOCK", 144},    {"PGDN", 34},
    {"PGUP", 33},     {"PRTSC", 42}, {"RIGHT", 39},  {"SCROLLLOCK", 145}, {"TAB", 9},
    {"UP", 38},
}};

constexpr bool tableIsSorted() {
    for (std::size_t i = 1; i < KeyNameTable.size(); ++i)
        if (!(KeyNameTable[i - 1].name < KeyNameTable[i].name))
            return false;
    return true;
}
static_assert(tableIsSorted(), "LookupKeyName bisects KeyNameTable");

// Navigation keys go out with the extended-key flag; nothing else does.
const std::bitset<256> ExtendedKeys = [] {
    std::bitset<256> keys;
    for (int code : {0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x2D, 0x2E})
        keys.set(static_cast<std::size_t>(code));
    return keys;
}();

// StrToInt's rules: leading blanks, a sign, decimal or "$"/"0x" hex digits,
// nothing after them, and a value that fits 32 bits.
std::optional<std::int32_t> parseInteger(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    unsigned base = 10;
    if (i < text.size() && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' &&
               (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    } else if (i < text.size() && (text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        unsigned digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > std::int64_t{0x80000000})
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > 0x7FFFFFFF)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

// One SendKeys call: its flags, and the modifiers it has actually pressed so
// none of them outlives the call.
class KeyTyper {
public:
    KeyTyper(KeyboardBackend& keyboard, bool pumpMessages)
        : keyboard_(keyboard), pumpMessages_(pumpMessages) {}

    KeyTyper(const KeyTyper&) = delete;
    KeyTyper& operator=(const KeyTyper&) = delete;

    // The way out by exception: the error already on its way to the caller
    // is the one to report, so a second failure while releasing is dropped.
    ~KeyTyper() {
        if (finished_)
            return;
        try {
            finish();
        } catch (...) {
        }
    }

    bool run(std::u16string_view keys);

    // Every other way out: the end, "No Close", a "(" still open.
    void finish() {
        finished_ = true;
        ReleasePressedModifiers();
        keyboard_.flush();
    }

private:
    void EmitKeyEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags);
    void PressVirtualKey(std::uint8_t vk, std::uint16_t count, bool withRelease);
    void ReleaseModifierKey(std::uint8_t vk);
    void TypeKeyCode(std::uint16_t keyCode, std::uint16_t count, bool withRelease);
    void ReleaseHeldModifiers();
    std::uint16_t LookupKeyName(std::u16string_view name);
    void SwitchKeyboardLayout(bool english);

    // The steps of run: a prefix or grouping character ("+^%@()~"), a plain
    // character, and a brace group ("{ENTER 3}", "{{}", "{}}", "{ARA}").
    bool applyPrefix(char16_t c);
    void typeCharacter(char16_t c);
    // Returns where the text goes on after the group; nullopt for "No Close".
    std::optional<std::size_t> typeBraceGroup(std::u16string_view keys, std::size_t open);
    void typeNamedKey(std::u16string_view text);
    std::uint16_t repeatCount(std::u16string_view countText);

    void ReleasePressedModifiers();
    std::uint8_t scanOf(std::uint8_t vk) {
        return static_cast<std::uint8_t>(keyboard_.mapVirtualKey(vk, 0) & 0xFF);
    }

    KeyboardBackend& keyboard_;
    const bool pumpMessages_;
    bool ShiftHeld = false;
    bool ControlHeld = false;
    bool AltHeld = false;
    bool InParentheses = false;
    // Shift, Control, Alt as this call left them on the keyboard.
    std::array<bool, 3> modifierDown_{};
    bool finished_ = false;
};

int modifierSlot(std::uint8_t vk) {
    switch (vk) {
    case vk::Shift:
        return 0;
    case vk::Control:
        return 1;
    case vk::Menu:
        return 2;
    default:
        return -1;
    }
}

void KeyTyper::EmitKeyEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) {
    keyboard_.keybdEvent(vk, scan, flags);
    if (const int slot = modifierSlot(vk); slot >= 0)
        modifierDown_[static_cast<std::size_t>(slot)] = (flags & KeyEventKeyUp) == 0;
    if (pumpMessages_)
        keyboard_.pumpKeyboardMessages();
}

void KeyTyper::PressVirtualKey(std::uint8_t vk, std::uint16_t count, bool withRelease) {
    if (vk == vk::NumLock) {
        // A toggle through the keyboard state, not a key event.
        const bool on = (keyboard_.getKeyState(vk::NumLock) & 1) != 0;
        KeyboardStateBytes state = keyboard_.getKeyboardState();
        if (on)
            state[vk::NumLock] &= static_cast<std::uint8_t>(~1u);
        else
            state[vk::NumLock] |= 1u;
        keyboard_.setKeyboardState(state);
        return;
    }
    const std::uint8_t scan = scanOf(vk);
    const std::uint32_t extended = ExtendedKeys.test(vk) ? KeyEventExtendedKey : 0;
    for (std::uint16_t n = 0; n < count; ++n) {
        EmitKeyEvent(vk, scan, extended);
        if (withRelease)
            EmitKeyEvent(vk, scan, extended | KeyEventKeyUp);
    }
}

void KeyTyper::ReleaseModifierKey(std::uint8_t vk) {
    EmitKeyEvent(vk, scanOf(vk), KeyEventKeyUp);
}

void KeyTyper::TypeKeyCode(std::uint16_t keyCode, std::uint16_t count, bool withRelease) {
    const unsigned shiftState = keyCode >> 8;
    const auto vk = static_cast<std::uint8_t>(keyCode & 0xFF);
    constexpr std::array<std::pair<unsigned, std::uint8_t>, 3> modifiers{
        {{1u, vk::Shift}, {2u, vk::Control}, {4u, vk::Menu}}};
    for (const auto& [bit, modifier] : modifiers)
        if (shiftState & bit)
            PressVirtualKey(modifier, 1, false);
    PressVirtualKey(vk, count, withRelease);
    for (const auto& [bit, modifier] : modifiers)
        if (shiftState & bit)
            ReleaseModifierKey(modifier);
}

void KeyTyper::ReleaseHeldModifiers() {
    if (InParentheses)
        return;
    if (ShiftHeld)
        ReleaseModifierKey(vk::Shift);
    if (ControlHeld)
        ReleaseModifierKey(vk::Control);
    if (AltHeld)
        ReleaseModifierKey(vk::Menu);
    ShiftHeld = ControlHeld = AltHeld = false;
}

void KeyTyper::ReleasePressedModifiers() {
    for (std::uint8_t modifier : {vk::Shift, vk::Control, vk::Menu})
        if (modifierDown_[static_cast<std::size_t>(modifierSlot(modifier))])
            ReleaseModifierKey(modifier);
}

std::uint16_t KeyTyper::LookupKeyName(std::u16string_view name) {
    // Names are single-byte text of at most 255 characters; a longer one can
    // match no row, so it is not cut down to one that might.
    const std::vector<std::uint8_t> bytes = encodeWindows1252(name);
    if (bytes.size() <= 255) {
        const std::string_view key(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        std::size_t low = 0;
        std::size_t high = KeyNameTable.size();
        while (low < high) {
            const std::size_t mid = low + (high - low) / 2;
            const int order = key.compare(KeyNameTable[mid].name);
            if (order == 0)
                return KeyNameTable[mid].code;
            if (order < 0)
                high = mid;
            else
                low = mid + 1;
        }
    }
    keyboard_.messageBox(u"Invalid Key Name", Caption);
    return NoKeyCode;
}

void KeyTyper::SwitchKeyboardLayout(bool english) {
    // wParam 5: INPUTLANGCHANGE_SYSCHARSET | INPUTLANGCHANGE_BACKWARD.
    const WindowHandle window = keyboard_.getForegroundWindow();
    keyboard_.postInputLanguageChangeRequest(window, 5, english ? 0x04090409 : 0x04010401);
    keyboard_.loadKeyboardLayout(english ? u"00000409" : u"00000401", KlfActivate);
}

bool KeyTyper::run(std::u16string_view keys) {
    keys = keys.substr(0, std::min(keys.find(u'\0'), keys.size()));
    if (keys.empty())
        return false;
    std::size_t i = 0;
    while (i < keys.size()) {
        const char16_t c = keys[i];
        if (c == u'{') {
            const std::optional<std::size_t> next = typeBraceGroup(keys, i);
            if (!next)
                return false;
            i = *next;
            continue;
        }
        if (!applyPrefix(c))
            typeCharacter(c);
        ++i;
    }
    ReleaseHeldModifiers();
    return true;
}

bool KeyTyper::applyPrefix(char16_t c) {
    switch (c) {
    case u'+':
        ShiftHeld = true;
        PressVirtualKey(vk::Shift, 1, false);
        return true;
    case u'^':
        ControlHeld = true;
        PressVirtualKey(vk::Control, 1, false);
        return true;
    case u'%':
        AltHeld = true;
        PressVirtualKey(vk::Menu, 1, false);
        return true;
    case u'@':
        // Marks Control as held without pressing it: the release step
        // then sends a lone Control key-up, which is harmless.
        ControlHeld = true;
        PressVirtualKey(vk::NumLock, 1, false);
        return true;
    case u'(':
        InParentheses = true;
        return true;
    case u')':
        InParentheses = false;
        ReleaseHeldModifiers();
        return true;
    case u'~':
        PressVirtualKey(vk::Return, 1, true);
        ReleaseHeldModifiers();
        return true;
    default:
        return false;
    }
}

void KeyTyper::typeCharacter(char16_t c) {
    const std::uint16_t keyCode = keyboard_.vkKeyScan(c);
    if (keyCode == NoKeyCode) {
        keyboard_.messageBox(u"Invalid KeyName", Caption);
        return;
    }
    TypeKeyCode(keyCode, 1, true);
    ReleaseHeldModifiers();
}

std::optional<std::size_t> KeyTyper::typeBraceGroup(std::u16string_view keys, std::size_t open) {
    auto at = [&](std::size_t i) -> char16_t { return i < keys.size() ? keys[i] : u'\0'; };
    // "{{" types a "{" and skips one more character, whatever it is.
    if (at(open + 1) == u'{') {
        TypeKeyCode(0x01DB, 1, true);
        ReleaseHeldModifiers();
        return open + 3;
    }
    const std::size_t close = keys.find(u'}', open + 1);
    if (close == std::u16string_view::npos) {
        keyboard_.messageBox(u"No Close", Caption);
        return std::nullopt;
    }
    // "{}}" types a "}".
    if (at(close + 1) == u'}') {
        TypeKeyCode(0x01DD, 1, true);
        ReleaseHeldModifiers();
        return close + 2;
    }
    std::u16string text(keys.substr(open + 1, close - open - 1));
    for (char16_t& unit : text)
        if (unit >= u'a' && unit <= u'z')
            unit = static_cast<char16_t>(unit - 0x20);
    typeNamedKey(text);
    return close + 1;
}

void KeyTyper::typeNamedKey(std::u16string_view text) {
    std::u16string_view name = text;
    std::uint16_t count = 1;
    if (const std::size_t blank = text.find(u' '); blank != std::u16string_view::npos) {
        count = repeatCount(text.substr(blank + 1));
        name = name.substr(0, blank);
    }
    std::uint16_t keyCode = NoKeyCode;
    if (name.size() == 1)
        keyCode = keyboard_.vkKeyScan(name[0]);
    else if (name == u"ARA")
        SwitchKeyboardLayout(false);
    else if (name == u"ENG")
        SwitchKeyboardLayout(true);
    else
        keyCode = LookupKeyName(name);
    if (keyCode != NoKeyCode) {
        TypeKeyCode(keyCode, count, true);
        ReleaseHeldModifiers();
    }
}

std::uint16_t KeyTyper::repeatCount(std::u16string_view countText) {
    const std::optional<std::int32_t> value = parseInteger(countText);
    if (!value)
        throw ConversionError(countText);
    // A count below 0 types nothing rather than wrapping round to tens of
    // thousands of keys; above 65535 is capped there.
    return static_cast<std::uint16_t>(std::clamp<std::int32_t>(*value, 0, 0xFFFF));
}

} // namespace

ConversionError::ConversionError(std::u16string_view notAnInteger)
    : Error(conversionText(notAnInteger)) {}

bool SendKeys(KeyboardBackend& keyboard, std::u16string_view keys, bool pumpMessages) {
    KeyTyper typer(keyboard, pumpMessages);
    const bool result = typer.run(keys);
    typer.finish();
    return result;
}

} // namespace readerlink
