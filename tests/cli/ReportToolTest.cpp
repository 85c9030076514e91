#include <gtest/gtest.h>

#include <QObject>
#include <cerrno>

#include "cli/ReportTool.h"
#include "support/CapturedConsole.h"
#include "support/hid/FakeBackend.h"

using namespace cli;

namespace {

hid::DeviceProperties device(int vendor, int product, int in, int out, std::optional<QString> manufacturer,
                             std::optional<QString> name) {
    hid::DeviceProperties p;
    p.vendorID = vendor;
    p.productID = product;
    p.usagePage = 0xFF00;
    p.usage = 1;
    p.maxInputReport = in;
    p.maxOutputReport = out;
    p.manufacturer = std::move(manufacturer);
    p.product = std::move(name);
    return p;
}

ReportToolSettings sendSettings(QList<QByteArray> sends, bool pad = true) {
    ReportToolSettings s;
    s.sends = std::move(sends);
    s.pad = pad;
    s.waitMs = 0;
    return s;
}

QByteArray bytes(int count, int first = 1) {
    QByteArray b;
    for (int i = 0; i < count; ++i) b.append(char(first + i));
    return b;
}

// What the device received, without the report-id byte the tool puts first.
QList<QByteArray> reportsWithoutId(hid::FakeDevice* fake) {
    QList<QByteArray> reports;
    for (const QByteArray& framed : fake->takeOutputReports()) {
        EXPECT_EQ(framed.at(0), '\0');
        reports.append(framed.mid(1));
    }
    return reports;
}

class ReportToolTest : public ::testing::Test {
protected:
    hid::FakeBackend backend;
    kestrel_test::CapturedConsole console;
};

}  // namespace

TEST_F(ReportToolTest, ListsEveryDeviceInBackendOrder) {
    ReportToolSettings settings;
    settings.listOnly = true;
    EXPECT_EQ(runReportTool(settings, backend), 0);
    EXPECT_TRUE(console.out().isEmpty()) << "no devices, no lines";

    backend.plug(device(0x28E9, 0x028A, 1024, 64, QStringLiteral("Maker"), QStringLiteral("Kestrel")));
    hid::DeviceProperties keyboard = device(0x46D, 0xC31C, 8, 1, {}, {});
    keyboard.usagePage = 1;
    keyboard.usage = 6;
    backend.plug(keyboard);
    settings.vendorID = 0x1111;  // the list is never filtered
    EXPECT_EQ(runReportTool(settings, backend), 0);
    EXPECT_EQ(console.outLines(),
              (QStringList{
                  QStringLiteral("28E9:028A  page 0xFF00 usage 0x01  in 1024 out 64  Maker / Kestrel"),
                  QStringLiteral("046D:C31C  page 0x0001 usage 0x06  in 8 out 1  - / -"),
              }));
    EXPECT_TRUE(console.error().isEmpty());
}

TEST_F(ReportToolTest, MissingOrUnopenableDeviceFails) {
    backend.plug(device(0x28E9, 0x028A, 64, 64, {}, {}));
    ReportToolSettings other = sendSettings({bytes(2)});
    other.vendorID = 0x1234;
    other.productID = 0xABCD;
    EXPECT_EQ(runReportTool(other, backend), 1);
    EXPECT_EQ(console.error(), QStringLiteral("device 1234:ABCD not found\n"));

    hid::FakeBackend refusing;
    refusing.plug(device(0x28E9, 0x028A, 64, 64, {}, {}))->failOpen(EACCES);
    kestrel_test::CapturedConsole second;
    EXPECT_EQ(runReportTool(sendSettings({bytes(2)}), refusing), 1);
    EXPECT_EQ(second.error(), QStringLiteral("open failed\n"));
    EXPECT_TRUE(second.out().isEmpty());
}

TEST_F(ReportToolTest, BuffersAreCutIntoReportsAndPaddedByDefault) {
    hid::FakeDevice* fake = backend.plug(device(0x28E9, 0x028A, 64, 64, {}, {}));
    EXPECT_EQ(runReportTool(sendSettings({bytes(10), bytes(70), bytes(64)}), backend), 0);
    const QList<QByteArray> reports = reportsWithoutId(fake);
    ASSERT_EQ(reports.size(), 4);
    EXPECT_EQ(reports[0], bytes(10) + QByteArray(54, '\0'));
    EXPECT_EQ(reports[1], bytes(64));
    EXPECT_EQ(reports[2], bytes(6, 65) + QByteArray(58, '\0'));
    EXPECT_EQ(reports[3], bytes(64));
    const QStringList lines = console.outLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("\u2192 01 02 03 04 05 06 07 08 09 0A"));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(" 27 28 \u2026 (70 bytes)"))) << lines[1].toStdString();
    EXPECT_EQ(lines[1].count(QLatin1Char(' ')), 1 + 40 + 2);
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(" 28 \u2026 (64 bytes)")));
}

TEST_F(ReportToolTest, NoPadSendsTheLastPieceShortAndFortyBytesShowWhole) {
    hid::FakeDevice* fake = backend.plug(device(0x28E9, 0x028A, 64, 64, {}, {}));
    // Nothing to send: the device opens and closes quietly.
    EXPECT_EQ(runReportTool(ReportToolSettings{}, backend), 0);
    EXPECT_TRUE(console.out().isEmpty());
    EXPECT_TRUE(fake->takeOutputReports().isEmpty());
    EXPECT_FALSE(fake->isOpen());

    EXPECT_EQ(runReportTool(sendSettings({bytes(10), bytes(70), bytes(40)}, false), backend), 0);
    EXPECT_EQ(reportsWithoutId(fake), (QList<QByteArray>{bytes(10), bytes(64), bytes(6, 65), bytes(40)}));
    EXPECT_FALSE(console.outLines().at(2).contains(QStringLiteral("\u2026")));
}

TEST_F(ReportToolTest, DeviceWithoutOutputSizeGetsEachBufferWhole) {
    hid::FakeDevice* fake = backend.plug(device(0x28E9, 0x028A, 0, 0, {}, {}));
    EXPECT_EQ(runReportTool(sendSettings({bytes(3), bytes(100)}), backend), 0);
    EXPECT_EQ(reportsWithoutId(fake), (QList<QByteArray>{bytes(3), bytes(100)}));
}

TEST_F(ReportToolTest, FailedSendsShowTheLastErrorButDoNotFail) {
    hid::FakeDevice* fake = backend.plug(device(0x28E9, 0x028A, 64, 64, {}, {}));
    fake->failSends(1, EIO);
    EXPECT_EQ(runReportTool(sendSettings({bytes(70), bytes(1)}), backend), 0);
    const QStringList lines = console.outLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("(70 bytes)   (failed 0x00000005)")))
        << lines[0].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("\u2192 01   (failed 0x00000005)"));
}

// Input reports print while the tool waits after a send and while it listens.
TEST_F(ReportToolTest, InputReportsPrintAsTheyArrive) {
    hid::FakeDevice* fake = backend.plug(device(0x28E9, 0x028A, 64, 64, {}, {}));
    QObject::connect(fake, &hid::FakeDevice::outputReport, fake, [fake](const QByteArray& framed) {
        fake->sendInputReport(QByteArray("\xA5\x0A", 2) + framed.mid(1, 1));
    });
    ReportToolSettings settings = sendSettings({bytes(1, 0x11), bytes(1, 0x22)});
    settings.waitMs = 300;
    settings.listenSeconds = 0.3;
    EXPECT_EQ(runReportTool(settings, backend), 0);
    EXPECT_EQ(console.outLines(),
              (QStringList{QStringLiteral("\u2192 11"), QStringLiteral("\u2190 A5 0A 11"),
                           QStringLiteral("\u2192 22"), QStringLiteral("\u2190 A5 0A 22")}));
    EXPECT_FALSE(fake->isOpen());
}
