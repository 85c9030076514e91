// Request round trips through the device connection against the in-process simulator, beside a
// bare socket ping-pong of the same frames on the same loopback. The counter "vs_bare" is the
// ratio of the two; the goal is a link that adds less than 20 % to a loopback round trip.

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <memory>

#include "SimulatorRig.h"

namespace {

using benchrig::spin;

// A connected link beside the bare socket, made once for all benchmarks.
struct Bench : benchrig::SimulatorRig {
    std::unique_ptr<DSPConnection> link;

    Bench() {
        link = std::make_unique<DSPConnection>(environment());
        link->connect(simulator.host());
        benchrig::spinAtMost(10000, [&] { return link->status().isConnected(); });
        connectBare();
    }

    void linkRoundTrip(quint32 number) {
        bool done = false;
        [](DSPConnection& link, quint32 number, bool& done) -> QCoro::Task<> {
            co_await link.readParam(number);
            done = true;
        }(*link, number, done);
        spin([&] { return done; });
    }
};

Bench& bench() {
    static Bench instance;
    return instance;
}

void BM_LinkReadParam(benchmark::State& state) {
    Bench& b = bench();
    for (auto _ : state) b.linkRoundTrip(17);
}
BENCHMARK(BM_LinkReadParam);

void BM_BarePingPong(benchmark::State& state) {
    Bench& b = bench();
    const QByteArray request = DSPFrame{b.link->address(), 6, {0, 17}}.encode();
    for (auto _ : state) b.bareRoundTrip(request);
}
BENCHMARK(BM_BarePingPong);

// Both kinds interleaved in one run, so machine noise hits them alike.
void BM_LinkVersusBare(benchmark::State& state) {
    Bench& b = bench();
    const QByteArray request = DSPFrame{b.link->address(), 6, {0, 17}}.encode();
    qint64 linkNs = 0, bareNs = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        clock.start();
        b.linkRoundTrip(17);
        linkNs += clock.nsecsElapsed();
        clock.start();
        b.bareRoundTrip(request);
        bareNs += clock.nsecsElapsed();
    }
    state.counters["vs_bare"] = bareNs > 0 ? double(linkNs) / double(bareNs) : 0.0;
}
BENCHMARK(BM_LinkVersusBare)->Iterations(20000);

}  // namespace

BENCHMARK_MAIN();
