// Groups, the EQ-bypass state and typed, unsaved text belong to the device they were made on.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <bit>

#include "app/controls/FlatButton.h"
#include "app/mixer/ChannelStrip.h"
#include "app/mixer/MixerView.h"
#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "pages/DeviceView.h"
#include "support/WindowRig.h"

using namespace kestrel_test;

namespace {

bool connectTo(WindowRig& rig, DeviceSimulator& device) {
    const qsizetype presetLists = device.receivedWithCommand(8).size();
    rig.model().link().connect(device.host());
    const bool done = rig.waitFor([&] {
        return rig.model().connected() && !rig.model().loading() &&
               device.receivedWithCommand(8).size() > presetLists && rig.pageView();
    });
    rig.turn();
    return done;
}

}  // namespace

// IN A and IN B grouped, OUT 1's EQ bypassed and a name typed for OUT 3 on the first device;
// the second device starts without any of it: one MUTE click writes IN A alone, and OUT 3's
// field offers nothing to save. Back on the first device, all of it is there again.
TEST(PerDeviceState, WhatWasMadeOnOneDeviceStaysWithIt) {
    WindowRig rig;
    DSPModel& model = rig.model();
    model.setGroup(0, 1);
    model.setGroup(1, 1);
    model.setEQBypass(4, true);
    rig.showPage(Page::of(Page::Kind::device));
    QLineEdit* outThree = rig.page<DeviceView>()->channelRow(6).field;
    outThree->clear();
    QTest::keyClicks(outThree, QStringLiteral("Typed"));

    DeviceSimulator other;
    ASSERT_TRUE(other.listenOnRandomLoopback());
    const DSPFrame::Words otherGain{std::bit_cast<quint32>(-3.5f), 0x100};
    other.device().params[2] = otherGain;
    ASSERT_TRUE(connectTo(rig, other));
    EXPECT_EQ(model.groupMembers(0), QList<int>{0});
    EXPECT_TRUE(model.eqBypassed().isEmpty());
    const DeviceView::ChannelRow& row = rig.page<DeviceView>()->channelRow(6);
    EXPECT_EQ(row.field->text(), QStringLiteral("OUT 3"));
    EXPECT_FALSE(row.field->isModified());
    EXPECT_FALSE(row.save->isEnabled());

    rig.showPage(Page::of(Page::Kind::mixer));
    const qsizetype mark = other.received().size();
    QTest::mouseClick(rig.page<MixerView>()->strip(0)->muteButton(), Qt::LeftButton);
    const auto writes = [&] {
        QList<quint32> numbers;
        for (const DSPFrame& frame : other.received().mid(mark))
            if (frame.command == 5) numbers.append(frame.words.value(1));
        return numbers;
    };
    ASSERT_TRUE(rig.waitFor([&] { return writes().contains(1); }));
    rig.waitFor([] { return false; }, 0.3);  // a member's write would follow at once
    EXPECT_EQ(writes(), QList<quint32>{1});
    EXPECT_EQ(other.device().params.value(2), otherGain);

    rig.showPage(Page::of(Page::Kind::device));
    ASSERT_TRUE(connectTo(rig, rig.simulator));
    EXPECT_EQ(model.groupMembers(0), (QList<int>{0, 1}));
    EXPECT_EQ(model.eqBypassed(), QSet<int>{4});
    EXPECT_EQ(rig.page<DeviceView>()->channelRow(6).field->text(), QStringLiteral("Typed"));
    EXPECT_TRUE(rig.page<DeviceView>()->channelRow(6).save->isEnabled());
}
