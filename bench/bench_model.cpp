// The device model's hot paths against the in-process simulator:
// - the full read-back of every parameter, beside bare loopback round trips of the same
//   frames; the counter "vs_bare" is their ratio (goal: at most 1.15);
// - a fader drag on a slow link, which must not pile writes up;
// - an edit, from the setter call to its frame handed to the socket (the link logs each
//   frame right after writing it).

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <algorithm>
#include <memory>
#include <vector>

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

// The read-back, then the same frames as bare round trips: the 400 reads and the preset list
// with its name reads that end every read-back. "vs_bare" is the median of the iterations'
// ratios, which a busy machine's stray stalls move far less than a sum does.
void BM_ReadBackVersusBare(benchmark::State& state) {
    Rig& r = rig();
    const DSPFrame::Address address = r.model->link().address();
    QList<QByteArray> requests;
    for (quint32 number : ParamMap::allParameters())
        requests.append(DSPFrame{address, 6, {0, number}}.encode());
    requests.append(DSPFrame{address, 8, {}}.encode());
    for (quint32 slot = 0; slot < 31; ++slot) {
        if (r.simulator.device().presets.occupied & (1u << slot))
            requests.append(DSPFrame{address, 17, {slot, 0, 0, 0, 0, 0}}.encode());
    }
    std::vector<double> ratios;
    qint64 modelTotal = 0, bareTotal = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        clock.start();
        r.readBack();
        const qint64 modelNs = clock.nsecsElapsed();
        clock.start();
        for (const QByteArray& request : requests) r.bareRoundTrip(request);
        const qint64 bareNs = clock.nsecsElapsed();
        ratios.push_back(double(modelNs) / double(bareNs));
        modelTotal += modelNs;
        bareTotal += bareNs;
    }
    std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
    state.counters["vs_bare"] = ratios[ratios.size() / 2];
    state.counters["vs_bare_sum"] = double(modelTotal) / double(bareTotal);
}
BENCHMARK(BM_ReadBackVersusBare)->Unit(benchmark::kMillisecond)->Iterations(30);

// A fader dragged for two seconds, one move every 16 ms, on a link whose every answer takes
// 100 ms. Counters: the most writes of the fader's parameter outstanding at once (on the wire
// plus queued; the goal is two), the writes sent, the meter reads sent meanwhile (they take
// their turns in the queue), and how long after the release the device received the last
// value (the goal is two answer times: the request on the wire, then a meter read at most).
void BM_FaderDragOnASlowLink(benchmark::State& state) {
    constexpr int answerMs = 100;
    constexpr int moveMs = 16;
    constexpr qint64 dragMs = 2000;
    constexpr int ch = 4;
    constexpr quint32 gainParameter = ch + 1;
    Rig& r = rig();
    DSPModel& model = *r.model;
    DSPConnection& link = model.link();
    int sent = 0, acknowledged = 0, mostOutstanding = 0, meterReads = 0;
    qint64 lastArrivalNs = 0, releaseNs = 0;
    quint32 lastWord = 0;
    QElapsedTimer clock;
    const QMetaObject::Connection received =
        QObject::connect(&r.simulator, &DeviceSimulator::frameReceived, [&](const DSPFrame& frame) {
            if (frame.command == 6 && frame.words.value(1) == DSPConnection::meterParameter) ++meterReads;
            if (frame.command != 5 || frame.words.value(1) != gainParameter) return;
            ++sent;
            lastArrivalNs = clock.nsecsElapsed();
            lastWord = frame.words.value(2);
        });
    const auto modelOnFrame = link.onFrame;
    link.onFrame = [&](const DSPFrame& frame) {
        if (frame.command == 1) ++acknowledged;  // only the fader's writes are acknowledged here
        modelOnFrame(frame);
    };
    const auto sample = [&] {
        mostOutstanding = std::max(mostOutstanding, link.queuedWriteCount() + sent - acknowledged);
    };
    const QMetaObject::Connection sampled =
        QObject::connect(&r.simulator, &DeviceSimulator::frameReceived, sample);
    for (auto _ : state) {
        spin([&] { return !link.isBusy(); });
        r.simulator.faults().delayMs = answerMs;
        sent = acknowledged = meterReads = 0;
        float gain = -40;
        QTimer mouse;
        mouse.setTimerType(Qt::PreciseTimer);
        QObject::connect(&mouse, &QTimer::timeout, [&] {
            model.setGain(ch, gain);
            gain += 0.25f;
            sample();
            if (clock.elapsed() >= dragMs) {
                mouse.stop();
                releaseNs = clock.nsecsElapsed();
            }
        });
        clock.start();
        mouse.start(moveMs);
        spin([&] {
            return !mouse.isActive() && lastWord == model.words(gainParameter, 2)[0] && sent == acknowledged;
        });
        r.simulator.faults().delayMs = 0;
    }
    state.counters["max_outstanding"] = mostOutstanding;
    state.counters["writes"] = sent;
    state.counters["meter_reads"] = meterReads;
    state.counters["last_after_release_ms"] = double(lastArrivalNs - releaseNs) / 1e6;
    link.onFrame = modelOnFrame;
    QObject::disconnect(received);
    QObject::disconnect(sampled);
}
BENCHMARK(BM_FaderDragOnASlowLink)->Unit(benchmark::kMillisecond)->Iterations(1);

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
