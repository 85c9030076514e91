// What the user typed and has not saved comes back with its page and tab in the connected window,
// although every switch builds them afresh; a read-back meanwhile replaces only the fields the
// user left alone.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "editor/ChannelView.h"
#include "editor/EditorKit.h"
#include "editor/FIRBox.h"
#include "link/DSPFrame.h"
#include "pages/DeviceView.h"
#include "pages/PresetsView.h"
#include "support/WindowRig.h"

using kestrel_test::WindowRig;

namespace {

constexpr quint32 firstChannelName = 378;

void retype(QLineEdit* field, const QString& text) {
    field->setFocus(Qt::MouseFocusReason);
    field->selectAll();
    QTest::keyClicks(field, text);
}

const Page device = Page::of(Page::Kind::device);
const Page mixer = Page::of(Page::Kind::mixer);

}  // namespace

TEST(UnsavedTypingTest, DeviceNamesComeBackAfterAPageSwitchAndAReadBack) {
    WindowRig rig;
    rig.showPage(device);
    auto* view = rig.page<DeviceView>();
    ASSERT_NE(view, nullptr);
    retype(view->nameField(), QStringLiteral("Hall 2"));
    retype(view->groupField(), QStringLiteral("Balcony"));
    retype(view->channelRow(5).field, QStringLiteral("Kicks"));

    rig.showPage(mixer);
    rig.simulator.device().params[firstChannelName + 5] = DSPFrame::packString(QStringLiteral("Bass"), 2);
    rig.simulator.device().params[firstChannelName + 6] = DSPFrame::packString(QStringLiteral("Toms"), 2);
    ASSERT_TRUE(rig.startReadBack());
    ASSERT_TRUE(rig.finishReadBack());
    rig.showPage(device);
    view = rig.page<DeviceView>();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->nameField()->text(), QStringLiteral("Hall 2"));
    EXPECT_EQ(view->groupField()->text(), QStringLiteral("Balcony"));
    EXPECT_EQ(view->channelRow(5).field->text(), QStringLiteral("Kicks"));
    EXPECT_EQ(view->channelRow(6).field->text(), QStringLiteral("Toms"));  // left alone: reloaded
    EXPECT_TRUE(view->saveNameButton()->isEnabled() && view->saveGroupButton()->isEnabled());
    EXPECT_TRUE(view->channelRow(5).save->isEnabled());
}

TEST(UnsavedTypingTest, ThePresetSlotNameAndTheFIRNameComeBack) {
    WindowRig rig;
    const Page presets = Page::of(Page::Kind::presets);
    rig.showPage(presets);
    QListWidget* list = rig.page<PresetsView>()->slotList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(7)).center());
    retype(rig.page<PresetsView>()->nameField(), QStringLiteral("Drums"));

    rig.showPage(Page::channelPage(4));
    auto* editor = rig.page<ChannelView>();
    const auto showTab = [&](int tab) {
        editor->tabPicker()->segment(tab)->click();
        rig.turn();
    };
    const auto firName = [&] { return editor->findChild<FIRBox*>()->nameEdit(); };
    showTab(1);
    retype(firName(), QStringLiteral("Sub cut"));
    showTab(0);
    showTab(1);
    EXPECT_EQ(firName()->text(), QStringLiteral("Sub cut"));

    rig.showPage(presets);
    auto* view = rig.page<PresetsView>();
    EXPECT_TRUE(view->slotList()->item(7)->isSelected());
    EXPECT_EQ(view->nameField()->text(), QStringLiteral("Drums"));
    view->storeButton()->click();  // an empty slot: stored at once
    ASSERT_TRUE(rig.waitFor([&] { return view->message().has_value(); }));
    EXPECT_EQ(rig.simulator.device().presets.names.value(7).trimmed(), QStringLiteral("Drums"));

    rig.showPage(Page::channelPage(4));
    editor = rig.page<ChannelView>();
    EXPECT_EQ(firName()->text(), QStringLiteral("Sub cut"));
}
