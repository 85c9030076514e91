// The channel editor's curves: an edit that moves a band (new words, one response
// of 301 points), a repaint alone (a resize or a selection), and a meter tick on an
// input's Dynamics tab (estimates, meters and the dynamic-EQ live line), all drawn
// offscreen on the demo device.

#include <benchmark/benchmark.h>

#include "WidgetBenchmarks.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPixmap>
#include <bit>

#include "editor/DEQBox.h"
#include "editor/EQGraph.h"
#include "link/MeterStore.h"
#include "link/ParamMap.h"
#include "support/DemoModel.h"

namespace {

void BM_EQGraphEdit(benchmark::State& state) {
    kestrel_test::DemoModel dsp;
    EQGraph graph(*dsp, 4, 17, 24000, 18);
    graph.resize(1200, 380);
    QPixmap canvas(graph.size());
    int step = 0;
    for (auto _ : state) {
        const quint32 hz = 200 + quint32(step++ % 50) * 10;
        dsp->write(ParamMap::eqBandParam(4, 2),
                   {hz, std::bit_cast<quint32>(4.0f), std::bit_cast<quint32>(2.0f), 0}, std::nullopt, false);
        graph.refresh();
        graph.render(&canvas);
    }
}
BENCHMARK(BM_EQGraphEdit)->Unit(benchmark::kMicrosecond);

void BM_EQGraphRepaint(benchmark::State& state) {
    kestrel_test::DemoModel dsp;
    EQGraph graph(*dsp, 0, 17, 24000, 18);
    graph.resize(1200, 380);
    QPixmap canvas(graph.size());
    int band = 0;
    for (auto _ : state) {
        graph.setSelected(band++ % 15);
        graph.render(&canvas);
    }
}
BENCHMARK(BM_EQGraphRepaint)->Unit(benchmark::kMicrosecond);

void BM_DynamicEQMeterTick(benchmark::State& state) {
    kestrel_test::DemoModel dsp(false);
    DEQBox box(*dsp, 0);
    box.resize(1200, 700);
    box.show();
    QCoreApplication::processEvents();
    QList<float> levels(MeterStore::channelCount, -30.0f);
    int tick = 0;
    for (auto _ : state) {
        levels[0] = -60.0f + float(tick++ % 60);
        dsp->meterStore().setLevels(levels);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_DynamicEQMeterTick)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
