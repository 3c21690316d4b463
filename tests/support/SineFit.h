// THD+N of a sine of known frequency: the least-squares sine (and offset) is taken out and
// what is left, noise, distortion and aliases alike, is given relative to it in dB.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace kalvor::test {

// x: `count` samples, `stride` apart (one channel of interleaved frames); f: cycles per sample.
inline double thdPlusNoiseDb(const float* x, std::size_t count, std::size_t stride, double f) {
    const double w = 2 * std::numbers::pi * f;
    // Normal equations for a*sin + b*cos + c.
    double ss = 0, sc = 0, s1 = 0, cc = 0, c1 = 0, n = 0, ys = 0, yc = 0, y1 = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double s = std::sin(w * static_cast<double>(i));
        const double c = std::cos(w * static_cast<double>(i));
        const double y = x[i * stride];
        ss += s * s, sc += s * c, s1 += s, cc += c * c, c1 += c, n += 1;
        ys += y * s, yc += y * c, y1 += y;
    }
    // Cramer's rule on the 3x3 system.
    const auto det = [](double a, double b, double c, double d, double e, double f, double g,
                        double h, double k) {
        return a * (e * k - f * h) - b * (d * k - f * g) + c * (d * h - e * g);
    };
    const double D = det(ss, sc, s1, sc, cc, c1, s1, c1, n);
    const double a = det(ys, sc, s1, yc, cc, c1, y1, c1, n) / D;
    const double b = det(ss, ys, s1, sc, yc, c1, s1, y1, n) / D;
    const double c = det(ss, sc, ys, sc, cc, yc, s1, c1, y1) / D;
    double resid = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = w * static_cast<double>(i);
        const double e = x[i * stride] - (a * std::sin(t) + b * std::cos(t) + c);
        resid += e * e;
    }
    const double signal = (a * a + b * b) / 2 * n;
    return 10 * std::log10(std::max(resid, 1e-30) / signal);
}

// The sine of known frequency f (cycles per sample) nearest to `count` samples `stride`
// apart, as amplitude * sin(2 pi f i + phase), and the mean power of what is left.
struct SineFitResult {
    double amplitude = 0, phase = 0, residualPower = 0;
};
inline SineFitResult fitSine(const float* x, std::size_t count, std::size_t stride, double f) {
    const double w = 2 * std::numbers::pi * f;
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double s = std::sin(w * static_cast<double>(i));
        const double c = std::cos(w * static_cast<double>(i));
        const double y = x[i * stride];
        ss += s * s, sc += s * c, cc += c * c, ys += y * s, yc += y * c;
    }
    const double det = ss * cc - sc * sc;
    SineFitResult r;
    if (det == 0 || count == 0)
        return r;
    const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    double resid = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = w * static_cast<double>(i);
        const double e = x[i * stride] - (a * std::sin(t) + b * std::cos(t));
        resid += e * e;
    }
    r.amplitude = std::hypot(a, b);
    r.phase = std::atan2(b, a);
    r.residualPower = resid / static_cast<double>(count);
    return r;
}

} // namespace kalvor::test
