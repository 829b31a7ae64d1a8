#include "delivery/keyboard_layout_tables.h"

#include <unordered_map>

#include "delivery/keyboard_backend.h"

namespace readerlink {

namespace {

constexpr std::uint16_t Shifted = 0x100;
constexpr std::uint16_t Controlled = 0x200;

using KeyMap = std::unordered_map<char16_t, std::uint16_t>;

// What both layouts share: the control characters, space and the digits row's
// unshifted level.
void addCommon(KeyMap& map) {
    map[u'\b'] = vk::Back;
    map[u'\t'] = vk::Tab;
    map[u'\r'] = vk::Return;
    map[u'\n'] = Controlled | vk::Return;
    map[u'\x1b'] = vk::Escape;
    map[u' '] = vk::Space;
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
        const char16_t control = static_cast<char16_t>(letter - u'A' + 1);
        if (!map.count(control))
            map[control] = static_cast<std::uint16_t>(Controlled | letter);
    }
    for (char16_t digit = u'0'; digit <= u'9'; ++digit)
        map[digit] = digit;
}

class TableLayout : public KeyboardLayoutTable {
public:
    TableLayout(std::u16string_view klid, KeyMap map) : klid_(klid), map_(std::move(map)) {}
    std::u16string_view klid() const override { return klid_; }
    std::uint16_t vkKeyScan(char16_t ch) const override {
        const auto found = map_.find(ch);
        return found == map_.end() ? NoKeyCode : found->second;
    }

private:
    std::u16string_view klid_;
    KeyMap map_;
};

struct Pair {
    std::uint8_t vk;
    char16_t plain;
    char16_t shifted; // 0: none
};

KeyMap fromPairs(std::initializer_list<Pair> pairs) {
    KeyMap map;
    addCommon(map);
    for (const Pair& p : pairs) {
        map.emplace(p.plain, p.vk);
        if (p.shifted)
            map.emplace(p.shifted, static_cast<std::uint16_t>(Shifted | p.vk));
    }
    return map;
}

KeyMap usMap() {
    KeyMap map = fromPairs({
        {'1', u'1', u'!'},  {'2', u'2', u'@'},  {'3', u'3', u'#'},  {'4', u'4', u'$'},
        {'5', u'5', u'%'},  {'6', u'6', u'^'},  {'7', u'7', u'&'},  {'8', u'8', u'*'},
        {'9', u'9', u'('},  {'0', u'0', u')'},  {0xBD, u'-', u'_'}, {0xBB, u'=', u'+'},
        {0xDB, u'[', u'{'}, {0xDD, u']', u'}'}, {0xDC, u'\\', u'|'}, {0xBA, u';', u':'},
        {0xDE, u'\'', u'"'}, {0xC0, u'`', u'~'}, {0xBC, u',', u'<'}, {0xBE, u'.', u'>'},
        {0xBF, u'/', u'?'},
    });
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
        map[static_cast<char16_t>(letter + 0x20)] = letter;
        map[letter] = static_cast<std::uint16_t>(Shifted | letter);
    }
    return map;
}

KeyMap arabicMap() {
    return fromPairs({
        {'1', u'1', u'!'},        {'2', u'2', u'@'},        {'3', u'3', u'#'},
        {'4', u'4', u'$'},        {'5', u'5', u'%'},        {'6', u'6', u'^'},
        {'7', u'7', u'&'},        {'8', u'8', u'*'},        {'9', u'9', u')'},
        {'0', u'0', u'('},        {0xBD, u'-', u'_'},       {0xBB, u'=', u'+'},
        {0xC0, u'\u0630', u'\u0651'},
        {'Q', u'\u0636', u'\u064E'}, {'W', u'\u0635', u'\u064B'}, {'E', u'\u062B', u'\u064F'},
        {'R', u'\u0642', u'\u064C'}, {'T', u'\u0641', u'\uFEF9'}, {'Y', u'\u063A', u'\u0625'},
        {'U', u'\u0639', u'`'},      {'I', u'\u0647', u'\u00F7'}, {'O', u'\u062E', u'\u00D7'},
        {'P', u'\u062D', u'\u061B'}, {0xDB, u'\u062C', u'<'},    {0xDD, u'\u062F', u'>'},
        {'A', u'\u0634', u'\u0650'}, {'S', u'\u0633', u'\u064D'}, {'D', u'\u064A', u']'},
        {'F', u'\u0628', u'['},      {'G', u'\u0644', u'\uFEF7'}, {'H', u'\u0627', u'\u0623'},
        {'J', u'\u062A', u'\u0640'}, {'K', u'\u0646', u'\u060C'}, {'L', u'\u0645', u'/'},
        {0xBA, u'\u0643', u':'},     {0xDE, u'\u0637', u'"'},    {0xDC, u'\\', u'|'},
        {'Z', u'\u0626', u'~'},      {'X', u'\u0621', u'\u0652'}, {'C', u'\u0624', u'}'},
        {'V', u'\u0631', u'{'},      {'B', u'\uFEFB', u'\uFEF5'}, {'N', u'\u0649', u'\u0622'},
        {'M', u'\u0629', u'\''},     {0xBC, u'\u0648', u','},    {0xBE, u'\u0632', u'.'},
        {0xBF, u'\u0638', u'\u061F'},
    });
}

} // namespace

const KeyboardLayoutTable& usEnglishLayout() {
    static const TableLayout layout(u"00000409", usMap());
    return layout;
}

const KeyboardLayoutTable& arabicLayout() {
    static const TableLayout layout(u"00000401", arabicMap());
    return layout;
}

const KeyboardLayoutTable* layoutByKlid(std::u16string_view klid) {
    for (const KeyboardLayoutTable* layout : {&usEnglishLayout(), &arabicLayout()})
        if (layout->klid() == klid)
            return layout;
    return nullptr;
}

} // namespace readerlink
