#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "diagnostics/HIDTransport.h"
#include "diagnostics/console/USBPanel.h"
#include "link/TrafficLog.h"
#include "platform/hid/FakeBackend.h"
#include "support/CannedHidDescriptors.h"
#include "support/Spin.h"

using kestrel_test::spinUntil;

namespace {

void settle() {
    QCoreApplication::processEvents();
}

QStringList labelTexts(QWidget& row) {
    QStringList texts;
    for (QLabel* label : row.findChildren<QLabel*>()) texts << label->text();
    return texts;
}

QPushButton* rowButton(QWidget& row) {
    return row.findChild<QPushButton*>();
}

class USBPanelTest : public ::testing::Test {
protected:
    hid::FakeBackend backend;
    TrafficLog log;
    std::unique_ptr<HIDTransport> hid;
    std::unique_ptr<USBPanel> panel;

    void build() {
        hid = std::make_unique<HIDTransport>(log, backend);
        panel = std::make_unique<USBPanel>(*hid);
        panel->resize(420, 500);
        panel->show();
    }
    hid::FakeDevice* plugDsp() {
        return backend.plug(0x28E9, 0x028A, kestrel_test::vendor64Descriptor(), "Zeta Audio", "Kestrel");
    }
    // Opens the first listed device through its row's button.
    hid::FakeDevice* openFirst() {
        QWidget* row = panel->deviceRows().value(0);
        if (!row) return nullptr;
        QTest::mouseClick(rowButton(*row), Qt::LeftButton);
        settle();
        return hid->openDeviceID() ? backend.device(*hid->openDeviceID()) : nullptr;
    }
    // The next output report the device receives: [report id] + bytes.
    QByteArray nextReport(hid::FakeDevice& device) {
        QList<QByteArray> reports;
        spinUntil([&] {
            reports += device.takeOutputReports();
            return !reports.isEmpty();
        });
        return reports.value(0);
    }
    void typeHex(const QString& text) {
        panel->hexField()->clear();
        QTest::keyClicks(panel->hexField(), text);
    }
};

}  // namespace

TEST_F(USBPanelTest, ListsDevicesWithTheirPropertiesAndTheEmptyText) {
    build();
    EXPECT_TRUE(panel->deviceRows().isEmpty());
    EXPECT_TRUE(panel->emptyText()->isVisible());
    EXPECT_EQ(panel->emptyText()->text(),
              "No vendor-specific USB devices.\nPlug in the DSP with a USB cable.");

    plugDsp();
    hid::DeviceProperties unnamed;
    unnamed.vendorID = 0x1234;
    unnamed.productID = 0x00AB;
    unnamed.manufacturer = "Acme";
    unnamed.usagePage = 0xFF00;
    unnamed.usage = 1;
    unnamed.maxInputReport = 1024;
    unnamed.maxOutputReport = 64;
    unnamed.maxFeatureReport = 7;
    unnamed.transport = "USB";
    backend.plug(unnamed);
    ASSERT_TRUE(spinUntil([&] { return panel->deviceRows().size() == 2; }));
    EXPECT_FALSE(panel->emptyText()->isVisible());

    EXPECT_EQ(labelTexts(*panel->deviceRows()[0]),
              (QStringList{"Kestrel", "Zeta Audio  \u00B7  28E9:028A  \u00B7  page 0xFF00",
                           "reports in 64 / out 64 / feature 0 bytes  \u00B7  USB"}));
    EXPECT_EQ(labelTexts(*panel->deviceRows()[1]),
              (QStringList{"(unnamed device)", "Acme  \u00B7  1234:00AB  \u00B7  page 0xFF00",
                           "reports in 1024 / out 64 / feature 7 bytes  \u00B7  USB"}));
    EXPECT_EQ(rowButton(*panel->deviceRows()[0])->text(), "Open");

    // Show all brings the standard devices in.
    backend.plug(0x046D, 0xC31C, kestrel_test::keyboardDescriptor(), "Logi", "Keyboard");
    settle();
    EXPECT_EQ(panel->deviceRows().size(), 2);
    EXPECT_EQ(panel->showAllToggle()->toolTip(), "Also list keyboards, mice and other standard HID devices");
    QTest::mouseClick(panel->showAllToggle(), Qt::LeftButton);
    EXPECT_TRUE(hid->showAll());
    EXPECT_EQ(panel->deviceRows().size(), 3);
}

TEST_F(USBPanelTest, OpenAndCloseFromTheRows) {
    auto* dsp = plugDsp();
    build();
    ASSERT_EQ(openFirst(), dsp);
    ASSERT_EQ(panel->deviceRows().size(), 1);
    EXPECT_EQ(rowButton(*panel->deviceRows()[0])->text(), "Close");
    QTest::mouseClick(rowButton(*panel->deviceRows()[0]), Qt::LeftButton);
    settle();
    EXPECT_FALSE(hid->openDeviceID().has_value());
    EXPECT_EQ(rowButton(*panel->deviceRows()[0])->text(), "Open");

    // A device unplugged while open leaves the Send button disabled again.
    openFirst();
    typeHex("AA");
    EXPECT_TRUE(panel->sendButton()->isEnabled());
    dsp->unplug();
    ASSERT_TRUE(spinUntil([&] { return panel->deviceRows().isEmpty(); }));
    EXPECT_FALSE(panel->sendButton()->isEnabled());
}

TEST_F(USBPanelTest, SendIsEnabledOnlyWithAnOpenDeviceAndValidHex) {
    plugDsp();
    build();
    for (const char* text : {"", "AA 5", "ZZ"}) {
        typeHex(text);
        EXPECT_FALSE(panel->sendButton()->isEnabled()) << text;
    }
    ASSERT_NE(openFirst(), nullptr);
    typeHex("AA 5");
    EXPECT_TRUE(panel->sendButton()->isEnabled());
    typeHex("12 ZZ");
    EXPECT_FALSE(panel->sendButton()->isEnabled());
    typeHex("");
    EXPECT_TRUE(panel->sendButton()->isEnabled());  // an empty report is a report
}

TEST_F(USBPanelTest, SendsPaddedReportsWithTheTypedReportID) {
    plugDsp();
    build();
    hid::FakeDevice* dsp = openFirst();
    ASSERT_NE(dsp, nullptr);
    EXPECT_EQ(panel->reportIDField()->text(), "0");
    EXPECT_TRUE(panel->padToggle()->isChecked());

    typeHex("AA 5");
    QTest::mouseClick(panel->sendButton(), Qt::LeftButton);
    QByteArray expected = QByteArray::fromHex("00AA05") + QByteArray(62, '\0');
    EXPECT_EQ(nextReport(*dsp), expected);

    // An empty text sends an empty report, padded like any other.
    typeHex("");
    QTest::mouseClick(panel->sendButton(), Qt::LeftButton);
    EXPECT_EQ(nextReport(*dsp), QByteArray(65, '\0'));

    // Without padding exactly the typed bytes go out; the shortcut sends too.
    QTest::mouseClick(panel->padToggle(), Qt::LeftButton);
    typeHex("01 02 03");
    QTest::keyClick(panel->hexField(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(nextReport(*dsp), QByteArray::fromHex("00010203"));

    // Report ids are decimal; anything else counts as 0.
    const QList<std::pair<QString, char>> ids = {{"3", 3}, {"", 0}, {"abc", 0}, {"0x05", 0}};
    for (const auto& [text, id] : ids) {
        panel->reportIDField()->setText(text);
        QTest::mouseClick(panel->sendButton(), Qt::LeftButton);
        EXPECT_EQ(nextReport(*dsp), QByteArray(1, id) + QByteArray::fromHex("010203")) << text.toStdString();
    }
    // An id that no report can carry fails in the log instead of wrapping round.
    panel->reportIDField()->setText("256");
    QTest::mouseClick(panel->sendButton(), Qt::LeftButton);
    EXPECT_TRUE(log.entries().last().note.startsWith("send failed"));
    EXPECT_TRUE(dsp->takeOutputReports().isEmpty());
}
