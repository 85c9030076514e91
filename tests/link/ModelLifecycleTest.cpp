// Creation, connection changes, the full read-back with its progress, the meter poller
// and incoming frames, against the simulator over TCP.
#include <gtest/gtest.h>

#include <algorithm>

#include <QSignalSpy>
#include <QTimer>

#include "LiveModel.h"
#include "link/Levels.h"
#include "link/MeterStore.h"

using levels::bits;
using Words = DSPModel::Words;

namespace {

QList<quint32> readNumbers(const QList<DSPFrame>& frames) {
    QList<quint32> numbers;
    for (const DSPFrame& frame : frames)
        if (frame.command == 6 && frame.words.size() >= 2) numbers.append(frame.words[1]);
    return numbers;
}

}  // namespace

TEST(ModelReadBack, ReadsEveryParameterInOrderBeforeMetersAndPresets) {
    livemodel::Live live([&](DeviceSimulator& sim) {
        sim.device().params[17] = {7, 7, 7, 7};
        sim.device().params[195] = {1, 2, 3, 4, 5};  // a short limiter answer is kept as it is
    });
    const QList<DSPFrame> frames = live.sim.received();
    QList<quint16> commands;
    for (const DSPFrame& frame : frames)
        if (frame.command == 6 || frame.command == 8) commands.append(frame.command);
    const QList<quint32> reads = readNumbers(frames);
    const auto& all = ParamMap::allParameters();
    ASSERT_GE(reads.size(), qsizetype(all.size()));
    EXPECT_EQ(reads.first(qsizetype(all.size())), QList<quint32>(all.begin(), all.end()));
    const qsizetype firstList = commands.indexOf(8);
    const qsizetype firstMeter = reads.indexOf(ParamMap::meters);
    EXPECT_GE(firstList, qsizetype(all.size()));
    EXPECT_GE(firstMeter, qsizetype(all.size()));
    EXPECT_EQ(live.model->params().value(17), (Words{7, 7, 7, 7}));
    EXPECT_EQ(live.model->params().value(195), (Words{1, 2, 3, 4, 5}));
    EXPECT_EQ(live.model->params().size(), qsizetype(all.size()));
}

TEST(ModelReadBack, PublishesProgressInStepsAndTheTableOnce) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    QList<double> progress;
    bool sawNone = false;
    QObject::connect(&model, &DSPModel::loadingChanged, [&] {
        if (model.loading()) {
            progress.append(*model.loading());
        } else {
            sawNone = true;
        }
    });
    QSignalSpy resets(&model, &DSPModel::paramsReset);
    QSignalSpy changes(&model, &DSPModel::paramChanged);
    // An unanswered parameter ends unread, whatever the table held before.
    model.write(20, {1000, 0, 0, 0}, std::nullopt, false);
    changes.clear();
    live.sim.setHandler(6, [](SimDevice& device, const DSPFrame& request) -> QList<SimReply> {
        const quint32 number = request.words.value(1);
        if (number == 20) return {};
        Words answer{0, number};
        answer += number == ParamMap::meters ? device.meters : device.params.value(number);
        return {SimReply{6, answer}};
    });
    livemodel::run(model.loadSettings());

    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.front(), 0.0);
    EXPECT_EQ(progress.back(), 1.0);
    for (qsizetype i = 1; i + 1 < progress.size(); ++i) EXPECT_GE(progress[i] - progress[i - 1], 0.02);
    EXPECT_LE(progress.size(), 52);
    EXPECT_TRUE(sawNone);
    EXPECT_FALSE(model.loading());
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(changes.count(), 0) << "answers during a read-back are not stored one by one";
    EXPECT_FALSE(model.params().contains(20));
}

// Edits made while a read-back runs: one of a parameter read already (its write goes out after
// the read answered the old words) and one of a parameter read later. The table ends as the
// device does.
TEST(ModelReadBack, WritesMadeWhileItRunsEndInTheTableAsOnTheDevice) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    ASSERT_NE(model.params().value(1).value(0), bits(-20.0f));
    bool edited = false;
    QObject::connect(&live.sim, &DeviceSimulator::frameReceived, &model, [&](const DSPFrame& frame) {
        if (edited || frame.command != 6 || frame.words.value(1) != 1) return;
        edited = true;
        model.setGain(0, -20.0f);
        model.setChannelName(11, QStringLiteral("Late"));
    });
    livemodel::run(model.loadSettings());
    ASSERT_TRUE(edited);
    ASSERT_TRUE(livemodel::waitUntil([&] { return model.link().unansweredWriteCount() == 0; }));

    EXPECT_EQ(model.params().value(1).value(0), bits(-20.0f));
    EXPECT_EQ(model.channelName(11), QStringLiteral("Late"));
    for (quint32 number : ParamMap::allParameters())
        if (number != ParamMap::meters)
            EXPECT_EQ(model.params().value(number), live.sim.device().params.value(number)) << number;
}

TEST(ModelFrames, IncomingFramesUpdateTheTableAndMeters) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    // The poller keeps publishing the simulator's own meters, so every published list
    // is recorded and searched.
    QList<QList<float>> published;
    QObject::connect(&model.meterStore(), &MeterStore::levelsChanged,
                     [&] { published.append(model.meterStore().levels()); });
    auto waitForLevels = [&](const std::function<bool(const QList<float>&)>& match) {
        return livemodel::waitUntil([&] { return std::any_of(published.begin(), published.end(), match); });
    };

    Words values;
    for (int k = 0; k < 12; ++k) values += Words{bits(-float(k)), 0xDEAD};
    live.sim.sendToAll(6, Words{0, ParamMap::meters} + values);
    EXPECT_TRUE(waitForLevels([](const QList<float>& l) { return l[11] == -11.0f && l[3] == -3.0f; }));

    // Five values set levels 0, 1 and 2 only; command 5 carries meters too.
    live.sim.device().meters = values;
    published.clear();
    live.sim.sendToAll(5, {0, ParamMap::meters, bits(-50.0f), 0, bits(-51.0f), 0, bits(-52.0f)});
    EXPECT_TRUE(waitForLevels([](const QList<float>& l) {
        return l.size() == 12 && l[0] == -50.0f && l[2] == -52.0f && l[3] == -3.0f;
    }));

    live.sim.sendToAll(6, {0, 17, 1, 2, 3, 4});
    live.sim.sendToAll(6, {0, 18});  // no values: ignored outside a read-back
    live.sim.sendToAll(5, {0, 19, 9});
    live.sim.sendToAll(6, {0});
    live.sim.sendToAll(7, {0, 20, 1});
    // The link dispatches in order: once this marked meter frame is handled, so is
    // everything sent before it.
    Words marked(24, 0);
    marked[22] = bits(-123.0f);
    live.sim.sendToAll(6, Words{0, ParamMap::meters} + marked);
    EXPECT_TRUE(waitForLevels([](const QList<float>& l) { return l[11] == -123.0f; }));
    EXPECT_EQ(model.params().value(17), (Words{1, 2, 3, 4}));
    EXPECT_NE(model.params().value(18), Words{});
    EXPECT_NE(model.params().value(19), Words{9});
    EXPECT_NE(model.params().value(20), Words{1});
}

TEST(ModelLifecycle, LosingTheLinkFreezesMetersAndKeepsTheTable) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    live.sim.device().meters[0] = bits(-12.0f);
    ASSERT_TRUE(livemodel::waitUntil([&] { return model.meterStore().levels()[0] == -12.0f; }));
    const auto table = model.params();
    live.sim.closeClients();
    ASSERT_TRUE(livemodel::waitUntil([&] { return !model.connected(); }));
    live.sim.device().meters[0] = bits(-3.0f);
    EXPECT_EQ(model.params(), table);
    EXPECT_EQ(model.meterStore().levels()[0], -12.0f);
    EXPECT_FALSE(model.meterStore().live());  // the meters show no signal
}

TEST(ModelLifecycle, AConnectionEndsTheDemo) {
    DeviceSimulator sim;
    ASSERT_TRUE(sim.listenOnRandomLoopback());
    livemodel::Offline offline;
    DSPModel& model = *offline.model;
    model.enterDemo();
    ASSERT_TRUE(model.demo());
    ASSERT_GT(model.params().size(), 300);
    std::optional<double> firstLoading;
    qsizetype tableAtFirstLoading = -1;
    QObject::connect(&model, &DSPModel::loadingChanged, [&] {
        if (firstLoading || !model.loading()) return;
        firstLoading = model.loading();
        tableAtFirstLoading = model.params().size();
    });
    sim.device().params[5] = {bits(-1.5f), 0x100};
    model.link().connect(sim.host());
    ASSERT_TRUE(livemodel::waitUntil([&] { return !sim.receivedWithCommand(8).isEmpty(); }));
    EXPECT_FALSE(model.demo());
    EXPECT_EQ(firstLoading, 0.0);
    EXPECT_EQ(model.words(5, 2)[0], bits(-1.5f));
    EXPECT_EQ(tableAtFirstLoading, 0) << "the demo table is gone before the read-back starts";
}

// Whoever waits for a connected, fully read device (the command line's hardware tests) looks
// at `connected` and `loading`: no turn of the event loop may show the model connected with
// no read-back under way before the first one has ended.
TEST(ModelLifecycle, TheReadBackIsUnderWayFromTheMomentTheLinkIsUp) {
    DeviceSimulator sim;
    ASSERT_TRUE(sim.listenOnRandomLoopback());
    livemodel::Offline offline;
    DSPModel& model = *offline.model;
    QList<bool> loadingWhenConnected;
    QObject::connect(&model, &DSPModel::connectedChanged, [&] {
        if (model.connected()) loadingWhenConnected.append(model.loading().has_value());
    });
    model.link().connect(sim.host());
    ASSERT_TRUE(livemodel::waitUntil([&] { return !sim.receivedWithCommand(8).isEmpty(); }));
    EXPECT_EQ(loadingWhenConnected, QList<bool>{true});
    EXPECT_FALSE(model.loading());

    // A link that is gone before its read-back began leaves no read-back showing.
    livemodel::Offline gone;
    gone.model->onConnectionChange(true);
    EXPECT_TRUE(gone.model->loading());
    EXPECT_TRUE(livemodel::waitUntil([&] { return !gone.model->loading(); }));
}

TEST(ModelLifecycle, ALostLinkLeavesTheDemoAnimationRunning) {
    livemodel::Offline offline;
    DSPModel& model = *offline.model;
    model.enterDemo();
    // The link reports a loss while the demo runs (the device went away before it ever
    // identified): the animation must go on.
    model.onConnectionChange(false);
    QSignalSpy ticks(&model.meterStore(), &MeterStore::levelsChanged);
    ASSERT_TRUE(livemodel::waitUntil([&] { return ticks.count() >= 2; }));
    EXPECT_TRUE(model.demo());
    EXPECT_TRUE(model.meterStore().live());
}

// A fader dragged for 3 s on a link whose every answer takes 150 ms: the meters keep being
// read meanwhile, and the writes still coalesce, so when the hand stops at most the write on
// the wire and one more carrying the newest value are left to go.
TEST(ModelLifecycle, MetersKeepMovingWhileAFaderIsDraggedOnASlowLink) {
    livemodel::Live live;
    DSPModel& model = *live.model;
    live.sim.faults().delayMs = 150;
    int moves = 0;
    QTimer drag;
    QObject::connect(&drag, &QTimer::timeout,
                     [&] { model.setGain(4, -60.0f + float(moves++ % 600) * 0.1f); });
    const qsizetype start = live.sim.received().size();
    drag.start(10);
    QTimer::singleShot(3000, &drag, &QTimer::stop);
    ASSERT_TRUE(livemodel::waitUntil([&] { return !drag.isActive(); }));
    const qsizetype released = live.sim.received().size();
    const quint32 last = model.words(5, 2)[0];
    ASSERT_TRUE(livemodel::waitUntil([&] {
        const QList<DSPFrame> writes = live.sentAfter(start, 5);
        return !writes.isEmpty() && writes.last().words.value(2) == last;
    }));

    const QList<DSPFrame> during = live.sim.received().mid(start, released - start);
    const auto isWrite = [](const DSPFrame& frame) { return frame.command == 5; };
    const auto firstWrite = std::find_if(during.begin(), during.end(), isWrite);
    ASSERT_NE(firstWrite, during.end());
    const auto meterReads = std::count_if(firstWrite, during.end(), [](const DSPFrame& frame) {
        return frame.command == 6 && frame.words.value(1) == ParamMap::meters;
    });
    EXPECT_GE(meterReads, 4);
    EXPECT_LE(live.sentAfter(released, 5).size(), 2) << moves << " moves";
}
