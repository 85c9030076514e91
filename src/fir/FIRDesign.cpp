#include "fir/FIRDesign.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace FIRDesign {

namespace {

constexpr double sampleRate = 48000;
constexpr double nyquist = 24000;
constexpr double lowestEdge = 1;

double kaiserBeta(double attenuationDB) {
    if (attenuationDB > 50) return 0.1102 * (attenuationDB - 8.7);
    if (attenuationDB >= 21)
        return 0.5842 * std::pow(attenuationDB - 21, 0.4) + 0.07886 * (attenuationDB - 21);
    return 0;
}

// Power series of the modified Bessel function of the first kind, order 0.
double besselI0(double x) {
    double sum = 1;
    double term = 1;
    double k = 1;
    do {
        const double half = x / (2 * k);
        term *= half * half;
        sum += term;
        k += 1;
    } while (term > sum * 1e-12);
    return sum;
}

double sinc(double x) {
    if (x == 0) return 1;
    const double px = std::numbers::pi * x;
    return std::sin(px) / px;
}

// Ideal low-pass with cut-off f, sampled at offset m from the centre.
double idealLowPass(double f, double m) {
    const double fraction = 2 * f / sampleRate;
    return fraction * sinc(m * fraction);
}

// Rounds half away from zero into an unsigned word; NaN and negatives give 0.
std::uint32_t wordOf(double value) {
    const double rounded = std::round(value);
    if (!(rounded > 0)) return 0;
    if (rounded >= 4294967295.0) return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(rounded);
}

}  // namespace

std::optional<Kind> kindFromRaw(int raw) {
    for (Kind kind : allKinds)
        if (static_cast<int>(kind) == raw) return kind;
    return std::nullopt;
}

QString label(Kind kind) {
    static const std::array<QString, 4> labels{QStringLiteral("High-pass"), QStringLiteral("Band-pass"),
                                               QStringLiteral("Low-pass"),
                                               QStringLiteral("Flat (pass-through)")};
    const int raw = static_cast<int>(kind);
    return raw >= 1 && raw <= 4 ? labels[raw - 1] : QString();
}

QList<float> design(const Spec& spec) {
    if (spec.taps < 1) return {};
    const int n = spec.taps;
    std::vector<double> h(n, 0.0);
    const double beta = kaiserBeta(spec.attenuationDB);
    const double i0Beta = besselI0(beta);
    const double centre = (n - 2) / 2.0;
    const double fl = std::max(spec.lowHz, lowestEdge);
    const double fh = std::min(spec.highHz, nyquist);
    // The last tap is never computed: it pads the odd-length symmetric filter.
    for (int i = 0; i + 1 < n; ++i) {
        const double m = i - centre;
        double r = 1 - (m / centre) * (m / centre);
        if (!(r >= 0)) r = 0;
        const double w = besselI0(beta * std::sqrt(r)) / i0Beta;
        const double impulse = m == 0 ? 1 : 0;
        switch (spec.kind) {
            case Kind::highPass:
                h[i] = (impulse - idealLowPass(fl, m)) * w;
                break;
            case Kind::bandPass:
                h[i] = (idealLowPass(fh, m) - idealLowPass(fl, m)) * w;
                break;
            case Kind::lowPass:
                h[i] = idealLowPass(fh, m) * w;
                break;
            case Kind::flat:
                h[i] = impulse;
                break;
        }
    }
    return QList<float>(h.begin(), h.end());
}

QList<quint32> headerWords(std::uint32_t target, const Spec& spec) {
    const std::uint32_t taps = spec.taps > 0 ? static_cast<std::uint32_t>(spec.taps) : 0;
    return {target, (static_cast<std::uint32_t>(spec.kind) << 16) | taps,
            (wordOf(spec.attenuationDB) << 16) | 6u, wordOf(spec.lowHz), wordOf(spec.highHz)};
}

double responseDB(const QList<float>& coefficients, double hz) {
    const double omega = 2 * std::numbers::pi * hz / sampleRate;
    double re = 0;
    double im = 0;
    for (qsizetype n = 0; n < coefficients.size(); ++n) {
        re += coefficients[n] * std::cos(omega * n);
        im -= coefficients[n] * std::sin(omega * n);
    }
    return 20 * std::log10(std::max(std::hypot(re, im), 1e-9));
}

}  // namespace FIRDesign
