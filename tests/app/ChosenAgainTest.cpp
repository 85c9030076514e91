// Choosing what is already chosen changes nothing: on every page of the connected window that
// offers choices (each tab of the channel editor too), a click, Space or Return on the chosen entry of any
// choice, and the chosen entry of any drop-down list picked again, write no word and ask nothing.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QTest>

#include "app/MainWindow.h"
#include "editor/ChannelView.h"
#include "editor/EditorKit.h"
#include "link/DSPModel.h"
#include "support/AccessibleRoles.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"

using kestrel_test::describeControl;
using kestrel_test::WindowRig;

namespace {

constexpr quint16 writeCommand = 5;

bool isChosenEntry(QAbstractButton& button) {
    const QAccessible::Role role = kestrel_test::accessibleOf(&button)->role();
    return button.isChecked() && (role == QAccessible::RadioButton || role == QAccessible::PageTab);
}

// Works every chosen entry of the page as a user would, and names each gesture.
QStringList chooseEveryChosenEntryAgain(WindowRig& rig, QWidget& view) {
    QStringList gestures;
    for (QAbstractButton* entry : view.findChildren<QAbstractButton*>()) {
        if (!entry->isVisible() || !entry->isEnabled() || !isChosenEntry(*entry)) continue;
        const QString name = describeControl(entry);
        QTest::mouseClick(entry, Qt::LeftButton, {}, entry->rect().center());
        entry->setFocus(Qt::TabFocusReason);
        QTest::keyClick(entry, Qt::Key_Space);
        QTest::keyClick(entry, Qt::Key_Return);
        rig.turn();
        gestures << name;
    }
    for (QComboBox* combo : view.findChildren<QComboBox*>()) {
        if (!combo->isVisible() || !combo->isEnabled() || combo->currentIndex() < 0) continue;
        combo->setFocus(Qt::TabFocusReason);
        combo->showPopup();
        QAbstractItemView* list = combo->view();
        list->setCurrentIndex(combo->model()->index(combo->currentIndex(), combo->modelColumn()));
        QTest::keyClick(list, Qt::Key_Return);
        rig.turn();
        gestures << describeControl(combo);
    }
    return gestures;
}

class ChosenAgain : public ::testing::TestWithParam<Page> {};

}  // namespace

TEST_P(ChosenAgain, WritesNothingAndAsksNothing) {
    WindowRig rig;
    rig.showPage(GetParam());
    auto* editor = rig.page<ChannelView>();
    SegmentedPicker* tabs = editor ? editor->tabPicker() : nullptr;
    QStringList gestures;
    const qsizetype mark = rig.mark();
    for (int tab = 0; tabs ? tabs->segment(tab) != nullptr : tab == 0; ++tab) {
        if (tabs) {
            tabs->segment(tab)->click();
            rig.turn();
        }
        ASSERT_NE(rig.pageView(), nullptr);
        gestures += chooseEveryChosenEntryAgain(rig, *rig.pageView());
    }
    EXPECT_FALSE(gestures.isEmpty());
    SCOPED_TRACE(gestures.join(QStringLiteral("\n")).toStdString());

    // Frames arrive in order: a write made now arrives after any the gestures made.
    rig.model().write(342, rig.model().words(342, 1));
    ASSERT_TRUE(rig.waitFor([&] { return !rig.receivedSince(mark, writeCommand).isEmpty(); }, 5));
    const QList<DSPFrame> writes = rig.receivedSince(mark, writeCommand);
    QStringList written;
    for (const DSPFrame& frame : writes)
        written << QString::number(frame.words.value(1));  // the parameter's number
    EXPECT_EQ(written.join(QStringLiteral(", ")).toStdString(), "342");
    EXPECT_TRUE(rig.dialogs.asked.isEmpty()) << rig.dialogs.asked.first().title.toStdString();
}

std::string pageName(const ::testing::TestParamInfo<Page>& info) {
    const char* names[] = {"channel", "mixer", "routing",  "sources",    "presets",
                           "device",  "codes", "designer", "diagnostics"};
    return names[int(info.param.kind)];
}

INSTANTIATE_TEST_SUITE_P(Pages, ChosenAgain,
                         ::testing::Values(Page::channelPage(0), Page::of(Page::Kind::sources),
                                           Page::of(Page::Kind::codes), Page::of(Page::Kind::firDesigner)),
                         pageName);
