// The request queue and the device commands over TCP to the simulator.

#include "link/DSPConnection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "link/TrafficLog.h"
#include "platform/Tasks.h"
#include "support/LinkRig.h"
#include "support/SimProcess.h"

namespace {

using kestrel_test::LinkRig;
using kestrel_test::Outcome;
using kestrel_test::spinUntil;
using kestrel_test::startRequest;
using Words = DSPFrame::Words;

DSPConnection::Matcher commandIs(quint16 command) {
    return [command](const DSPFrame& frame) { return frame.command == command; };
}

class RequestQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        rig.start();
        ASSERT_TRUE(rig.connectToSimulator());
        rig.simulator.clearReceived();
        rig.frames.clear();
    }
    DSPConnection& link() { return rig.link(); }
    DSPFrame read(quint32 number) { return DSPFrame{link().address(), 6, {0, number}}; }
    std::shared_ptr<Outcome> startRead(quint32 number, double timeout = 0.4) {
        return startRequest(link(), read(number), timeout, [number](const DSPFrame& f) {
            return DSPConnection::isParameterAnswer(f, number);
        });
    }
    QList<Words> sentWords(quint16 command) {
        QList<Words> words;
        for (const DSPFrame& frame : rig.simulator.receivedWithCommand(command)) words.append(frame.words);
        return words;
    }

    LinkRig rig;
};

// Every frame in both directions, meter answers excepted, as the frame's own bytes.
TEST_F(RequestQueueTest, TrafficLogRecordsFramesButNotMeterAnswers) {
    TrafficLog::shared().clear();
    std::optional<std::optional<Words>> meters, gain;
    tasks::startTask([&]() -> QCoro::Task<> {
        meters = co_await link().readParam(366);
        gain = co_await link().readParam(1);
    });
    ASSERT_TRUE(spinUntil([&] { return gain.has_value(); }));
    ASSERT_TRUE(meters->has_value());
    const DSPFrame::Address device = rig.simulator.device().address;
    QList<std::pair<TrafficEntry::Direction, QByteArray>> logged;
    for (const TrafficEntry& entry : TrafficLog::shared().entries()) {
        EXPECT_EQ(entry.transport, "DSP");
        EXPECT_EQ(entry.note, "");
        logged.append({entry.direction, entry.bytes});
    }
    using D = TrafficEntry::Direction;
    EXPECT_EQ(logged, (QList<std::pair<D, QByteArray>>{
                          {D::sent, DSPFrame{device, 6, {0, 366}}.encode()},
                          {D::sent, DSPFrame{device, 6, {0, 1}}.encode()},
                          {D::received, DSPFrame{device, 6, {0, 1, 0, 0}}.encode()},
                      }));
}

TEST_F(RequestQueueTest, ExactlyOneRequestOnTheWire) {
    rig.simulator.faults().delayMs = 20;
    int mostOutstanding = 0;
    const int answeredBefore = rig.simulator.answersWritten();
    QObject::connect(&rig.simulator, &DeviceSimulator::frameReceived, [&] {
        const int answered = rig.simulator.answersWritten() - answeredBefore;
        mostOutstanding = std::max(mostOutstanding, int(rig.simulator.received().size()) - answered);
    });
    std::vector<std::shared_ptr<Outcome>> outcomes;
    for (quint32 number = 1; number <= 6; ++number) outcomes.push_back(startRead(number, 5.0));
    EXPECT_EQ(link().queuedCount(), 5);
    ASSERT_TRUE(spinUntil([&] { return outcomes.back()->done; }));
    EXPECT_EQ(mostOutstanding, 1);
    for (quint32 number = 1; number <= 6; ++number) {
        ASSERT_TRUE(outcomes[number - 1]->answer);
        EXPECT_EQ(outcomes[number - 1]->answer->words.value(1), number);
    }
    EXPECT_FALSE(link().isBusy());
}

TEST_F(RequestQueueTest, TimeoutCompletesWithNothingAndTheNextGoesOut) {
    rig.simulator.faults().silentCommands = {6};
    auto silent = startRead(17);
    auto next = startRequest(link(), DSPFrame{link().address(), 3, {}}, 0.4, commandIs(3));
    ASSERT_TRUE(spinUntil([&] { return silent->done; }));
    EXPECT_EQ(silent->answer, std::nullopt);
    ASSERT_TRUE(spinUntil([&] { return next->done; }));
    EXPECT_TRUE(next->answer);
    EXPECT_EQ(silent->completions, 1);
}

TEST_F(RequestQueueTest, LostLinkCompletesQueuedRequestsFirstThenTheOneInFlight) {
    rig.simulator.faults().silentCommands = {6};
    QList<int> order;
    for (int i = 0; i < 6; ++i) {
        tasks::startTask([this, i, &order]() -> QCoro::Task<> {
            const auto answer = co_await link().readParam(quint32(i + 1));
            EXPECT_EQ(answer, std::nullopt);
            order.append(i);
        });
    }
    ASSERT_TRUE(spinUntil([&] { return link().queuedCount() == 5; }));
    rig.simulator.closeClients();
    ASSERT_TRUE(spinUntil([&] { return order.size() == 6; }));
    EXPECT_EQ(order, (QList<int>{1, 2, 3, 4, 5, 0}));
    EXPECT_FALSE(link().isBusy());
    EXPECT_EQ(link().queuedCount(), 0);
}

TEST_F(RequestQueueTest, OwnerGetsUnsolicitedFramesAndAnswersBeforeTheRequesterResumes) {
    rig.simulator.sendToAll(0x77, {1, 2, 3});
    ASSERT_TRUE(spinUntil([&] { return !rig.frames.isEmpty(); }));
    EXPECT_EQ(rig.frames.first(), (DSPFrame{rig.simulator.device().address, 0x77, {1, 2, 3}}));

    QStringList order;
    link().onFrame = [&](const DSPFrame&) { order << "owner"; };
    tasks::startTask([&]() -> QCoro::Task<> {
        co_await link().readParam(1);
        order << "requester";
    });
    ASSERT_TRUE(spinUntil([&] { return order.size() == 2; }));
    EXPECT_EQ(order, (QStringList{"owner", "requester"}));
}

TEST_F(RequestQueueTest, LateAcknowledgeCompletesTheAcknowledgeMatchedRequest) {
    rig.simulator.faults().silentCommands = {0x20A};
    std::optional<bool> written;
    tasks::startTask([&]() -> QCoro::Task<> { written = co_await link().setDeviceName("Late"); });
    ASSERT_TRUE(spinUntil([&] { return !rig.simulator.receivedWithCommand(0x20A).isEmpty(); }));
    rig.simulator.sendToAll(1, {});
    ASSERT_TRUE(spinUntil([&] { return written.has_value(); }));
    EXPECT_TRUE(*written);
    EXPECT_EQ(link().deviceName(), "Late");
}

TEST_F(RequestQueueTest, ReadParamGivesTheValueWords) {
    rig.simulator.device().params[17] = {1000, 0x3F800000, 7, 0x100};
    rig.simulator.setHandler(6, [](SimDevice& device, const DSPFrame& request) {
        const quint32 number = request.words.value(1);
        Words answer{0, number};
        if (number != 400) answer += device.params.value(number);    // 400: a bare two-word answer
        return QList<SimReply>{{6, Words{0, 999, 5}}, {6, answer}};  // another parameter's answer first
    });
    std::optional<std::optional<Words>> full, bare;
    tasks::startTask([&]() -> QCoro::Task<> {
        full = co_await link().readParam(17);
        bare = co_await link().readParam(400);
    });
    ASSERT_TRUE(spinUntil([&] { return bare.has_value(); }));
    EXPECT_EQ(*full, (Words{1000, 0x3F800000, 7, 0x100}));
    EXPECT_EQ(*bare, Words{});
}

TEST_F(RequestQueueTest, DeviceTextsAreFilteredAndCut) {
    std::optional<bool> named, grouped;
    const QString forty = QString("ABCDEFGHIJ").repeated(4);
    const QString group = QString::fromUtf8("Bühne\t–Left ✓ wing of the big stage");
    tasks::startTask([&]() -> QCoro::Task<> {
        named = co_await link().setDeviceName(forty);
        grouped = co_await link().setDeviceGroup(group);
    });
    ASSERT_TRUE(spinUntil([&] { return grouped.has_value(); }));
    EXPECT_TRUE(*named);
    EXPECT_EQ(link().deviceName(), forty.left(24));
    EXPECT_EQ(rig.simulator.device().name, forty.left(24));
    EXPECT_EQ(link().deviceGroup(), "BhneLeft  wing of the bi");
    EXPECT_EQ(sentWords(0x22).value(0), DSPFrame::packString("BhneLeft  wing of the bi", 6));

    rig.simulator.faults().silentCommands = {0x20A};
    const QString unconfirmed = "Unconfirmed";
    tasks::startTask([&]() -> QCoro::Task<> { named = co_await link().setDeviceName(unconfirmed); });
    ASSERT_TRUE(spinUntil([&] { return named == false; }));
    EXPECT_EQ(link().deviceName(), forty.left(24));
}

TEST_F(RequestQueueTest, GenericSendWaitsForAnAcknowledgeOrItsOwnCommand) {
    rig.simulator.setHandler(0x40, [](SimDevice&, const DSPFrame&) { return QList<SimReply>{{0x40, {9}}}; });
    bool sentBoth = false;
    const Words bypassOutput1{0, 1};
    tasks::startTask([&]() -> QCoro::Task<> {
        co_await link().send(48, bypassOutput1);
        co_await link().send(0x40, Words());
        sentBoth = true;
    });
    ASSERT_TRUE(spinUntil([&] { return sentBoth; }));
    EXPECT_EQ(sentWords(48), QList<Words>{(Words{0, 1})});
    EXPECT_EQ(rig.simulator.receivedWithCommand(0x40).size(), 1);
}

// Writes to one address in one turn coalesce into the last value, in the order of first writes.
TEST_F(RequestQueueTest, WritesToOneAddressInOneTurnCoalesce) {
    link().writeParam(1, {1, 0});
    link().writeParam(20, {2});
    link().writeParam(1, {2, 0});
    link().writeParam(1, {3, 0x100});
    ASSERT_TRUE(spinUntil([&] { return sentWords(5).size() == 2 && !link().isBusy(); }));
    EXPECT_EQ(sentWords(5), (QList<Words>{{0, 1, 3, 0x100}, {0, 20, 2}}));
    EXPECT_EQ(rig.simulator.device().params.value(1), (Words{3, 0x100}));
}

// However many writes come while one is on the wire, one more follows, with the newest words;
// a queued write waiting behind other requests takes the words written after it was queued.
TEST_F(RequestQueueTest, WhileAWriteIsOnTheWireOneFollowsWithTheNewestWords) {
    rig.simulator.faults().commandDelayMs = {{5, 30}, {6, 30}};
    link().writeParam(10, {1});
    ASSERT_TRUE(spinUntil([&] { return link().isBusy(); }));
    int mostQueued = 0;
    for (quint32 value = 2; value <= 6; ++value) {
        link().writeParam(10, {value});
        spinUntil([&] { return link().queuedWriteCount() > 0; }, 0.01);  // let its turn pass
        mostQueued = std::max(mostQueued, link().queuedWriteCount());
    }
    ASSERT_TRUE(spinUntil([&] { return sentWords(5).size() == 2 && !link().isBusy(); }));
    EXPECT_EQ(mostQueued, 1);
    EXPECT_EQ(sentWords(5), (QList<Words>{{0, 10, 1}, {0, 10, 6}}));

    auto slow = startRead(1, 1.0);
    link().writeParam(11, {1});
    ASSERT_TRUE(spinUntil([&] { return link().queuedCount() == 1; }));  // queued behind the read
    link().writeParam(11, {2});
    ASSERT_TRUE(spinUntil([&] { return sentWords(5).size() == 3 && !link().isBusy(); }));
    EXPECT_EQ(sentWords(5).last(), (Words{0, 11, 2}));
    EXPECT_EQ(rig.simulator.device().params.value(10), Words{6});
}

TEST_F(RequestQueueTest, LostLinkDropsWaitingWrites) {
    link().writeParam(10, {1});
    link().disconnectNetwork(true);
    EXPECT_FALSE(spinUntil([&] { return !sentWords(5).isEmpty(); }, 0.05));
    link().connect(rig.simulator.host());
    ASSERT_TRUE(rig.waitForStatus(DSPConnection::Status::Kind::connected));
    EXPECT_TRUE(sentWords(5).isEmpty());
}

}  // namespace

// A byte stream that arrives with junk in front of each answer and cut into tiny
// writes still gives every answer; answers that fail their checksum give none.
TEST_F(RequestQueueTest, AnswersSurviveGarbageAndSmallWritesButNotBadChecksums) {
    rig.simulator.device().params[17] = {1000, 0x3F800000, 7, 0x100};
    SimFaults messy;
    messy.garbageBeforeAnswers = QByteArray::fromHex("A5C33C00A5A11A5AFFFF0000");  // a false start of a magic
    messy.chunkSize = 3;
    rig.simulator.setFaults(messy);
    std::optional<std::optional<Words>> first, second;
    tasks::startTask([&]() -> QCoro::Task<> {
        first = co_await link().readParam(17);
        second = co_await link().readParam(17);
    });
    ASSERT_TRUE(spinUntil([&] { return second.has_value(); }));
    EXPECT_EQ(*first, (Words{1000, 0x3F800000, 7, 0x100}));
    EXPECT_EQ(*second, *first);

    SimFaults corrupt;
    corrupt.badChecksums = true;
    rig.simulator.setFaults(corrupt);
    std::optional<std::optional<Words>> refused;
    tasks::startTask([&]() -> QCoro::Task<> { refused = co_await link().readParam(17); });
    ASSERT_TRUE(spinUntil([&] { return refused.has_value(); }));
    EXPECT_FALSE(refused->has_value());
}

// A program held up past a request's time-out (a busy machine, a slow disk) finds the answer
// that came meanwhile waiting unread behind the timer: it takes the answer, not a time-out.
TEST(RequestQueueHeldUp, AnAnswerThatCameWhileTheProgramWasHeldUpIsTakenNotTimedOut) {
    const auto sim = kestrel_test::startSimulator();
    ASSERT_TRUE(sim->started());
    LinkRig rig;
    DSPConnection& link = rig.start();
    link.connect(sim->host());
    ASSERT_TRUE(rig.waitForStatus(DSPConnection::Status::Kind::connected));

    const auto readsReceived = [&] {
        const QStringList events = sim->events();
        return std::count_if(events.begin(), events.end(),
                             [](const QString& e) { return e.endsWith(QStringLiteral(" 6")); });
    };
    for (int attempt = 0; attempt < 5; ++attempt) {
        const quint32 number = 17 + quint32(attempt);
        const auto readsBefore = readsReceived();
        auto outcome =
            startRequest(link, DSPFrame{link.address(), 6, {0, number}}, 0.4,
                         [number](const DSPFrame& f) { return DSPConnection::isParameterAnswer(f, number); });
        ASSERT_TRUE(spinUntil([&] { return readsReceived() > readsBefore; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(700));  // the simulator answers meanwhile
        ASSERT_TRUE(spinUntil([&] { return outcome->done; }));
        EXPECT_TRUE(outcome->answer) << "attempt " << attempt;
    }
}
