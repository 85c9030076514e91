// The device model's two hot paths against the in-process simulator:
// - the full read-back of every parameter, beside 400 bare loopback round trips of the same
//   read frames; the counter "vs_bare" is their ratio (goal: below 1.2);
// - an edit, from the setter call to its frame handed to the socket (the link logs each
//   frame right after writing it).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "link/ParamMap.h"
#include "link/TCPFrameStream.h"
#include "link/TrafficLog.h"
#include "platform/Settings.h"
#include "platform/hid/FakeBackend.h"
#include "sim/DeviceSimulator.h"

namespace {

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "bench_model";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

template <typename Done>
void spin(Done done) {
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// A model connected to the simulator, and a bare socket beside it; made once.
struct Rig {
    QTemporaryDir dir;
    Settings settings{dir.filePath("settings.ini")};
    hid::FakeBackend backend;
    DeviceSimulator simulator;
    std::unique_ptr<DSPModel> model;
    QTcpSocket bare;
    TCPFrameStream bareStream;

    Rig() {
        application();
        if (!simulator.listenOnRandomLoopback()) qFatal("no loopback address");
        DSPConnection::Environment environment{&backend, &settings, false, std::nullopt};
        model = std::make_unique<DSPModel>(new DSPConnection(environment), QString());
        model->link().connect(simulator.host());
        QTimer bound;
        bound.start(20000);
        spin([&] { return (model->connected() && !model->loading()) || !bound.isActive(); });
        bare.connectToHost(simulator.host(), simulator.port());
        bare.waitForConnected(5000);
    }

    void readBack() {
        bool done = false;
        [](DSPModel& model, bool& done) -> QCoro::Task<> {
            co_await model.loadSettings();
            done = true;
        }(*model, done);
        spin([&] { return done; });
    }

    void bareRoundTrips(const QList<QByteArray>& requests) {
        for (const QByteArray& request : requests) {
            bare.write(request);
            QList<DSPFrame> frames;
            spin([&] {
                frames += bareStream.feed(bare.readAll());
                return !frames.isEmpty();
            });
        }
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
        r.bareRoundTrips(requests);
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
