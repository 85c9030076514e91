// The device pages worked without a mouse, inside the connected window: by the keyboard
// alone (Tab, arrows, Space, Return) and by the actions an assistive tool calls. Each
// checks what reached the simulator and what a screen reader would read.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/MainWindow.h"
#include "app/controls/CompactNumberField.h"
#include "app/controls/Encoder.h"
#include "link/DSPModel.h"
#include "pages/ControlCodesView.h"
#include "pages/CrosspointInspector.h"
#include "pages/LevelSlider.h"
#include "pages/PageTesting.h"
#include "pages/PresetsView.h"
#include "pages/RoutingView.h"
#include "pages/SourcesView.h"
#include "support/AccessibleRoles.h"
#include "support/WindowRig.h"

using kestrel_test::WindowRig;
using pagetest::bits;

namespace {

constexpr quint16 writeCommand = 5;
constexpr quint16 recallCommand = 10;
constexpr quint16 listCommand = 8;
constexpr quint32 on = 0x100;
constexpr quint32 off = 0x101;

// The words of each write of one parameter the simulator received since the mark.
QList<DSPModel::Words> writesTo(const WindowRig& rig, qsizetype mark, quint32 number) {
    QList<DSPModel::Words> writes;
    for (const DSPFrame& frame : rig.receivedSince(mark, writeCommand))
        if (frame.words.size() > 1 && frame.words[1] == number) writes.append(frame.words.mid(2));
    return writes;
}

QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

// The window on one page, active so that it has a keyboard focus.
struct Keyboard {
    explicit Keyboard(WindowRig& rig, Page::Kind page) : rig(rig) {
        rig.showPage(Page::of(page));
        rig.window().activateWindow();
        active = QTest::qWaitForWindowActive(&rig.window());
    }

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
        rig.turn();
    }
    // The controls of the current page that Tab stops at, in order, from `start` round the
    // window until the focus is back at `start`.
    QList<QWidget*> tabStops(QWidget* start) {
        start->setFocus(Qt::TabFocusReason);
        QList<QWidget*> stops;
        for (int presses = 0; presses < 400; ++presses) {
            QWidget* focus = QApplication::focusWidget();
            if (rig.pageView()->isAncestorOf(focus) && kestrel_test::isInteractive(*accessible(focus)))
                stops.append(focus);
            press(Qt::Key_Tab);
            if (QApplication::focusWidget() == start) return stops;
        }
        ADD_FAILURE() << "Tab never came back";
        return stops;
    }
    bool settlesWith(qsizetype mark, quint32 number, qsizetype writes) {
        return rig.waitFor([&] { return writesTo(rig, mark, number).size() >= writes; }, 5);
    }

    WindowRig& rig;
    bool active = false;
};

void act(QObject* object, const QString& action) {
    QAccessibleActionInterface* actions = accessible(object)->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(action)) << action.toStdString();
    actions->doAction(action);
}

WindowRig::Options preparedWith(std::function<void(SimDevice&)> prepare) {
    WindowRig::Options options;
    options.prepare = [prepare](DeviceSimulator& simulator) { prepare(simulator.device()); };
    return options;
}

}  // namespace

// The squares of a grid are one Tab stop, the selected one; arrows move the selection and
// Space or Return switch the selected route, as a double-click does; an assistive tool's
// press selects and its toggle switches.
TEST(PagesByKeyboard, RoutingGridsAreWalkedWithArrowsAndSwitchedWithSpace) {
    WindowRig rig(preparedWith([](SimDevice& device) {
        for (quint32 p = 218; p <= 329; ++p) device.params[p] = {bits(0.0f), off};
        device.params[218] = {bits(-1.5f), off};
        device.params[267] = {bits(-2.5f), off};
        device.params[275] = {bits(-6.0f), off};
    }));
    Keyboard keys(rig, Page::Kind::routing);
    ASSERT_TRUE(keys.active);
    auto* view = rig.page<RoutingView>();
    ASSERT_NE(view, nullptr);
    const QList<GridView*>& grids = view->grids();
    CrosspointInspector* inspector = view->inspector();

    // Tab passes the grids without selecting; the arrows select.
    grids[0]->tabStop()->setFocus(Qt::TabFocusReason);
    keys.press(Qt::Key_Tab);
    EXPECT_FALSE(view->selected());
    keys.press(Qt::Key_Tab, Qt::ShiftModifier);
    keys.press(Qt::Key_Right);
    keys.press(Qt::Key_Left);
    EXPECT_EQ(view->selected(), 218u);

    const QList<QWidget*> stops = keys.tabStops(grids[0]->tabStop());
    const QList<QWidget*> expected{
        grids[0]->cells()[0],         grids[0]->resetButton(), grids[0]->clearButton(),
        grids[1]->cells()[0],         grids[1]->resetButton(), grids[1]->clearButton(),
        grids[2]->cells()[0],         grids[2]->resetButton(), grids[2]->clearButton(),
        inspector->connectedToggle(), inspector->knob(),       inspector->levelField()->lineEdit()};
    EXPECT_EQ(stops, expected);

    // The inspector's switch, reached by Tab, works the selected route by Space.
    const qsizetype before = rig.mark();
    for (int presses = 0; presses < 20 && QApplication::focusWidget() != inspector->connectedToggle();
         ++presses)
        keys.press(Qt::Key_Tab);
    EXPECT_EQ(view->selected(), 218u);
    keys.press(Qt::Key_Space);
    ASSERT_TRUE(keys.settlesWith(before, 218, 1));
    EXPECT_EQ(writesTo(rig, before, 218), (QList<DSPModel::Words>{{bits(-1.5f), on}}));

    // Into the third grid at its first square; the arrows stop at the grid's edge.
    grids[2]->tabStop()->setFocus(Qt::TabFocusReason);
    const qsizetype mark = rig.mark();
    for (int key : {Qt::Key_Left, Qt::Key_Up}) keys.press(key);
    EXPECT_EQ(view->selected(), 266u);
    for (int key : {Qt::Key_Right, Qt::Key_Down}) keys.press(key);
    EXPECT_EQ(view->selected(), 275u);
    EXPECT_EQ(QApplication::focusWidget(), grids[2]->cells()[9]);
    EXPECT_EQ(inspector->caption()->text(), QStringLiteral("CHB → OUT2"));
    EXPECT_EQ(accessible(grids[2]->cells()[9])->text(QAccessible::Name), QStringLiteral("CHB → OUT2"));
    EXPECT_TRUE(accessible(grids[2]->cells()[9])->state().focused);

    keys.press(Qt::Key_Space);
    ASSERT_TRUE(keys.settlesWith(mark, 275, 1));
    EXPECT_TRUE(accessible(grids[2]->cells()[9])->state().checked);
    keys.press(Qt::Key_Return);
    ASSERT_TRUE(keys.settlesWith(mark, 275, 2));
    EXPECT_EQ(writesTo(rig, mark, 275),
              (QList<DSPModel::Words>{{bits(-6.0f), on}, {bits(-6.0f), off}}));  // the level stays
    EXPECT_TRUE(writesTo(rig, mark, 266).isEmpty());                             // moving wrote nothing
    EXPECT_TRUE(writesTo(rig, mark, 267).isEmpty());

    // Leaving and coming back lands on the square last selected there.
    keys.press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), grids[2]->resetButton());
    keys.press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), grids[2]->cells()[9]);

    // An assistive tool: press selects without writing, toggle selects and switches.
    CrosspointCell* square = grids[2]->cells()[1];
    act(square, QAccessibleActionInterface::pressAction());
    EXPECT_EQ(view->selected(), 267u);
    act(square, QAccessibleActionInterface::toggleAction());
    ASSERT_TRUE(keys.settlesWith(mark, 267, 1));
    EXPECT_EQ(writesTo(rig, mark, 267), (QList<DSPModel::Words>{{bits(-2.5f), on}}));
    EXPECT_TRUE(accessible(square)->state().checked);
}
