#include "tools/assetgen/shading.h"

#include <algorithm>
#include <cmath>

namespace prismcrate::assetgen {

Vec3 normalized(Vec3 v) {
    const double len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (len <= 0) return Vec3{0, 0, 1};
    return Vec3{v.x / len, v.y / len, v.z / len};
}

double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 screenLight() {
    return normalized(Vec3{-0.5, -0.65, 0.6});
}

Frame::Frame(int quarterTurns, double cx, double cy)
    : turns_(((quarterTurns % 4) + 4) % 4), cx_(cx), cy_(cy) {
    // Turning the drawing clockwise on the screen turns the light the other way in the
    // drawing's own coordinates.
    Vec3 l = screenLight();
    for (int i = 0; i < turns_; ++i) l = Vec3{l.y, -l.x, l.z};
    light_ = l;
}

Pt Frame::toLocal(double x, double y) const {
    double dx = x - cx_;
    double dy = y - cy_;
    for (int i = 0; i < turns_; ++i) {
        const double t = dx;
        dx = dy;
        dy = -t;
    }
    return Pt{cx_ + dx, cy_ + dy};
}

Shape Frame::shape(Shape s) const {
    return [s, f = *this](double x, double y) {
        const Pt p = f.toLocal(x, y);
        return s(p.x, p.y);
    };
}

Paint Frame::paint(Paint p) const {
    return [p, f = *this](double x, double y) {
        const Pt q = f.toLocal(x, y);
        return p(q.x, q.y);
    };
}

Color lit(const Color& base, Vec3 normal, Vec3 light, double gloss, double shine) {
    constexpr double kAmbient = 0.42;
    constexpr double kDiffuse = 0.72;
    const double flat = kAmbient + kDiffuse * std::max(0.0, light.z);
    const double d = std::max(0.0, dot(normal, light));
    const double factor = (kAmbient + kDiffuse * d) / flat;
    const Vec3 half = normalized(Vec3{light.x, light.y, light.z + 1});
    const double s = gloss * std::pow(std::max(0.0, dot(normal, half)), shine);
    return Color{base.r * factor + 255 * s, base.g * factor + 255 * s, base.b * factor + 255 * s,
                 base.a};
}

Vec3 domeNormal(double x, double y, double cx, double cy, double r) {
    const double nx = (x - cx) / r;
    const double ny = (y - cy) / r;
    const double q = nx * nx + ny * ny;
    if (q >= 1) return normalized(Vec3{nx, ny, 0.05});
    return Vec3{nx, ny, std::sqrt(1 - q)};
}

Vec3 barNormal(double x, double y, Pt a, Pt b, double r) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = 0;
    if (len2 > 0) t = std::clamp(((x - a.x) * dx + (y - a.y) * dy) / len2, 0.0, 1.0);
    return domeNormal(x, y, a.x + t * dx, a.y + t * dy, r);
}

Paint bevel(double x0, double y0, double x1, double y1, double width, Color face, Vec3 light,
            double depth) {
    return [=](double x, double y) {
        const double left = x - x0;
        const double top = y - y0;
        const double right = x1 - x;
        const double bottom = y1 - y;
        const double m = std::min(std::min(left, right), std::min(top, bottom));
        if (m >= width) return face;
        Vec3 n{0, 0, 1};
        if (m == left)
            n = Vec3{-depth, 0, 1};
        else if (m == top)
            n = Vec3{0, -depth, 1};
        else if (m == right)
            n = Vec3{depth, 0, 1};
        else
            n = Vec3{0, depth, 1};
        return lit(face, normalized(n), light);
    };
}

}  // namespace prismcrate::assetgen
