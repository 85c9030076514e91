// Request round trips through the device connection against the in-process simulator, beside a
// bare socket ping-pong of the same frames on the same loopback. The counter "vs_bare" is the
// ratio of the two; the goal is a link that adds at most 15 % to a loopback round trip.

#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <algorithm>
#include <memory>
#include <vector>

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

// Both kinds in alternating batches, so machine noise hits them alike; "vs_bare" is the median
// of the batches' ratios, which a busy machine's stray stalls move far less than a sum does.
void BM_LinkVersusBare(benchmark::State& state) {
    constexpr int batch = 50;
    Bench& b = bench();
    const QByteArray request = DSPFrame{b.link->address(), 6, {0, 17}}.encode();
    std::vector<double> ratios;
    qint64 linkTotal = 0, bareTotal = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        clock.start();
        for (int i = 0; i < batch; ++i) b.linkRoundTrip(17);
        const qint64 linkNs = clock.nsecsElapsed();
        clock.start();
        for (int i = 0; i < batch; ++i) b.bareRoundTrip(request);
        const qint64 bareNs = clock.nsecsElapsed();
        ratios.push_back(double(linkNs) / double(bareNs));
        linkTotal += linkNs;
        bareTotal += bareNs;
    }
    std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
    state.counters["vs_bare"] = ratios[ratios.size() / 2];
    state.counters["vs_bare_sum"] = double(linkTotal) / double(bareTotal);
}
BENCHMARK(BM_LinkVersusBare)->Iterations(400);

}  // namespace

BENCHMARK_MAIN();
