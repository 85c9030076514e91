// Thousands of requests against a simulator that drops, delays, garbles and hangs up at random,
// and a model whose link is lost again and again in the middle of its work.

#include "link/DSPConnection.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include <bit>
#include <random>

#include "LiveModel.h"
#include "link/ParamMap.h"
#include "support/LinkRig.h"

namespace {

using kestrel_test::LinkRig;
using kestrel_test::Outcome;
using kestrel_test::spinUntil;
using kestrel_test::startRequest;

TEST(LinkSoakTest, EveryRequestCompletesExactlyOnceUnderRandomFaults) {
    constexpr int requestCount = 3000;
    constexpr int outstanding = 16;
    constexpr double timeout = 0.03;
    constexpr qint64 boundMs = 25000;

    LinkRig rig;
    SimFaults faults;
    faults.dropRate = 0.01;
    faults.lateRate = 0.01;
    faults.lateMs = 45;  // past the timeout: the answer arrives while another request is in flight
    faults.garbageRate = 0.05;
    faults.disconnectRate = 0.002;
    faults.seed = 20261206;
    rig.simulator.setFaults(faults);
    DSPConnection& link = rig.start();
    ASSERT_TRUE(rig.connectToSimulator());

    std::mt19937 random(7);
    const auto& numbers = ParamMap::allParameters();
    std::vector<std::shared_ptr<Outcome>> outcomes;
    int invariantBreaks = 0;
    QElapsedTimer clock;
    clock.start();

    QTimer driver;
    driver.setInterval(0);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (!link.isBusy() && link.queuedCount() > 0) ++invariantBreaks;
        if (!link.hasNetworkLink()) link.connect(rig.simulator.host());
        int running = 0;
        for (const auto& outcome : outcomes) running += outcome->done ? 0 : 1;
        while (running < outstanding && int(outcomes.size()) < requestCount && clock.elapsed() < boundMs) {
            const quint32 number = numbers[random() % numbers.size()];
            if (random() % 4 == 0) {
                link.writeParam(number, DSPFrame::Words(ParamMap::wordCount(number), quint32(random())));
            }
            DSPFrame frame{link.address(), 6, {0, number}};
            outcomes.push_back(startRequest(link, frame, timeout, [number](const DSPFrame& answer) {
                return DSPConnection::isParameterAnswer(answer, number);
            }));
            ++running;
        }
    });
    driver.start();
    const bool allIssued =
        spinUntil([&] { return int(outcomes.size()) >= requestCount || clock.elapsed() >= boundMs; },
                  boundMs / 1000.0 + 5);
    driver.stop();
    ASSERT_TRUE(allIssued);
    ASSERT_TRUE(spinUntil([&] {
        return std::all_of(outcomes.begin(), outcomes.end(),
                           [](const auto& outcome) { return outcome->done; });
    })) << "a request never completed";

    int answered = 0;
    for (const auto& outcome : outcomes) {
        EXPECT_EQ(outcome->completions, 1);
        answered += outcome->answer ? 1 : 0;
    }
    EXPECT_EQ(invariantBreaks, 0);
    EXPECT_GT(answered, int(outcomes.size()) / 2);
    // Give the writes and the remaining handshake a moment, then nothing may be left behind.
    ASSERT_TRUE(spinUntil([&] { return !link.isBusy(); }));
    EXPECT_EQ(link.queuedCount(), 0);
}

}  // namespace

namespace {

using Words = DSPFrame::Words;

// Counts frames the predicate accepts and answers true on the n-th.
std::function<bool(const DSPFrame&)> nth(std::function<bool(const DSPFrame&)> matches, int n) {
    auto seen = std::make_shared<int>(0);
    return [matches = std::move(matches), n, seen](const DSPFrame& frame) {
        return matches(frame) && ++*seen == n;
    };
}

bool isMeterRead(const DSPFrame& frame) {
    return frame.command == 6 && frame.words.value(1) == ParamMap::meters;
}

// About fifty lost links, each at a random point of a read-back, a FIR upload, a preset store or
// idle polling, and each followed by a new link to a device that changed meanwhile under a new
// address. Whatever the lost link's tasks still do must reach neither the model nor the new
// link: each connection starts with the identify and the read-back, every other frame carries
// the address the device has on it, a cut read-back leaves the table alone, and the last
// read-back leaves the model's table equal to the device's.
TEST(LinkSoakTest, TasksOfALostLinkReachNeitherTheModelNorTheNextLink) {
    constexpr int drops = 48;
    DeviceSimulator sim;
    ASSERT_TRUE(sim.listenOnRandomLoopback());
    const QHostAddress host(sim.host());
    hid::FakeBackend usb;
    DSPConnection::Environment environment;
    environment.hid = &usb;
    environment.offline = false;
    auto model = std::make_unique<DSPModel>(new DSPConnection(environment), DSPModel::defaultDemoDataPath());
    DSPConnection& link = model->link();
    int presetLists = 0;
    QObject::connect(model.get(), &DSPModel::presetsChanged, [&] { ++presetLists; });

    QHash<int, DSPFrame::Address> addressOf;  // the device's address on each connection
    QObject::connect(&sim, &DeviceSimulator::clientConnected, &sim,
                     [&] { addressOf.insert(sim.connectionsAccepted(), sim.device().address); });
    std::function<bool(const DSPFrame&)> dropWhen;
    bool restartServer = false;
    QObject::connect(&sim, &DeviceSimulator::frameReceived, &sim, [&](const DSPFrame& frame) {
        if (!dropWhen || !dropWhen(frame)) return;
        dropWhen = nullptr;
        if (restartServer) {
            sim.stop();
            EXPECT_TRUE(sim.listen(host));
        } else {
            sim.closeClients();
        }
    });

    std::mt19937 random(20261207);
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const auto& all = ParamMap::allParameters();
    const auto connectAndSettle = [&] {
        const int lists = presetLists;
        link.connect(sim.host());
        return livemodel::waitUntil(
            [&] { return model->connected() && !model->loading() && presetLists > lists; });
    };
    const auto connectAndIdentify = [&] {
        link.connect(sim.host());
        return livemodel::waitUntil([&] { return model->connected(); });
    };
    // Finite taps: an upload of taps that are no number is refused before anything goes out.
    Words coefficients(512);
    std::uniform_real_distribution<float> tap(-1, 1);
    for (qsizetype i = 0; i < coefficients.size(); ++i) coefficients[i] = std::bit_cast<quint32>(tap(random));

    for (int round = 0; round < drops; ++round) {
        sim.device().address = {0x0B, 0x04, quint8(round), quint8(pick(0, 255)), 0, 1};
        for (int i = 0; i < 8; ++i) {
            const quint32 number = all[size_t(pick(0, int(all.size()) - 1))];
            sim.device().params[number] = Words(ParamMap::wordCount(number), quint32(random()));
        }
        restartServer = round % 2 == 1;
        std::optional<std::optional<QString>> firResult;
        std::optional<bool> stored;
        switch (round % 4) {
            case 0:  // during the read-back
                dropWhen =
                    nth([](const DSPFrame& f) { return f.command == 6; }, pick(1, int(all.size()) - 1));
                link.connect(sim.host());
                break;
            case 1:  // during a FIR upload (start, header, two chunks, commit) beside the read-back
                ASSERT_TRUE(connectAndIdentify());
                dropWhen =
                    nth([](const DSPFrame& f) { return f.command >= 128 && f.command <= 135; }, pick(1, 10));
                tasks::startTask([&, ch = pick(0, 11)]() -> QCoro::Task<> {
                    firResult = co_await model->sendFIR(ch, coefficients, std::nullopt, "Soak");
                });
                break;
            case 2:  // during a preset store or the list read after it, beside the read-back
                ASSERT_TRUE(connectAndIdentify());
                dropWhen =
                    nth([](const DSPFrame& f) { return f.command == 9 || f.command == 8 || f.command == 17; },
                        pick(1, 3));
                tasks::startTask([&, slot = pick(2, 30)]() -> QCoro::Task<> {
                    stored = co_await model->storePreset(slot, "Soak");
                });
                break;
            case 3:  // while idle, at the next meter poll
                ASSERT_TRUE(connectAndSettle());
                dropWhen = nth(isMeterRead, 1);
                break;
        }
        ASSERT_TRUE(livemodel::waitUntil([&] { return !dropWhen && !link.hasNetworkLink(); })) << round;
        ASSERT_TRUE(livemodel::waitUntil([&] { return !model->loading() && !model->presetBusy(); })) << round;
        EXPECT_FALSE(model->connected());
        if (round % 4 == 0) {
            // The link came up, so the earlier link's table is gone; the cut read-back stores
            // nothing of its own.
            EXPECT_TRUE(model->params().isEmpty())
                << "a cut read-back stored its half table, round " << round;
        } else if (round % 4 == 1) {
            ASSERT_TRUE(livemodel::waitUntil([&] { return firResult.has_value(); }));
            EXPECT_TRUE(firResult->has_value()) << "an upload whose link was lost reported success";
        } else if (round % 4 == 2) {
            EXPECT_TRUE(livemodel::waitUntil([&] { return stored.has_value(); }));
        }
    }

    ASSERT_TRUE(connectAndSettle());
    EXPECT_TRUE(model->params() == sim.device().params) << "the last read-back missed the device's state";

    ASSERT_EQ(sim.connectionsAccepted(), drops + 1);
    for (int connection = 1; connection <= sim.connectionsAccepted(); ++connection) {
        const QList<DSPFrame> frames = sim.receivedOn(connection);
        ASSERT_GE(frames.size(), 3) << connection;
        EXPECT_EQ(frames[0], (DSPFrame{DSPFrame::broadcast, 3, {}})) << connection;
        const QList<quint16> handshake{0x23, 0x20B};
        QList<quint16> seen, uploads;
        QList<quint32> reads;
        int misaddressed = 0, stores = 0;
        for (qsizetype i = 1; i < frames.size(); ++i) {
            const DSPFrame& frame = frames[i];
            misaddressed += frame.address == addressOf.value(connection) ? 0 : 1;
            if (i < 3) seen.append(frame.command);
            if (frame.command == 6 && !isMeterRead(frame)) reads.append(frame.words.value(1));
            // The reads of the block around an upload are left out: their length follows the block.
            if (frame.command >= 128 && frame.command <= 135 && (frame.command < 131 || frame.command > 133))
                uploads.append(frame.command);
            stores += frame.command == 9 ? 1 : 0;
        }
        EXPECT_EQ(misaddressed, 0) << connection;
        EXPECT_EQ(seen, handshake) << connection;
        // Nothing of an earlier link's tasks: one read-back in its order, and at most the one
        // upload or store this connection's round started, never a second or a retry.
        const QList<quint32> readBack(all.begin(), all.end());
        EXPECT_EQ(reads, readBack.first(std::min(reads.size(), readBack.size()))) << connection;
        const int round = connection - 1;
        const QList<quint16> upload{135, 135, 128, 129, 129, 130, 135};
        EXPECT_EQ(uploads, round % 4 == 1 && round < drops
                               ? upload.first(std::min(uploads.size(), upload.size()))
                               : QList<quint16>())
            << connection;
        EXPECT_LE(stores, round % 4 == 2 && round < drops ? 1 : 0) << connection;
    }
    livemodel::finish(model);
}

}  // namespace
