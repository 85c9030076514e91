// The mixer's steady cost: one meter tick (twelve new levels) on the demo device,
// from the store's update to the repainted strips, in a 1200 x 800 page drawn
// offscreen. At ten ticks a second, 3 ms a tick is 3 % of one core. The bars paint
// opaque and only what a tick moved; the second benchmark gives that as a ratio
// against bars repainted whole over their strips (goal: under 0.5).

#include <benchmark/benchmark.h>

#include "WidgetBenchmarks.h"

#include <QApplication>
#include <QCoreApplication>

#include <chrono>

#include "link/MeterStore.h"
#include "mixer/MixerView.h"
#include "support/DemoModel.h"
#include "ui/Navigator.h"
#include "ui/controls/Meters.h"

namespace {

struct ShownMixer {
    kestrel_test::DemoModel dsp;
    Navigator navigator;
    MixerView mixer{*dsp, &navigator};
    QList<float> levels = QList<float>(MeterStore::channelCount, -30.0f);
    int tick = 0;
    double now = 0;  // the store's ticks come every 0.1 s, so the bars fall 2 dB a tick

    ShownMixer() {
        mixer.resize(1200, 800);
        mixer.show();
        for (MeterBar* bar : mixer.findChildren<MeterBar*>()) bar->setClock([this] { return now; });
        QCoreApplication::processEvents();
    }
    // Twelve new levels, painted. `wholeBars` repaints each bar whole and see-through,
    // with the strip under it: how the meters were painted before they knew their backdrop.
    void step(bool wholeBars) {
        ++tick;
        now += 0.1;
        for (int ch = 0; ch < levels.size(); ++ch) levels[ch] = -40.0f + float((tick * 7 + ch * 5) % 45);
        dsp->meterStore().setLevels(levels);
        if (wholeBars) {
            for (MeterBar* bar : mixer.findChildren<MeterBar*>()) {
                bar->setAttribute(Qt::WA_OpaquePaintEvent, false);
                bar->update();
            }
        }
        QCoreApplication::sendPostedEvents();  // the update requests paint the meters
        QCoreApplication::processEvents();
        if (wholeBars) {
            for (MeterBar* bar : mixer.findChildren<MeterBar*>())
                bar->setAttribute(Qt::WA_OpaquePaintEvent, true);
        }
    }
};

void BM_MixerMeterTick(benchmark::State& state) {
    ShownMixer shown;
    for (auto _ : state) shown.step(false);
}
BENCHMARK(BM_MixerMeterTick)->Unit(benchmark::kMicrosecond);

// The same ticks painted both ways, alternately, so the machine's load falls on both;
// `ratio` is the cost of a tick today over its cost with whole see-through bars.
void BM_MixerMeterTickAgainstWholeBars(benchmark::State& state) {
    ShownMixer shown;
    using Clock = std::chrono::steady_clock;
    Clock::duration partial{}, whole{};
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        shown.step(false);
        const Clock::time_point middle = Clock::now();
        shown.step(true);
        partial += middle - start;
        whole += Clock::now() - middle;
    }
    state.counters["ratio"] = double(partial.count()) / double(std::max<Clock::rep>(whole.count(), 1));
}
BENCHMARK(BM_MixerMeterTickAgainstWholeBars)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
