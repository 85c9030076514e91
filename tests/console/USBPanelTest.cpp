#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "console/USBPanel.h"
#include "diagnostics/HIDTransport.h"
#include "link/TrafficLog.h"
#include "support/CannedHidDescriptors.h"
#include "support/Spin.h"
#include "support/hid/FakeBackend.h"

using kestrel_test::spinUntil;

namespace {

QStringList labelTexts(QWidget* row) {
    QStringList texts;
    for (QLabel* label : row->findChildren<QLabel*>()) texts << label->text();
    return texts;
}

class USBPanelTest : public ::testing::Test {
protected:
    hid::FakeBackend backend;
    TrafficLog log;
    hid::FakeDevice* dsp =
        backend.plug(0x28E9, 0x028A, kestrel_test::vendor64Descriptor(), "Zeta Audio", "Kestrel");
    HIDTransport hid{log, backend};
    USBPanel panel{hid};

    void SetUp() override { panel.show(); }
    QPushButton* rowButton(int row) { return panel.deviceRows().value(row)->findChild<QPushButton*>(); }
    void clickRow(int row) {
        QTest::mouseClick(rowButton(row), Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    // The next output report the device receives: [report id] + bytes.
    QByteArray nextReport(hid::FakeDevice* device = nullptr) {
        if (!device) device = dsp;
        QList<QByteArray> reports;
        spinUntil([&] { return !(reports += device->takeOutputReports()).isEmpty(); });
        return reports.value(0);
    }
    void typeHex(const QString& text) {
        panel.hexField()->clear();
        QTest::keyClicks(panel.hexField(), text);
    }
};

}  // namespace

TEST_F(USBPanelTest, ListsDevicesWithTheirPropertiesAndTheEmptyText) {
    backend.plug(0x1234, 0x00AB, kestrel_test::vendor64Descriptor(), "Acme", std::nullopt);
    backend.plug(0x046D, 0xC31C, kestrel_test::keyboardDescriptor(), "Logi", "Keyboard");
    ASSERT_TRUE(spinUntil([&] { return panel.deviceRows().size() == 2; }));
    EXPECT_FALSE(panel.emptyText()->isVisible());
    EXPECT_EQ(labelTexts(panel.deviceRows()[0]),
              (QStringList{"Kestrel", "Zeta Audio  \u00B7  28E9:028A  \u00B7  page 0xFF00",
                           "reports in 64 / out 64 / feature 0 bytes  \u00B7  USB"}));
    EXPECT_EQ(labelTexts(panel.deviceRows()[1]).value(0), "(unnamed device)");
    EXPECT_EQ(rowButton(0)->text(), "Open");

    QTest::mouseClick(panel.showAllToggle(), Qt::LeftButton);  // the keyboard too
    EXPECT_EQ(panel.deviceRows().size(), 3);

    for (quint64 id : {dsp->id(), hid.devices()[1].id, hid.devices()[2].id}) backend.unplug(id);
    ASSERT_TRUE(spinUntil([&] { return panel.deviceRows().isEmpty(); }));
    EXPECT_TRUE(panel.emptyText()->isVisible());
    EXPECT_EQ(panel.emptyText()->text(),
              "No vendor-specific USB devices.\nPlug in the DSP with a USB cable.");
    EXPECT_TRUE(log.entries().isEmpty());  // devices that were never open come and go unlogged
}

TEST_F(USBPanelTest, OpenCloseTheSendButtonAndPaddedReportsWithTheTypedReportID) {
    for (const char* text : {"", "AA 5"}) {
        typeHex(text);
        EXPECT_FALSE(panel.sendButton()->isEnabled()) << text;  // nothing open
    }
    clickRow(0);
    EXPECT_EQ(hid.openDeviceID(), dsp->id());
    EXPECT_EQ(rowButton(0)->text(), "Close");
    EXPECT_TRUE(panel.sendButton()->isEnabled());
    typeHex("12 ZZ");
    EXPECT_FALSE(panel.sendButton()->isEnabled());
    typeHex("");
    EXPECT_TRUE(panel.sendButton()->isEnabled());  // an empty report is a report

    clickRow(0);
    EXPECT_FALSE(hid.openDeviceID().has_value());
    EXPECT_EQ(rowButton(0)->text(), "Open");
    EXPECT_FALSE(panel.sendButton()->isEnabled());

    clickRow(0);
    EXPECT_EQ(panel.reportIDField()->text(), "0");
    EXPECT_TRUE(panel.padToggle()->isChecked());

    typeHex("AA 5");
    QTest::mouseClick(panel.sendButton(), Qt::LeftButton);
    EXPECT_EQ(nextReport(), QByteArray::fromHex("00AA05") + QByteArray(62, '\0'));
    typeHex("");
    QTest::mouseClick(panel.sendButton(), Qt::LeftButton);
    EXPECT_EQ(nextReport(), QByteArray(65, '\0'));

    // Without padding exactly the typed bytes go out; the shortcut sends too.
    QTest::mouseClick(panel.padToggle(), Qt::LeftButton);
    typeHex("01 02 03");
    QTest::keyClick(panel.hexField(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(nextReport(), QByteArray::fromHex("00010203"));

    // Report ids are decimal; anything else counts as 0.
    const QList<std::pair<QString, char>> ids = {{"3", 3}, {"", 0}, {"abc", 0}, {"0x05", 0}};
    for (const auto& [text, id] : ids) {
        panel.reportIDField()->setText(text);
        QTest::mouseClick(panel.sendButton(), Qt::LeftButton);
        EXPECT_EQ(nextReport(), QByteArray(1, id) + QByteArray::fromHex("010203")) << text.toStdString();
    }
    // An id no report can carry fails in the log instead of wrapping round.
    panel.reportIDField()->setText("256");
    QTest::mouseClick(panel.sendButton(), Qt::LeftButton);
    EXPECT_TRUE(log.entries().last().note.startsWith("send failed"));
    EXPECT_TRUE(dsp->takeOutputReports().isEmpty());

    // A numbered report is padded to its data size: the listed size of 17
    // counts the id byte, which goes in front.
    hid::FakeDevice* remote =
        backend.plug(0x1234, 0x0002, kestrel_test::numberedDescriptor(), "Acme", "Remote");
    hid.setShowAll(true);
    ASSERT_TRUE(spinUntil([&] { return panel.deviceRows().size() == 2; }));
    clickRow(1);
    ASSERT_EQ(hid.openDeviceID(), remote->id());
    QTest::mouseClick(panel.padToggle(), Qt::LeftButton);
    panel.reportIDField()->setText("2");
    QTest::mouseClick(panel.sendButton(), Qt::LeftButton);
    EXPECT_EQ(nextReport(remote), QByteArray::fromHex("02010203") + QByteArray(13, '\0'));
    EXPECT_EQ(log.entries().last().bytes.size(), 16);
    clickRow(0);

    // Unplugged while open: the Send button is disabled again.
    ASSERT_EQ(hid.openDeviceID(), dsp->id());
    dsp->unplug();
    ASSERT_TRUE(spinUntil([&] { return panel.deviceRows().size() == 1; }));
    EXPECT_FALSE(panel.sendButton()->isEnabled());
}
