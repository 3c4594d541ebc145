// A small software canvas for drawing the game's pictures: shapes are inside-tests sampled
// on a 4 by 4 grid per pixel, paints give the colour at a point, and layers are blended
// with straight alpha. Everything is plain double arithmetic, so a picture comes out the
// same byte for byte on every run.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace prismcrate::assetgen {

// An 8-bit colour as it is stored in the files.
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The colour key of the sprite sheets: pixels of exactly this colour are not drawn.
inline constexpr Rgb kKeyColour{128, 0, 128};

// A colour with channels in 0..255 and an opacity in 0..1.
struct Color {
    double r = 0;
    double g = 0;
    double b = 0;
    double a = 1;
};

Color rgb(double r, double g, double b, double a = 1.0);
Color mix(const Color& x, const Color& y, double t);
Color scaled(const Color& c, double factor);  // brightness factor, opacity kept
Color withAlpha(const Color& c, double a);

struct Pt {
    double x = 0;
    double y = 0;
};

using Shape = std::function<bool(double x, double y)>;
using Paint = std::function<Color(double x, double y)>;

// Shapes in continuous pixel coordinates: the pixel (i, j) covers [i, i+1) x [j, j+1).
Shape rect(double x0, double y0, double x1, double y1);
Shape roundRect(double x0, double y0, double x1, double y1, double radius);
Shape circle(double cx, double cy, double r);
Shape ellipse(double cx, double cy, double rx, double ry);
Shape polygon(std::vector<Pt> points);
Shape segment(Pt a, Pt b, double halfWidth);  // a stroke with round ends
Shape polyline(const std::vector<Pt>& points, double halfWidth);
Shape unite(Shape a, Shape b);
Shape intersect(Shape a, Shape b);
Shape subtract(Shape a, Shape b);

// Deterministic noise in 0..1 for an integer lattice point and a seed.
double hashNoise(int x, int y, int seed);
// Smooth value noise in 0..1 over continuous coordinates.
double valueNoise(double x, double y, int seed);

class Canvas {
  public:
    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    // Blends the paint into every sample of the shape; the pixel receives the share of its
    // 16 samples that lie inside, with the paint's average over those samples.
    void fill(const Shape& shape, const Paint& paint);
    void fill(const Shape& shape, const Color& colour);

    // Sets whole pixels with no blending (for lines that must be exact).
    void setPixel(int x, int y, const Color& colour);
    Color pixel(int x, int y) const;

    // Blends another canvas of any size over this one with its top-left at (dx, dy).
    void draw(const Canvas& src, int dx, int dy);

    // The picture over an opaque background colour.
    std::vector<Rgb> flatten(const Color& background) const;

    // The picture for a colour-keyed sheet: pixels less than half covered become the key;
    // partly covered edge pixels are blended with edgeBlend, the colour they will most
    // often be drawn over. No other pixel is left near the key.
    std::vector<Rgb> keyed(const Color& edgeBlend) const;

  private:
    int width_;
    int height_;
    std::vector<Color> px_;  // straight alpha
};

// Moves a colour away from the key colour if it comes within reach of it.
Rgb awayFromKey(Rgb c);
// True when a colour, though not the key itself, lies close enough to be mistaken for it.
bool nearKey(Rgb c);

}  // namespace prismcrate::assetgen
