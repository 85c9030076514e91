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

#include <algorithm>
#include <bit>
#include <functional>

#include "editor/EditorKit.h"
#include "link/DSPModel.h"
#include "pages/ControlCodesView.h"
#include "pages/CrosspointInspector.h"
#include "pages/PageTesting.h"
#include "pages/PresetsView.h"
#include "pages/RoutingView.h"
#include "pages/SourcesView.h"
#include "shell/MainWindow.h"
#include "support/AccessibleRoles.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/NumberField.h"
#include "ui/controls/UnitSlider.h"

using kestrel_test::WindowRig;
using pagetest::bits;

using kestrel_test::accessibleOf;
using kestrel_test::doAccessibleAction;
using kestrel_test::reachedInWalk;

namespace {

constexpr quint16 writeCommand = 5;
constexpr quint16 listCommand = 8;
constexpr quint16 storeCommand = 9;
constexpr quint16 recallCommand = 10;
constexpr quint16 deleteCommand = 18;
constexpr quint32 on = 0x100;
constexpr quint32 off = 0x101;

// The words of each write of one parameter the simulator received since the mark.
QList<DSPModel::Words> writesTo(const WindowRig& rig, qsizetype mark, quint32 number) {
    QList<DSPModel::Words> writes;
    for (const DSPFrame& frame : rig.receivedSince(mark, writeCommand))
        if (frame.words.size() > 1 && frame.words[1] == number) writes.append(frame.words.mid(2));
    return writes;
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
        QList<QWidget*> stops;
        for (QWidget* stop : kestrel_test::tabRound(start, [this] { press(Qt::Key_Tab); }))
            if (rig.pageView()->isAncestorOf(stop) && kestrel_test::isInteractive(*accessibleOf(stop)))
                stops.append(stop);
        EXPECT_EQ(QApplication::focusWidget(), start) << "Tab never came back";
        return stops;
    }
    bool settlesWith(qsizetype mark, quint32 number, qsizetype writes) {
        return rig.waitFor([&] { return writesTo(rig, mark, number).size() >= writes; }, 5);
    }

    WindowRig& rig;
    bool active = false;
};

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
    EXPECT_EQ(accessibleOf(grids[2]->cells()[9])->text(QAccessible::Name), QStringLiteral("CHB → OUT2"));
    EXPECT_TRUE(accessibleOf(grids[2]->cells()[9])->state().focused);

    keys.press(Qt::Key_Space);
    ASSERT_TRUE(keys.settlesWith(mark, 275, 1));
    EXPECT_TRUE(accessibleOf(grids[2]->cells()[9])->state().checked);
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
    doAccessibleAction(square, QAccessibleActionInterface::pressAction());
    EXPECT_EQ(view->selected(), 267u);
    doAccessibleAction(square, QAccessibleActionInterface::toggleAction());
    ASSERT_TRUE(keys.settlesWith(mark, 267, 1));
    EXPECT_EQ(writesTo(rig, mark, 267), (QList<DSPModel::Words>{{bits(-2.5f), on}}));
    EXPECT_TRUE(accessibleOf(square)->state().checked);
}

// Walking round the page only moves the focus: a field passed by Tab sends nothing back,
// even when the device holds a level the field shows rounded.
TEST(PagesByKeyboard, TabbingRoundTheSourcesWritesNothing) {
    WindowRig rig(preparedWith([](SimDevice& device) { device.params[343] = {1000, bits(-20.04f), 0}; }));
    Keyboard keys(rig, Page::Kind::sources);
    ASSERT_TRUE(keys.active);
    auto* view = rig.page<SourcesView>();
    ASSERT_NE(view, nullptr);
    const qsizetype mark = rig.mark();
    const QList<QWidget*> stops = keys.tabStops(view->sourcePicker(0)->segment(0));
    ASSERT_TRUE(stops.contains(view->frequencyField()->lineEdit()));
    ASSERT_TRUE(stops.contains(view->generatorRow(Generator::sine).level->lineEdit()));
    rig.model().write(342, rig.model().words(342, 1));  // frames arrive in order: a marker
    ASSERT_TRUE(keys.settlesWith(mark, 342, 1));
    EXPECT_EQ(rig.receivedSince(mark, writeCommand).size(), 1);
}

// Every control of the sources page takes Tab; a segment or a generator chosen by an arrow
// or an assistive tool writes what its click writes; the level sliders speak in dBu and a
// key that leaves the level where it is sends nothing.
TEST(PagesByKeyboard, SourcesAreChosenAndLevelsSetWithoutAMouse) {
    WindowRig rig(preparedWith([](SimDevice& device) {
        device.params[342] = {1};  // pink noise feeds the test signal
        for (quint32 input = 0; input < 4; ++input) {
            device.params[346 + input] = {0};
            device.params[350 + input] = {0};  // analog
        }
        device.params[344] = {bits(-20.0f), 0};
    }));
    Keyboard keys(rig, Page::Kind::sources);
    ASSERT_TRUE(keys.active);
    auto* view = rig.page<SourcesView>();
    ASSERT_NE(view, nullptr);

    SegmentedPicker* source = view->sourcePicker(1);
    const QList<QWidget*> stops = keys.tabStops(source->segment(0));
    QList<QWidget*> everyControl;
    for (int input = 0; input < 4; ++input)
        for (int i = 0; i < 4; ++i) everyControl << view->sourcePicker(input)->segment(i);
    for (Generator g : Generator::allCases()) {
        const SourcesView::GeneratorRow& row = view->generatorRow(g);
        everyControl << row.power << row.slider << row.level->lineEdit();
    }
    everyControl << view->frequencyField()->lineEdit();
    for (QWidget* control : everyControl)
        EXPECT_TRUE(reachedInWalk(stops, control))
            << accessibleOf(control)->text(QAccessible::Name).toStdString();
    EXPECT_TRUE(stops.contains(source->segment(0))) << "an input's sources are one stop, on its source";
    EXPECT_FALSE(stops.contains(source->segment(1)));
    // The generators are one radio group: Tab stops at one of them, the arrows reach the rest.
    EXPECT_TRUE(std::any_of(stops.begin(), stops.end(),
                            [](QWidget* stop) { return qobject_cast<QRadioButton*>(stop); }));
    for (Generator g : Generator::allCases()) EXPECT_NE(view->generatorChoice(g)->focusPolicy(), Qt::NoFocus);

    // An input's source: by arrow, then by an assistive tool's toggle, each as its click.
    qsizetype mark = rig.mark();
    source->segment(0)->setFocus(Qt::TabFocusReason);
    keys.press(Qt::Key_Right);  // "AES"
    ASSERT_TRUE(keys.settlesWith(mark, 351, 1));
    doAccessibleAction(source->segment(2), QAccessibleActionInterface::toggleAction());  // "Dante"
    ASSERT_TRUE(keys.settlesWith(mark, 351, 2));
    EXPECT_EQ(writesTo(rig, mark, 351), (QList<DSPModel::Words>{{2}, {1}}));
    EXPECT_EQ(writesTo(rig, mark, 347), (QList<DSPModel::Words>{{0}, {0}}));
    rig.turn();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(accessibleOf(source->segment(i))->state().checked, i == 2) << i;
    // On to "Test Signal" asks first, as its click does; cancelled, nothing is written.
    source->segment(2)->setFocus(Qt::TabFocusReason);
    keys.press(Qt::Key_Right);
    EXPECT_EQ(rig.dialogs.asked.last().title, QStringLiteral("Route the test signal to this input?"));
    EXPECT_EQ(source->current(), QString::number(2));
    rig.model().write(351, {1});  // frames arrive in order: what the cancel sent is in before this
    ASSERT_TRUE(keys.settlesWith(mark, 351, 3));
    EXPECT_EQ(writesTo(rig, mark, 347).size(), 2);

    // The generator: by arrow from the chosen one, then by an assistive tool's toggle.
    mark = rig.mark();
    view->generatorChoice(Generator::pink)->setFocus(Qt::TabFocusReason);
    keys.press(Qt::Key_Right);
    ASSERT_TRUE(keys.settlesWith(mark, 342, 1));
    doAccessibleAction(view->generatorChoice(Generator::sine), QAccessibleActionInterface::toggleAction());
    ASSERT_TRUE(keys.settlesWith(mark, 342, 2));
    EXPECT_EQ(writesTo(rig, mark, 342), (QList<DSPModel::Words>{{2}, {0}}));
    rig.turn();
    for (Generator g : Generator::allCases())
        EXPECT_EQ(view->generatorChoice(g)->isChecked(), g == Generator::sine) << g.name().toStdString();

    // The pink level, in the unit the page prints.
    UnitSlider* slider = view->generatorRow(Generator::pink).slider;
    QAccessibleInterface* level = accessibleOf(slider);
    QAccessibleValueInterface* value = level->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toDouble(), -20.0);
    EXPECT_EQ(value->minimumValue().toDouble(), -90.0);
    EXPECT_EQ(value->maximumValue().toDouble(), 0.0);
    EXPECT_EQ(level->text(QAccessible::Value), QStringLiteral("-20.0 dBu"));

    // One step at a time: the model sends only the newest of writes that come together.
    mark = rig.mark();
    slider->setFocus(Qt::TabFocusReason);
    const std::pair<std::function<void()>, float> steps[] = {
        {[&] { keys.press(Qt::Key_Up); }, -19.9f},
        {[&] { keys.press(Qt::Key_PageUp); }, -18.9f},
        {[&] { value->setCurrentValue(-45.66); }, -45.7f},
        {[&] { doAccessibleAction(slider, QAccessibleActionInterface::decreaseAction()); }, -45.8f},
        {[&] { keys.press(Qt::Key_End); }, 0.0f},
    };
    for (const auto& [step, stored] : steps) {
        const qsizetype before = writesTo(rig, mark, 344).size();
        step();
        ASSERT_TRUE(keys.settlesWith(mark, 344, before + 1)) << stored;
        EXPECT_EQ(writesTo(rig, mark, 344).last(), (DSPModel::Words{bits(stored), 0}));
    }
    EXPECT_EQ(level->text(QAccessible::Value), QStringLiteral("0.0 dBu"));

    // At the top of the range the keys and the tool's increase leave the level alone.
    keys.press(Qt::Key_Up);
    keys.press(Qt::Key_PageUp);
    doAccessibleAction(slider, QAccessibleActionInterface::increaseAction());
    value->setCurrentValue(-0.04);
    EXPECT_EQ(level->text(QAccessible::Value), QStringLiteral("0.0 dBu"));
    keys.press(Qt::Key_Tab, Qt::ShiftModifier);  // to "Power"
    EXPECT_EQ(QApplication::focusWidget(), view->generatorRow(Generator::pink).power);
    keys.press(Qt::Key_Space);
    ASSERT_TRUE(keys.settlesWith(mark, 344, std::size(steps) + 1));
    EXPECT_EQ(writesTo(rig, mark, 344).last(),
              (DSPModel::Words{bits(0.0f), 1}));  // switched off, nothing between
}

// The generators answer every arrow as a row of segments does: up and left go back, down
// and right go on, each a click on the neighbour; at either end nothing is written.
TEST(PagesByKeyboard, EveryArrowMovesTheGeneratorChoice) {
    WindowRig rig(preparedWith([](SimDevice& device) { device.params[342] = {1}; }));  // pink
    Keyboard keys(rig, Page::Kind::sources);
    ASSERT_TRUE(keys.active);
    auto* view = rig.page<SourcesView>();
    ASSERT_NE(view, nullptr);
    view->generatorChoice(Generator::pink)->setFocus(Qt::TabFocusReason);
    const qsizetype mark = rig.mark();
    // One key at a time: the model sends only the newest of writes that come together.
    qsizetype writes = 0;
    for (int key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Up}) {
        keys.press(key);
        ASSERT_TRUE(keys.settlesWith(mark, 342, ++writes)) << key;
    }
    for (int key : {Qt::Key_Up, Qt::Key_Left}) keys.press(key);
    rig.model().write(343, rig.model().words(343, 3));  // frames arrive in order: a marker after the keys
    ASSERT_TRUE(keys.settlesWith(mark, 343, 1));
    EXPECT_EQ(writesTo(rig, mark, 342), (QList<DSPModel::Words>{{2}, {1}, {0}}));
    EXPECT_EQ(QApplication::focusWidget(), view->generatorChoice(Generator::sine));
    EXPECT_TRUE(view->generatorChoice(Generator::sine)->isChecked());
}

// The request is composed and copied from the keyboard; the repeated − and + read as what
// they change and the pickers by their captions.
TEST(PagesByKeyboard, ControlCodesAreComposedAndCopiedWithoutAMouse) {
    WindowRig rig;
    Keyboard keys(rig, Page::Kind::codes);
    ASSERT_TRUE(keys.active);
    auto* view = rig.page<ControlCodesView>();
    ASSERT_NE(view, nullptr);

    // "Matrix Mixer" by arrows on the "Control" picker, "Set" by an arrow on the type.
    view->controlPicker()->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 3; ++i) keys.press(Qt::Key_Down);
    EXPECT_EQ(view->request().control, CentralControl::Control::matrix);
    view->kindPicker()->segment(0)->setFocus(Qt::TabFocusReason);
    keys.press(Qt::Key_Right);
    EXPECT_EQ(view->request().kind, CentralControl::Kind::set);

    for (const auto& [picker, caption] :
         {std::pair<QComboBox*, QString>{view->controlPicker(), QStringLiteral("Control")},
          {view->channelPicker(), QStringLiteral("Channel")},
          {view->sidePicker(), QStringLiteral("Input/Output")},
          {view->modePicker(), QStringLiteral("Mode")}})
        EXPECT_EQ(accessibleOf(picker)->text(QAccessible::Name),
                  caption + QStringLiteral(": ") + picker->currentText());
    const auto names = [](Stepper* stepper) {
        return QStringList{accessibleOf(stepper->minusButton())->text(QAccessible::Name),
                           accessibleOf(stepper->plusButton())->text(QAccessible::Name)};
    };
    EXPECT_EQ(names(view->inputChannelStepper()), (QStringList{"Input channel −", "Input channel +"}));
    EXPECT_EQ(names(view->outputChannelStepper()), (QStringList{"Output channel −", "Output channel +"}));
    EXPECT_EQ(names(view->sceneStepper()), (QStringList{"Scene −", "Scene +"}));

    // From "Set", the chosen type: the type is one stop.
    const QList<QWidget*> stops = keys.tabStops(view->kindPicker()->segment(1));
    EXPECT_FALSE(stops.contains(view->kindPicker()->segment(0)));
    for (QWidget* control :
         {static_cast<QWidget*>(view->kindPicker()->segment(1)), static_cast<QWidget*>(view->controlPicker()),
          static_cast<QWidget*>(view->inputChannelStepper()->minusButton()),
          static_cast<QWidget*>(view->inputChannelStepper()->plusButton()),
          static_cast<QWidget*>(view->outputChannelStepper()->minusButton()),
          static_cast<QWidget*>(view->outputChannelStepper()->plusButton()),
          static_cast<QWidget*>(view->onToggle()), static_cast<QWidget*>(view->copyButton())})
        EXPECT_TRUE(stops.contains(control)) << accessibleOf(control)->text(QAccessible::Name).toStdString();

    // Space on a focused "+", an assistive tool's press on another, Space on "On".
    view->outputChannelStepper()->plusButton()->setFocus(Qt::TabFocusReason);
    keys.press(Qt::Key_Space);
    doAccessibleAction(view->inputChannelStepper()->plusButton(), QAccessibleActionInterface::pressAction());
    view->onToggle()->setFocus(Qt::TabFocusReason);
    keys.press(Qt::Key_Space);
    EXPECT_EQ(view->request().outChannel, 2);
    EXPECT_EQ(view->request().channel, 2);
    EXPECT_FALSE(view->request().on);
    EXPECT_EQ(view->codeLabel()->text(), view->codeText());

    view->copyButton()->setFocus(Qt::TabFocusReason);
    keys.press(Qt::Key_Return);
    EXPECT_EQ(rig.dialogs.clipboard, view->codeText());
    EXPECT_EQ(accessibleOf(view->copyButton())->text(QAccessible::Name), QStringLiteral("Copied"));
}

// A slot is chosen in the list with the arrows; its buttons and "Refresh list" are reached
// by Tab and pressed by Space or Return, each asking first where its click asks.
TEST(PagesByKeyboard, PresetsAreRecalledStoredAndDeletedWithoutAMouse) {
    WindowRig::Options options;
    options.prepare = [](DeviceSimulator& simulator) {
        SimPresetBank& bank = simulator.device().presets;
        bank.occupied |= 1u << 5;
        bank.names[5] = QStringLiteral("Vocals");
    };
    WindowRig rig(options);
    Keyboard keys(rig, Page::Kind::presets);
    ASSERT_TRUE(keys.active);
    auto* view = rig.page<PresetsView>();
    ASSERT_NE(view, nullptr);

    view->slotList()->setFocus(Qt::TabFocusReason);
    keys.press(Qt::Key_Home);
    for (int i = 0; i < 5; ++i) keys.press(Qt::Key_Down);
    ASSERT_EQ(view->selected(), 5);

    const QList<QWidget*> stops = keys.tabStops(view->slotList());
    EXPECT_EQ(stops, (QList<QWidget*>{view->nameField(), view->storeButton(), view->recallButton(),
                                      view->deleteButton(), view->refreshButton()}));

    const auto pressed = [&](QPushButton* button, int key, quint16 command) {
        const qsizetype mark = rig.mark();
        button->setFocus(Qt::TabFocusReason);
        keys.press(key);
        return rig.waitFor(
            [&] { return !rig.receivedSince(mark, command).isEmpty() && !rig.model().presetBusy(); }, 5);
    };
    rig.dialogs.confirmAnswers.enqueue(true);
    ASSERT_TRUE(pressed(view->recallButton(), Qt::Key_Space, recallCommand));
    EXPECT_EQ(rig.dialogs.asked.last().title, QStringLiteral("Recall \"Vocals\"?"));
    EXPECT_EQ(view->message(), QStringLiteral("Done."));
    EXPECT_EQ(QApplication::focusWidget(), view->recallButton());  // back where the user was

    ASSERT_TRUE(pressed(view->refreshButton(), Qt::Key_Return, listCommand));

    rig.dialogs.confirmAnswers.enqueue(false);
    const qsizetype beforeDelete = rig.mark();
    view->deleteButton()->setFocus(Qt::TabFocusReason);
    keys.press(Qt::Key_Return);
    EXPECT_EQ(rig.dialogs.asked.last().title, QStringLiteral("Delete \"Vocals\"?"));
    EXPECT_TRUE(rig.receivedSince(beforeDelete, deleteCommand).isEmpty());

    rig.dialogs.confirmAnswers.enqueue(true);
    ASSERT_TRUE(pressed(view->storeButton(), Qt::Key_Space, storeCommand));
    EXPECT_EQ(rig.dialogs.asked.last().title, QStringLiteral("Overwrite \"Vocals\"?"));
    EXPECT_EQ(rig.simulator.device().presets.names[5].trimmed(), QStringLiteral("Vocals"));
}
