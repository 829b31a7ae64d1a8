#include "page_painter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "reader/mrz/mrz_layout.h"

namespace readerlink::specimentool {

namespace {

struct Colour {
    std::uint8_t r, g, b;
};

// 5x7 glyphs of the MRZ character set, one row of five bits per entry.
const std::array<std::uint8_t, 7>* glyph(char c) {
    static const std::array<std::uint8_t, 7> letters[26] = {
        {14, 17, 17, 31, 17, 17, 17}, {30, 17, 17, 30, 17, 17, 30}, {14, 17, 16, 16, 16, 17, 14},
        {30, 17, 17, 17, 17, 17, 30}, {31, 16, 16, 30, 16, 16, 31}, {31, 16, 16, 30, 16, 16, 16},
        {14, 17, 16, 23, 17, 17, 15}, {17, 17, 17, 31, 17, 17, 17}, {14, 4, 4, 4, 4, 4, 14},
        {7, 2, 2, 2, 2, 18, 12},      {17, 18, 20, 24, 20, 18, 17}, {16, 16, 16, 16, 16, 16, 31},
        {17, 27, 21, 21, 17, 17, 17}, {17, 17, 25, 21, 19, 17, 17}, {14, 17, 17, 17, 17, 17, 14},
        {30, 17, 17, 30, 16, 16, 16}, {14, 17, 17, 17, 21, 18, 13}, {30, 17, 17, 30, 20, 18, 17},
        {15, 16, 16, 14, 1, 1, 30},   {31, 4, 4, 4, 4, 4, 4},       {17, 17, 17, 17, 17, 17, 14},
        {17, 17, 17, 17, 17, 10, 4},  {17, 17, 17, 21, 21, 21, 10}, {17, 17, 10, 4, 10, 17, 17},
        {17, 17, 17, 10, 4, 4, 4},    {31, 1, 2, 4, 8, 16, 31}};
    static const std::array<std::uint8_t, 7> digits[10] = {
        {14, 17, 19, 21, 25, 17, 14}, {4, 12, 4, 4, 4, 4, 14},     {14, 17, 1, 2, 4, 8, 31},
        {31, 2, 4, 2, 1, 17, 14},     {2, 6, 10, 18, 31, 2, 2},    {31, 16, 30, 1, 1, 17, 14},
        {6, 8, 16, 30, 17, 17, 14},   {31, 1, 2, 4, 8, 8, 8},      {14, 17, 17, 14, 17, 17, 14},
        {14, 17, 17, 15, 1, 2, 12}};
    static const std::array<std::uint8_t, 7> filler = {2, 4, 8, 16, 8, 4, 2};
    static const std::array<std::uint8_t, 7> box = {31, 17, 17, 17, 17, 17, 31};
    static const std::array<std::uint8_t, 7> blank = {0, 0, 0, 0, 0, 0, 0};
    if (c >= 'A' && c <= 'Z')
        return &letters[c - 'A'];
    if (c >= '0' && c <= '9')
        return &digits[c - '0'];
    if (c == '<')
        return &filler;
    if (c == ' ')
        return &blank;
    return &box;
}

class Canvas {
public:
    Canvas(int width, int height, Colour fill) {
        image.width = width;
        image.height = height;
        image.rgb.resize(static_cast<std::size_t>(width) * height * 3);
        for (std::size_t i = 0; i < image.rgb.size(); i += 3) {
            image.rgb[i] = fill.r;
            image.rgb[i + 1] = fill.g;
            image.rgb[i + 2] = fill.b;
        }
    }

    void put(int x, int y, Colour c) {
        if (x < 0 || y < 0 || x >= image.width || y >= image.height)
            return;
        auto* p = image.rgb.data() + (static_cast<std::size_t>(y) * image.width + x) * 3;
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
    }

    void fillRect(Rect r, Colour c) {
        for (int y = r.y; y < r.y + r.height; ++y)
            for (int x = r.x; x < r.x + r.width; ++x)
                put(x, y, c);
    }

    void fillEllipse(double cx, double cy, double rx, double ry, Colour c, Rect clip) {
        for (int y = clip.y; y < clip.y + clip.height; ++y)
            for (int x = clip.x; x < clip.x + clip.width; ++x) {
                const double dx = (x - cx) / rx, dy = (y - cy) / ry;
                if (dx * dx + dy * dy <= 1.0)
                    put(x, y, c);
            }
    }

    void text(int x, int y, const std::string& s, int scale, Colour c) {
        for (std::size_t i = 0; i < s.size(); ++i) {
            const auto& rows = *glyph(s[i]);
            const int left = x + static_cast<int>(i) * 6 * scale;
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (rows[row] & (16 >> col))
                        fillRect({left + col * scale, y + row * scale, scale, scale}, c);
        }
    }

    sdk::RgbImage image;
};

void paintFaceInto(Canvas& canvas, Rect r, unsigned seed, bool infra) {
    const Colour background = infra ? Colour{200, 200, 200} : Colour{190, 210, 230};
    const Colour skin = infra ? Colour{150, 150, 150}
                              : Colour{static_cast<std::uint8_t>(200 + seed % 40),
                                       static_cast<std::uint8_t>(160 + seed % 30), 130};
    const Colour hair = infra ? Colour{60, 60, 60}
                              : Colour{static_cast<std::uint8_t>(40 + seed % 90), 40, 20};
    const Colour dark = infra ? Colour{40, 40, 40} : Colour{30, 30, 60};
    canvas.fillRect(r, background);
    const double cx = r.x + r.width / 2.0;
    const double w = r.width, h = r.height;
    canvas.fillEllipse(cx, r.y + h * 1.05, w * 0.48, h * 0.32, dark, r);            // shoulders
    canvas.fillEllipse(cx, r.y + h * 0.36, w * 0.30, h * 0.26, hair, r);            // hair
    canvas.fillEllipse(cx, r.y + h * 0.45, w * 0.25, h * 0.25, skin, r);            // face
    canvas.fillEllipse(cx - w * 0.09, r.y + h * 0.42, w * 0.03, h * 0.02, dark, r); // eyes
    canvas.fillEllipse(cx + w * 0.09, r.y + h * 0.42, w * 0.03, h * 0.02, dark, r);
    canvas.fillEllipse(cx, r.y + h * 0.58, w * 0.07, h * 0.015, dark, r); // mouth
}

Colour tintFor(const PageDesign& d) {
    const char kind = d.mrz.empty() || d.mrz[0].empty() ? 'X' : d.mrz[0][0];
    switch (kind) {
    case 'P':
        return {226, 236, 222};
    case 'V':
        return {240, 226, 230};
    case 'I':
    case 'A':
    case 'C':
        return {222, 230, 242};
    default:
        return {236, 232, 216};
    }
}

int mrzScale(const PageDesign& d) {
    std::size_t longest = 30;
    for (const auto& line : d.mrz)
        longest = std::max(longest, line.size());
    return std::max(1, static_cast<int>((d.width - 32) / (static_cast<int>(longest) * 6)));
}

void paintMrz(Canvas& canvas, const PageDesign& d, Colour ink) {
    const int scale = mrzScale(d);
    const int lineHeight = 10 * scale;
    const int lines = std::max<int>(2, static_cast<int>(d.mrz.size()));
    const int top = d.height - 16 - lines * lineHeight;
    if (d.mrz.empty()) {
        // Worn or covered: dark marks where the zone would be.
        for (int i = 0; i < 2; ++i)
            for (int x = 16; x < d.width - 16; x += 9)
                canvas.fillRect({x, top + i * lineHeight + (x * 7 % 5), 6, 7 * scale}, {90, 90, 90});
        return;
    }
    for (std::size_t i = 0; i < d.mrz.size(); ++i)
        canvas.text(16, top + static_cast<int>(i) * lineHeight, d.mrz[i], scale, ink);
}

void paintDetails(Canvas& canvas, const PageDesign& d, Colour ink) {
    const int x = d.portrait.x + d.portrait.width + 16;
    int y = d.portrait.y;
    const char kind = d.mrz.empty() || d.mrz[0].empty() ? 'X' : d.mrz[0][0];
    const std::string title = kind == 'P' ? "PASSPORT" : kind == 'V' ? "VISA" : "IDENTITY CARD";
    canvas.text(16, 24, title, 3, ink);
    if (d.mrz.empty())
        return;
    const auto parsed = mrz::parseMrz(d.mrz);
    const auto field = [&](int k) { return parsed.fields[k].value; };
    const std::string rows[] = {field(mrz::kSurname),      field(mrz::kGivenNames),
                                field(mrz::kNationality),  field(mrz::kDateOfBirth) + " " + field(mrz::kSex),
                                field(mrz::kDateOfExpiry), field(mrz::kDocumentNumber)};
    for (const auto& row : rows) {
        if (x + static_cast<int>(row.size()) * 12 < d.width)
            canvas.text(x, y, row, 2, ink);
        y += 24;
    }
}

void paintBackground(Canvas& canvas, const PageDesign& d, Colour tint) {
    // A fine guilloche-like wave, as security printing has.
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x) {
            const double wave = std::sin((x + 40 * std::sin(y / 23.0 + d.seed)) / 9.0);
            if (wave > 0.93)
                canvas.put(x, y, {static_cast<std::uint8_t>(tint.r - 30), static_cast<std::uint8_t>(tint.g - 20),
                                  static_cast<std::uint8_t>(tint.b - 25)});
        }
}

} // namespace

sdk::RgbImage paintWhitePage(const PageDesign& d) {
    const Colour tint = tintFor(d);
    Canvas canvas(d.width, d.height, tint);
    paintBackground(canvas, d, tint);
    paintFaceInto(canvas, d.portrait, d.seed, false);
    paintDetails(canvas, d, {40, 40, 70});
    paintMrz(canvas, d, {10, 10, 10});
    return std::move(canvas.image);
}

sdk::RgbImage paintInfraPage(const PageDesign& d) {
    // Under infrared the background inks vanish; the photo and the MRZ stay.
    Canvas canvas(d.width, d.height, {214, 214, 214});
    paintFaceInto(canvas, d.portrait, d.seed, true);
    paintMrz(canvas, d, {20, 20, 20});
    return std::move(canvas.image);
}

sdk::RgbImage paintFace(int width, int height, unsigned seed) {
    Canvas canvas(width, height, {255, 255, 255});
    paintFaceInto(canvas, {0, 0, width, height}, seed, false);
    return std::move(canvas.image);
}

} // namespace readerlink::specimentool
