#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "link/LiveModel.h"
#include "pages/DeviceView.h"
#include "pages/PageTesting.h"
#include "support/WidgetTesting.h"
#include "ui/controls/Theme.h"

using namespace pagetest;

namespace {

constexpr quint16 nameCommand = 0x20A;
constexpr quint16 groupCommand = 0x22;

template <typename Device>
struct DevicePage {
    Device device;
    std::unique_ptr<DeviceView> view;

    template <typename... Args>
    explicit DevicePage(Args&&... args) : device(std::forward<Args>(args)...) {
        view = std::make_unique<DeviceView>(*device.model);
        view->resize(620, 900);
        view->show();
        turn();
    }
    DSPModel& model() { return *device.model; }
};

}  // namespace

TEST(DeviceViewTest, FirmwareJoinsWhatIsKnown) {
    EXPECT_EQ(DeviceView::firmwareText(QStringLiteral("1.2.3"), QStringLiteral("2024-03-15")),
              QStringLiteral("1.2.3 (2024-03-15)"));
    EXPECT_EQ(DeviceView::firmwareText(QStringLiteral("1.2.3"), std::nullopt), QStringLiteral("1.2.3"));
    EXPECT_EQ(DeviceView::firmwareText(std::nullopt, QStringLiteral("2024-03-15")),
              QStringLiteral("(2024-03-15)"));
    EXPECT_EQ(DeviceView::firmwareText(std::nullopt, std::nullopt), QStringLiteral("—"));
}

TEST(DeviceViewTest, DeviceNameIsCutFilteredConfirmedAndReloaded) {
    DevicePage<livemodel::Live> page;
    DeviceView& view = *page.view;
    EXPECT_EQ(view.nameField()->text(), QStringLiteral("Kestrel Sim"));
    EXPECT_EQ(view.groupField()->text(), QStringLiteral("Stage"));
    EXPECT_EQ(view.connectionValue()->text(), QStringLiteral("Network"));
    EXPECT_TRUE(view.firmwareValue()->text().startsWith(page.model().link().firmware().value_or(QString())));
    EXPECT_FALSE(view.saveNameButton()->isEnabled());  // equal to the stored name

    view.nameField()->clear();
    QTest::keyClicks(view.nameField(), QStringLiteral("abcdefghijklmnopqrstuvwxyz0123"));
    EXPECT_EQ(view.nameField()->text(), QStringLiteral("abcdefghijklmnopqrstuvwx"));

    view.nameField()->setText(QStringLiteral("Hall é 2"));
    view.groupField()->clear();
    QTest::keyClicks(view.groupField(), QStringLiteral("Balcony"));
    QLineEdit* output8 = view.channelRow(11).field;
    output8->clear();
    QTest::keyClicks(output8, QStringLiteral("Zone9"));
    const qsizetype mark = page.device.sim.received().size();
    view.saveNameButton()->click();
    ASSERT_TRUE(livemodel::waitUntil([&] { return !view.messageLabel()->isHidden(); }));
    EXPECT_EQ(view.messageLabel()->text(), QStringLiteral("Device name saved."));
    ASSERT_EQ(page.device.sentAfter(mark, nameCommand).size(), 1);
    EXPECT_EQ(page.device.sentAfter(mark, nameCommand)[0].words,
              DSPFrame::packString(QStringLiteral("Hall  2"), 6));
    // The confirmed name reloads its own field with the text sent; what is typed and unsaved
    // in the others stays, still savable.
    EXPECT_EQ(view.nameField()->text(), QStringLiteral("Hall  2"));
    EXPECT_EQ(view.groupField()->text(), QStringLiteral("Balcony"));
    EXPECT_TRUE(view.saveGroupButton()->isEnabled());
    EXPECT_EQ(output8->text(), QStringLiteral("Zone9"));
    EXPECT_TRUE(view.channelRow(11).save->isEnabled());
    EXPECT_TRUE(page.device.sentAfter(mark, groupCommand).isEmpty());
}

// A reconnect reads the device's name and group again: a field holding unsaved typing keeps
// it, one the user left alone shows what the device now says.
TEST(DeviceViewTest, AReconnectKeepsTheDeviceTextTypedAndUnsaved) {
    DevicePage<livemodel::Live> page;
    DeviceView& view = *page.view;
    view.groupField()->clear();
    QTest::keyClicks(view.groupField(), QStringLiteral("Balcony"));
    page.device.sim.device().name = QStringLiteral("Renamed");
    page.model().link().disconnectNetwork(false);
    ASSERT_TRUE(livemodel::waitUntil([&] { return !page.model().connected(); }));
    page.model().link().connect(page.device.sim.host());
    ASSERT_TRUE(livemodel::waitUntil([&] { return page.device.settled(); }));
    turn();
    EXPECT_EQ(view.nameField()->text(), QStringLiteral("Renamed"));
    EXPECT_EQ(view.groupField()->text(), QStringLiteral("Balcony"));
    EXPECT_TRUE(view.saveGroupButton()->isEnabled());
}

TEST(DeviceViewTest, AnUnconfirmedGroupSaveSaysSoAndStaysSavable) {
    DevicePage<livemodel::Live> page([](DeviceSimulator& sim) { sim.faults().silentCommands.insert(0x22); });
    DeviceView& view = *page.view;
    view.groupField()->setText(QStringLiteral("Balcony"));
    ASSERT_TRUE(view.saveGroupButton()->isEnabled());
    view.saveGroupButton()->click();
    ASSERT_TRUE(livemodel::waitUntil([&] { return !view.messageLabel()->isHidden(); }));
    EXPECT_EQ(view.messageLabel()->text(), QStringLiteral("The DSP didn't confirm."));
    EXPECT_EQ(page.device.sim.receivedWithCommand(groupCommand).size(), 1);
    EXPECT_EQ(view.groupField()->text(), QStringLiteral("Balcony"));
    EXPECT_TRUE(view.saveGroupButton()->isEnabled());
}

TEST(DeviceViewTest, ChannelNamesAreHeldCutAndWrittenAsPrintableText) {
    Theme::apply(*qApp);
    DevicePage<livemodel::Offline> page;
    DeviceView& view = *page.view;
    DSPModel& model = page.model();
    EXPECT_EQ(view.connectionValue()->text(), QStringLiteral("Not connected"));
    EXPECT_FALSE(view.saveNameButton()->isEnabled());
    // Without a device no name was read: no default stands in for one, and nothing is written.
    const DeviceView::ChannelRow& input = view.channelRow(0);
    EXPECT_EQ(input.field->text(), QString());
    EXPECT_FALSE(input.field->isEnabled());
    EXPECT_FALSE(input.save->isEnabled());
    view.saveChannelName(0);
    EXPECT_FALSE(model.holds(378));

    model.enterDemo();
    turn();
    EXPECT_EQ(input.field->text(), model.channelName(0));
    EXPECT_TRUE(input.field->isEnabled());
    EXPECT_FALSE(input.save->isEnabled());

    const DeviceView::ChannelRow& out2 = view.channelRow(5);
    out2.field->clear();
    QTest::keyClicks(out2.field, QStringLiteral("Kicks"));
    ASSERT_TRUE(out2.save->isEnabled());
    QTest::keyClick(out2.field, Qt::Key_Return);
    EXPECT_EQ(model.words(383, 0), (DSPModel::Words{0x6B63694B, 0x73}));
    turn();
    EXPECT_FALSE(out2.save->isEnabled());

    const DeviceView::ChannelRow& out3 = view.channelRow(6);
    out3.field->clear();
    QTest::keyClicks(out3.field, QStringLiteral("Overheads L+R"));
    EXPECT_EQ(out3.field->text(), QStringLiteral("Overhead"));

    const DeviceView::ChannelRow& out4 = view.channelRow(7);
    out4.field->clear();
    out4.field->insert(QStringLiteral("éü"));  // typed through an input method
    EXPECT_TRUE(out4.save->isEnabled());
    const DSPModel::Words out4Name = model.words(385, 0);
    out4.save->click();
    EXPECT_EQ(model.words(385, 0), out4Name);

    EXPECT_EQ(view.connectionValue()->text(), QStringLiteral("Demo device"));
    kestrel_test::saveScreenshot(view, QStringLiteral("pages_device"));
}

// A saved channel name shows as the device stores it: the letters outside printable text are
// not in the field once saved, and nothing is left to save.
TEST(DeviceViewTest, ASavedChannelNameShowsWhatTheDeviceStores) {
    Theme::apply(*qApp);
    DevicePage<livemodel::Offline> page;
    page.model().enterDemo();
    turn();
    const DeviceView::ChannelRow& row = page.view->channelRow(4);
    row.field->clear();
    row.field->insert(QStringLiteral("Café 2"));
    ASSERT_TRUE(row.save->isEnabled());
    row.save->click();
    turn();
    EXPECT_EQ(page.model().channelName(4), QStringLiteral("Caf 2"));
    EXPECT_EQ(row.field->text(), QStringLiteral("Caf 2"));
    EXPECT_FALSE(row.save->isEnabled());
}
