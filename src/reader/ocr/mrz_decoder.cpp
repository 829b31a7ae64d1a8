#include "reader/ocr/mrz_decoder.h"

#include "reader/mrz/check_digit.h"

#include <algorithm>
#include <optional>

namespace readerlink::ocr {

namespace {

enum class CharClass { Digit, Letter, Any };

struct Span {
    int line, start, length;
};

struct CheckedField {
    std::vector<Span> data;
    int checkLine, checkPos;
};

struct Rules {
    std::vector<std::vector<CharClass>> classes;
    std::vector<CheckedField> fields; // simple fields first, the composite last
};

void mark(Rules& r, int line, int start, int length, CharClass c) {
    for (int i = start; i < start + length; ++i)
        r.classes[static_cast<size_t>(line)][static_cast<size_t>(i)] = c;
}

// The second line of TD2, TD3, MRV-A and MRV-B; `optionalEnd` is one past the
// optional data, `composite` whether a composite check digit closes it.
void passportLine2(Rules& r, int length, bool personalCheck, bool composite) {
    using enum CharClass;
    mark(r, 1, 0, 9, Any);
    mark(r, 1, 9, 1, Digit);
    mark(r, 1, 10, 3, Letter);
    mark(r, 1, 13, 7, Digit);
    mark(r, 1, 20, 1, Letter);
    mark(r, 1, 21, 7, Digit);
    r.fields.push_back({{{1, 0, 9}}, 1, 9});
    r.fields.push_back({{{1, 13, 6}}, 1, 19});
    r.fields.push_back({{{1, 21, 6}}, 1, 27});
    const int optionalEnd = length - (personalCheck ? 2 : composite ? 1 : 0);
    if (personalCheck) {
        mark(r, 1, length - 2, 1, Digit);
        r.fields.push_back({{{1, 28, optionalEnd - 28}}, 1, length - 2});
    }
    if (composite) {
        mark(r, 1, length - 1, 1, Digit);
        r.fields.push_back({{{1, 0, 10}, {1, 13, 7}, {1, 21, length - 1 - 21}}, 1, length - 1});
    }
}

Rules rulesFor(int lineCount, int length, char firstChar) {
    using enum CharClass;
    Rules r;
    r.classes.assign(static_cast<size_t>(lineCount),
                     std::vector<CharClass>(static_cast<size_t>(length), Any));
    if (lineCount == 3) { // TD1
        mark(r, 0, 0, 5, Letter);
        mark(r, 0, 14, 1, Digit);
        mark(r, 1, 0, 7, Digit);
        mark(r, 1, 7, 1, Letter);
        mark(r, 1, 8, 7, Digit);
        mark(r, 1, 15, 3, Letter);
        mark(r, 1, 29, 1, Digit);
        mark(r, 2, 0, 30, Letter);
        r.fields.push_back({{{0, 5, 9}}, 0, 14});
        r.fields.push_back({{{1, 0, 6}}, 1, 6});
        r.fields.push_back({{{1, 8, 6}}, 1, 14});
        r.fields.push_back({{{0, 5, 25}, {1, 0, 7}, {1, 8, 7}, {1, 18, 11}}, 1, 29});
        return r;
    }
    mark(r, 0, 0, length, Letter);
    const bool visa = firstChar == 'V';
    passportLine2(r, length, !visa && length == 44, !visa);
    return r;
}

struct Reading {
    const std::vector<std::vector<GlyphScores>>& scores;
    const Rules& rules;
    std::vector<std::string> lines;

    bool allowed(int line, int pos, int glyph) const {
        const char c = glyphChar(glyph);
        if (c == '<')
            return true;
        switch (rules.classes[static_cast<size_t>(line)][static_cast<size_t>(pos)]) {
        case CharClass::Digit:
            return c >= '0' && c <= '9';
        case CharClass::Letter:
            return c >= 'A' && c <= 'Z';
        case CharClass::Any:
            return true;
        }
        return true;
    }
    float score(int line, int pos, char c) const {
        return scores[static_cast<size_t>(line)][static_cast<size_t>(pos)]
                     [static_cast<size_t>(glyphIndex(c))];
    }
    char& at(int line, int pos) {
        return lines[static_cast<size_t>(line)][static_cast<size_t>(pos)];
    }

    std::string fieldData(const CheckedField& f) const {
        std::string data;
        for (const Span& s : f.data)
            data += lines[static_cast<size_t>(s.line)].substr(static_cast<size_t>(s.start),
                                                              static_cast<size_t>(s.length));
        return data;
    }
    bool holds(const CheckedField& f) const {
        return mrz::checkDigitHolds(
            fieldData(f), lines[static_cast<size_t>(f.checkLine)][static_cast<size_t>(f.checkPos)]);
    }
};

// How much worse than the chosen character an alternative may score and
// still be tried; beyond it a change is a guess, not a reading.
constexpr float kMendMargin = 0.12f;

void mend(Reading& reading, const CheckedField& field) {
    if (reading.holds(field))
        return;
    // A change must not break a field that already holds.
    std::vector<const CheckedField*> holding;
    for (const CheckedField& other : reading.rules.fields)
        if (&other != &field && reading.holds(other))
            holding.push_back(&other);
    const auto stillHolding = [&] {
        return std::all_of(holding.begin(), holding.end(),
                           [&](const CheckedField* f) { return reading.holds(*f); });
    };
    std::vector<std::pair<int, int>> positions;
    for (const Span& s : field.data)
        for (int i = s.start; i < s.start + s.length; ++i)
            positions.emplace_back(s.line, i);
    positions.emplace_back(field.checkLine, field.checkPos);
    float bestLoss = kMendMargin;
    std::optional<std::pair<std::pair<int, int>, char>> best;
    bool tie = false;
    for (const auto& [line, pos] : positions) {
        const char current = reading.at(line, pos);
        const float currentScore = reading.score(line, pos, current);
        for (int g = 0; g < 37; ++g) {
            const char c = glyphChar(g);
            if (c == current || !reading.allowed(line, pos, g))
                continue;
            const float loss = currentScore - reading.score(line, pos, c);
            if (loss > kMendMargin)
                continue;
            reading.at(line, pos) = c;
            if (reading.holds(field) && stillHolding()) {
                if (loss < bestLoss - 0.01f) {
                    bestLoss = loss;
                    best = {{line, pos}, c};
                    tie = false;
                } else if (loss < bestLoss + 0.01f) {
                    tie = true;
                }
            }
            reading.at(line, pos) = current;
        }
    }
    if (best && !tie)
        reading.at(best->first.first, best->first.second) = best->second;
}

} // namespace

std::vector<std::string> decodeMrz(const std::vector<std::vector<GlyphScores>>& scores) {
    if (scores.empty() || scores.front().empty())
        return {};
    const int lineCount = static_cast<int>(scores.size());
    const int length = static_cast<int>(scores.front().size());
    // The first character (P, V, I, A, C) decides MRV against TD2/TD3.
    const auto& first = scores[0][0];
    int firstGlyph = 10;
    for (int g = 10; g < 36; ++g)
        if (first[static_cast<size_t>(g)] > first[static_cast<size_t>(firstGlyph)])
            firstGlyph = g;
    const Rules rules = rulesFor(lineCount, length, glyphChar(firstGlyph));

    Reading reading{scores, rules, {}};
    for (int l = 0; l < lineCount; ++l) {
        std::string text;
        for (int p = 0; p < length; ++p) {
            const auto& s = scores[static_cast<size_t>(l)][static_cast<size_t>(p)];
            int bestGlyph = -1;
            for (int g = 0; g < 37; ++g)
                if (reading.allowed(l, p, g) &&
                    (bestGlyph < 0 ||
                     s[static_cast<size_t>(g)] > s[static_cast<size_t>(bestGlyph)]))
                    bestGlyph = g;
            text += glyphChar(bestGlyph);
        }
        reading.lines.push_back(std::move(text));
    }
    for (const CheckedField& field : rules.fields)
        mend(reading, field);
    return reading.lines;
}

} // namespace readerlink::ocr
