// Choosing what is already chosen changes nothing: on every page of the connected window that
// offers choices (each tab of the channel editor too), a click, Space or Return on the chosen entry of any
// choice, and the chosen entry of any drop-down list or menu picked again, write no word and ask nothing.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolButton>

#include "editor/ChannelView.h"
#include "editor/EditorKit.h"
#include "link/DSPModel.h"
#include "link/ParamMap.h"
#include "shell/MainWindow.h"
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
    for (QToolButton* button : view.findChildren<QToolButton*>()) {
        QMenu* menu = button->menu();
        if (!menu || !button->isVisible() || !button->isEnabled()) continue;
        for (QAction* action : menu->actions()) {
            if (!action->isChecked()) continue;
            const QPoint below = button->mapToGlobal(QPoint(0, button->height()));
            menu->popup(below);
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return}) {
                if (!menu->isVisible()) menu->popup(below);
                menu->setActiveAction(action);
                QTest::keyClick(menu, key);
            }
            menu->hide();
            rig.turn();
            gestures << action->text() + QStringLiteral(" in ") + describeControl(button);
        }
    }
    return gestures;
}

class ChosenAgain : public ::testing::TestWithParam<Page> {};

}  // namespace

TEST_P(ChosenAgain, WritesNothingAndAsksNothing) {
    WindowRig::Options options;
    // A low shelf with a Q below the 1.0 a newly chosen shelf gets.
    options.prepare = [](DeviceSimulator& sim) {
        sim.device().params[ParamMap::eqBandParam(0, 1)] = {120, std::bit_cast<quint32>(3.0f),
                                                            std::bit_cast<quint32>(0.7f), 1};
    };
    WindowRig rig(options);
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
    if (editor) {  // every band's type menu shows its type chosen
        EXPECT_EQ(gestures.filter(QStringLiteral("Low shelf in ")).size(), 1);
        EXPECT_EQ(gestures.filter(QStringLiteral("Parametric in ")).size(), ParamMap::inputEQBands - 1);
    }
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

// Return in a text field nobody changed, and leaving it, write nothing: no name the device holds
// is written again, least of all as the field shows its line breaks and control characters.
TEST(UntouchedField, ReturnAndLeavingWriteNothing) {
    WindowRig::Options options;
    options.prepare = [](DeviceSimulator& sim) {
        sim.device().params[378] = DSPFrame::packString(QStringLiteral("Ab\ncd\x01"), 2);
    };
    WindowRig rig(options);
    const qsizetype mark = rig.mark();
    QStringList fields;
    for (Page::Kind kind : {Page::Kind::device, Page::Kind::presets, Page::Kind::firDesigner}) {
        rig.showPage(Page::of(kind));
        ASSERT_NE(rig.pageView(), nullptr);
        for (QLineEdit* field : rig.pageView()->findChildren<QLineEdit*>()) {
            if (!field->isVisible() || !field->isEnabled() || field->isReadOnly()) continue;
            QTest::mouseClick(field, Qt::LeftButton, {}, field->rect().center());
            QTest::keyClick(field, Qt::Key_Return);
            QTest::keyClick(field, Qt::Key_Tab);
            rig.turn();
            fields << describeControl(field);
        }
    }
    EXPECT_GE(fields.size(), 15);  // the device page's fourteen names, the preset name and more
    SCOPED_TRACE(fields.join(QStringLiteral("\n")).toStdString());

    // Frames arrive in order: a write made now arrives after any the fields made.
    rig.model().write(342, rig.model().words(342, 1));
    ASSERT_TRUE(rig.waitFor([&] { return !rig.receivedSince(mark, writeCommand).isEmpty(); }, 5));
    QStringList written;
    for (const DSPFrame& frame : rig.receivedSince(mark, writeCommand))
        written << QString::number(frame.words.value(1));
    EXPECT_EQ(written.join(QStringLiteral(", ")).toStdString(), "342");
    for (quint16 nameCommand : {0x20A, 0x22}) EXPECT_TRUE(rig.receivedSince(mark, nameCommand).isEmpty());
    EXPECT_TRUE(rig.dialogs.asked.isEmpty());
}
