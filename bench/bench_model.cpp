// The device model's two hot paths against the in-process simulator:
// - the full read-back of every parameter, beside 400 bare loopback round trips of the same
//   read frames; the counter "vs_bare" is their ratio (goal: below 1.2);
// - an edit, from the setter call to its frame handed to the socket (the link logs each
//   frame right after writing it).

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <memory>

#include "SimulatorRig.h"
#include "link/DSPModel.h"
#include "link/ParamMap.h"
#include "link/TrafficLog.h"

namespace {

using benchrig::spin;

// A model connected to the simulator beside the bare socket, made once.
struct Rig : benchrig::SimulatorRig {
    std::unique_ptr<DSPModel> model;

    Rig() {
        model = std::make_unique<DSPModel>(new DSPConnection(environment()), QString());
        model->link().connect(simulator.host());
        benchrig::spinAtMost(20000, [&] { return model->connected() && !model->loading(); });
        connectBare();
    }

    void readBack() {
        bool done = false;
        [](DSPModel& model, bool& done) -> QCoro::Task<> {
            co_await model.loadSettings();
            done = true;
        }(*model, done);
        spin([&] { return done; });
    }
};

Rig& rig() {
    static Rig instance;
    return instance;
}

void BM_ReadBackVersusBare(benchmark::State& state) {
    Rig& r = rig();
    QList<QByteArray> requests;
    for (quint32 number : ParamMap::allParameters())
        requests.append(DSPFrame{r.model->link().address(), 6, {0, number}}.encode());
    qint64 modelNs = 0, bareNs = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        clock.start();
        r.readBack();
        modelNs += clock.nsecsElapsed();
        clock.start();
        for (const QByteArray& request : requests) r.bareRoundTrip(request);
        bareNs += clock.nsecsElapsed();
    }
    state.counters["vs_bare"] = bareNs > 0 ? double(modelNs) / double(bareNs) : 0.0;
}
BENCHMARK(BM_ReadBackVersusBare)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_EditToSocket(benchmark::State& state) {
    Rig& r = rig();
    TrafficLog& log = TrafficLog::shared();
    bool handed = false;
    QObject::connect(&log, &TrafficLog::entriesChanged, [&] {
        if (log.entries().isEmpty()) return;
        const TrafficEntry& last = log.entries().last();
        if (last.direction != TrafficEntry::Direction::sent) return;
        const auto frame = DSPFrame::decode(last.bytes);
        handed = handed || (frame && frame->command == 5 && frame->words.value(1) == 5);
    });
    // The gain setter edits only a channel the read-back has brought into the table.
    benchrig::spinAtMost(20000, [&] { return r.model->holds(5) && !r.model->loading(); });
    float gain = -20;
    for (auto _ : state) {
        handed = false;
        r.model->setGain(4, gain);
        spin([&] { return handed; });
        state.PauseTiming();
        // Let the acknowledgement arrive so every edit starts from an idle link.
        spin([&] { return !r.model->link().isBusy(); });
        gain = gain < 0 ? gain + 0.1f : -20;
        state.ResumeTiming();
    }
    QObject::disconnect(&log, &TrafficLog::entriesChanged, nullptr, nullptr);
}
BENCHMARK(BM_EditToSocket)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
