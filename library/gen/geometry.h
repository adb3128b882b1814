// Small plane-geometry helpers for the procedural designs.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace korel::art {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTau = 2 * kPi;

struct Vec {
    double x = 0;
    double y = 0;
};

inline double length(double x, double y) {
    return std::sqrt(x * x + y * y);
}
inline double angleOf(double x, double y) {
    return std::atan2(y, x);
}

inline Vec rotate(Vec p, double a) {
    const double c = std::cos(a), s = std::sin(a);
    return Vec{p.x * c - p.y * s, p.x * s + p.y * c};
}

// Distance from p to the segment a-b.
inline double segmentDistance(Vec p, Vec a, Vec b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return length(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Distance from p to the circle of radius r around c.
inline double ringDistance(Vec p, Vec c, double r) {
    return std::abs(length(p.x - c.x, p.y - c.y) - r);
}

// Folds p into the mirror-symmetric wedge of an n-fold figure: angle in [0, pi/n].
inline Vec foldWedge(Vec p, int n) {
    const double wedge = kTau / n;
    double a = std::fmod(angleOf(p.x, p.y), wedge);
    if (a < 0) a += wedge;
    if (a > wedge / 2) a = wedge - a;
    const double r = length(p.x, p.y);
    return Vec{r * std::cos(a), r * std::sin(a)};
}

// The fractional part in [0, 1).
inline double fract(double v) {
    return v - std::floor(v);
}

// A repeatable pseudo-random value in [0, 1) for integer coordinates and a seed.
inline double hash01(int x, int y, int seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return double(h & 0xFFFFFF) / double(0x1000000);
}

// Smooth value noise in [0, 1), repeating every `period` cells in both directions.
inline double valueNoise(double x, double y, int seed, int period) {
    const int xi = int(std::floor(x)), yi = int(std::floor(y));
    const double fx = x - xi, fy = y - yi;
    auto cell = [&](int cx, int cy) {
        return hash01(((cx % period) + period) % period, ((cy % period) + period) % period, seed);
    };
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double a = cell(xi, yi), b = cell(xi + 1, yi), c = cell(xi, yi + 1),
                 d = cell(xi + 1, yi + 1);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

}  // namespace korel::art
