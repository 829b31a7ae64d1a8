#include "reader/ocr/mrz_band.h"

#include "reader/ocr/leptonica_pix.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <unordered_map>

namespace readerlink::ocr::detail {

namespace {

struct Comp {
    double x, y, w, h;
    double cx() const { return x + w / 2; }
    double cy() const { return y + h / 2; }
    double right() const { return x + w; }
};

std::vector<Comp> components(PIX* binary) {
    std::vector<Comp> out;
    BoxaPtr boxa(pixConnCompBB(binary, 8));
    if (!boxa)
        return out;
    const int n = boxaGetCount(boxa.get());
    out.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        l_int32 x, y, w, h;
        if (boxaGetBoxGeometry(boxa.get(), i, &x, &y, &w, &h) == 0)
            out.push_back({double(x), double(y), double(w), double(h)});
    }
    return out;
}

// The direction text runs in: the commonest angle, modulo pi, from each
// character-sized component to its nearest like-sized neighbour.
double textAngle(const std::vector<Comp>& all, int maxSize) {
    std::vector<const Comp*> comps;
    for (const Comp& c : all) {
        const double s = std::max(c.w, c.h);
        if (s >= 5 && s <= maxSize)
            comps.push_back(&c);
    }
    if (comps.size() < 10)
        return 0;
    constexpr int kCell = 48;
    std::unordered_map<long long, std::vector<const Comp*>> grid;
    const auto key = [](int gx, int gy) {
        return (static_cast<long long>(gx) << 32) ^ static_cast<unsigned>(gy);
    };
    for (const Comp* c : comps)
        grid[key(static_cast<int>(c->cx()) / kCell, static_cast<int>(c->cy()) / kCell)].push_back(
            c);
    constexpr int kBins = 360; // half-degree bins over 180 degrees
    std::vector<double> histogram(kBins, 0.0);
    std::vector<double> angles(comps.size(), -1.0);
    for (size_t i = 0; i < comps.size(); ++i) {
        const Comp* c = comps[i];
        const double size = std::max(c->w, c->h);
        const int gx = static_cast<int>(c->cx()) / kCell, gy = static_cast<int>(c->cy()) / kCell;
        const int reach = static_cast<int>(2.5 * size) / kCell + 1;
        double best = 2.5 * size * 2.5 * size;
        const Comp* nearest = nullptr;
        for (int dy = -reach; dy <= reach; ++dy)
            for (int dx = -reach; dx <= reach; ++dx) {
                const auto it = grid.find(key(gx + dx, gy + dy));
                if (it == grid.end())
                    continue;
                for (const Comp* o : it->second) {
                    if (o == c)
                        continue;
                    const double ratio = std::max(o->w, o->h) / size;
                    if (ratio < 0.6 || ratio > 1.6)
                        continue;
                    const double ex = o->cx() - c->cx(), ey = o->cy() - c->cy();
                    const double d2 = ex * ex + ey * ey;
                    if (d2 < best && d2 > 0.09 * size * size) {
                        best = d2;
                        nearest = o;
                    }
                }
            }
        if (!nearest)
            continue;
        double a = std::atan2(nearest->cy() - c->cy(), nearest->cx() - c->cx());
        if (a < 0)
            a += std::numbers::pi;
        if (a >= std::numbers::pi)
            a -= std::numbers::pi;
        angles[i] = a;
        histogram[static_cast<size_t>(
            std::min(kBins - 1, static_cast<int>(a / std::numbers::pi * kBins)))] += 1;
    }
    // Peak of the circularly smoothed histogram, refined by the mean of the
    // angles near it.
    int peak = 0;
    double peakValue = -1;
    for (int b = 0; b < kBins; ++b) {
        double v = 0;
        for (int d = -4; d <= 4; ++d)
            v += histogram[static_cast<size_t>((b + d + kBins) % kBins)] * (5 - std::abs(d));
        if (v > peakValue) {
            peakValue = v;
            peak = b;
        }
    }
    const double centre = (peak + 0.5) * std::numbers::pi / kBins;
    double sum = 0;
    int count = 0;
    for (double a : angles) {
        if (a < 0)
            continue;
        double d = a - centre;
        if (d > std::numbers::pi / 2)
            d -= std::numbers::pi;
        if (d < -std::numbers::pi / 2)
            d += std::numbers::pi;
        if (std::abs(d) < 3.0 * std::numbers::pi / 180) {
            sum += d;
            ++count;
        }
    }
    double angle = centre + (count ? sum / count : 0.0);
    if (angle > std::numbers::pi / 2)
        angle -= std::numbers::pi;
    return angle;
}

struct LineFit {
    double a = 0, b = 0;
    double at(double x) const { return a + b * x; }
};

LineFit fit(const std::vector<std::pair<double, double>>& pts) {
    LineFit f;
    if (pts.empty())
        return f;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [x, y] : pts) {
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double n = static_cast<double>(pts.size());
    const double den = n * sxx - sx * sx;
    f.b = std::abs(den) > 1e-9 ? (n * sxy - sx * sy) / den : 0.0;
    f.a = (sy - f.b * sx) / n;
    return f;
}

LineFit robustFit(std::vector<std::pair<double, double>> pts, double tolerance) {
    LineFit f = fit(pts);
    for (int round = 0; round < 2; ++round) {
        std::erase_if(
            pts, [&](const auto& p) { return std::abs(p.second - f.at(p.first)) > tolerance; });
        if (pts.size() < 3)
            break;
        f = fit(pts);
    }
    return f;
}

// One slope for several point sets, each with its own offset; points
// farther than `tolerance` from their set's line are dropped and the fit
// repeated.
LineFit pooledFit(std::initializer_list<const std::vector<std::pair<double, double>>*> sets,
                  double tolerance) {
    std::vector<std::vector<std::pair<double, double>>> kept;
    for (const auto* set : sets)
        kept.push_back(*set);
    LineFit result;
    for (int round = 0; round < 3; ++round) {
        double sxy = 0, sxx = 0;
        std::vector<std::pair<double, double>> means;
        for (const auto& set : kept) {
            double mx = 0, my = 0;
            for (const auto& [x, y] : set) {
                mx += x;
                my += y;
            }
            const double n = std::max<double>(1.0, static_cast<double>(set.size()));
            means.emplace_back(mx / n, my / n);
            for (const auto& [x, y] : set) {
                sxy += (x - mx / n) * (y - my / n);
                sxx += (x - mx / n) * (x - mx / n);
            }
        }
        result.b = sxx > 1e-9 ? sxy / sxx : 0.0;
        result.a = means.empty() ? 0.0 : means.front().second - result.b * means.front().first;
        for (size_t i = 0; i < kept.size(); ++i) {
            const double offset = means[i].second - result.b * means[i].first;
            std::erase_if(kept[i], [&](const auto& p) {
                return std::abs(p.second - (offset + result.b * p.first)) > tolerance;
            });
        }
    }
    return result;
}

struct Row {
    BandLine line;
    int count = 0;
    double height = 0, midY = 0, left = 0;
};

double median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

bool analyseRow(std::vector<const Comp*> group, Row& row) {
    std::sort(group.begin(), group.end(),
              [](const Comp* a, const Comp* b) { return a->cx() < b->cx(); });
    std::vector<double> heights;
    for (const Comp* c : group)
        heights.push_back(c->h);
    // Capital height from the taller end: the filler "<" is shorter and may
    // make up most of a row.
    std::sort(heights.begin(), heights.end(), std::greater<>());
    const size_t taller = std::min(heights.size(), std::max<size_t>(3, heights.size() / 5));
    const double H = heights[taller / 2];
    std::vector<std::pair<double, double>> tops, bottoms;
    std::vector<const Comp*> singles;
    std::vector<double> widths;
    for (const Comp* c : group) {
        if (c->h >= 0.9 * H && c->h <= 1.15 * H) {
            tops.emplace_back(c->cx(), c->y);
            bottoms.emplace_back(c->cx(), c->y + c->h);
            if (c->w <= 1.0 * H)
                widths.push_back(c->w);
        }
        if (c->w <= 1.0 * H && c->h >= 0.3 * H)
            singles.push_back(c);
    }
    if (bottoms.size() < 5 || singles.size() < 10)
        return false;
    // The row's slant, pooled over three sets of points that each lie on a
    // line of their own: the bottoms and the tops of the tall characters and
    // the centres of the short ones (the filler "<"). Mixing them in one fit
    // would tilt a row whose letters and fillers sit in separate halves.
    std::vector<std::pair<double, double>> shortCentres;
    for (const Comp* c : singles)
        if (c->h < 0.9 * H)
            shortCentres.emplace_back(c->cx(), c->cy());
    const LineFit centre = pooledFit({&bottoms, &tops, &shortCentres}, 0.15 * H);
    std::vector<double> steps;
    for (size_t i = 1; i < singles.size(); ++i) {
        const double d = singles[i]->cx() - singles[i - 1]->cx();
        if (d > 0.6 * H && d < 1.6 * H)
            steps.push_back(d);
    }
    if (steps.size() < 5)
        return false;
    double pitch = median(steps);
    // Index the characters step by step: a small error in the first pitch
    // estimate must not add up along a 44-character row.
    std::vector<int> index(singles.size(), 0);
    for (size_t i = 1; i < singles.size(); ++i)
        index[i] = index[i - 1] +
                   std::max(1, static_cast<int>(
                                   std::lround((singles[i]->cx() - singles[i - 1]->cx()) / pitch)));
    double origin = singles.front()->cx();
    for (int round = 0; round < 2; ++round) {
        std::vector<std::pair<double, double>> pts;
        for (size_t i = 0; i < singles.size(); ++i)
            pts.emplace_back(index[i], singles[i]->cx());
        const LineFit f = robustFit(pts, 0.3 * pitch);
        if (f.b <= 0)
            return false;
        origin = f.a;
        pitch = f.b;
        for (size_t i = 0; i < singles.size(); ++i)
            index[i] = static_cast<int>(std::lround((singles[i]->cx() - origin) / pitch));
    }
    // Where capitals and digits end below and above (the filler "<" ends
    // short of both); one of the two is the baseline.
    std::vector<double> drops, rises;
    for (const auto& [x, y] : bottoms)
        drops.push_back(y - centre.b * x);
    for (const auto& [x, y] : tops)
        rises.push_back(y - centre.b * x);
    const LineFit bottomLine{median(drops), centre.b}, topLine{median(rises), centre.b};
    const double charWidth = widths.empty() ? 0.6 * pitch : median(widths);
    int kmin = 1 << 30, kmax = -(1 << 30);
    for (const Comp* c : group) {
        kmin =
            std::min(kmin, static_cast<int>(std::lround((c->x + charWidth / 2 - origin) / pitch)));
        kmax = std::max(
            kmax, static_cast<int>(std::lround((c->right() - charWidth / 2 - origin) / pitch)));
    }
    const int count = kmax - kmin + 1;
    if (count != 30 && count != 36 && count != 44)
        return false;
    row.count = count;
    row.height = H;
    row.line.pitch = pitch;
    row.line.cellX.resize(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k)
        row.line.cellX[static_cast<size_t>(k)] = origin + pitch * (k + kmin);
    for (size_t i = 0; i < singles.size(); ++i) {
        const int k = static_cast<int>(std::lround((singles[i]->cx() - origin) / pitch)) - kmin;
        if (k >= 0 && k < count &&
            std::abs(singles[i]->cx() - (origin + pitch * (k + kmin))) < 0.3 * pitch &&
            singles[i]->h >= 0.75 * H)
            row.line.cellX[static_cast<size_t>(k)] = singles[i]->cx();
    }
    for (double x : row.line.cellX) {
        row.line.bottom.push_back(bottomLine.at(x));
        row.line.top.push_back(topLine.at(x));
    }
    const double mx = row.line.cellX[static_cast<size_t>(count / 2)];
    row.midY = (bottomLine.at(mx) + topLine.at(mx)) / 2;
    row.left = row.line.cellX.front();
    return true;
}

std::vector<Row> mrzRows(const std::vector<Comp>& all, double maxHeight) {
    std::vector<const Comp*> comps;
    for (const Comp& c : all)
        if (c.h >= 4 && c.h <= maxHeight && c.w <= 50 * c.h)
            comps.push_back(&c);
    std::sort(comps.begin(), comps.end(), [](const Comp* a, const Comp* b) { return a->x < b->x; });
    std::vector<int> parent(comps.size());
    std::iota(parent.begin(), parent.end(), 0);
    const auto find = [&](int i) {
        while (parent[static_cast<size_t>(i)] != i)
            i = parent[static_cast<size_t>(i)] =
                parent[static_cast<size_t>(parent[static_cast<size_t>(i)])];
        return i;
    };
    for (size_t i = 0; i < comps.size(); ++i) {
        const Comp* c = comps[i];
        int best = -1;
        double bestLeft = 0;
        for (size_t j = i + 1; j < comps.size(); ++j) {
            const Comp* o = comps[j];
            const double hmax = std::max(c->h, o->h);
            if (o->x > c->right() + 1.5 * hmax)
                break;
            if (o->x < c->cx() || std::abs(o->cy() - c->cy()) > 0.35 * hmax ||
                std::min(c->h, o->h) < 0.35 * hmax)
                continue;
            if (best < 0 || o->x < bestLeft) {
                best = static_cast<int>(j);
                bestLeft = o->x;
            }
        }
        if (best >= 0)
            parent[static_cast<size_t>(find(static_cast<int>(i)))] = find(best);
    }
    std::unordered_map<int, std::vector<const Comp*>> groups;
    for (size_t i = 0; i < comps.size(); ++i)
        groups[find(static_cast<int>(i))].push_back(comps[i]);
    std::vector<Row> rows;
    for (auto& [root, group] : groups) {
        if (group.size() < 12)
            continue;
        Row row;
        if (analyseRow(std::move(group), row))
            rows.push_back(std::move(row));
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.midY < b.midY; });
    return rows;
}

// Turns a 1-bit picture by -angle about its centre, onto a canvas large
// enough for all of it. Done here rather than by pixRotate so that the
// mapping back to the page (Frame) is exact.
PixPtr deskew(PIX* binary, double angle) {
    const int w = pixGetWidth(binary), h = pixGetHeight(binary);
    const double c = std::cos(angle), s = std::sin(angle);
    const int ow = static_cast<int>(std::ceil(w * std::abs(c) + h * std::abs(s))) + 2;
    const int oh = static_cast<int>(std::ceil(w * std::abs(s) + h * std::abs(c))) + 2;
    PixPtr out(pixCreate(ow, oh, 1));
    if (!out)
        return out;
    const l_uint32* src = pixGetData(binary);
    const int swpl = pixGetWpl(binary);
    l_uint32* dst = pixGetData(out.get());
    const int dwpl = pixGetWpl(out.get());
    for (int y = 0; y < oh; ++y) {
        // Source point of (0.5, y + 0.5) and its step per output pixel.
        const double dx0 = 0.5 - ow / 2.0, dy = y + 0.5 - oh / 2.0;
        double sx = w / 2.0 + dx0 * c - dy * s, sy = h / 2.0 + dx0 * s + dy * c;
        l_uint32* line = dst + static_cast<size_t>(y) * dwpl;
        for (int x = 0; x < ow; ++x, sx += c, sy += s) {
            const int ix = static_cast<int>(std::floor(sx)), iy = static_cast<int>(std::floor(sy));
            if (ix >= 0 && iy >= 0 && ix < w && iy < h &&
                GET_DATA_BIT(src + static_cast<size_t>(iy) * swpl, ix))
                SET_DATA_BIT(line, x);
        }
    }
    return out;
}

} // namespace

BandSearch findMrzBands(const GreyImage& page) {
    BandSearch search;
    if (page.width < 64 || page.height < 32)
        return search;
    setMsgSeverity(L_SEVERITY_NONE);
    PixPtr work = toPix(page);
    double scale = 1;
    while (work && pixGetWidth(work.get()) > 1400 && pixGetHeight(work.get()) > 200) {
        work.reset(pixScaleAreaMap2(work.get()));
        scale *= 2;
    }
    if (!work)
        return search;
    PixPtr binary(pixOtsuThreshOnBackgroundNorm(work.get(), nullptr, 10, 15, 100, 50, 255, 2, 2,
                                                0.1f, nullptr));
    if (!binary)
        return search;
    const int w = pixGetWidth(binary.get()), h = pixGetHeight(binary.get());
    const int maxSize = std::max(8, std::min(w, h) / 6);
    const double angle = textAngle(components(binary.get()), maxSize);
    PixPtr deskewed =
        std::abs(angle) < 0.001 ? PixPtr(pixClone(binary.get())) : deskew(binary.get(), angle);
    if (!deskewed)
        return search;
    search.angle = angle;
    search.frame.sourceCx = w / 2.0;
    search.frame.sourceCy = h / 2.0;
    search.frame.workCx = pixGetWidth(deskewed.get()) / 2.0;
    search.frame.workCy = pixGetHeight(deskewed.get()) / 2.0;
    search.frame.cosA = std::cos(angle);
    search.frame.sinA = std::sin(angle);
    search.frame.scale = scale;

    const std::vector<Row> rows = mrzRows(components(deskewed.get()), maxSize);
    // Stack rows of one length and pitch, close below one another and
    // aligned at the left, into bands.
    std::vector<std::vector<const Row*>> stacks;
    for (const Row& row : rows) {
        if (!stacks.empty()) {
            const Row& last = *stacks.back().back();
            const double gap = row.midY - last.midY;
            if (row.count == last.count &&
                std::abs(row.line.pitch - last.line.pitch) < 0.1 * last.line.pitch &&
                gap > 1.1 * last.height && gap < 2.8 * last.height &&
                std::abs(row.left - last.left) < 1.5 * last.line.pitch) {
                stacks.back().push_back(&row);
                continue;
            }
        }
        stacks.push_back({&row});
    }
    for (const auto& stack : stacks) {
        const size_t needed = stack.front()->count == 30 ? 3 : 2;
        for (size_t first = 0; first + needed <= stack.size(); first += needed) {
            Band band;
            for (size_t i = first; i < first + needed; ++i)
                band.lines.push_back(stack[i]->line);
            search.bands.push_back(std::move(band));
        }
    }
    return search;
}

} // namespace readerlink::ocr::detail
