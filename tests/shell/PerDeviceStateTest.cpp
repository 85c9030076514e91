// Groups, the EQ-bypass state and typed, unsaved text belong to the device they were made on.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <bit>

#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "mixer/ChannelStrip.h"
#include "mixer/MixerView.h"
#include "pages/DeviceView.h"
#include "pages/PresetsView.h"
#include "support/WindowRig.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/FlatButton.h"

using namespace kestrel_test;

// IN A and IN B grouped, OUT 1's EQ bypassed, a name typed for OUT 3 and one for preset slot 2
// on the first device; the second device starts without any of it: one MUTE click writes IN A
// alone, and neither OUT 3's field nor its empty slot 2 offers anything to save. Back on the
// first device, all of it is there again.
TEST(PerDeviceState, WhatWasMadeOnOneDeviceStaysWithIt) {
    WindowRig rig;
    DSPModel& model = rig.model();
    const auto connectTo = [&](DeviceSimulator& device) {
        const qsizetype lists = device.receivedWithCommand(8).size();
        model.link().connect(device.host());
        return rig.waitFor([&] {
            return model.connected() && !model.loading() && device.receivedWithCommand(8).size() > lists &&
                   rig.pageView();
        });
    };
    model.setGroup(0, 1);
    model.setGroup(1, 1);
    model.setEQBypass(4, true);
    rig.showPage(Page::of(Page::Kind::device));
    QTest::keyClicks(rig.page<DeviceView>()->channelRow(6).field, QStringLiteral("b"));
    const auto presets = [&] {
        rig.showPage(Page::of(Page::Kind::presets));
        return rig.page<PresetsView>();
    };
    const auto clickSlot = [&](int slot) {
        QListWidget* list = presets()->slotList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(slot)).center());
    };
    clickSlot(2);
    QTest::keyClicks(presets()->nameField(), QStringLiteral("Mix"));
    ASSERT_TRUE(presets()->storeButton()->isEnabled());
    rig.showPage(Page::of(Page::Kind::device));

    DeviceSimulator other;
    ASSERT_TRUE(other.listenOnRandomLoopback());
    const DSPFrame::Words otherGain{std::bit_cast<quint32>(-3.5f), 0x100};
    other.device().params[2] = otherGain;
    ASSERT_TRUE(connectTo(other));
    EXPECT_EQ(model.groupMembers(0), QList<int>{0});
    EXPECT_TRUE(model.eqBypassed().isEmpty());
    EXPECT_EQ(rig.page<DeviceView>()->channelRow(6).field->text(), QStringLiteral("OUT 3"));
    EXPECT_FALSE(rig.page<DeviceView>()->channelRow(6).save->isEnabled());
    clickSlot(2);
    EXPECT_TRUE(
        rig.waitFor([&] { return presets()->headline()->text() == QStringLiteral("Slot 2: Empty"); }));
    EXPECT_EQ(presets()->nameField()->text(), QString());
    EXPECT_FALSE(presets()->storeButton()->isEnabled());

    rig.showPage(Page::of(Page::Kind::mixer));
    const qsizetype mark = other.received().size();
    QTest::mouseClick(rig.page<MixerView>()->strip(0)->muteButton(), Qt::LeftButton);
    QTest::mouseClick(rig.page<MixerView>()->strip(2)->muteButton(), Qt::LeftButton);  // arrives last
    QList<quint32> writes;
    ASSERT_TRUE(rig.waitFor([&] {
        writes.clear();
        for (const DSPFrame& frame : other.received().mid(mark))
            if (frame.command == 5) writes.append(frame.words.value(1));
        return writes.contains(3);
    }));
    EXPECT_EQ(writes, (QList<quint32>{1, 3}));
    EXPECT_EQ(other.device().params.value(2), otherGain);

    rig.showPage(Page::of(Page::Kind::device));
    ASSERT_TRUE(connectTo(rig.simulator));
    EXPECT_EQ(model.groupMembers(0), (QList<int>{0, 1}));
    EXPECT_EQ(model.eqBypassed(), QSet<int>{4});
    EXPECT_EQ(rig.page<DeviceView>()->channelRow(6).field->text(), QStringLiteral("OUT 3b"));
    EXPECT_EQ(presets()->selected(), 2);
    EXPECT_EQ(presets()->nameField()->text(), QStringLiteral("Mix"));
}

// Asked for a second device that refuses the link, the window shows none of the first one's
// values, names or presets under the new host: all of it is unknown until a device answers.
TEST(PerDeviceState, ADeviceThatRefusesTheLinkShowsNothingOfTheOneBefore) {
    WindowRig rig;
    DSPModel& model = rig.model();
    ASSERT_TRUE(model.holds(1));
    DeviceSimulator refusing;
    ASSERT_TRUE(refusing.listenOnRandomLoopback());
    const QString host = refusing.host();
    refusing.stop();  // nothing listens there: the connect is refused
    model.link().connect(host);
    ASSERT_TRUE(rig.waitFor([&] { return !model.connected(); }));
    rig.turn();

    EXPECT_FALSE(model.holds(1));
    EXPECT_TRUE(model.presets().isEmpty());
    EXPECT_EQ(model.link().deviceName(), QString());
    EXPECT_EQ(model.link().firmware(), std::nullopt);
    rig.showPage(Page::of(Page::Kind::mixer));
    ChannelStrip* strip = rig.page<MixerView>()->strip(0);
    EXPECT_EQ(strip->gainField()->lineEdit()->text(), QStringLiteral("—"));
    EXPECT_EQ(strip->header()->name(), QStringLiteral("—"));
    rig.showPage(Page::of(Page::Kind::device));
    EXPECT_EQ(rig.page<DeviceView>()->channelRow(0).field->text(), QString());
}
