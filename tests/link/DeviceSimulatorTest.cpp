#include "sim/DeviceSimulator.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QTcpSocket>

#include "link/ParamMap.h"
#include "link/TCPFrameStream.h"
#include "platform/Tasks.h"

namespace {

// A bare client: sends frames and collects the decoded answers.
class Client {
public:
    explicit Client(const DeviceSimulator& sim) {
        socket_.connectToHost(sim.host(), sim.port());
        EXPECT_TRUE(socket_.waitForConnected(2000));
    }
    void send(quint16 command, const DSPFrame::Words& words) {
        socket_.write(DSPFrame{DSPFrame::broadcast, command, words}.encode());
    }
    // Waits until `count` answers arrived in all, or a bound passed.
    QList<DSPFrame> answers(int count) {
        for (int i = 0; i < 500 && frames_.size() < count; ++i) {
            tasks::runLoopFor(0.002);
            frames_ += stream_.feed(socket_.readAll());
        }
        return frames_;
    }

private:
    QTcpSocket socket_;
    TCPFrameStream stream_;
    QList<DSPFrame> frames_;
};

class DeviceSimulatorTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.listenOnRandomLoopback()); }
    DeviceSimulator sim;
};

TEST_F(DeviceSimulatorTest, HoldsEveryReadBackParameterWithItsWordCount) {
    EXPECT_EQ(sim.device().params.size(), 400);
    EXPECT_EQ(sim.device().params.value(194).size(), 6);  // a limiter
    EXPECT_EQ(sim.device().params.value(1).size(), 2);
    EXPECT_TRUE(QHostAddress(sim.host()).isLoopback());
    EXPECT_EQ(sim.port(), 8234);
}

TEST_F(DeviceSimulatorTest, AnswersFromItsOwnAddress) {
    Client client(sim);
    client.send(3, {});
    client.send(5, {0, 17, 1000, 0x3F800000, 2, 3});
    client.send(6, {0, 17});
    client.send(6, {0, 366});
    client.send(6, {0, 9999});  // no such parameter: no answer
    client.send(0x20A, DSPFrame::packString("Front of house", 6));
    client.send(0x20B, DSPFrame::Words(6, 0));
    client.send(0x23, DSPFrame::Words(6, 0));
    const QList<DSPFrame> answers = client.answers(7);
    ASSERT_EQ(answers.size(), 7);
    for (const DSPFrame& answer : answers) EXPECT_EQ(answer.address, sim.device().address);

    EXPECT_EQ(answers[0].command, 3);
    EXPECT_EQ(answers[0].words, sim.device().identityWords());
    EXPECT_EQ(answers[1].command, 1);
    EXPECT_EQ(answers[2].words, (DSPFrame::Words{0, 17, 1000, 0x3F800000, 2, 3}));
    EXPECT_EQ(answers[3].words.size(), 2 + 24);
    EXPECT_EQ(answers[4].command, 1);
    EXPECT_EQ(DSPFrame::unpackString(answers[5].words), "Front of house");
    EXPECT_EQ(DSPFrame::unpackString(answers[6].words), "Stage");
    EXPECT_EQ(sim.received().size(), 8);
    EXPECT_EQ(sim.receivedWithCommand(6).size(), 3);
}

TEST_F(DeviceSimulatorTest, FaultsStillLeaveDecodableOrMissingAnswers) {
    SimFaults faults;
    faults.silentCommands = {0x23};
    faults.garbageBeforeAnswers = QByteArray::fromHex("0102A5A1");
    faults.chunkSize = 5;
    sim.setFaults(faults);
    sim.device().identityWordCount = 2;
    Client client(sim);
    client.send(0x23, DSPFrame::Words(6, 0));
    client.send(3, {});
    const QList<DSPFrame> answers = client.answers(1);
    ASSERT_EQ(answers.size(), 1);
    EXPECT_EQ(answers[0].words.size(), 2);
}

TEST_F(DeviceSimulatorTest, HandlersCanBeAddedAndStateRoundTripsThroughJson) {
    sim.setHandler(8, [](SimDevice&, const DSPFrame&) { return QList<SimReply>{{8, {0, 0b101, 2}}}; });
    sim.device().params[1] = {0x40A00000, 0x100};
    Client client(sim);
    client.send(8, {});
    ASSERT_EQ(client.answers(1).value(0).words, (DSPFrame::Words{0, 0b101, 2}));

    SimDevice copy;
    ASSERT_TRUE(copy.loadJson(sim.device().toJson()));
    EXPECT_EQ(copy.params, sim.device().params);
    EXPECT_EQ(copy.name, sim.device().name);
    EXPECT_FALSE(copy.loadJson(QJsonObject{{"params", QJsonObject{{"1", QJsonArray{-1}}}}}));
}

}  // namespace
