#pragma once

#include <gtest/gtest.h>

#include <QCoro/QCoroTask>
#include <QTest>

#include <functional>
#include <memory>

#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "sim/DeviceSimulator.h"
#include "support/Spin.h"
#include "support/hid/FakeBackend.h"

// Models for tests: one with no device (writes are stored and dropped by the link), and
// one linked over real TCP to an in-process simulator on a loopback address of its own.
namespace livemodel {

inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 20000) {
    return kestrel_test::spinUntil(condition, timeoutMs / 1000.0);
}

// Runs a coroutine of the model to its end on a nested event loop.
template <typename T>
T run(QCoro::Task<T>&& task) {
    return QCoro::waitFor(std::move(task));
}
inline void run(QCoro::Task<>&& task) {
    QCoro::waitFor(std::move(task));
}

// Destroys the model, then gives the tasks it ended one turn to hear so and return.
inline void finish(std::unique_ptr<DSPModel>& model) {
    model.reset();
    kestrel_test::spinUntil([] { return false; }, 0.02);
}

struct Offline {
    hid::FakeBackend usb;
    std::unique_ptr<DSPModel> model;

    explicit Offline(const QString& demoDataPath = DSPModel::defaultDemoDataPath(),
                     std::optional<bool> offline = false) {
        DSPConnection::Environment environment;
        environment.hid = &usb;
        environment.offline = offline;
        model = std::make_unique<DSPModel>(new DSPConnection(environment), demoDataPath);
    }
    ~Offline() { finish(model); }

    // The table a device reporting zeros everywhere leaves: edits build only on parameters
    // the table holds.
    void holdEveryParameter() {
        for (quint32 number : ParamMap::allParameters())
            model->write(number, DSPModel::Words(ParamMap::wordCount(number), 0), std::nullopt, false);
    }
};

// A model whose link is up to an identified device but was never told so: the model is not
// connected, so the demo device may run, yet anything handed to the link reaches the simulator.
struct UnannouncedLink {
    DeviceSimulator sim;
    Offline offline;

    UnannouncedLink() {
        EXPECT_TRUE(sim.listenOnRandomLoopback());
        offline.model->link().onConnectionChange = nullptr;
        offline.model->link().connect(sim.host());
        EXPECT_TRUE(waitUntil([this] { return offline.model->link().status().isConnected(); }));
    }
    DSPModel& model() { return *offline.model; }
};

struct Live {
    DeviceSimulator sim;
    hid::FakeBackend usb;
    std::unique_ptr<DSPModel> model;

    // Connects and waits until the first read-back and preset list are done (only the
    // read-back without `waitForPresets`, for a device that never answers the list).
    explicit Live(const std::function<void(DeviceSimulator&)>& prepare = {}, bool waitForPresets = true)
        : waitForPresets(waitForPresets) {
        EXPECT_TRUE(sim.listenOnRandomLoopback());
        if (prepare) prepare(sim);
        DSPConnection::Environment environment;
        environment.hid = &usb;
        environment.offline = false;
        model = std::make_unique<DSPModel>(new DSPConnection(environment), DSPModel::defaultDemoDataPath());
        QObject::connect(model.get(), &DSPModel::presetsChanged, [this] { ++presetLists; });
        model->link().connect(sim.host());
        EXPECT_TRUE(waitUntil([this] { return settled(); }));
    }
    ~Live() { finish(model); }

    // Connected, read back, and the preset list with its names published.
    bool settled() const {
        return model->connected() && !model->loading() && (presetLists > 0 || !waitForPresets);
    }
    bool waitForPresets = true;
    int presetLists = 0;

    QList<DSPFrame> sentAfter(qsizetype mark, quint16 command) const {
        QList<DSPFrame> frames;
        for (qsizetype i = mark; i < sim.received().size(); ++i)
            if (sim.received()[i].command == command) frames.append(sim.received()[i]);
        return frames;
    }

    // Waits until the simulator has received `count` frames of `command` after `mark`.
    bool waitForFrames(qsizetype mark, quint16 command, qsizetype count) {
        return waitUntil([&] { return sentAfter(mark, command).size() >= count; });
    }
};

}  // namespace livemodel
