// Lighting shared by every picture: one light from the upper left, in front of the screen,
// and frames that let a picture be drawn once in its own orientation and turned in steps
// of a quarter turn while the light stays where it is on the screen.
#pragma once

#include "tools/assetgen/canvas.h"

namespace prismcrate::assetgen {

struct Vec3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

Vec3 normalized(Vec3 v);
double dot(Vec3 a, Vec3 b);

// The light on the screen: from the upper left and in front.
Vec3 screenLight();

// A drawing's own coordinates, turned about a centre by quarter turns clockwise.
class Frame {
  public:
    Frame(int quarterTurns, double cx, double cy);

    Pt toLocal(double x, double y) const;
    // The screen light expressed in the drawing's own coordinates.
    Vec3 light() const { return light_; }

    Shape shape(Shape s) const;
    Paint paint(Paint p) const;

  private:
    int turns_;
    double cx_;
    double cy_;
    Vec3 light_;
};

// A colour lit by the light for a surface normal: a surface facing the viewer keeps its
// colour, surfaces towards the light become brighter, those away from it darker; `gloss`
// adds a white highlight.
Color lit(const Color& base, Vec3 normal, Vec3 light, double gloss = 0.0, double shine = 24.0);

// Normal of a dome (sphere cap) of radius r over the point, seen from above.
Vec3 domeNormal(double x, double y, double cx, double cy, double r);

// Normal of a rounded bar along the segment a-b with the given radius.
Vec3 barNormal(double x, double y, Pt a, Pt b, double r);

// A bevelled rectangle: inside `width` of an edge the surface slopes away, so the edges
// facing the light are brighter and the others darker. `depth` sets how steep the slope
// is; a negative depth makes the face sunk instead of raised.
Paint bevel(double x0, double y0, double x1, double y1, double width, Color face, Vec3 light,
            double depth = 1.0);

}  // namespace prismcrate::assetgen
