// SPDX-License-Identifier: MIT
#include <array>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

#include "kvq/demo/rhythm.h"
#include "kvq/demo/scenes.h"
#include "kvq/demo/shading.h"

namespace {

struct Point3 {
    double x, y, z;
};

struct Solid {
    std::vector<Point3> vertices;
    std::vector<std::pair<int, int>> edges;
};

Solid cube(double half)
{
    Solid solid;
    for (int corner = 0; corner < 8; ++corner) {
        solid.vertices.push_back({corner & 1 ? half : -half, corner & 2 ? half : -half, corner & 4 ? half : -half});
    }
    // Corners one bit apart share an edge.
    for (int a = 0; a < 8; ++a) {
        for (int bit = 1; bit < 8; bit <<= 1) {
            if ((a & bit) == 0) solid.edges.emplace_back(a, a | bit);
        }
    }
    return solid;
}

Solid octahedron(double radius)
{
    Solid solid;
    solid.vertices = {{radius, 0, 0},  {-radius, 0, 0}, {0, radius, 0},
                      {0, -radius, 0}, {0, 0, radius},  {0, 0, -radius}};
    // Every pair of vertices that are not opposite shares an edge.
    for (int a = 0; a < 6; ++a) {
        for (int b = a + 1; b < 6; ++b) {
            if (a / 2 != b / 2) solid.edges.emplace_back(a, b);
        }
    }
    return solid;
}

Point3 rotate(Point3 p, double ax, double ay, double az)
{
    Point3 r = p;
    r = {r.x, r.y * std::cos(ax) - r.z * std::sin(ax), r.y * std::sin(ax) + r.z * std::cos(ax)};
    r = {r.x * std::cos(ay) + r.z * std::sin(ay), r.y, -r.x * std::sin(ay) + r.z * std::cos(ay)};
    r = {r.x * std::cos(az) - r.y * std::sin(az), r.x * std::sin(az) + r.y * std::cos(az), r.z};
    return r;
}

struct Projected {
    double x, y, z;
};

constexpr double kViewerDistance = 4.0;
constexpr double kFocal = 17.0;

Projected project(Point3 p, double centre_x, double centre_y)
{
    const double scale = kFocal / (kViewerDistance + p.z);
    // Two columns per unit across for every row down, as a cell is twice as tall as wide.
    return {centre_x + p.x * scale * 2.0, centre_y + p.y * scale, p.z};
}

void drawSolid(TextCanvas& canvas, const Solid& solid, double ax, double ay, double az, double size, double centre_x,
               double centre_y)
{
    std::vector<Projected> points;
    for (const Point3& vertex : solid.vertices) {
        const Point3 turned = rotate({vertex.x * size, vertex.y * size, vertex.z * size}, ax, ay, az);
        points.push_back(project(turned, centre_x, centre_y));
    }
    // Edges facing away are dotted and drawn first, so the near edges cross over them.
    for (int near = 0; near < 2; ++near) {
        for (const auto& [a, b] : solid.edges) {
            const Projected& p = points[static_cast<std::size_t>(a)];
            const Projected& q = points[static_cast<std::size_t>(b)];
            const bool is_near = p.z + q.z < 0.0;
            if (is_near != (near == 1)) continue;
            if (is_near) {
                canvas.line(p.x, p.y, q.x, q.y);
            } else {
                canvas.line(p.x, p.y, q.x, q.y, plain('.'));
            }
        }
    }
    for (const Projected& point : points) {
        canvas.put(static_cast<int>(std::floor(point.x)), static_cast<int>(std::floor(point.y)),
                   point.z < 0.0 ? kSolid : plain('o'));
    }
}

void drawFloor(TextCanvas& canvas, int frame)
{
    // A chequered floor below the horizon, sliding towards the viewer.
    constexpr int kHorizon = 20;
    for (int y = kHorizon + 1; y < TextCanvas::kHeight; ++y) {
        const double depth = 12.0 / (y - kHorizon);
        const double near = 1.0 - depth / 12.0;
        const int along = static_cast<int>(std::floor(depth + frame * 0.1));
        for (int x = 0; x < TextCanvas::kWidth; ++x) {
            const int across = static_cast<int>(std::floor((x - 40.0) * depth / 24.0 + 100.0));
            const bool dark = (along + across) % 2 == 0;
            canvas.put(x, y, dark ? shade(0.15 + 0.55 * near) : shade(0.08 * near));
        }
    }
}

void drawCaption(TextCanvas& canvas, int frame, std::string_view caption, int row)
{
    // The caption flashes to inverse video on every beat.
    canvas.centredText(row, caption, frame % kFramesPerBeat < 3 ? Ink::Inverse : Ink::Plain);
}

}  // namespace

void drawWireframeScene(TextCanvas& canvas, int frame)
{
    canvas.fill(plain(' '));
    drawFloor(canvas, frame);
    const double t = frame;
    const double kick = 1.0 + 0.07 * beatPulse(frame);
    const double centre_x = 40.0 + 6.0 * std::sin(t * 0.03);
    const double centre_y = 14.0;
    const Solid outer = cube(1.0);
    const Solid inner = octahedron(0.8);
    drawSolid(canvas, outer, t * 0.041, t * 0.057, t * 0.023, kick, centre_x, centre_y);
    drawSolid(canvas, inner, -t * 0.067, t * 0.031, -t * 0.049, kick * (0.8 + 0.2 * std::sin(t * 0.1)), centre_x,
              centre_y);
    drawCaption(canvas, frame, " ROTATING IN THREE DIMENSIONS ", 1);
}
