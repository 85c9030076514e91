// kestrel-sim as a program: what the command line's end-to-end tests rely on.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>

#include "link/TCPFrameStream.h"
#include "support/Spin.h"

namespace {

using kestrel_test::spinUntil;

TEST(SimulatorProgramTest, ServesOnARandomLoopbackAddressAndDumpsItsState) {
    QTemporaryDir dir;
    const QString dump = dir.filePath("state.json");
    QProcess sim;
    sim.start(KESTREL_SIM_PATH, {"--random-host", "--name", "Bench", "--dump", dump});
    ASSERT_TRUE(sim.waitForStarted());
    ASSERT_TRUE(spinUntil([&] { return sim.canReadLine(); }));
    const QString line = QString::fromUtf8(sim.readLine()).trimmed();
    ASSERT_TRUE(line.startsWith("listening on 127.")) << line.toStdString();
    const QString host = line.section(' ', 2).section(':', 0, 0);

    QTcpSocket client;
    client.connectToHost(host, 8234);
    ASSERT_TRUE(client.waitForConnected(5000));
    client.write(DSPFrame{DSPFrame::broadcast, 5, {0, 1, 0x40A00000, 0x100}}.encode());
    client.write(DSPFrame{DSPFrame::broadcast, 0x20B, DSPFrame::Words(6, 0)}.encode());
    TCPFrameStream stream;
    QList<DSPFrame> answers;
    ASSERT_TRUE(spinUntil([&] {
        answers += stream.feed(client.readAll());
        return answers.size() == 2;
    }));
    EXPECT_EQ(answers[0].command, 1);
    EXPECT_EQ(DSPFrame::unpackString(answers[1].words), "Bench");

    QFile file(dump);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(state.value("params").toObject().value("1").toVariant().toList(),
              (QVariantList{0x40A00000, 0x100}));
    sim.kill();
    sim.waitForFinished();
}

TEST(SimulatorProgramTest, RefusesAddressesOutsideLoopback) {
    QProcess sim;
    sim.start(KESTREL_SIM_PATH, {"--host", "192.0.2.1"});
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitCode(), 2);
    EXPECT_TRUE(sim.readAllStandardError().contains("only loopback"));
}

// A fault it cannot read stops the program rather than running without it.
TEST(SimulatorProgramTest, RefusesAFaultItCannotRead) {
    for (const QStringList& fault :
         {QStringList{"--lose-answer", "6:x"}, QStringList{"--lose-answer", "6:1:2"},
          QStringList{"--vanish-on", "135/0"}, QStringList{"--vanish-on", "0x10000"}}) {
        QProcess sim;
        sim.start(KESTREL_SIM_PATH, QStringList{"--random-host"} + fault);
        ASSERT_TRUE(sim.waitForFinished(10000)) << fault.join(' ').toStdString();
        EXPECT_EQ(sim.exitCode(), 2) << fault.join(' ').toStdString();
        EXPECT_EQ(sim.readAllStandardError(), "kestrel-sim: bad command " + fault[1].toUtf8() + "\n");
    }
}

}  // namespace
