// From glyph scores to lines: field classes settle the look-alikes, check
// digits mend one close call and never a confident reading.

#include "reader/ocr/mrz_decoder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace readerlink::ocr {
namespace {

const std::vector<std::string> kTd3 = {"P<UTOSTEVENSON<<PETER<JOHN<<<<<<<<<<<<<<<<<<",
                                       "X4RTBPFW46UTO8501019M3203156UTO1234567<<<<52"};

// Scores as a clean page gives them: the printed character clearly first.
std::vector<std::vector<GlyphScores>> confident(const std::vector<std::string>& lines) {
    std::vector<std::vector<GlyphScores>> scores;
    for (const auto& line : lines) {
        std::vector<GlyphScores> row;
        for (char c : line) {
            GlyphScores s;
            s.fill(0.3f);
            s[static_cast<size_t>(glyphIndex(c))] = 0.95f;
            row.push_back(s);
        }
        scores.push_back(row);
    }
    return scores;
}

void set(std::vector<std::vector<GlyphScores>>& scores, int line, int pos, char c, float score) {
    scores[static_cast<size_t>(line)][static_cast<size_t>(pos)]
          [static_cast<size_t>(glyphIndex(c))] = score;
}

TEST(MrzDecoder, ReadsConfidentScoresAsTheyAre) {
    EXPECT_EQ(decodeMrz(confident(kTd3)), kTd3);
}

TEST(MrzDecoder, FieldClassSettlesLookAlikes) {
    auto scores = confident(kTd3);
    set(scores, 1, 13, 'B', 0.97f); // date of birth: digits only, so 8
    set(scores, 0, 4, '0', 0.97f);  // issuing state: letters only, so O
    set(scores, 0, 5, '5', 0.97f);  // name: letters only, so S
    EXPECT_EQ(decodeMrz(scores), kTd3);
}

TEST(MrzDecoder, CheckDigitMendsOneCloseCall) {
    auto scores = confident(kTd3);
    // Document number "X4RTBPFW4": the B a shade behind an 8.
    set(scores, 1, 4, '8', 0.96f);
    EXPECT_EQ(decodeMrz(scores), kTd3);
}

TEST(MrzDecoder, CheckDigitLeavesAConfidentReadingAlone) {
    // Printed wrong: the date of birth's check digit 9 where 1 is right; no
    // other character comes close, so the line stays as printed.
    auto printed = kTd3;
    printed[1][19] = '1';
    const auto scores = confident(printed);
    EXPECT_EQ(decodeMrz(scores), printed);
}

TEST(MrzDecoder, NoScoresNoLines) {
    EXPECT_TRUE(decodeMrz({}).empty());
}

} // namespace
} // namespace readerlink::ocr
