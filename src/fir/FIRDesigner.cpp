#include "fir/FIRDesigner.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "fir/Single.h"

namespace FIRDesigner {

namespace {

constexpr double sampleRate = 48000;
constexpr int gridSize = 8192;
constexpr int lastBin = gridSize / 2;
constexpr double pi = std::numbers::pi;

// cos and sin of 2 pi j / 8192, side by side, so the inverse transform needs no
// trigonometry per term and each term reads one pair from one cache line.
struct Turn {
    double cosine;
    double sine;
};

const std::array<Turn, gridSize>& unitCircle() {
    static const std::array<Turn, gridSize> circle = [] {
        std::array<Turn, gridSize> turns;
        for (int j = 0; j < gridSize; ++j)
            turns[j] = {std::cos(2 * pi * j / gridSize), std::sin(2 * pi * j / gridSize)};
        return turns;
    }();
    return circle;
}

// 1 inside [lo, hi], falling linearly on a log axis to 0 a factor of 1.26 outside.
double rangeWeight(double lo, double hi, double hz) {
    constexpr double fade = 0.3334237337251918;  // log2(1.26)
    const double below = std::log2(lo / hz);
    const double above = std::log2(hz / hi);
    double weight = 1;
    if (below > 0)
        weight = 1 - below / fade;
    else if (above > 0)
        weight = 1 - above / fade;
    return std::max(weight, 0.0);
}

// The measured level as the correction sees it: offset, and referred to the
// loudest point of the audible range when normalising.
class MeasuredLevel {
public:
    MeasuredLevel(const std::vector<Measurement::Point>& points, const FIRDesignerSettings& settings,
                  const std::vector<double>& phases)
        : points_(points),
          phases_(phases),
          offset_(settings.offsetDB),
          reference_(settings.normalise ? loudest(points) : 0) {}

    double at(double hz) const { return of(Measurement::interpolate(phases_, points_, hz)); }
    double of(const DBPhase& measured) const { return offset_ + (measured.db - reference_); }

private:
    static double loudest(const std::vector<Measurement::Point>& points) {
        std::optional<double> best;
        for (const Measurement::Point& p : points)
            if (p.hz >= 20 && p.hz <= 20000 && (!best || p.db > *best)) best = p.db;
        return best.value_or(0);
    }

    const std::vector<Measurement::Point>& points_;
    const std::vector<double>& phases_;
    double offset_;
    double reference_;
};

double averageOf(const MeasuredLevel& level, const FIRDesignerSettings& settings) {
    const double lo = std::max(settings.magMin, 20.0);
    const double hi = std::min(settings.magMax, 20000.0);
    if (!(lo < hi)) return 0;
    double sum = 0;
    for (int i = 0; i < 64; ++i) sum += level.at(lo * std::pow(hi / lo, (i + 0.5) / 64));
    return sum * (1.0 / 64);
}

struct Spectrum {
    std::vector<double> re = std::vector<double>(lastBin + 1);
    std::vector<double> im = std::vector<double>(lastBin + 1);
};

Spectrum spectrumOf(const std::optional<Measurement>& measurement, const FIRDesignerSettings& s, int taps) {
    std::vector<double> phases;
    if (measurement) phases = Measurement::unwrappedPhases(measurement->points);
    static const std::vector<Measurement::Point> noPoints;
    const MeasuredLevel level(measurement ? measurement->points : noPoints, s, phases);
    const double reference = measurement && s.magOn && s.aroundAverage ? averageOf(level, s) : 0;
    const bool correctPhase = measurement && s.phaseOn && Measurement::hasPhase(measurement->points);

    Spectrum spectrum;
    const double delay = (taps - 1) / 2.0;
    for (int k = 0; k <= lastBin; ++k) {
        const double hz = std::max(k * sampleRate / gridSize, 1.0);
        double db = s.targetDB(hz);
        double phi = 0;
        const DBPhase measured = measurement && (s.magOn || correctPhase)
                                     ? Measurement::interpolate(phases, measurement->points, hz)
                                     : DBPhase{};
        if (measurement && s.magOn)
            db +=
                rangeWeight(s.magMin, s.magMax, hz) * std::min(reference - level.of(measured), s.maxBoostDB);
        if (correctPhase) phi = -rangeWeight(s.phaseMin, s.phaseMax, hz) * measured.deg * pi / 180;
        const double magnitude = std::pow(10, db / 20);
        const double theta = phi - 2 * pi * k * delay / gridSize;
        spectrum.re[k] = magnitude * std::cos(theta);
        spectrum.im[k] = magnitude * std::sin(theta);
    }
    spectrum.im[0] = 0;
    spectrum.im[lastBin] = 0;
    return spectrum;
}

// The inverse real transform of the half spectrum at sample n, by direct sum.
// Bins go in blocks of eight with a partial sum each: one running sum would
// make every addition wait for the one before.
double inverseAt(const Spectrum& spectrum, int n) {
    constexpr int lanes = 8;
    constexpr int mask = gridSize - 1;
    const std::array<Turn, gridSize>& circle = unitCircle();
    std::array<double, lanes> partial{};
    std::array<int, lanes> index;
    for (int j = 0; j < lanes; ++j) index[j] = ((1 + j) * (n & mask)) & mask;
    const int stride = (lanes * (n & mask)) & mask;
    int k = 1;
    for (; k + lanes <= lastBin; k += lanes) {
        for (int j = 0; j < lanes; ++j) {
            const Turn& turn = circle[index[j]];
            partial[j] += spectrum.re[k + j] * turn.cosine - spectrum.im[k + j] * turn.sine;
            index[j] = (index[j] + stride) & mask;
        }
    }
    double sum = 0;
    for (; k < lastBin; ++k) {
        const Turn& turn = circle[(k * (n & mask)) & mask];
        sum += spectrum.re[k] * turn.cosine - spectrum.im[k] * turn.sine;
    }
    for (double value : partial) sum += value;
    const double nyquist = n % 2 == 0 ? spectrum.re[lastBin] : -spectrum.re[lastBin];
    return (spectrum.re[0] + nyquist + 2 * sum) / gridSize;
}

}  // namespace

double averageLevel(const std::vector<Measurement::Point>& points, const FIRDesignerSettings& settings,
                    const std::vector<double>& phases) {
    return averageOf(MeasuredLevel(points, settings, phases), settings);
}

QList<float> designCorrection(const std::optional<Measurement>& measurement,
                              const FIRDesignerSettings& settings) {
    const int taps = settings.taps;
    if (taps < 1) return {};
    const Spectrum spectrum = spectrumOf(measurement, settings, taps);
    QList<float> h(taps);
    for (int n = 0; n < taps; ++n) {
        const double hann = 0.5 - 0.5 * std::cos(2 * pi * (n + 0.5) / taps);
        h[n] = toSingle(inverseAt(spectrum, n) * hann);
    }
    return h;
}

DBPhase response(const QList<float>& coefficients, double hz) {
    if (coefficients.empty()) return {-180, 0};
    const double centre = (coefficients.size() - 1) / 2.0;
    double x = 0;
    double y = 0;
    for (qsizetype n = 0; n < coefficients.size(); ++n) {
        const double theta = -2 * pi * hz * (n - centre) / sampleRate;
        x += coefficients[n] * std::cos(theta);
        y += coefficients[n] * std::sin(theta);
    }
    return {20 * std::log10(std::max(std::hypot(x, y), 1e-9)), std::atan2(y, x) * 180 / pi};
}

}  // namespace FIRDesigner
