#include "fir/FIRDesigner.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <span>

#include <kissfft.hh>

#include "fir/Single.h"

namespace FIRDesigner {

namespace {

constexpr double sampleRate = 48000;
constexpr int gridSize = 8192;
constexpr int lastBin = gridSize / 2;
constexpr double pi = std::numbers::pi;

// The bins' frequencies and what the design needs of them, the same for every design.
struct Grid {
    std::vector<double> hz, logHz, log2Hz, cosW, sinW;
    // e^(-i pi k / 8192): a delay of half a sample.
    std::vector<std::complex<double>> halfSample;

    Grid() {
        for (int k = 0; k <= lastBin; ++k) {
            const double f = std::max(k * sampleRate / gridSize, 1.0);
            const double w = 2 * pi * f / sampleRate;
            hz.push_back(f);
            logHz.push_back(std::log(f));
            log2Hz.push_back(std::log2(f));
            cosW.push_back(std::cos(w));
            sinW.push_back(std::sin(w));
            halfSample.push_back(std::polar(1.0, -pi * k / gridSize));
        }
    }
};

const Grid& grid() {
    static const Grid bins;
    return bins;
}

// 1 inside [lo, hi], falling linearly on a log axis to 0 a factor of 1.26 outside.
class RangeWeight {
public:
    RangeWeight(double lo, double hi) : log2Lo_(std::log2(lo)), log2Hi_(std::log2(hi)) {}

    double at(double log2Hz) const {
        constexpr double fade = 0.3334237337251918;  // log2(1.26)
        const double below = log2Lo_ - log2Hz;
        const double above = log2Hz - log2Hi_;
        // Selections rather than branches, so that a loop over the bins runs in pairs.
        const double beyond = below > 0 ? below : std::max(above, 0.0);
        return std::max(1 - beyond * (1 / fade), 0.0);
    }

private:
    double log2Lo_;
    double log2Hi_;
};

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

    double at(double hz) const { return of(Measurement::interpolate(phases_, points_, hz).db); }
    double of(double measuredDB) const { return offset_ + (measuredDB - reference_); }

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

// The buffers of a design, kept from one design to the next on the same
// thread: the designer redesigns on every change, and buffers of this size,
// allocated and freed each time, come back as fresh pages from the system.
struct Workspace {
    std::vector<double> power = std::vector<double>(lastBin + 1);
    std::vector<double> db = std::vector<double>(lastBin + 1);
    std::vector<double> phi = std::vector<double>(lastBin + 1);
    std::vector<double> measuredDB = std::vector<double>(lastBin + 1);
    std::vector<std::complex<double>> spectrum = std::vector<std::complex<double>>(lastBin + 1);
    std::vector<std::complex<double>> pairs = std::vector<std::complex<double>>(lastBin);
    std::vector<double> window;  // Hann, at the centres of window.size() taps
};

// The designed response on the 4097 bins of the grid into work.spectrum,
// delayed by the fraction of a sample in the centre of `taps` taps: half a
// sample for an even count. The whole samples of the delay are left to the
// inverse transform, where they are a rotation of its output. Each step runs
// over all the bins, so that the loops stay short and the bins' independent
// work overlaps.
void designSpectrum(const std::optional<Measurement>& measurement, const FIRDesignerSettings& s, int taps,
                    Workspace& work) {
    const Grid& bins = grid();
    TargetCurve(s).levels(bins.hz, bins.cosW, bins.sinW, work.power, work.db);

    std::fill(work.phi.begin(), work.phi.end(), 0.0);
    if (measurement && (s.magOn || s.phaseOn)) {
        const std::vector<Measurement::Point>& points = measurement->points;
        const std::vector<double> phases = Measurement::unwrappedPhases(points);
        const MeasuredLevel level(points, s, phases);
        const bool correctPhase = s.phaseOn && Measurement::hasPhase(points);
        const double reference = s.magOn && s.aroundAverage ? averageOf(level, s) : 0;
        const RangeWeight magnitudeWeight(s.magMin, s.magMax);
        const RangeWeight phaseWeight(s.phaseMin, s.phaseMax);
        std::vector<double>& measuredDB = work.measuredDB;
        std::vector<double>& measuredDeg = work.phi;
        Measurement::interpolateRising(phases, points, bins.hz, bins.logHz, measuredDB, measuredDeg);
        for (int k = 0; k <= lastBin; ++k) {
            if (s.magOn) {
                const double correction = std::min(reference - level.of(measuredDB[k]), s.maxBoostDB);
                work.db[k] += magnitudeWeight.at(bins.log2Hz[k]) * correction;
            }
            work.phi[k] = correctPhase ? -phaseWeight.at(bins.log2Hz[k]) * measuredDeg[k] * pi / 180 : 0;
        }
    }

    // The magnitude is the root of the power ratio times 10^(dB / 20) of the dB beside it.
    constexpr double nepersPerDB = std::numbers::ln10 / 20;
    const bool halfSample = taps % 2 == 0;
    for (int k = 0; k <= lastBin; ++k) {
        double magnitude = std::sqrt(work.power[k]);
        if (work.db[k] != 0) magnitude *= std::exp(work.db[k] * nepersPerDB);
        std::complex<double> bin = work.phi[k] == 0 ? magnitude : std::polar(magnitude, work.phi[k]);
        if (halfSample) bin *= bins.halfSample[k];
        work.spectrum[k] = bin;
    }
    work.spectrum[0].imag(0);
    work.spectrum[lastBin].imag(0);
}

// The inverse real transform of work.spectrum into work.pairs, each sample
// the sum over the full grid divided by its size: its real parts are the even
// samples and its imaginary parts the odd ones. They come from one complex
// transform of half the grid's size whose bin k is X[k] + conj X[4096 - k],
// the even samples' spectrum, plus i e^(2 pi i k / 8192) (X[k] - conj X[4096 - k]),
// i times the odd ones'. The spectrum is packed in place, two bins at a time.
void transformBack(Workspace& work) {
    using Complex = std::complex<double>;
    static const kissfft<double> halfTransform(lastBin, true);
    static const std::vector<Complex> oddTurns = [] {
        std::vector<Complex> turns(lastBin + 1);
        for (int k = 0; k <= lastBin; ++k) turns[k] = Complex(0, 1) * std::polar(1.0, 2 * pi * k / gridSize);
        return turns;
    }();
    std::vector<Complex>& x = work.spectrum;
    for (int k = 0, m = lastBin; k <= m; ++k, --m) {
        const Complex low = x[k];
        const Complex high = x[m];
        x[k] = (low + std::conj(high) + oddTurns[k] * (low - std::conj(high))) * (1.0 / gridSize);
        x[m] = (high + std::conj(low) + oddTurns[m] * (high - std::conj(low))) * (1.0 / gridSize);
    }
    halfTransform.transform(x.data(), work.pairs.data());
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
    thread_local Workspace work;
    designSpectrum(measurement, settings, taps, work);
    transformBack(work);
    if (work.window.size() != std::size_t(taps)) {
        work.window.resize(taps);
        for (int n = 0; n < taps; ++n) work.window[n] = 0.5 - 0.5 * std::cos(2 * pi * (n + 0.5) / taps);
    }
    // The whole samples of the delay rotate the output, which repeats every 8192 samples.
    const int delay = (taps - 1) / 2;
    QList<float> h(taps);
    for (int n = 0; n < taps; ++n) {
        const int sample = ((n - delay) % gridSize + gridSize) % gridSize;
        const std::complex<double> pair = work.pairs[sample / 2];
        h[n] = toSingle((sample % 2 == 0 ? pair.real() : pair.imag()) * work.window[n]);
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
