#include "tools/assetgen/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace prismcrate::assetgen {

namespace {

constexpr int kGrid = 4;  // samples per pixel along each axis

std::uint8_t toByte(double v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

double segmentDistance(Pt p, Pt a, Pt b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = 0;
    if (len2 > 0) t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
    const double ex = p.x - (a.x + t * dx);
    const double ey = p.y - (a.y + t * dy);
    return std::sqrt(ex * ex + ey * ey);
}

double smooth(double t) {
    return t * t * (3 - 2 * t);
}

}  // namespace

Color rgb(double r, double g, double b, double a) {
    return Color{r, g, b, a};
}

Color mix(const Color& x, const Color& y, double t) {
    return Color{x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
                 x.a + (y.a - x.a) * t};
}

Color scaled(const Color& c, double factor) {
    return Color{c.r * factor, c.g * factor, c.b * factor, c.a};
}

Color withAlpha(const Color& c, double a) {
    return Color{c.r, c.g, c.b, a};
}

Shape rect(double x0, double y0, double x1, double y1) {
    return [=](double x, double y) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
}

Shape roundRect(double x0, double y0, double x1, double y1, double radius) {
    return [=](double x, double y) {
        if (x < x0 || x >= x1 || y < y0 || y >= y1) return false;
        const double cx = std::clamp(x, x0 + radius, x1 - radius);
        const double cy = std::clamp(y, y0 + radius, y1 - radius);
        const double dx = x - cx;
        const double dy = y - cy;
        return dx * dx + dy * dy <= radius * radius;
    };
}

Shape circle(double cx, double cy, double r) {
    return ellipse(cx, cy, r, r);
}

Shape ellipse(double cx, double cy, double rx, double ry) {
    return [=](double x, double y) {
        const double u = (x - cx) / rx;
        const double v = (y - cy) / ry;
        return u * u + v * v <= 1.0;
    };
}

Shape polygon(std::vector<Pt> points) {
    return [pts = std::move(points)](double x, double y) {
        bool inside = false;
        const std::size_t n = pts.size();
        for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
            const Pt& a = pts[i];
            const Pt& b = pts[j];
            if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) {
                inside = !inside;
            }
        }
        return inside;
    };
}

Shape segment(Pt a, Pt b, double halfWidth) {
    return [=](double x, double y) { return segmentDistance(Pt{x, y}, a, b) <= halfWidth; };
}

Shape polyline(const std::vector<Pt>& points, double halfWidth) {
    return [=](double x, double y) {
        for (std::size_t i = 1; i < points.size(); ++i) {
            if (segmentDistance(Pt{x, y}, points[i - 1], points[i]) <= halfWidth) return true;
        }
        return false;
    };
}

Shape unite(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) || b(x, y); };
}

Shape intersect(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) && b(x, y); };
}

Shape subtract(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) && !b(x, y); };
}

double hashNoise(int x, int y, int seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8da6b343u ^
                      static_cast<std::uint32_t>(y) * 0xd8163841u ^
                      static_cast<std::uint32_t>(seed) * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return static_cast<double>(h & 0xffffffu) / static_cast<double>(0x1000000);
}

double valueNoise(double x, double y, int seed) {
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const double tx = smooth(x - fx);
    const double ty = smooth(y - fy);
    const double top = hashNoise(ix, iy, seed) * (1 - tx) + hashNoise(ix + 1, iy, seed) * tx;
    const double bottom =
        hashNoise(ix, iy + 1, seed) * (1 - tx) + hashNoise(ix + 1, iy + 1, seed) * tx;
    return top * (1 - ty) + bottom * ty;
}

Canvas::Canvas(int width, int height)
    : width_(width),
      height_(height),
      px_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), Color{0, 0, 0, 0}) {}

void Canvas::fill(const Shape& shape, const Paint& paint) {
    constexpr double kSamples = kGrid * kGrid;
    for (int j = 0; j < height_; ++j) {
        for (int i = 0; i < width_; ++i) {
            double sumA = 0;
            double sumR = 0;
            double sumG = 0;
            double sumB = 0;
            for (int sy = 0; sy < kGrid; ++sy) {
                for (int sx = 0; sx < kGrid; ++sx) {
                    const double x = i + (sx + 0.5) / kGrid;
                    const double y = j + (sy + 0.5) / kGrid;
                    if (!shape(x, y)) continue;
                    const Color c = paint(x, y);
                    const double a = std::clamp(c.a, 0.0, 1.0);
                    sumA += a;
                    sumR += c.r * a;
                    sumG += c.g * a;
                    sumB += c.b * a;
                }
            }
            if (sumA <= 0) continue;
            const double sa = sumA / kSamples;
            Color& d = px_[static_cast<std::size_t>(j) * width_ + i];
            const double outA = sa + d.a * (1 - sa);
            const double keep = d.a * (1 - sa);
            d.r = (sumR / kSamples + d.r * keep) / outA;
            d.g = (sumG / kSamples + d.g * keep) / outA;
            d.b = (sumB / kSamples + d.b * keep) / outA;
            d.a = outA;
        }
    }
}

void Canvas::fill(const Shape& shape, const Color& colour) {
    fill(shape, [colour](double, double) { return colour; });
}

void Canvas::setPixel(int x, int y, const Color& colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    px_[static_cast<std::size_t>(y) * width_ + x] = colour;
}

Color Canvas::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return Color{0, 0, 0, 0};
    return px_[static_cast<std::size_t>(y) * width_ + x];
}

void Canvas::draw(const Canvas& src, int dx, int dy) {
    for (int j = 0; j < src.height_; ++j) {
        for (int i = 0; i < src.width_; ++i) {
            const int x = i + dx;
            const int y = j + dy;
            if (x < 0 || y < 0 || x >= width_ || y >= height_) continue;
            const Color s = src.pixel(i, j);
            if (s.a <= 0) continue;
            Color& d = px_[static_cast<std::size_t>(y) * width_ + x];
            const double outA = s.a + d.a * (1 - s.a);
            const double keep = d.a * (1 - s.a);
            d.r = (s.r * s.a + d.r * keep) / outA;
            d.g = (s.g * s.a + d.g * keep) / outA;
            d.b = (s.b * s.a + d.b * keep) / outA;
            d.a = outA;
        }
    }
}

std::vector<Rgb> Canvas::flatten(const Color& background) const {
    std::vector<Rgb> out;
    out.reserve(px_.size());
    for (const Color& c : px_) {
        const Color m = mix(background, c, std::clamp(c.a, 0.0, 1.0));
        out.push_back(Rgb{toByte(m.r), toByte(m.g), toByte(m.b)});
    }
    return out;
}

std::vector<Rgb> Canvas::keyed(const Color& edgeBlend) const {
    std::vector<Rgb> out;
    out.reserve(px_.size());
    for (const Color& c : px_) {
        if (c.a < 0.5) {
            out.push_back(kKeyColour);
            continue;
        }
        const Color m = mix(edgeBlend, c, std::clamp(c.a, 0.0, 1.0));
        out.push_back(awayFromKey(Rgb{toByte(m.r), toByte(m.g), toByte(m.b)}));
    }
    return out;
}

bool nearKey(Rgb c) {
    if (c == kKeyColour) return false;
    return std::abs(c.r - kKeyColour.r) <= 48 && std::abs(c.g - kKeyColour.g) <= 48 &&
           std::abs(c.b - kKeyColour.b) <= 48;
}

Rgb awayFromKey(Rgb c) {
    if (c == kKeyColour || nearKey(c)) c.g = 49;
    return c;
}

}  // namespace prismcrate::assetgen
