#pragma once

// What the link and model benchmarks share: the application object, a wait that sleeps
// in the event loop, and the simulator with everything a connection needs, plus a bare
// socket on it whose round trips are the yardstick.

#include <QCoreApplication>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include "link/DSPConnection.h"
#include "link/TCPFrameStream.h"
#include "platform/Settings.h"
#include "sim/DeviceSimulator.h"
#include "support/hid/FakeBackend.h"

namespace benchrig {

inline QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

template <typename Done>
void spin(Done done) {
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Spins until the condition holds or the bound passes.
template <typename Done>
void spinAtMost(int boundMs, Done done) {
    QTimer bound;
    bound.start(boundMs);
    spin([&] { return done() || !bound.isActive(); });
}

struct SimulatorRig {
    QTemporaryDir dir;
    Settings settings{dir.filePath("settings.ini")};
    hid::FakeBackend backend;
    DeviceSimulator simulator;
    QTcpSocket bare;
    TCPFrameStream bareStream;

    SimulatorRig() {
        application();
        if (!simulator.listenOnRandomLoopback()) qFatal("no loopback address");
    }

    DSPConnection::Environment environment() { return {&backend, &settings, false, std::nullopt}; }

    void connectBare() {
        bare.connectToHost(simulator.host(), simulator.port());
        bare.waitForConnected(5000);
    }

    void bareRoundTrip(const QByteArray& request) {
        bare.write(request);
        QList<DSPFrame> frames;
        spin([&] {
            frames += bareStream.feed(bare.readAll());
            return !frames.isEmpty();
        });
    }
};

}  // namespace benchrig
