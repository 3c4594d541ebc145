#include "tools/assetgen/pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <stdexcept>

#include "tools/assetgen/shading.h"

namespace prismcrate::assetgen {

namespace {

// ---- palette ----------------------------------------------------------------------------

void blitKeyed(std::vector<Rgb>& dst, int dstWidth, int dx, int dy,
               const std::vector<Rgb>& pattern) {
    for (int y = 0; y < kCell; ++y) {
        for (int x = 0; x < kCell; ++x) {
            const Rgb p = pattern[y * kCell + x];
            if (p == kKeyColour) continue;
            dst[static_cast<std::size_t>(dy + y) * dstWidth + dx + x] = p;
        }
    }
}

// ---- the worker and the crate -----------------------------------------------------------

// Maps the scene's 32-unit grid onto a canvas of another size.
struct Scale {
    double k;       // pixels per unit
    double ox = 0;  // the unit point at the canvas's top-left corner
    double oy = 0;
    Shape operator()(Shape s) const {
        return [s, f = *this](double x, double y) { return s(x / f.k + f.ox, y / f.k + f.oy); };
    }
    Paint operator()(Paint p) const {
        return [p, f = *this](double x, double y) { return p(x / f.k + f.ox, y / f.k + f.oy); };
    }
};

const Color kInk = rgb(38, 30, 30);

void drawCrateSide(Canvas& c, const Scale& s) {
    const Vec3 light = screenLight();
    const Color wood = rgb(158, 98, 46);
    c.fill(s(rect(16.6, 13.6, 30.4, 28.4)), kInk);
    c.fill(s(rect(17.4, 14.4, 29.6, 27.6)), s(Paint([=](double x, double y) {
               Color w = bevel(17.4, 14.4, 29.6, 27.6, 2.2, wood, light, 1.2)(x, y);
               // Grain along the boards.
               return scaled(w, 1.0 + 0.12 * (valueNoise(x / 3, y * 1.6, 201) - 0.5));
           })));
    // Inner panel with a diagonal brace.
    const Color panel = scaled(wood, 0.8);
    c.fill(s(rect(19.6, 16.6, 27.4, 25.4)), panel);
    c.fill(s(intersect(rect(19.6, 16.6, 27.4, 25.4), segment({19.6, 25.4}, {27.4, 16.6}, 1.1))),
           scaled(wood, 1.08));
    c.fill(s(intersect(rect(19.6, 16.6, 27.4, 25.4), segment({20.2, 26.4}, {28.2, 17.4}, 0.35))),
           scaled(wood, 0.55));
}

void drawWorker(Canvas& c, const Scale& s) {
    const Vec3 light = screenLight();
    const Color skin = rgb(240, 188, 144);
    const Color overalls = rgb(46, 84, 176);
    const Color shirt = rgb(236, 196, 60);
    const Color boot = rgb(52, 38, 30);
    const Color cap = rgb(222, 32, 32);

    const Pt hip{10.4, 18.6};
    const Pt shoulder{13.4, 12.2};
    const std::vector<Pt> backLeg{hip, {7.6, 23.2}, {4.6, 27.0}};
    const std::vector<Pt> frontLeg{hip, {13.8, 22.4}, {12.6, 27.0}};
    const std::vector<Pt> arm{{14.4, 13.0}, {15.6, 15.3}, {17.4, 16.2}};
    const Pt head{15.4, 8.6};

    // Outlines first, all in one ink, so the figure reads as one silhouette.
    c.fill(s(polyline(backLeg, 2.2)), kInk);
    c.fill(s(polyline(frontLeg, 2.2)), kInk);
    c.fill(s(segment(hip, shoulder, 3.1)), kInk);
    c.fill(s(ellipse(4.4, 27.4, 2.7, 1.6)), kInk);
    c.fill(s(ellipse(13.6, 27.4, 2.7, 1.6)), kInk);
    c.fill(s(circle(head.x, head.y, 3.7)), kInk);
    c.fill(s(polygon({{16.0, 5.6}, {21.2, 7.6}, {21.2, 9.0}, {15.6, 9.0}})), kInk);

    // Legs, the far one a little darker.
    c.fill(s(polyline(backLeg, 1.45)), scaled(overalls, 0.78));
    c.fill(s(polyline(frontLeg, 1.45)), overalls);
    c.fill(s(ellipse(4.4, 27.4, 2.0, 1.0)), boot);
    c.fill(s(ellipse(13.6, 27.4, 2.0, 1.0)), boot);
    // Body: a shirt with the overalls' bib over it.
    c.fill(s(segment(hip, shoulder, 2.35)), s(Paint([=](double x, double y) {
               return lit(shirt, barNormal(x, y, hip, shoulder, 2.35), light, 0.1);
           })));
    c.fill(s(intersect(segment(hip, shoulder, 2.35),
                       polygon({{6, 21}, {16, 21}, {14.2, 14.4}, {8.0, 14.4}}))),
           s(Paint([=](double x, double y) {
               return lit(overalls, barNormal(x, y, hip, shoulder, 2.35), light, 0.1);
           })));
    // Arm and hand pressed against the crate, outlined so they stand out from the body.
    c.fill(s(polyline(arm, 1.75)), kInk);
    c.fill(s(polyline(arm, 1.05)), scaled(shirt, 1.04));
    c.fill(s(circle(arm.back().x, arm.back().y, 1.25)), skin);
    // Head, ear and eye.
    c.fill(s(circle(head.x, head.y, 3.0)), s(Paint([=](double x, double y) {
               return lit(skin, domeNormal(x, y, head.x, head.y, 3.0), light, 0.1);
           })));
    c.fill(s(circle(17.0, 9.3, 0.7)), kInk);
    // The red cap with its peak pointing forward.
    c.fill(s(intersect(circle(head.x, head.y + 0.2, 3.25), rect(0, 0, 40, 8.1))),
           s(Paint([=](double x, double y) {
               return lit(cap, domeNormal(x, y, head.x, head.y, 3.4), light, 0.5);
           })));
    c.fill(s(polygon({{16.6, 6.4}, {20.6, 7.9}, {20.6, 8.4}, {16.4, 8.4}})), scaled(cap, 0.8));
}

// ---- colour reduction -------------------------------------------------------------------

struct Weighted {
    Rgb c;
    std::size_t n;
};

int channel(const Rgb& c, int k) {
    return k == 0 ? c.r : (k == 1 ? c.g : c.b);
}

bool lessRgb(const Rgb& a, const Rgb& b) {
    if (a.r != b.r) return a.r < b.r;
    if (a.g != b.g) return a.g < b.g;
    return a.b < b.b;
}

}  // namespace

std::vector<Layer> toolLayers(int tool) {
    switch (tool) {
        case 0:
            return {{0, 8}, {0, 3}};  // robot facing down
        case 1:
            return {{0, 8}};  // plain floor
        case 2:
            return {{0, 9}};  // target
        case 3:
            return {{0, 21}};  // steel block
        case 4:                // a lone wall shows all four edges
            return {{0, 10}, {1, 7}, {1, 8}, {1, 9}, {1, 10}};
        case 5:
            return {{0, 8}, {0, 11}};  // crate
        case 6:
            return {{0, 8}, {0, 19}};  // rock
        case 7:
            return {{0, 8}, {0, 20}};  // bomb
        case 8:
            return {{0, 22}};  // gate, closed
        case 9:
            return {{0, 24}};  // plate, released
        case 10:
            return {{0, 8}, {0, 13}};  // falling mirror
        case 11:
            return {{0, 8}, {0, 14}};  // rising mirror
        case 12:
        case 13:
        case 14:
        case 15:
            return {{0, 8}, {0, 15 + (tool - 12)}};  // emitters left, up, right, down
        default:
            throw std::out_of_range("no such tool");
    }
}

std::vector<Rgb> drawPalette(const Sheet& tiles1, const Sheet& tiles2) {
    std::vector<Rgb> px(static_cast<std::size_t>(kPaletteSize) * kPaletteSize, kSilver);
    for (int tool = 0; tool < 16; ++tool) {
        const int x = kPalettePitch * (tool % 4) + 2;
        const int y = kPalettePitch * (tool / 4) + 2;
        for (const Layer& layer : toolLayers(tool)) {
            const Sheet& sheet = layer.sheet == 0 ? tiles1 : tiles2;
            blitKeyed(px, kPaletteSize, x, y, sheet.pattern(layer.pattern));
        }
    }
    return px;
}

Canvas drawAboutScene(int size, bool withBackground) {
    Canvas c(size, size);
    // The about picture shows the whole 32-unit scene; the icon crops it to the figures
    // (units 1 to 31 across, 2.5 to 32.5 down) so they fill the square.
    const Scale s = withBackground ? Scale{size / static_cast<double>(kAboutSize)}
                                   : Scale{size / 30.0, 1.0, 1.8};
    if (withBackground) {
        c.fill(rect(0, 0, size, size), rgb(255, 255, 255));
        // The ground, with soft shadows under the worker and the crate.
        c.fill(s(rect(0, 28.4, 32, 32)), rgb(214, 208, 196));
        c.fill(s(rect(0, 28.4, 32, 29.2)), rgb(170, 162, 150));
        c.fill(s(ellipse(23.5, 28.6, 8.5, 0.9)), rgb(150, 140, 128));
        c.fill(s(ellipse(9, 28.6, 7, 0.8)), rgb(150, 140, 128));
    }
    drawCrateSide(c, s);
    drawWorker(c, s);
    return c;
}

IndexedImage reduceColours(const std::vector<Rgb>& pixels) {
    if (pixels.empty()) return {};
    std::map<std::array<int, 3>, std::size_t> counts;
    for (const Rgb& p : pixels) ++counts[{p.r, p.g, p.b}];
    std::vector<Weighted> all;
    for (const auto& [k, n] : counts) {
        all.push_back({Rgb{static_cast<std::uint8_t>(k[0]), static_cast<std::uint8_t>(k[1]),
                           static_cast<std::uint8_t>(k[2])},
                       n});
    }

    // Median cut: keep splitting the box with the widest channel at its weighted median
    // until there are 256 boxes or no box can be split; each box becomes one colour.
    std::vector<std::vector<Weighted>> boxes{all};
    while (boxes.size() < 256) {
        int best = -1;
        int bestChannel = 0;
        int bestRange = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].size() < 2) continue;
            for (int k = 0; k < 3; ++k) {
                int lo = 255;
                int hi = 0;
                for (const Weighted& w : boxes[i]) {
                    lo = std::min(lo, channel(w.c, k));
                    hi = std::max(hi, channel(w.c, k));
                }
                if (hi - lo > bestRange) {
                    best = static_cast<int>(i);
                    bestChannel = k;
                    bestRange = hi - lo;
                }
            }
        }
        if (best < 0) break;
        std::vector<Weighted>& box = boxes[best];
        std::sort(box.begin(), box.end(), [k = bestChannel](const Weighted& a, const Weighted& b) {
            if (channel(a.c, k) != channel(b.c, k)) return channel(a.c, k) < channel(b.c, k);
            return lessRgb(a.c, b.c);
        });
        std::size_t total = 0;
        for (const Weighted& w : box) total += w.n;
        std::size_t acc = 0;
        std::size_t cut = 1;
        for (std::size_t i = 0; i + 1 < box.size(); ++i) {
            acc += box[i].n;
            cut = i + 1;
            if (acc * 2 >= total) break;
        }
        std::vector<Weighted> upper(box.begin() + static_cast<std::ptrdiff_t>(cut), box.end());
        box.resize(cut);
        boxes.push_back(std::move(upper));
    }

    IndexedImage out;
    for (const auto& box : boxes) {
        double r = 0, g = 0, b = 0, n = 0;
        for (const Weighted& w : box) {
            r += w.c.r * static_cast<double>(w.n);
            g += w.c.g * static_cast<double>(w.n);
            b += w.c.b * static_cast<double>(w.n);
            n += static_cast<double>(w.n);
        }
        out.colours.push_back(Rgb{static_cast<std::uint8_t>(std::lround(r / n)),
                                  static_cast<std::uint8_t>(std::lround(g / n)),
                                  static_cast<std::uint8_t>(std::lround(b / n))});
    }
    std::sort(out.colours.begin(), out.colours.end(), lessRgb);
    out.colours.erase(std::unique(out.colours.begin(), out.colours.end()), out.colours.end());

    for (const Rgb& p : pixels) {
        std::size_t bestIndex = 0;
        int bestDistance = 1 << 30;
        for (std::size_t i = 0; i < out.colours.size(); ++i) {
            const int dr = p.r - out.colours[i].r;
            const int dg = p.g - out.colours[i].g;
            const int db = p.b - out.colours[i].b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                bestIndex = i;
            }
        }
        out.indices.push_back(static_cast<std::uint8_t>(bestIndex));
    }
    return out;
}

}  // namespace prismcrate::assetgen
