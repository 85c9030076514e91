// The keyboard and assistive tools work every control with the same method as the mouse:
// segments are one radio group, an accessible toggle is the click, Return presses a focused
// button, and a ring marks the control the keyboard reached.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "editor/EditorKit.h"
#include "pages/PresetsView.h"
#include "support/AccessibleRoles.h"
#include "support/Visible.h"
#include "support/WindowRig.h"
#include "ui/controls/FlatButton.h"
#include "ui/controls/Theme.h"
#include "ui/input/KeyboardFocus.h"

using kestrel_test::accessibleOf;
using kestrel_test::doAccessibleAction;

namespace {

QStringList checkedTitles(const SegmentedPicker& picker) {
    QStringList titles;
    for (int i = 0; QPushButton* segment = picker.segment(i); ++i)
        if (segment->isChecked()) titles << picker.title(i);
    return titles;
}

QString lastChosen(const QSignalSpy& spy) {
    return spy.isEmpty() ? QString() : spy.last().at(0).toString();
}

}  // namespace

TEST(KeyboardFocus, SegmentsAreOneRadioGroupChosenByClickKeysOrAssistiveTools) {
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    auto* before = new QLineEdit;
    auto* picker = new SegmentedPicker({"a", "b", "c"}, {"Alpha", "Beta", "Gamma"});
    auto* after = new QLineEdit;
    for (QWidget* widget :
         {static_cast<QWidget*>(before), static_cast<QWidget*>(picker), static_cast<QWidget*>(after)})
        row->addWidget(widget);
    picker->setCurrent("a");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::setActiveWindow(&window);
    QSignalSpy chosen(picker, &SegmentedPicker::chosen);

    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(picker->segment(i)->focusPolicy() & Qt::TabFocus) << i;
        QAccessibleInterface* segment = accessibleOf(picker->segment(i));
        EXPECT_EQ(segment->role(), QAccessible::RadioButton);
        EXPECT_TRUE(segment->state().checkable);
        EXPECT_TRUE(segment->state().focusable) << i;
        EXPECT_EQ(segment->state().checked, i == 0);
    }

    // The row is one Tab stop, on the chosen segment, from either side.
    before->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(before, Qt::Key_Tab);
    EXPECT_TRUE(picker->segment(0)->hasFocus());
    QTest::keyClick(picker->segment(0), Qt::Key_Tab);
    EXPECT_TRUE(after->hasFocus()) << "Tab leaves the row from its stop";
    picker->setCurrent("b");
    QTest::keyClick(after, Qt::Key_Backtab);
    EXPECT_TRUE(picker->segment(1)->hasFocus());
    QTest::keyClick(picker->segment(1), Qt::Key_Backtab);
    EXPECT_TRUE(before->hasFocus());
    EXPECT_TRUE(chosen.isEmpty()) << "passing through chooses nothing";
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(picker->segment(i)->focusPolicy() & Qt::TabFocus) << i;
    picker->setCurrent("a");

    // Arrows choose the neighbour as a click does, and stop at either end.
    QTest::keyClick(before, Qt::Key_Tab);
    QTest::keyClick(picker->segment(0), Qt::Key_Right);
    EXPECT_EQ(lastChosen(chosen), "b");
    EXPECT_TRUE(picker->segment(1)->hasFocus());
    QTest::keyClick(picker->segment(1), Qt::Key_Down);
    QTest::keyClick(picker->segment(2), Qt::Key_Right);
    EXPECT_EQ(chosen.count(), 2);
    EXPECT_EQ(checkedTitles(*picker), QStringList{"Gamma"});
    QTest::keyClick(picker->segment(2), Qt::Key_Left);
    EXPECT_EQ(lastChosen(chosen), "b");
    EXPECT_EQ(picker->current(), "b");

    // Space and Return on a focused segment are its click.
    picker->segment(0)->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(picker->segment(0), Qt::Key_Space);
    EXPECT_EQ(lastChosen(chosen), "a");
    picker->segment(2)->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(picker->segment(2), Qt::Key_Return);
    EXPECT_EQ(lastChosen(chosen), "c");

    // An assistive tool's toggle or press chooses the segment and unchecks the others.
    doAccessibleAction(picker->segment(1), QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(lastChosen(chosen), "b");
    EXPECT_EQ(checkedTitles(*picker), QStringList{"Beta"});
    doAccessibleAction(picker->segment(0), QAccessibleActionInterface::pressAction());
    EXPECT_EQ(lastChosen(chosen), "a");
    EXPECT_EQ(checkedTitles(*picker), QStringList{"Alpha"});
    EXPECT_TRUE(accessibleOf(picker->segment(0))->state().checked);
    EXPECT_FALSE(accessibleOf(picker->segment(1))->state().checked);
    EXPECT_EQ(chosen.count(), 7);
}

TEST(KeyboardFocus, AnAccessibleToggleOrPressIsTheClick) {
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    auto* push = new QPushButton("&Copy && paste");
    push->setCheckable(true);
    auto* check = new QCheckBox("Bypass");
    auto* flat = new FlatButton("Edit", Theme::font(Theme::bodyPx), 20);
    flat->setCheckable(true);
    auto* disabled = new QPushButton("Off");
    disabled->setCheckable(true);
    disabled->setEnabled(false);
    for (QWidget* w : {static_cast<QWidget*>(push), static_cast<QWidget*>(check), static_cast<QWidget*>(flat),
                       static_cast<QWidget*>(disabled)})
        row->addWidget(w);
    window.show();

    for (QAbstractButton* button : {static_cast<QAbstractButton*>(push), static_cast<QAbstractButton*>(check),
                                    static_cast<QAbstractButton*>(flat)}) {
        QSignalSpy clicks(button, &QAbstractButton::clicked);
        doAccessibleAction(button, QAccessibleActionInterface::toggleAction());
        EXPECT_EQ(clicks.count(), 1) << button->text().toStdString();
        EXPECT_TRUE(button->isChecked());
        EXPECT_TRUE(accessibleOf(button)->state().checked);
        doAccessibleAction(button, QAccessibleActionInterface::pressAction());
        EXPECT_EQ(clicks.count(), 2);
        EXPECT_FALSE(accessibleOf(button)->state().checked);
    }
    EXPECT_EQ(accessibleOf(check)->role(), QAccessible::CheckBox);
    EXPECT_EQ(accessibleOf(push)->text(QAccessible::Name), "Copy & paste");

    // A disabled button offers no action, and one asked for anyway does nothing.
    QSignalSpy refused(disabled, &QAbstractButton::clicked);
    QAccessibleActionInterface* actions = accessibleOf(disabled)->actionInterface();
    EXPECT_FALSE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    actions->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(refused.count(), 0);
    EXPECT_FALSE(disabled->isChecked());
}

// On the connected window's presets page: Return on the focused "Refresh list" asks the
// device for its list, and the ring on screen follows the keyboard, not the mouse.
TEST(KeyboardFocus, ReturnPressesTheFocusedButtonAndTheRingShowsOnlyForTheKeyboard) {
    kestrel_test::WindowRig rig;
    rig.showPage(Page::of(Page::Kind::presets));
    auto* view = rig.page<PresetsView>();
    ASSERT_NE(view, nullptr);
    QPushButton* refresh = view->refreshButton();
    ASSERT_TRUE(refresh->isEnabled());
    EXPECT_TRUE(refresh->focusPolicy() & Qt::TabFocus);

    const QRect button = rig.onScreenRect(*refresh);
    const QRect band = button.adjusted(-3, -3, 3, 3);
    const QColor accent = QApplication::palette().color(QPalette::Highlight);
    auto ringPixels = [&] {
        const QImage screen = rig.onScreen();
        return kestrel_test::countNear(screen, band, accent, 40) -
               kestrel_test::countNear(screen, button, accent, 40);
    };
    const int before = ringPixels();

    refresh->setFocus(Qt::TabFocusReason);
    rig.turn();
    EXPECT_EQ(keyboardfocus::ringedWidget(), refresh);
    EXPECT_GT(ringPixels(), before + button.width());

    constexpr quint16 listCommand = 8;
    const qsizetype mark = rig.mark();
    QTest::keyClick(refresh, Qt::Key_Return);
    EXPECT_TRUE(rig.waitFor([&] { return !rig.receivedSince(mark, listCommand).isEmpty(); }));

    // A click elsewhere on the page takes the ring away, though the focus stays.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(2, 2));
    rig.turn();
    EXPECT_TRUE(refresh->hasFocus());
    EXPECT_EQ(keyboardfocus::ringedWidget(), nullptr);
    EXPECT_EQ(ringPixels(), before);
}

// Tab to a control below the fold of a pane scrolls it into view, and the ring comes with it.
TEST(KeyboardFocus, TheRingFollowsTabIntoThePartOfAPaneScrolledIntoView) {
    QWidget window;
    auto* pane = new QScrollArea;
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    auto* top = new QPushButton(QStringLiteral("Top"));
    auto* below = new QCheckBox(QStringLiteral("Below"));
    column->addWidget(top);
    column->addSpacing(2000);
    column->addWidget(below);
    pane->setWidget(content);
    pane->setWidgetResizable(true);
    (new QVBoxLayout(&window))->addWidget(pane);
    window.resize(300, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    top->clearFocus();  // the window gave it the focus when it was shown
    top->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(keyboardfocus::ringedWidget(), top);
    QTest::keyClick(top, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), below);
    ASSERT_GT(pane->verticalScrollBar()->value(), 0) << "the pane scrolled";
    EXPECT_EQ(keyboardfocus::ringedWidget(), below);
}

// A picker is known by its caption (or its hint, or a name given in code) with its choice, and
// reads its choice as its value; one without any of these reads as Qt reads it, by its choice.
TEST(KeyboardFocus, PickersAreKnownByTheirCaptionAndReadTheirChoiceAsValue) {
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    auto* captioned = new QComboBox;
    auto* hinted = new QComboBox;
    auto* named = new QComboBox;
    auto* bare = new QComboBox;
    for (QComboBox* combo : {captioned, hinted, named, bare}) combo->addItems({"BW12", "LR24"});
    hinted->setToolTip("Slope");
    named->setAccessibleName("Channel");
    row->addWidget(new QLabel("Mode"));
    row->addWidget(captioned);
    for (QComboBox* combo : {hinted, named, bare}) row->addWidget(combo);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    captioned->setCurrentIndex(1);

    EXPECT_EQ(accessibleOf(captioned)->text(QAccessible::Name), "Mode: LR24");
    EXPECT_EQ(accessibleOf(captioned)->text(QAccessible::Value), "LR24");
    EXPECT_EQ(accessibleOf(hinted)->text(QAccessible::Name), "Slope: BW12");
    EXPECT_EQ(accessibleOf(named)->text(QAccessible::Name), "Channel: BW12");
    EXPECT_EQ(accessibleOf(bare)->text(QAccessible::Name), "BW12");
    EXPECT_EQ(accessibleOf(captioned)->role(), QAccessible::ComboBox);

    doAccessibleAction(named, QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(named->view()->isVisible());
    EXPECT_TRUE(accessibleOf(named)->state().expanded);
    named->hidePopup();
}

// A menu opened with the keyboard starts on its first entry (a screen reader has something
// to say); one opened with the mouse starts on none.
TEST(KeyboardFocus, AMenuTheKeyboardOpensStartsOnItsFirstEntry) {
    QWidget window;
    auto* button = new QToolButton(&window);
    button->setText("Type");
    button->setPopupMode(QToolButton::InstantPopup);
    button->setFocusPolicy(Qt::TabFocus);
    QMenu menu;
    menu.addAction("Heading")->setEnabled(false);
    menu.addSeparator();
    QAction* first = menu.addAction("Parametric");
    menu.addAction("Low shelf");
    button->setMenu(&menu);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    auto activeOnOpen = [&](const std::function<void()>& open) {
        QPointer<QAction> active;
        QTimer::singleShot(0, [&] {
            active = menu.activeAction();
            menu.close();
        });
        open();
        return active.data();
    };
    button->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(activeOnOpen([&] { QTest::keyClick(button, Qt::Key_Space); }), first);
    EXPECT_EQ(activeOnOpen([&] { QTest::mouseClick(button, Qt::LeftButton); }), nullptr);
}

// Panes of controls are no Tab stops of their own: Tab goes to their controls.
TEST(KeyboardFocus, PanesOfControlsAreNoTabStops) {
    kestrel_test::WindowRig rig;
    for (const Page::Kind kind : {Page::Kind::mixer, Page::Kind::sources, Page::Kind::codes}) {
        rig.showPage(Page::of(kind));
        QList<QScrollArea*> panes = rig.pageView()->findChildren<QScrollArea*>();
        if (auto* self = qobject_cast<QScrollArea*>(rig.pageView())) panes << self;
        ASSERT_FALSE(panes.isEmpty()) << int(kind);
        for (QScrollArea* pane : panes) {
            EXPECT_FALSE(pane->focusPolicy() & Qt::TabFocus) << int(kind);
        }
    }
}

// A click takes the ring away, and with it the focus frame the style draws itself once Tab
// was pressed in the window: a choice box or a button clicked after Tab looks as one clicked
// before any key did. Tab brings the ring back.
TEST(KeyboardFocus, AClickTakesAwayTheStylesOwnFocusFrameToo) {
    QWidget window;
    auto* row = new QHBoxLayout(&window);
    auto* field = new QLineEdit;
    auto* box = new QComboBox;
    auto* button = new QPushButton("Press");
    box->addItems({"One", "Two"});
    row->addWidget(field);
    row->addWidget(box);
    row->addWidget(button);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::setActiveWindow(&window);
    const auto look = [&](QWidget& control) {
        return window.grab(QRect(control.mapTo(&window, QPoint(0, 0)), control.size()).adjusted(-4, -4, 4, 4))
            .toImage();
    };
    const auto click = [&](QWidget* control) {
        QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
        box->hidePopup();
        QApplication::processEvents();
        QApplication::setActiveWindow(&window);  // as the window manager does when a popup closes
        QApplication::processEvents();
        EXPECT_EQ(QApplication::focusWidget(), control);
    };
    click(box);
    const QImage clickedBox = look(*box);
    click(button);
    const QImage clickedButton = look(*button);

    field->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(field, Qt::Key_Tab);
    ASSERT_EQ(keyboardfocus::ringedWidget(), box);
    click(box);
    EXPECT_EQ(keyboardfocus::ringedWidget(), nullptr);
    EXPECT_EQ(look(*box), clickedBox);
    click(button);
    EXPECT_EQ(look(*button), clickedButton);
    QTest::keyClick(button, Qt::Key_Backtab);
    EXPECT_EQ(keyboardfocus::ringedWidget(), box);
}
