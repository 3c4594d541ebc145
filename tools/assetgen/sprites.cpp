#include "tools/assetgen/sprites.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "tools/assetgen/shading.h"

namespace prismcrate::assetgen {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kMid = kCell / 2.0;

const Color kOutline = rgb(34, 36, 44);

int pixelOf(double v) {
    return static_cast<int>(std::floor(v));
}

// Per-pixel grain: a factor near 1 that is the same for every sample of one pixel.
double grain(double x, double y, int seed, double amount) {
    return 1.0 + amount * (hashNoise(pixelOf(x), pixelOf(y), seed) - 0.5);
}

// ---- floors -----------------------------------------------------------------------------

Color floorBase() {
    return rgb(35, 128, 35);
}

// Plain floor: flat green with a faint grain and a soft seam so the grid can be read.
Color floorAt(double x, double y) {
    const int px = pixelOf(x);
    const int py = pixelOf(y);
    double f = grain(x, y, 11, 0.05) * (1.0 + 0.05 * (valueNoise(x / 5, y / 5, 12) - 0.5));
    if (px == 0 || py == 0) f *= 1.06;
    if (px == kCell - 1 || py == kCell - 1) f *= 0.88;
    return scaled(floorBase(), f);
}

void drawFloor(Canvas& c) {
    c.fill(rect(0, 0, kCell, kCell), floorAt);
}

void drawTarget(Canvas& c) {
    drawFloor(c);
    const Vec3 light = screenLight();
    // A square sunk into the floor: its walls catch the light on the far side.
    c.fill(rect(4, 4, 20, 20), bevel(4, 4, 20, 20, 2, rgb(26, 100, 26), light, -1.4));
    // A raised mark in its middle.
    c.fill(rect(9, 9, 15, 15), bevel(9, 9, 15, 15, 1, rgb(50, 160, 50), light, 1.2));
}

// Pressure plate: a dark rim round a bevelled green plate, raised or pressed down.
void drawPlate(Canvas& c, bool pressed) {
    const Vec3 light = screenLight();
    c.fill(rect(0, 0, kCell, kCell),
           [](double x, double y) { return scaled(rgb(22, 78, 22), grain(x, y, 21, 0.06)); });
    if (pressed) {
        c.fill(rect(3, 3, 21, 21), bevel(3, 3, 21, 21, 1, rgb(36, 118, 36), light, -1.2));
        c.fill(rect(6, 6, 18, 18), rgb(33, 110, 33));
    } else {
        c.fill(rect(2, 2, 22, 22), bevel(2, 2, 22, 22, 2, rgb(78, 204, 78), light, 1.5));
        c.fill(rect(7, 7, 17, 17), bevel(7, 7, 17, 17, 1, rgb(90, 216, 90), light, -0.8));
    }
}

// ---- wall -------------------------------------------------------------------------------

// Bricks of 11 by 5 pixels on black mortar; every other course is offset by half a brick,
// and the pattern joins seamlessly with itself in both directions.
void drawWall(Canvas& c) {
    c.fill(rect(0, 0, kCell, kCell), [](double x, double y) {
        const int px = pixelOf(x);
        const int py = pixelOf(y);
        const int course = py / 6;
        const int row = py % 6;
        const int shift = (course % 2) * 6;
        const int col = (px + shift) % 12;
        if (row == 5 || col == 11) return rgb(14, 8, 8);
        const int brick = ((px + shift) / 12) % 2 + course * 2;
        Color base = scaled(rgb(146, 38, 30), 0.86 + 0.28 * hashNoise(brick, 0, 31));
        if (row == 0) base = scaled(base, 1.22);
        if (row == 4 || col == 10) base = scaled(base, 0.74);
        return scaled(base, grain(x, y, 32, 0.16));
    });
}

// ---- crates -----------------------------------------------------------------------------

std::vector<Pt> cutSquare(double x0, double y0, double x1, double y1, double cut) {
    return {{x0 + cut, y0}, {x1 - cut, y0}, {x1, y0 + cut}, {x1, y1 - cut},
            {x1 - cut, y1}, {x0 + cut, y1}, {x0, y1 - cut}, {x0, y0 + cut}};
}

void drawCrate(Canvas& c, Color face) {
    const Vec3 light = screenLight();
    c.fill(polygon(cutSquare(0.5, 0.5, 23.5, 23.5, 3.5)), scaled(face, 0.32));
    c.fill(polygon(cutSquare(1.5, 1.5, 22.5, 22.5, 3)), [=](double x, double y) {
        return scaled(bevel(1.5, 1.5, 22.5, 22.5, 3, face, light, 1.3)(x, y),
                      grain(x, y, 41, 0.08));
    });
    // The inset panel, sunk into the frame, with two boards and a diagonal brace.
    const Color panel = scaled(face, 0.82);
    c.fill(rect(6, 6, 18, 18), [=](double x, double y) {
        Color p = bevel(6, 6, 18, 18, 1, panel, light, -1.3)(x, y);
        if (pixelOf(y) == 11) p = scaled(p, 0.8);
        return scaled(p, grain(x, y, 42, 0.1));
    });
    c.fill(intersect(rect(7, 7, 17, 17), segment({7.3, 16.7}, {16.7, 7.3}, 1.1)),
           scaled(face, 1.05));
    c.fill(intersect(rect(7, 7, 17, 17), segment({8.2, 17.2}, {17.2, 8.2}, 0.45)),
           scaled(face, 0.6));
}

// ---- mirrors ----------------------------------------------------------------------------

void drawMirror(Canvas& c, bool rising) {
    // A silvered blue pane: a bright front line and a dark backing line beside it.
    auto flip = [rising](Pt p) { return rising ? Pt{p.x, kCell - p.y} : p; };
    const double off = 0.8;
    const Pt a1 = flip({0.2 + off, 0.2 - off});
    const Pt b1 = flip({23.8 + off, 23.8 - off});
    const Pt a2 = flip({0.2 - off, 0.2 + off});
    const Pt b2 = flip({23.8 - off, 23.8 + off});
    c.fill(segment(a2, b2, 1.15), rgb(28, 52, 150));
    c.fill(segment(a1, b1, 1.0), [](double x, double y) {
        const double t = std::abs((x + y) / 2 - kMid) / kMid;
        return mix(rgb(170, 220, 255), rgb(80, 150, 245), t);
    });
}

// ---- emitter ----------------------------------------------------------------------------

// Drawn facing left and turned: two dark tracks along the sides, a grey housing between
// them and a barrel with a green ring reaching out to the facing edge.
void drawEmitter(Canvas& c, int turns) {
    const Frame f(turns, kMid, kMid);
    const Vec3 light = f.light();
    const Color tread = rgb(52, 52, 58);
    for (double y0 : {1.0, 18.0}) {
        c.fill(f.shape(rect(4, y0, 22, y0 + 5)), scaled(tread, 0.55));
        c.fill(f.shape(rect(4.6, y0 + 0.6, 21.4, y0 + 4.4)), f.paint([=](double x, double y) {
            Color t = lit(tread, barNormal(x, y, {4, y0 + 2.5}, {22, y0 + 2.5}, 2.6), light);
            if (pixelOf(x) % 3 == 0) t = scaled(t, 0.6);
            return t;
        }));
    }
    const Color housing = rgb(150, 154, 162);
    c.fill(f.shape(roundRect(7, 5, 21, 19, 1.5)), scaled(housing, 0.35));
    c.fill(f.shape(roundRect(7.7, 5.7, 20.3, 18.3, 1.2)),
           f.paint(bevel(7.7, 5.7, 20.3, 18.3, 2, housing, light, 1.3)));
    // A dome on top of the housing.
    c.fill(f.shape(circle(14.5, 12, 3.6)), scaled(housing, 0.4));
    c.fill(f.shape(circle(14.5, 12, 3.0)), f.paint([=](double x, double y) {
        return lit(rgb(120, 126, 136), domeNormal(x, y, 14.5, 12, 3.0), light, 0.5);
    }));
    // The barrel, its muzzle and the green ring.
    const Pt b0{1.3, 12};
    const Pt b1{9, 12};
    c.fill(f.shape(rect(1, 9.3, 9.5, 14.7)), scaled(housing, 0.3));
    c.fill(f.shape(rect(1.6, 9.9, 9.5, 14.1)), f.paint([=](double x, double y) {
        return lit(rgb(112, 116, 124), barNormal(x, y, b0, b1, 2.2), light, 0.35);
    }));
    c.fill(f.shape(rect(3, 9.3, 5.5, 14.7)), f.paint([=](double x, double y) {
        return lit(rgb(40, 215, 70), barNormal(x, y, {3, 12}, {5.5, 12}, 2.7), light, 0.5);
    }));
}

// ---- robot ------------------------------------------------------------------------------

// Drawn facing left and turned: a white capsule body across the facing direction with blue
// bands near its ends, a red sphere in the middle and a red half-disc on the facing side.
void drawRobot(Canvas& c, int turns, bool pushing) {
    const Frame f(turns, kMid, kMid);
    const Vec3 light = f.light();
    if (pushing) {
        const Color arm = rgb(150, 156, 168);
        for (double side : {-1.0, 1.0}) {
            const std::vector<Pt> path{
                {10, kMid + side * 6.2}, {5.8, kMid + side * 6.6}, {2.2, kMid + side * 9.6}};
            c.fill(f.shape(polyline(path, 1.75)), kOutline);
            c.fill(f.shape(polyline(path, 1.05)), f.paint([=](double x, double y) {
                Vec3 n = barNormal(x, y, path[0], path[1], 1.05);
                if (x < 5.8) n = barNormal(x, y, path[1], path[2], 1.05);
                return lit(arm, n, light, 0.3);
            }));
            const Pt hand{1.9, kMid + side * 10.1};
            c.fill(f.shape(circle(hand.x, hand.y, 1.95)), rgb(120, 50, 70));
            c.fill(f.shape(circle(hand.x, hand.y, 1.45)), f.paint([=](double x, double y) {
                return lit(rgb(255, 150, 185), domeNormal(x, y, hand.x, hand.y, 1.45), light, 0.4);
            }));
        }
    }
    // The front half-disc, partly under the body.
    c.fill(f.shape(circle(8.6, kMid, 3.7)), kOutline);
    c.fill(f.shape(circle(8.6, kMid, 3.0)), f.paint([=](double x, double y) {
        return lit(rgb(200, 28, 32), domeNormal(x, y, 8.6, kMid, 3.0), light, 0.5);
    }));
    // Body.
    const Pt top{13.6, 6.6};
    const Pt bottom{13.6, 17.4};
    const double r = 5.1;
    const Shape body = segment(top, bottom, r);
    c.fill(f.shape(segment(top, bottom, r + 0.75)), kOutline);
    c.fill(f.shape(body), f.paint([=](double x, double y) {
        const Vec3 n = barNormal(x, y, top, bottom, r);
        const bool band = (y > 3.6 && y < 6.2) || (y > 17.8 && y < 20.4);
        return lit(band ? rgb(40, 96, 220) : rgb(232, 235, 240), n, light, 0.35);
    }));
    // The sphere in the middle.
    const Pt s{13.6, kMid};
    c.fill(f.shape(circle(s.x, s.y, 4.1)), kOutline);
    c.fill(f.shape(circle(s.x, s.y, 3.4)), f.paint([=](double x, double y) {
        return lit(rgb(230, 36, 36), domeNormal(x, y, s.x, s.y, 3.4), light, 0.75, 30);
    }));
}

// Debris of the robot: a speckled grey cloud of dust with broken pieces strewn over and
// around it, a few of them still white, blue or red.
void drawWreck(Canvas& c) {
    const Vec3 light = screenLight();
    const auto edge = [](double x, double y) {
        const double a = std::atan2(y - kMid, x - kMid);
        return 7.2 + 3.4 * valueNoise(3 + 2.2 * std::cos(a), 3 + 2.2 * std::sin(a), 51);
    };
    const auto distance = [](double x, double y) {
        return std::sqrt((x - kMid) * (x - kMid) + (y - kMid) * (y - kMid));
    };
    c.fill([=](double x, double y) { return distance(x, y) < edge(x, y); },
           [=](double x, double y) {
               const double t = distance(x, y) / edge(x, y);
               Color g = mix(rgb(156, 156, 160), rgb(92, 92, 98), t * t);
               // Billows of smoke and specks of soot.
               g = scaled(g, 0.82 + 0.36 * valueNoise(x / 2.4, y / 2.4, 53));
               const double n = hashNoise(pixelOf(x), pixelOf(y), 52);
               if (n < 0.2)
                   g = scaled(g, 0.55);
               else if (n > 0.93)
                   g = scaled(g, 1.25);
               return g;
           });
    // Broken pieces: dark chunks lit on their upper left.
    for (int i = 0; i < 11; ++i) {
        const double a = 2 * kPi * i / 11 + 0.6 * hashNoise(i, 1, 54);
        const double r = 3 + 7.5 * hashNoise(i, 2, 54);
        const double size = 0.9 + 0.8 * hashNoise(i, 3, 54);
        const Pt p{kMid + r * std::cos(a), kMid + r * std::sin(a)};
        const std::vector<Pt> chunk{{p.x - size, p.y + 0.2 * size},
                                    {p.x - 0.1 * size, p.y - size},
                                    {p.x + size, p.y - 0.1 * size},
                                    {p.x + 0.2 * size, p.y + size}};
        c.fill(polygon(chunk), rgb(44, 44, 50));
        c.fill(intersect(polygon(chunk), [p](double x, double y) { return x + y < p.x + p.y; }),
               rgb(120, 120, 128));
    }
    // Scraps of the body, a band and the sphere.
    const struct {
        Pt p;
        double r;
        Color c;
    } scraps[] = {{{8.5, 9.5}, 1.4, rgb(232, 235, 240)},
                  {{15.5, 15}, 1.2, rgb(232, 235, 240)},
                  {{15, 8.5}, 1.1, rgb(40, 96, 220)},
                  {{12.5, 12.5}, 1.5, rgb(220, 40, 40)}};
    for (const auto& s : scraps) {
        const std::vector<Pt> bit{{s.p.x - s.r, s.p.y},
                                  {s.p.x, s.p.y - s.r * 1.1},
                                  {s.p.x + s.r * 1.2, s.p.y + s.r * 0.3},
                                  {s.p.x - s.r * 0.2, s.p.y + s.r}};
        c.fill(polygon(bit), lit(s.c, normalized(Vec3{-0.3, -0.3, 1}), light));
    }
}

// ---- rock and bomb ----------------------------------------------------------------------

void drawRock(Canvas& c) {
    const Vec3 light = screenLight();
    std::vector<Pt> outline;
    constexpr int kCorners = 13;
    for (int i = 0; i < kCorners; ++i) {
        const double a = 2 * kPi * i / kCorners + 0.3;
        const double r = 8.2 + 2.4 * hashNoise(i, 0, 61);
        outline.push_back({kMid + r * std::cos(a), kMid + 0.6 + r * 0.92 * std::sin(a)});
    }
    std::vector<Pt> inner;
    for (const Pt& p : outline)
        inner.push_back({kMid + (p.x - kMid) * 0.9, kMid + 0.6 + (p.y - kMid - 0.6) * 0.9});
    c.fill(polygon(outline), rgb(44, 36, 30));
    c.fill(polygon(inner), [=](double x, double y) {
        Vec3 n = domeNormal(x, y, kMid - 0.5, kMid, 11.5);
        // Facets: tilt the normal in patches so the surface looks chipped.
        const double fx = valueNoise(x / 3.2, y / 3.2, 62) - 0.5;
        const double fy = valueNoise(x / 3.2, y / 3.2, 63) - 0.5;
        n = normalized(Vec3{n.x + 0.9 * fx, n.y + 0.9 * fy, n.z});
        const Color base = mix(rgb(132, 120, 104), rgb(110, 96, 80), valueNoise(x / 4, y / 4, 64));
        return scaled(lit(base, n, light, 0.08), grain(x, y, 65, 0.14));
    });
    // Two cracks.
    c.fill(polyline({{9, 8}, {11, 11}, {10.5, 14}}, 0.45), rgb(62, 52, 44));
    c.fill(polyline({{15, 15}, {17, 16.5}, {18.5, 16}}, 0.4), rgb(62, 52, 44));
}

void drawBomb(Canvas& c) {
    const Vec3 light = screenLight();
    const Pt centre{11, 13.5};
    const double r = 8.3;
    // Fuse: a short cord from the cap to the top right, a spark at its tip.
    c.fill(polyline({{16.2, 7.6}, {18.4, 5.2}, {19.6, 4.8}}, 1.2), rgb(46, 34, 22));
    c.fill(polyline({{16.2, 7.6}, {18.4, 5.2}, {19.6, 4.8}}, 0.6), rgb(196, 160, 100));
    c.fill(circle(centre.x, centre.y, r + 0.7), rgb(10, 10, 14));
    c.fill(circle(centre.x, centre.y, r), [=](double x, double y) {
        return lit(rgb(46, 46, 54), domeNormal(x, y, centre.x, centre.y, r), light, 0.9, 40);
    });
    // The cap the fuse comes out of.
    c.fill(polygon({{14.2, 6.6}, {16.6, 5.0}, {18.4, 7.6}, {16.0, 9.4}}), rgb(24, 24, 28));
    c.fill(polygon({{14.9, 6.8}, {16.6, 5.8}, {17.7, 7.5}, {16.0, 8.6}}), rgb(120, 120, 130));
    // Spark.
    const Pt spark{20.3, 4.3};
    for (int i = 0; i < 4; ++i) {
        const double a = kPi / 4 * i;
        c.fill(segment({spark.x - 2.6 * std::cos(a), spark.y - 2.6 * std::sin(a)},
                       {spark.x + 2.6 * std::cos(a), spark.y + 2.6 * std::sin(a)}, 0.42),
               rgb(255, 190, 40));
    }
    c.fill(circle(spark.x, spark.y, 1.3), rgb(255, 250, 200));
}

// ---- steel block and gates --------------------------------------------------------------

void drawSteel(Canvas& c) {
    const Vec3 light = screenLight();
    const Color plate = rgb(112, 128, 150);
    c.fill(rect(0, 0, kCell, kCell), [=](double x, double y) {
        Color p = bevel(0, 0, kCell, kCell, 2, plate, light, 1.6)(x, y);
        // Brushed metal: faint streaks along the rows.
        return scaled(p, 1.0 + 0.07 * (valueNoise(x / 9, pixelOf(y) * 1.7, 71) - 0.5) +
                             0.03 * (hashNoise(pixelOf(x), pixelOf(y), 72) - 0.5));
    });
    for (double cx : {5.5, 18.5}) {
        for (double cy : {5.5, 18.5}) {
            c.fill(circle(cx + 0.5, cy + 0.6, 2.0), rgb(56, 64, 78));
            c.fill(circle(cx, cy, 1.7), [=](double x, double y) {
                return lit(rgb(160, 172, 190), domeNormal(x, y, cx, cy, 1.7), light, 0.6);
            });
        }
    }
}

void drawClosedGate(Canvas& c) {
    const Vec3 light = screenLight();
    const Color stone = rgb(140, 142, 148);
    c.fill(rect(0, 0, kCell, kCell), [=](double x, double y) {
        const int px = pixelOf(x);
        const int py = pixelOf(y);
        if (px == 0 || py == 0 || px == kCell - 1 || py == kCell - 1) return rgb(52, 54, 60);
        const double dx = x - kMid;
        const double dy = y - kMid;
        Vec3 n{0, 0, 1};
        if (std::max(std::abs(dx), std::abs(dy)) > 4.5) {
            // A facet sloping from the flat top down to the edge.
            if (std::abs(dx) > std::abs(dy))
                n = Vec3{dx > 0 ? 0.8 : -0.8, 0, 1};
            else
                n = Vec3{0, dy > 0 ? 0.8 : -0.8, 1};
        }
        const Color s = lit(stone, normalized(n), light);
        return scaled(s, grain(x, y, 81, 0.05));
    });
}

void drawOpenGate(Canvas& c) {
    const Color stone = rgb(128, 130, 136);
    c.fill(rect(0, 0, kCell, kCell), [=](double x, double y) {
        const int px = pixelOf(x);
        const int py = pixelOf(y);
        if (px == 0 || py == 0 || px == kCell - 1 || py == kCell - 1) return rgb(60, 62, 68);
        if (px == 1 || py == 1) return scaled(stone, 0.8);
        return scaled(stone, grain(x, y, 91, 0.05));
    });
    // The engraved cross: a dark groove with a bright lip below it.
    for (bool rising : {false, true}) {
        auto p = [rising](double x, double y) { return rising ? Pt{x, kCell - y} : Pt{x, y}; };
        c.fill(intersect(rect(2, 2, 22, 22), segment(p(3, 3.9), p(21, 21.9), 0.7)),
               rgb(178, 180, 186));
        c.fill(intersect(rect(2, 2, 22, 22), segment(p(3, 3), p(21, 21), 0.75)), rgb(70, 72, 78));
    }
}

// ---- tiles2 -----------------------------------------------------------------------------

// Beam pixels: a steady line with a few dim pixels so it shimmers along its length.
Rgb beamPixel(int along, int lane) {
    return hashNoise(along, lane, 101) < (lane == 0 ? 0.25 : 0.6) ? kBeamDim : kBeamBright;
}

void beamAcross(std::vector<Rgb>& px, int from, int to) {
    for (int x = from; x < to; ++x) {
        px[11 * kCell + x] = beamPixel(x, 0);
        px[12 * kCell + x] = beamPixel(x, 1);
    }
}

void beamDown(std::vector<Rgb>& px, int from, int to) {
    for (int y = from; y < to; ++y) {
        px[y * kCell + 11] = beamPixel(y, 0);
        px[y * kCell + 12] = beamPixel(y, 1);
    }
}

// The legs of a bend stop this many pixels from the middle line pair (rows or columns 11
// and 12): the leg from the top ends at row 8, the one from the right starts at column 15.
constexpr int kBendGap = 2;
constexpr int kNearEnd = 11 - kBendGap;   // exclusive end of a leg from the top or left
constexpr int kFarStart = 13 + kBendGap;  // start of a leg to the right or bottom

std::vector<Rgb> drawBeam(int n) {
    std::vector<Rgb> px(kCell * kCell, kKeyColour);
    switch (n) {
        case 0:
            beamAcross(px, 0, kCell);
            break;
        case 1:
            beamDown(px, 0, kCell);
            break;
        case 2:  // top and right
            beamDown(px, 0, kNearEnd);
            beamAcross(px, kFarStart, kCell);
            break;
        case 3:  // right and bottom
            beamAcross(px, kFarStart, kCell);
            beamDown(px, kFarStart, kCell);
            break;
        case 4:  // left and bottom
            beamAcross(px, 0, kNearEnd);
            beamDown(px, kFarStart, kCell);
            break;
        default:  // top and left
            beamDown(px, 0, kNearEnd);
            beamAcross(px, 0, kNearEnd);
            break;
    }
    return px;
}

void drawBlast(Canvas& c) {
    const Shape ball = [](double x, double y) {
        const double dx = x - kMid;
        const double dy = y - kMid;
        const double a = std::atan2(dy, dx);
        const double ragged = valueNoise(4 + 2.5 * std::cos(a), 4 + 2.5 * std::sin(a), 111);
        return std::sqrt(dx * dx + dy * dy) < 9.0 + 2.8 * ragged;
    };
    c.fill(ball, [](double x, double y) {
        const double dx = x - kMid;
        const double dy = y - kMid;
        const double a = std::atan2(dy, dx);
        const double ragged = valueNoise(4 + 2.5 * std::cos(a), 4 + 2.5 * std::sin(a), 111);
        const double edge = 9.0 + 2.8 * ragged;
        const double t = std::sqrt(dx * dx + dy * dy) / edge;
        const double flicker = 0.12 * (valueNoise(x / 2.5, y / 2.5, 112) - 0.5);
        const double u = std::clamp(t + flicker, 0.0, 1.0);
        if (u < 0.22) return mix(rgb(255, 255, 210), rgb(255, 230, 90), u / 0.22);
        if (u < 0.5) return mix(rgb(255, 230, 90), rgb(250, 130, 30), (u - 0.22) / 0.28);
        if (u < 0.78) return mix(rgb(250, 130, 30), rgb(220, 36, 20), (u - 0.5) / 0.28);
        return mix(rgb(220, 36, 20), rgb(110, 12, 10), (u - 0.78) / 0.22);
    });
}

std::vector<Rgb> drawWallEdge(int side) {
    std::vector<Rgb> px(kCell * kCell, kKeyColour);
    // Light edges facing up and left, dark edges facing down and right; the outer pixel of
    // each strip is the stronger one.
    const Rgb lightOuter{196, 96, 72};
    const Rgb lightInner{164, 70, 52};
    const Rgb darkOuter{14, 8, 8};
    const Rgb darkInner{44, 18, 16};
    for (int i = 0; i < kCell; ++i) {
        switch (side) {
            case 7:
                px[i * kCell + 0] = lightOuter;
                px[i * kCell + 1] = lightInner;
                break;
            case 8:
                px[0 * kCell + i] = lightOuter;
                px[1 * kCell + i] = lightInner;
                break;
            case 9:
                px[i * kCell + 23] = darkOuter;
                px[i * kCell + 22] = darkInner;
                break;
            default:
                px[23 * kCell + i] = darkOuter;
                px[22 * kCell + i] = darkInner;
                break;
        }
    }
    return px;
}

// ---- sheets -----------------------------------------------------------------------------

std::vector<Rgb> transparentPattern(const std::function<void(Canvas&)>& draw) {
    Canvas c(kCell, kCell);
    draw(c);
    return c.keyed(floorColour());
}

std::vector<Rgb> opaquePattern(const std::function<void(Canvas&)>& draw) {
    Canvas c(kCell, kCell);
    draw(c);
    std::vector<Rgb> px = c.flatten(rgb(0, 0, 0));
    for (Rgb& p : px) p = awayFromKey(p);
    return px;
}

Sheet assemble(const std::vector<std::vector<Rgb>>& patterns) {
    Sheet s;
    s.count = static_cast<int>(patterns.size());
    s.pixels.assign(static_cast<std::size_t>(s.width()) * kCell, kKeyColour);
    for (int n = 0; n < s.count; ++n) {
        for (int y = 0; y < kCell; ++y) {
            for (int x = 0; x < kCell; ++x) {
                s.pixels[static_cast<std::size_t>(y) * s.width() + n * kCell + x] =
                    patterns[n][y * kCell + x];
            }
        }
    }
    return s;
}

}  // namespace

Color floorColour() {
    return floorBase();
}

std::vector<Rgb> Sheet::pattern(int n) const {
    std::vector<Rgb> out;
    out.reserve(kCell * kCell);
    for (int y = 0; y < kCell; ++y) {
        for (int x = 0; x < kCell; ++x) {
            out.push_back(pixels[static_cast<std::size_t>(y) * width() + n * kCell + x]);
        }
    }
    return out;
}

Sheet drawTiles1() {
    std::vector<std::vector<Rgb>> p;
    // Robots: facing left, up, right, down; then the same in the pushing pose.
    for (bool pushing : {false, true}) {
        for (int turns = 0; turns < 4; ++turns) {
            p.push_back(transparentPattern([=](Canvas& c) { drawRobot(c, turns, pushing); }));
        }
    }
    p.push_back(opaquePattern(drawFloor));   // 8
    p.push_back(opaquePattern(drawTarget));  // 9
    p.push_back(opaquePattern(drawWall));    // 10
    p.push_back(transparentPattern([](Canvas& c) { drawCrate(c, rgb(232, 140, 44)); }));
    p.push_back(transparentPattern([](Canvas& c) { drawCrate(c, rgb(56, 124, 230)); }));
    p.push_back(transparentPattern([](Canvas& c) { drawMirror(c, false); }));  // 13
    p.push_back(transparentPattern([](Canvas& c) { drawMirror(c, true); }));   // 14
    for (int turns = 0; turns < 4; ++turns) {                                  // 15..18
        p.push_back(transparentPattern([=](Canvas& c) { drawEmitter(c, turns); }));
    }
    p.push_back(transparentPattern(drawRock));                           // 19
    p.push_back(transparentPattern(drawBomb));                           // 20
    p.push_back(opaquePattern(drawSteel));                               // 21
    p.push_back(opaquePattern(drawClosedGate));                          // 22
    p.push_back(opaquePattern(drawOpenGate));                            // 23
    p.push_back(opaquePattern([](Canvas& c) { drawPlate(c, false); }));  // 24
    p.push_back(opaquePattern([](Canvas& c) { drawPlate(c, true); }));   // 25
    p.push_back(transparentPattern(drawWreck));                          // 26
    return assemble(p);
}

Sheet drawTiles2() {
    std::vector<std::vector<Rgb>> p;
    for (int n = 0; n < 6; ++n) p.push_back(drawBeam(n));
    p.push_back(transparentPattern(drawBlast));
    for (int side = 7; side <= 10; ++side) p.push_back(drawWallEdge(side));
    return assemble(p);
}

}  // namespace prismcrate::assetgen
