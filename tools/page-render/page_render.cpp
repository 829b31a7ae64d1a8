#include "page_render.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include "reader/mrz/check_digit.h"

#include <algorithm>
#include <cmath>
#include <leptonica/allheaders.h>
#include <memory>
#include <numbers>
#include <stdexcept>

namespace readerlink::pagerender {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kPitchMm = 2.54;    // ten characters to the inch
constexpr double kLineStepMm = 4.23; // six lines to the inch

struct PixDeleter {
    void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<PIX, PixDeleter>;

struct Canvas {
    int width = 0, height = 0;
    std::vector<float> v; // 0 black .. 255 white

    float& at(int x, int y) { return v[static_cast<size_t>(y) * width + x]; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    void fillRect(double x0, double y0, double x1, double y1, float value) {
        for (int y = std::max(0, int(y0)); y < std::min(height, int(y1)); ++y)
            for (int x = std::max(0, int(x0)); x < std::min(width, int(x1)); ++x)
                at(x, y) = value;
    }
};

class Font {
public:
    Font() {
        if (FT_Init_FreeType(&library_) || FT_New_Face(library_, ocrbFontPath().c_str(), 0, &face_))
            throw std::runtime_error("cannot open the OCR-B font " + ocrbFontPath());
        FT_Set_Pixel_Sizes(face_, 0, 100);
        FT_Load_Char(face_, 'H', FT_LOAD_DEFAULT);
        advancePer100_ = face_->glyph->advance.x / 64.0;
    }
    ~Font() {
        FT_Done_Face(face_);
        FT_Done_FreeType(library_);
    }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Fixed-pitch text with its baseline at `baseline`, `pitch` pixels a character.
    void draw(Canvas& canvas, const std::string& text, double x, double baseline, double pitch,
              float ink) {
        FT_Set_Char_Size(face_, 0, static_cast<FT_F26Dot6>(100.0 * pitch / advancePer100_ * 64), 72,
                         72);
        for (size_t i = 0; i < text.size(); ++i) {
            const double penX = x + pitch * static_cast<double>(i);
            FT_Vector delta{static_cast<FT_Pos>((penX - std::floor(penX)) * 64), 0};
            FT_Set_Transform(face_, nullptr, &delta);
            if (text[i] == ' ' ||
                FT_Load_Char(face_, static_cast<unsigned char>(text[i]), FT_LOAD_RENDER))
                continue;
            const FT_GlyphSlot g = face_->glyph;
            const int left = static_cast<int>(std::floor(penX)) + g->bitmap_left;
            const int top = static_cast<int>(std::lround(baseline)) - g->bitmap_top;
            for (unsigned row = 0; row < g->bitmap.rows; ++row)
                for (unsigned col = 0; col < g->bitmap.width; ++col) {
                    const int px = left + static_cast<int>(col), py = top + static_cast<int>(row);
                    if (!canvas.inside(px, py))
                        continue;
                    const float a =
                        g->bitmap.buffer[row * static_cast<unsigned>(g->bitmap.pitch) + col] /
                        255.0f;
                    float& p = canvas.at(px, py);
                    p = p * (1 - a) + ink * a;
                }
        }
        FT_Set_Transform(face_, nullptr, nullptr);
    }

private:
    FT_Library library_{};
    FT_Face face_{};
    double advancePer100_ = 60;
};

struct DocumentSize {
    double width, height; // mm
};

DocumentSize sizeFor(const std::vector<std::string>& mrz) {
    switch (mrz::detectLayout(mrz)) {
    case mrz::Layout::TD1:
        return {85.6, 54.0};
    case mrz::Layout::TD2:
    case mrz::Layout::MRVB:
        return {105.0, 74.0};
    case mrz::Layout::MRVA:
        return {120.0, 80.0};
    default:
        return {125.0, 88.0};
    }
}

std::string randomWord(std::mt19937& random, int length) {
    static const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/-.";
    std::string word;
    for (int i = 0; i < length; ++i)
        word += letters[std::uniform_int_distribution<size_t>(0, letters.size() - 1)(random)];
    return word;
}

std::string randomText(std::mt19937& random, int maxLength) {
    std::string text;
    while (true) {
        std::string word = randomWord(random, std::uniform_int_distribution<int>(2, 8)(random));
        if (static_cast<int>(text.size() + word.size() + 1) > maxLength)
            return text;
        text += (text.empty() ? "" : " ") + word;
    }
}

void drawDocument(Canvas& canvas, Font& font, const std::vector<std::string>& mrz, double originX,
                  double originY, double pxPerMm, const Degradations& d, std::mt19937& random) {
    const DocumentSize size = sizeFor(mrz);
    const double w = size.width * pxPerMm, h = size.height * pxPerMm;
    const float paper = std::uniform_real_distribution<float>(225, 248)(random);
    canvas.fillRect(originX, originY, originX + w, originY + h, paper);
    if (d.background) {
        const double f1 = std::uniform_real_distribution<double>(0.8, 1.6)(random) / pxPerMm;
        const double f2 = std::uniform_real_distribution<double>(0.1, 0.3)(random) / pxPerMm;
        const double amplitude = std::uniform_real_distribution<double>(3, 8)(random);
        const float depth = std::uniform_real_distribution<float>(25, 60)(random);
        for (int y = std::max(0, int(originY)); y < std::min(canvas.height, int(originY + h)); ++y)
            for (int x = std::max(0, int(originX)); x < std::min(canvas.width, int(originX + w));
                 ++x) {
                const double s = std::sin(f1 * (y + amplitude * pxPerMm * std::sin(f2 * x)) +
                                          0.3 * std::sin(f2 * 2.3 * y));
                const double line = std::pow(0.5 + 0.5 * s, 12);
                canvas.at(x, y) -= static_cast<float>(depth * line);
            }
    }
    // Portrait: a dark oval on a mid-grey ground in the upper left.
    const double px0 = originX + 5 * pxPerMm, py0 = originY + 0.2 * h;
    const double pw = 0.27 * w, ph = 0.5 * h;
    const float ground = std::uniform_real_distribution<float>(120, 200)(random);
    for (int y = std::max(0, int(py0)); y < std::min(canvas.height, int(py0 + ph)); ++y)
        for (int x = std::max(0, int(px0)); x < std::min(canvas.width, int(px0 + pw)); ++x) {
            const double ex = (x - px0 - pw / 2) / (0.32 * pw),
                         ey = (y - py0 - 0.45 * ph) / (0.38 * ph);
            canvas.at(x, y) = ex * ex + ey * ey < 1 ? ground - 70 : ground;
        }
    const int lines = static_cast<int>(mrz.size());
    const double pitch = kPitchMm * pxPerMm;
    const double mrzWidth = pitch * static_cast<double>(mrz.empty() ? 44 : mrz.front().size());
    const double mrzLeft = originX + (w - mrzWidth) / 2;
    const double lastBaseline = originY + h - 4.5 * pxPerMm;
    const double firstBaseline = lastBaseline - (lines - 1) * kLineStepMm * pxPerMm;
    if (d.photoBleed) {
        // The portrait's print bled down into the MRZ's first characters.
        const double cx = px0 + pw / 2, cy = firstBaseline - 2 * pxPerMm;
        const double rx = 0.6 * pw, ry = 7 * pxPerMm;
        const float depth = std::uniform_real_distribution<float>(40, 90)(random);
        for (int y = std::max(0, int(cy - ry)); y < std::min(canvas.height, int(cy + ry)); ++y)
            for (int x = std::max(0, int(cx - rx)); x < std::min(canvas.width, int(cx + rx)); ++x) {
                const double ex = (x - cx) / rx, ey = (y - cy) / ry;
                const double r2 = ex * ex + ey * ey;
                if (r2 < 1)
                    canvas.at(x, y) -= static_cast<float>(depth * (1 - r2));
            }
    }
    // Labels and data right of the portrait, in a smaller print.
    const float ink = std::uniform_real_distribution<float>(10, 50)(random);
    const double textPitch = std::uniform_real_distribution<double>(0.55, 0.8)(random) * pitch;
    for (int i = 0; i < 5; ++i)
        font.draw(canvas, randomText(random, 24), px0 + pw + 4 * pxPerMm, py0 + (i + 1) * 0.09 * h,
                  textPitch, ink);
    font.draw(canvas, randomText(random, 20), originX + 0.3 * w, originY + 0.1 * h, 1.4 * pitch,
              ink);
    if (d.nearbyText)
        font.draw(canvas, randomText(random, 26), mrzLeft + 8 * pitch,
                  firstBaseline - kLineStepMm * pxPerMm * 0.95, 0.7 * pitch, ink);
    for (int i = 0; i < lines; ++i)
        font.draw(canvas, mrz[static_cast<size_t>(i)], mrzLeft,
                  firstBaseline + i * kLineStepMm * pxPerMm, pitch, ink);
}

void gaussianBlur(Canvas& c, double sigma) {
    if (sigma <= 0.05)
        return;
    const int radius = static_cast<int>(std::ceil(3 * sigma));
    std::vector<float> k(static_cast<size_t>(2 * radius + 1));
    float sum = 0;
    for (int i = -radius; i <= radius; ++i)
        sum += k[static_cast<size_t>(i + radius)] =
            static_cast<float>(std::exp(-i * i / (2 * sigma * sigma)));
    for (float& v : k)
        v /= sum;
    std::vector<float> tmp(c.v.size());
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            float v = 0;
            for (int i = -radius; i <= radius; ++i)
                v +=
                    k[static_cast<size_t>(i + radius)] * c.at(std::clamp(x + i, 0, c.width - 1), y);
            tmp[static_cast<size_t>(y) * c.width + x] = v;
        }
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            float v = 0;
            for (int i = -radius; i <= radius; ++i)
                v += k[static_cast<size_t>(i + radius)] *
                     tmp[static_cast<size_t>(std::clamp(y + i, 0, c.height - 1)) * c.width + x];
            c.at(x, y) = v;
        }
}

PixPtr toPix(const Canvas& c) {
    PixPtr pix(pixCreate(c.width, c.height, 8));
    for (int y = 0; y < c.height; ++y) {
        l_uint32* line = pixGetData(pix.get()) + static_cast<size_t>(y) * pixGetWpl(pix.get());
        for (int x = 0; x < c.width; ++x)
            SET_DATA_BYTE(line, x,
                          static_cast<int>(std::clamp(
                              std::lround(c.v[static_cast<size_t>(y) * c.width + x]), 0L, 255L)));
    }
    return pix;
}

ocr::GreyImage toGrey(PIX* pix) {
    ocr::GreyImage image;
    image.width = pixGetWidth(pix);
    image.height = pixGetHeight(pix);
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    for (int y = 0; y < image.height; ++y) {
        const l_uint32* line = pixGetData(pix) + static_cast<size_t>(y) * pixGetWpl(pix);
        for (int x = 0; x < image.width; ++x)
            image.pixels[static_cast<size_t>(y) * image.width + x] =
                static_cast<std::uint8_t>(GET_DATA_BYTE(line, x));
    }
    return image;
}

char randomOf(std::mt19937& random, const std::string& set) {
    return set[std::uniform_int_distribution<size_t>(0, set.size() - 1)(random)];
}

std::string randomField(std::mt19937& random, const std::string& set, int length) {
    std::string out;
    for (int i = 0; i < length; ++i)
        out += randomOf(random, set);
    return out;
}

std::string padded(std::string s, size_t length) {
    s.resize(length, '<');
    return s;
}

std::string randomDate(std::mt19937& random) {
    auto two = [&](int lo, int hi) {
        const int v = std::uniform_int_distribution<int>(lo, hi)(random);
        return std::string(1, char('0' + v / 10)) + char('0' + v % 10);
    };
    return two(0, 99) + two(1, 12) + two(1, 28);
}

std::string randomName(std::mt19937& random, size_t length) {
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string name =
        randomField(random, letters, std::uniform_int_distribution<int>(3, 12)(random)) + "<<" +
        randomField(random, letters, std::uniform_int_distribution<int>(3, 8)(random));
    if (random() % 2)
        name +=
            "<" + randomField(random, letters, std::uniform_int_distribution<int>(3, 8)(random));
    return padded(name, length);
}

std::string withCheck(const std::string& data) {
    return data + mrz::computeCheckDigit(data);
}

} // namespace

std::string ocrbFontPath() {
    return READERLINK_OCRB_FONT;
}

std::vector<std::string> randomMrz(mrz::Layout layout, std::mt19937& random) {
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::string alnum = letters + "0123456789";
    const std::string state = randomField(random, letters, 3);
    const std::string nationality = randomField(random, letters, 3);
    const std::string number =
        padded(randomField(random, alnum, std::uniform_int_distribution<int>(6, 9)(random)), 9);
    const std::string birth = randomDate(random), expiry = randomDate(random);
    const std::string sex(1, randomOf(random, "MF<"));
    switch (layout) {
    case mrz::Layout::TD1: {
        const std::string l1 =
            padded("I" + std::string(1, randomOf(random, "<DP")) + state + withCheck(number) +
                       randomField(random, alnum + "<<<<<", 15),
                   30);
        std::string l2 = withCheck(birth) + sex + withCheck(expiry) + nationality +
                         padded(randomField(random, alnum, 4), 11);
        l2 += mrz::computeCheckDigit(l1.substr(5, 25) + l2.substr(0, 7) + l2.substr(8, 7) +
                                     l2.substr(18, 11));
        return {l1, l2, randomName(random, 30)};
    }
    case mrz::Layout::TD2:
    case mrz::Layout::TD3: {
        const bool td3 = layout == mrz::Layout::TD3;
        const size_t length = td3 ? 44 : 36;
        const std::string l1 = padded(std::string(td3 ? "P" : "I") + randomOf(random, "<<<DS") +
                                          state + randomName(random, length - 5),
                                      length);
        std::string l2 =
            withCheck(number) + nationality + withCheck(birth) + sex + withCheck(expiry);
        if (td3) {
            const std::string personal =
                padded(random() % 2 ? randomField(random, alnum, 10) : "", 14);
            l2 += personal +
                  (personal == std::string(14, '<') ? '<' : mrz::computeCheckDigit(personal));
        } else {
            l2 += padded(random() % 2 ? randomField(random, alnum, 5) : "", 7);
        }
        l2 += mrz::computeCheckDigit(l2.substr(0, 10) + l2.substr(13, 7) + l2.substr(21));
        return {l1, l2};
    }
    case mrz::Layout::MRVA:
    case mrz::Layout::MRVB: {
        const size_t length = layout == mrz::Layout::MRVA ? 44 : 36;
        const std::string l1 = padded("V" + std::string(1, randomOf(random, "<<C")) + state +
                                          randomName(random, length - 5),
                                      length);
        const std::string l2 = withCheck(number) + nationality + withCheck(birth) + sex +
                               withCheck(expiry) +
                               padded(randomField(random, alnum, 6), length - 28);
        return {l1, l2};
    }
    default:
        return {};
    }
}

Degradations randomDegradations(std::mt19937& random) {
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    auto chance = [&](double p) { return uniform(0, 1) < p; };
    Degradations d;
    d.blur = chance(0.6) ? uniform(0.3, 1.8) : 0;
    d.noise = chance(0.6) ? uniform(2, 14) : 0;
    const double turn = uniform(0, 1);
    d.rotation = turn < 0.5   ? uniform(-4, 4)
                 : turn < 0.7 ? 180 + uniform(-4, 4)
                 : turn < 0.8 ? 90 * double(random() % 4) + uniform(-3, 3)
                              : uniform(0, 360);
    d.perspective = chance(0.3) ? uniform(0, 0.06) : 0;
    d.unevenLight = chance(0.4) ? uniform(0.1, 0.5) : 0;
    d.jpegQuality = chance(0.5) ? static_cast<int>(uniform(35, 90)) : 0;
    d.background = chance(0.4);
    d.nearbyText = chance(0.4);
    d.photoBleed = chance(0.25);
    return d;
}

ocr::GreyImage renderPage(const PageOrder& order) {
    static Font font;
    std::mt19937 random(order.seed);
    const double pxPerMm = order.dpi / kMmPerInch;
    const DocumentSize first = sizeFor(order.mrz);
    const DocumentSize second =
        order.secondMrz.empty() ? DocumentSize{0, 0} : sizeFor(order.secondMrz);
    const double marginMm = 8;
    Canvas canvas;
    canvas.width = static_cast<int>((std::max(first.width, second.width) + 2 * marginMm) * pxPerMm);
    canvas.height = static_cast<int>(
        (first.height + second.height + (order.secondMrz.empty() ? 2 : 3) * marginMm) * pxPerMm);
    canvas.v.assign(static_cast<size_t>(canvas.width) * canvas.height, 253.0f);
    const Degradations& d = order.degrade;
    drawDocument(canvas, font, order.mrz, marginMm * pxPerMm, marginMm * pxPerMm, pxPerMm, d,
                 random);
    if (!order.secondMrz.empty())
        drawDocument(canvas, font, order.secondMrz, marginMm * pxPerMm,
                     (2 * marginMm + first.height) * pxPerMm, pxPerMm, d, random);
    if (d.unevenLight > 0) {
        const double angle =
            std::uniform_real_distribution<double>(0, 2 * std::numbers::pi)(random);
        const double ux = std::cos(angle), uy = std::sin(angle);
        const double span = std::abs(ux) * canvas.width + std::abs(uy) * canvas.height;
        for (int y = 0; y < canvas.height; ++y)
            for (int x = 0; x < canvas.width; ++x) {
                const double t =
                    ((x - canvas.width / 2.0) * ux + (y - canvas.height / 2.0) * uy) / span + 0.5;
                canvas.at(x, y) *= static_cast<float>(1 - d.unevenLight * t * t);
            }
    }
    gaussianBlur(canvas, d.blur);
    if (d.noise > 0) {
        std::normal_distribution<float> noise(0, static_cast<float>(d.noise));
        for (float& v : canvas.v)
            v += noise(random);
    }
    PixPtr pix = toPix(canvas);
    if (d.perspective > 0) {
        const float w = static_cast<float>(canvas.width), h = static_cast<float>(canvas.height);
        const float inset = static_cast<float>(d.perspective) * w / 2;
        PTA* from = ptaCreate(4);
        PTA* to = ptaCreate(4);
        ptaAddPt(from, 0, 0), ptaAddPt(from, w - 1, 0), ptaAddPt(from, 0, h - 1),
            ptaAddPt(from, w - 1, h - 1);
        ptaAddPt(to, inset, 0), ptaAddPt(to, w - 1 - inset, 0), ptaAddPt(to, 0, h - 1),
            ptaAddPt(to, w - 1, h - 1);
        // Leptonica maps destination points back to the source.
        pix.reset(pixProjectivePtaGray(pix.get(), from, to, 253));
        ptaDestroy(&from);
        ptaDestroy(&to);
    }
    if (d.rotation != 0) {
        const int w = pixGetWidth(pix.get()), h = pixGetHeight(pix.get());
        pix.reset(pixRotate(pix.get(), static_cast<float>(d.rotation * std::numbers::pi / 180),
                            L_ROTATE_AREA_MAP, L_BRING_IN_WHITE, w, h));
    }
    if (d.jpegQuality > 0) {
        l_uint8* data = nullptr;
        size_t size = 0;
        if (pixWriteMemJpeg(&data, &size, pix.get(), d.jpegQuality, 0) == 0) {
            pix.reset(pixReadMemJpeg(data, size, 0, 1, nullptr, 0));
            lept_free(data);
        }
    }
    return toGrey(pix.get());
}

bool writeImage(const ocr::GreyImage& image, const std::string& path) {
    PixPtr pix(pixCreate(image.width, image.height, 8));
    if (!pix)
        return false;
    for (int y = 0; y < image.height; ++y) {
        l_uint32* line = pixGetData(pix.get()) + static_cast<size_t>(y) * pixGetWpl(pix.get());
        for (int x = 0; x < image.width; ++x)
            SET_DATA_BYTE(line, x, image.at(x, y));
    }
    const bool jpeg = path.ends_with(".jpg") || path.ends_with(".jpeg");
    const bool tiff = path.ends_with(".tif") || path.ends_with(".tiff");
    return pixWrite(path.c_str(), pix.get(),
                    jpeg   ? IFF_JFIF_JPEG
                    : tiff ? IFF_TIFF_ZIP
                           : IFF_PNG) == 0;
}

} // namespace readerlink::pagerender
