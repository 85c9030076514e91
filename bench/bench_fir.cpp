// The designer redesigns its correction on every edit, on the main thread, so
// a 512-tap design from a dense measurement should take a fraction of a
// millisecond: at most a fifth of the same design in numpy, which
// bench/fir_numpy_reference.py runs beside this.
#include <benchmark/benchmark.h>

#include <cmath>

#include "fir/FIRDesign.h"
#include "fir/FIRDesigner.h"

namespace {

// 2000 log-spaced points with a wavy level and a phase that turns several times.
Measurement denseMeasurement() {
    Measurement m{"bench", {}};
    for (int i = 0; i < 2000; ++i) {
        const double hz = 10 * std::pow(2400.0, i / 1999.0);
        const double phase = std::fmod(-hz * 0.36 + 180 * std::sin(i * 0.01), 360.0);
        m.points.push_back({hz, 85 + 4 * std::sin(std::log(hz) * 3), phase, 0.95});
    }
    return m;
}

FIRDesignerSettings correctionSettings() {
    FIRDesignerSettings s;
    s.hpOn = s.lpOn = true;
    s.hpHz = 40;
    s.lpHz = 18000;
    s.bands[4] = {true, 0, 180, 2, -4};
    s.bands[9] = {true, 0, 1600, 0.7, 2};
    s.magOn = s.phaseOn = true;
    s.magMin = 40;
    s.magMax = 16000;
    s.phaseMin = 100;
    s.phaseMax = 8000;
    s.taps = 512;
    return s;
}

void correctionDesign512(benchmark::State& state) {
    const std::optional<Measurement> measurement = denseMeasurement();
    const FIRDesignerSettings settings = correctionSettings();
    for (auto _ : state) benchmark::DoNotOptimize(FIRDesigner::designCorrection(measurement, settings));
}
BENCHMARK(correctionDesign512)->Unit(benchmark::kMillisecond);

void kaiserDesign512(benchmark::State& state) {
    const FIRDesign::Spec spec{FIRDesign::Kind::bandPass, 80, 12000, 512, 80};
    for (auto _ : state) benchmark::DoNotOptimize(FIRDesign::design(spec));
}
BENCHMARK(kaiserDesign512)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
