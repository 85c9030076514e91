// The device link logs every frame it sends and nearly every one it receives,
// so the traffic panel must keep up with a full log taking new entries on
// every turn of the event loop.
#include <benchmark/benchmark.h>

#include "WidgetBenchmarks.h"

#include <QApplication>

#include "diagnostics/console/TrafficListModel.h"
#include "diagnostics/console/TrafficPanel.h"
#include "link/TrafficLog.h"
#include "support/ScriptedDialogs.h"

namespace {

void logFrames(TrafficLog& log, int count) {
    static const QByteArray frame =
        QByteArray::fromHex("A5A11A5AFFFFFFFFFFFF06000200000070010000000000001234ABCD");
    for (int i = 0; i < count; ++i) log.log(QStringLiteral("DSP"), TrafficEntry::Direction::sent, frame);
}

// A traffic panel on screen over its own log.
struct PanelOnScreen {
    TrafficLog log;
    kestrel_test::ScriptedDialogs dialogs;
    TrafficPanel panel{log, dialogs};
    PanelOnScreen() {
        panel.resize(700, 700);
        panel.show();
    }
};

// One update of a full log on screen: N new entries (the argument), the
// list's update, layout and painting. Updates come at most once per screen
// refresh, so this is the cost per frame while the link floods the log.
void BM_UpdateFullLog(benchmark::State& state) {
    PanelOnScreen rig;
    logFrames(rig.log, int(TrafficLog::limit));
    for (auto _ : state) {
        logFrames(rig.log, int(state.range(0)));
        rig.panel.rows()->sync();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_UpdateFullLog)->Arg(1)->Arg(50)->Arg(5000)->Unit(benchmark::kMicrosecond);

// 5000 entries arriving one per event-loop turn into an empty log, the whole
// flood per iteration.
void BM_FloodOnePerTurn(benchmark::State& state) {
    PanelOnScreen rig;
    for (auto _ : state) {
        rig.log.clear();
        for (qsizetype i = 0; i < TrafficLog::limit; ++i) {
            logFrames(rig.log, 1);
            QCoreApplication::processEvents();
        }
    }
}
BENCHMARK(BM_FloodOnePerTurn)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    return runWidgetBenchmarks(argc, argv);
}
