// The mixer's steady cost: one meter tick (twelve new levels) on the demo device,
// from the store's update to the repainted strips, in a 1200 x 800 page drawn
// offscreen. At ten ticks a second, 3 ms a tick is 3 % of one core.

#include <benchmark/benchmark.h>

#include "WidgetBenchmarks.h"

#include <QApplication>
#include <QCoreApplication>

#include "app/Navigator.h"
#include "app/mixer/MixerView.h"
#include "link/MeterStore.h"
#include "support/DemoModel.h"

namespace {

void BM_MixerMeterTick(benchmark::State& state) {
    kestrel_test::DemoModel dsp;
    Navigator navigator;
    MixerView mixer(*dsp, &navigator);
    mixer.resize(1200, 800);
    mixer.show();
    QCoreApplication::processEvents();
    QList<float> levels(MeterStore::channelCount, -30.0f);
    int tick = 0;
    for (auto _ : state) {
        ++tick;
        for (int ch = 0; ch < levels.size(); ++ch) levels[ch] = -40.0f + float((tick * 7 + ch * 5) % 45);
        dsp->meterStore().setLevels(levels);
        QCoreApplication::sendPostedEvents();  // the update requests paint the meters
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_MixerMeterTick)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
