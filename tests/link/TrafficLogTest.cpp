#include <gtest/gtest.h>

#include <QSignalSpy>

#include "link/DSPFrame.h"
#include "link/TrafficLog.h"

namespace {

using Direction = TrafficEntry::Direction;

TrafficEntry entryAt(QTime time, const QString& transport, Direction direction, const QByteArray& bytes,
                     const QString& note = {}) {
    return TrafficEntry{
        QUuid::createUuid(), QDateTime(QDate(2026, 3, 1), time), transport, direction, bytes, note};
}

}  // namespace

TEST(TrafficLogLine, ByteBlocksAndInfoLinesInTheirTextForm) {
    const QByteArray identify = DSPFrame{DSPFrame::broadcast, 3, {}}.encode();
    EXPECT_EQ(
        TrafficLog::line(entryAt(QTime(12, 34, 56, 789), "DSP", Direction::sent, identify)),
        QString::fromUtf8("12:34:56.789 DSP \u2192 [20] A5 A1 1A 5A FF FF FF FF FF FF 03 00 00 00 00 00 "
                          "00 00 00 00"));
    EXPECT_EQ(
        TrafficLog::line(entryAt(QTime(1, 2, 3, 4), "DSP", Direction::info, {}, "DSP connected over USB")),
        QString::fromUtf8("01:02:03.004 DSP \u2022 [0]   # DSP connected over USB"));
    EXPECT_EQ(TrafficLog::line(entryAt(QTime(23, 59, 59, 999), "UDP", Direction::received, "\x0A", "ping")),
              QString::fromUtf8("23:59:59.999 UDP \u2190 [1] 0A  # ping"));
}

TEST(TrafficLog, KeepsTheNewest5000Entries) {
    TrafficLog log;
    QSignalSpy changed(&log, &TrafficLog::entriesChanged);
    for (int i = 0; i < 5001; ++i) log.log("DSP", Direction::info, {}, QString::number(i));
    ASSERT_EQ(log.entries().size(), 5000);
    EXPECT_EQ(log.entries().first().note, "1");
    EXPECT_EQ(log.entries().last().note, "5000");
    EXPECT_EQ(changed.count(), 5001);

    log.clear();
    EXPECT_TRUE(log.entries().isEmpty());
    EXPECT_EQ(changed.count(), 5002);
}

TEST(TrafficLog, ExportJoinsLinesOldestFirstWithoutAFinalNewline) {
    TrafficLog log;
    EXPECT_EQ(log.exportText(), "");
    const QDateTime before = QDateTime::currentDateTime();
    log.log("TCP", Direction::sent, "AB");
    log.log("NOTE", Direction::info, {}, "checked");
    // A note holding a line break (pasted, or a device's text) stays on its entry's line.
    log.log("HID", Direction::info, {}, "opened Acme\r\n12:00:00.000 DSP \x1b[2J");
    const QStringList lines = log.exportText().split(u'\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[2].endsWith(
        QString::fromUtf8(" HID \u2022 [0]   # opened Acme\u21B5\u21B512:00:00.000 DSP \uFFFD[2J")))
        << lines[2].toStdString();
    EXPECT_TRUE(lines[0].endsWith(QString::fromUtf8(" TCP \u2192 [2] 41 42"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QString::fromUtf8(" NOTE \u2022 [0]   # checked")))
        << lines[1].toStdString();
    EXPECT_GE(log.entries().first().time, before);
}
