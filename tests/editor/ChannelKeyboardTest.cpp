// The channel editor worked without a mouse, in the window connected to the simulator: by the
// keyboard (Tab, Space, arrows, Ctrl+PageUp/PageDown) and by the actions assistive tools
// call. Each gesture must write what the click writes and show what the click shows.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <bit>

#include "editor/BandColumn.h"
#include "editor/BandColumns.h"
#include "editor/ChannelView.h"
#include "editor/DEQBox.h"
#include "editor/DynamicsBoxes.h"
#include "editor/EditorKit.h"
#include "editor/FIRBox.h"
#include "editor/FiltersDelayPanel.h"
#include "link/ParamMap.h"
#include "shell/MainWindow.h"
#include "support/AccessibleRoles.h"
#include "support/Visible.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/FIRSendBar.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/FlatButton.h"
#include "ui/controls/Tag.h"

using kestrel_test::WindowRig;
using Words = DSPModel::Words;

using kestrel_test::accessibleOf;
using kestrel_test::describeControl;
using kestrel_test::doFirstAccessibleAction;
using kestrel_test::reachedInWalk;

namespace {

constexpr quint16 writeCommand = 5;

// A channel page in the connected window, with the keyboard's window active.
class Editor {
public:
    explicit Editor(int ch, const QString& tab = ChannelTab::eq) : rig(options(ch, tab)) {
        qunsetenv(ChannelTab::environmentVariable);
        rig.window().activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&rig.window()));
        rig.turn();
    }

    ChannelView& view() { return *rig.page<ChannelView>(); }

    // The words of every write of `address` the simulator received since the mark.
    QList<Words> writesTo(qsizetype mark, quint32 address) const {
        QList<Words> writes;
        for (const DSPFrame& frame : rig.receivedSince(mark, writeCommand))
            if (frame.words.size() > 1 && frame.words[1] == address) writes.append(frame.words.mid(2));
        return writes;
    }
    // The last write of `address` since the mark, once it arrived.
    Words written(qsizetype mark, quint32 address) {
        rig.waitFor([&] { return !writesTo(mark, address).isEmpty(); }, 5);
        const QList<Words> writes = writesTo(mark, address);
        return writes.isEmpty() ? Words{} : writes.last();
    }

    // Runs `inside` once the menu a gesture opens is up (the menu runs its own event loop),
    // then closes whatever is still open and gives the window back the keyboard, as the
    // window manager does when a menu closes.
    QMenu* withMenu(const std::function<void()>& open, const std::function<void(QMenu&)>& inside) {
        QPointer<QMenu> opened;
        QTimer::singleShot(0, [&] {
            opened = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (opened) inside(*opened);
            if (QWidget* left = QApplication::activePopupWidget()) left->close();
        });
        open();
        rig.window().activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&rig.window()));
        rig.turn();
        return opened;
    }

    // Whether the ring in the accent colour stands round the widget on screen.
    bool ringed(QWidget& widget) {
        rig.turn();
        const QRect around = rig.onScreenRect(widget).adjusted(-3, -3, 3, 3);
        const QColor ring = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
        return kestrel_test::countNear(rig.onScreen(), around, ring, 40) > around.width();
    }

    WindowRig rig;

private:
    static WindowRig::Options options(int ch, const QString& tab) {
        qputenv(ChannelTab::environmentVariable, tab.toUtf8());
        WindowRig::Options options;
        options.startPage = QString::number(ch);
        return options;
    }
};

// Walks a menu with a key (the down arrow or Tab) to the entry of that title and chooses it
// with Return.
void chooseByKeys(QMenu& menu, const QString& title, Qt::Key key = Qt::Key_Down) {
    for (int step = 0; step <= menu.actions().size(); ++step) {
        if (menu.activeAction() && menu.activeAction()->text() == title) break;
        QTest::keyClick(&menu, key);
    }
    QTest::keyClick(&menu, Qt::Key_Return);
}

// Presses Tab from `from` until the focus reaches `target`, within a few presses.
bool tabTo(QWidget* from, QWidget* target) {
    from->setFocus(Qt::TabFocusReason);
    for (int press = 0; press < 12 && QApplication::focusWidget() != target; ++press)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    return QApplication::focusWidget() == target;
}

// The widgets Tab stops at, in order, starting from `first` and going once round the window.
QList<QWidget*> tabWalk(QWidget* first) {
    return kestrel_test::tabRound(first, [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); });
}

// Controls a user operates, shown and enabled, that the walk must reach. The FIR send bar
// has a test of its own.
QList<QWidget*> operable(QWidget& page) {
    QList<QWidget*> controls;
    for (QWidget* widget : page.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&page) || !widget->isEnabled()) continue;
        bool inSendBar = false;
        for (QWidget* up = widget; up && !inSendBar; up = up->parentWidget())
            inSendBar = qobject_cast<FIRSendBar*>(up) != nullptr;
        QAccessibleInterface* element = accessibleOf(widget);
        if (!inSendBar && element && kestrel_test::isInteractive(*element)) controls.append(widget);
    }
    return controls;
}

}  // namespace

// The tab picker is reached by Tab after Copy to…, on the tab shown; the arrow keys, Space
// on a segment and a segment's accessible action switch the page as a click does, one
// segment checked.
TEST(ChannelKeyboard, TheTabPickerSwitchesByKeysAndAccessibleActionsAsByAClick) {
    Editor editor(0);
    ChannelView& view = editor.view();
    SegmentedPicker& picker = *view.tabPicker();
    const auto shows = [&](const QString& tab) {
        editor.rig.turn();
        int checked = 0;
        for (int i = 0; i < 3; ++i) checked += picker.segment(i)->isChecked();
        return editor.rig.settings.text(ChannelTab::settingsKey) == tab && checked == 1 &&
               picker.current() == tab;
    };
    ASSERT_TRUE(tabTo(view.copyToButton(), picker.segment(0)));  // the tab shown
    QTest::keyClick(picker.segment(0), Qt::Key_Right);
    EXPECT_TRUE(shows(ChannelTab::fir));
    EXPECT_EQ(QApplication::focusWidget(), picker.segment(1));
    EXPECT_NE(view.tabContent()->findChild<FIRBox*>(), nullptr);
    QTest::keyClick(picker.segment(1), Qt::Key_Right);
    EXPECT_TRUE(shows(ChannelTab::dynamics));
    EXPECT_NE(view.tabContent()->findChild<DEQBox*>(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), picker.segment(2));
    QTest::keyClick(picker.segment(2), Qt::Key_Left);
    QTest::keyClick(picker.segment(1), Qt::Key_Left);
    EXPECT_TRUE(shows(ChannelTab::eq));
    EXPECT_NE(view.eqGraph(), nullptr);
    picker.segment(2)->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(picker.segment(2), Qt::Key_Space);
    EXPECT_TRUE(shows(ChannelTab::dynamics));

    for (int i : {1, 2, 0}) {
        doFirstAccessibleAction(picker.segment(i));
        EXPECT_TRUE(shows(i == 1 ? ChannelTab::fir : i == 2 ? ChannelTab::dynamics : ChannelTab::eq)) << i;
    }
}

// Ctrl+PageDown and Ctrl+PageUp step through the tabs round the end, as the picker's
// segments do; text typed and not yet committed in the tab that goes away reaches the device
// first, and the keyboard lands on the chosen tab's segment rather than nowhere.
TEST(ChannelKeyboard, CtrlPageKeysStepThroughTheTabsAndCommitTypedText) {
    Editor editor(4);
    ChannelView& view = editor.view();
    const quint32 band = ParamMap::eqBandParam(4, 1);
    QLineEdit* gain = view.bandColumns()->column(1)->gainField()->lineEdit();
    gain->setFocus(Qt::TabFocusReason);
    gain->selectAll();
    QTest::keyClicks(gain, QStringLiteral("4.5"));
    const qsizetype mark = editor.rig.mark();

    QTest::keyClick(gain, Qt::Key_PageDown, Qt::ControlModifier);
    editor.rig.turn();
    EXPECT_EQ(std::bit_cast<float>(editor.written(mark, band).value(1)), 4.5f);
    EXPECT_EQ(editor.rig.settings.text(ChannelTab::settingsKey), ChannelTab::fir);
    EXPECT_NE(view.tabContent()->findChild<FIRBox*>(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), view.tabPicker()->segment(1)) << "the keyboard is on the FIR tab";

    const auto press = [&](Qt::Key key) {
        QTest::keyClick(QApplication::focusWidget(), key, Qt::ControlModifier);
        editor.rig.turn();
        return editor.rig.settings.text(ChannelTab::settingsKey);
    };
    EXPECT_EQ(press(Qt::Key_PageDown), ChannelTab::dynamics);
    EXPECT_NE(view.tabContent()->findChild<CompressorBox*>(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), view.tabPicker()->segment(2)) << "the keyboard follows the tab";
    EXPECT_EQ(press(Qt::Key_PageDown), ChannelTab::eq);
    EXPECT_NE(view.eqGraph(), nullptr);
    EXPECT_EQ(press(Qt::Key_PageUp), ChannelTab::dynamics);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(view.tabPicker()->segment(i)->isChecked(), i == 2) << i;
}

// MUTE reads as checked while muted, and Space and the accessible toggle write exactly what
// a click writes. The copy-to menu opens by Space and by the accessible action, is walked by
// the arrow keys and gives the focus back to its button; every way copies the same words.
TEST(ChannelKeyboard, MuteAndCopyToWorkByKeysAndAccessibleActionsAsByAClick) {
    Editor editor(4);
    ChannelView& view = editor.view();
    FlatButton* mute = view.muteButton();
    const quint32 gainParam = 5;
    qsizetype mark = editor.rig.mark();
    mute->click();
    const Words clickMutes = editor.written(mark, gainParam);
    ASSERT_EQ(clickMutes.value(1) & 1, 1u);
    mark = editor.rig.mark();
    mute->click();
    const Words clickUnmutes = editor.written(mark, gainParam);
    ASSERT_EQ(clickUnmutes.value(1) & 1, 0u);
    editor.rig.turn();

    ASSERT_TRUE(tabTo(view.gainKnob()->field()->lineEdit(), mute));
    EXPECT_TRUE(editor.ringed(*mute));
    mark = editor.rig.mark();
    QTest::keyClick(mute, Qt::Key_Space);
    EXPECT_EQ(editor.written(mark, gainParam), clickMutes);
    editor.rig.turn();
    EXPECT_TRUE(accessibleOf(mute)->state().checked) << "a muted channel's MUTE reads as checked";
    mark = editor.rig.mark();
    doFirstAccessibleAction(mute);
    EXPECT_EQ(editor.written(mark, gainParam), clickUnmutes);
    editor.rig.turn();
    EXPECT_FALSE(accessibleOf(mute)->state().checked);

    // OUT 2 by keys, OUT 3 by the accessible action, OUT 4 by a click on its entry: each
    // receives this channel's gain, as every copy does.
    editor.rig.model().setGain(4, -7.5f);
    QToolButton* copyTo = view.copyToButton();
    ASSERT_TRUE(tabTo(mute, copyTo));
    EXPECT_TRUE(editor.ringed(*copyTo));
    kestrel_test::saveScreenshot(editor.rig.window(), QStringLiteral("channel-copy-to-by-keys"));
    mark = editor.rig.mark();
    QMenu* opened = editor.withMenu([&] { QTest::keyClick(copyTo, Qt::Key_Space); },
                                    [](QMenu& menu) { chooseByKeys(menu, QStringLiteral("OUT 2")); });
    EXPECT_EQ(opened, copyTo->menu());
    EXPECT_EQ(QApplication::focusWidget(), copyTo) << "the focus comes back to the button";
    EXPECT_EQ(accessibleOf(copyTo)->role(), QAccessible::ButtonMenu);
    opened = editor.withMenu([&] { doFirstAccessibleAction(copyTo); },
                             [](QMenu& menu) { chooseByKeys(menu, QStringLiteral("OUT 3")); });
    EXPECT_EQ(opened, copyTo->menu()) << "the accessible action opens the menu";
    copyTo->menu()->actions()[2]->trigger();  // OUT 4, as a click on the entry
    const Words source = editor.rig.model().words(gainParam, 2);
    for (int target : {5, 6, 7}) EXPECT_EQ(editor.written(mark, quint32(target + 1)), source) << target;
}

// The badges are labels a screen reader reads as the screen shows them.
TEST(ChannelKeyboard, BadgesReadAsLabels) {
    Editor editor(4);
    editor.rig.model().setGroup(4, 3);
    editor.rig.model().write(391 + 4, {0}, std::nullopt, false);
    editor.rig.turn();
    QStringList read;
    for (Tag* tag : editor.view().badges()) {
        EXPECT_EQ(accessibleOf(tag)->role(), QAccessible::StaticText);
        read << accessibleOf(tag)->text(QAccessible::Name);
    }
    EXPECT_EQ(read,
              (QStringList{QStringLiteral("Output"), QStringLiteral("Group 3"), QStringLiteral("FIR on")}));
}

// The band type button is named by the type it shows; its menu opens by Space and by the
// accessible action, and a type chosen with the arrow keys or Tab writes what a click on the
// entry writes. The Q knob rebuilt for the new type's range keeps its place in the Tab order.
TEST(ChannelKeyboard, BandTypeMenuWorksByKeysAndAccessibleActionAsByAClick) {
    Editor editor(4);
    ChannelView& view = editor.view();
    const Words start{1000, std::bit_cast<quint32>(3.0f), std::bit_cast<quint32>(4.0f), 0};
    // The device holds the starting bands before anything is marked: a meter read may keep
    // their writes queued past this turn.
    for (int b : {1, 2, 3}) editor.rig.model().write(ParamMap::eqBandParam(4, b), start);
    ASSERT_TRUE(editor.rig.waitFor([&] {
        for (int b : {1, 2, 3})
            if (editor.rig.simulator.device().params.value(ParamMap::eqBandParam(4, b)) != start)
                return false;
        return true;
    }));
    BandColumn* keyed = view.bandColumns()->column(1);
    EXPECT_EQ(accessibleOf(keyed->typeButton())->text(QAccessible::Name), QStringLiteral("Band 2 type: PEQ"));
    EXPECT_EQ(accessibleOf(keyed->typeButton())->text(QAccessible::Value), QStringLiteral("PEQ"));

    const qsizetype mark = editor.rig.mark();
    ASSERT_TRUE(tabTo(keyed->onToggle(), keyed->typeButton()));
    EXPECT_TRUE(editor.ringed(*keyed->typeButton()));
    kestrel_test::saveScreenshot(editor.rig.window(), QStringLiteral("channel-band-type-by-keys"));
    editor.withMenu([&] { QTest::keyClick(keyed->typeButton(), Qt::Key_Space); },
                    [](QMenu& menu) { chooseByKeys(menu, QStringLiteral("Low shelf")); });
    const Words byKeys = editor.written(mark, ParamMap::eqBandParam(4, 1));
    view.bandColumns()->column(2)->typeButton()->menu()->actions()[1]->trigger();  // a click on "Low shelf"
    EXPECT_EQ(editor.written(mark, ParamMap::eqBandParam(4, 2)), byKeys);
    EXPECT_EQ(byKeys.value(3) & 0xFF, 1u);
    EXPECT_EQ(std::bit_cast<float>(byKeys.value(2)), 1.0f);
    editor.rig.turn();
    EXPECT_EQ(accessibleOf(keyed->typeButton())->text(QAccessible::Value), QStringLiteral("Lo shelf"));

    // Opened again, the menu starts on the band's own type: Return at once keeps the shelf.
    QString startedOn;
    editor.withMenu([&] { QTest::keyClick(keyed->typeButton(), Qt::Key_Space); },
                    [&](QMenu& menu) {
                        if (menu.activeAction()) startedOn = menu.activeAction()->text();
                        QTest::keyClick(&menu, Qt::Key_Return);
                    });
    EXPECT_EQ(startedOn, QStringLiteral("Low shelf"));
    EXPECT_EQ(editor.written(mark, ParamMap::eqBandParam(4, 1)).value(3) & 0xFF, 1u);

    BandColumn* acted = view.bandColumns()->column(3);
    editor.withMenu([&] { doFirstAccessibleAction(acted->typeButton()); },
                    [](QMenu& menu) { chooseByKeys(menu, QStringLiteral("High shelf"), Qt::Key_Tab); });
    EXPECT_EQ(editor.written(mark, ParamMap::eqBandParam(4, 3)).value(3) & 0xFF, 2u);

    editor.rig.turn();
    keyed->gainField()->lineEdit()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), keyed->qKnob());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), keyed->qField()->lineEdit());
}

// Tab into a band's controls selects the band, in the columns and on the graph, as a click
// on its column does; passing through writes nothing. A still click on a knob selects its band
// too and writes nothing.
TEST(ChannelKeyboard, TabIntoABandSelectsItAndWritesNothing) {
    Editor editor(4);
    ChannelView& view = editor.view();
    BandColumns& bands = *view.bandColumns();
    const auto selected = [&](int band) {
        return bands.selected() == band && view.selectedBand() == band && bands.column(band)->isSelected();
    };
    ASSERT_TRUE(selected(0));
    const qsizetype mark = editor.rig.mark();
    ASSERT_TRUE(tabTo(bands.column(1)->qField()->lineEdit(), bands.column(2)->onToggle()));
    EXPECT_TRUE(selected(2));
    EXPECT_FALSE(bands.column(0)->isSelected());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_TRUE(selected(1)) << "Shift+Tab back into band 2's Q field";

    QTest::mouseClick(bands.column(4)->gainKnob(), Qt::LeftButton);
    EXPECT_TRUE(bands.column(4)->gainKnob()->hasFocus());
    EXPECT_TRUE(selected(4));
    editor.rig.model().write(ParamMap::eqBandParam(4, 0),
                             editor.rig.model().words(ParamMap::eqBandParam(4, 0), 4));
    ASSERT_TRUE(
        editor.rig.waitFor([&] { return !editor.writesTo(mark, ParamMap::eqBandParam(4, 0)).isEmpty(); }));
    EXPECT_EQ(editor.rig.receivedSince(mark, writeCommand).size(), 1) << "only the marker was written";
}

// Delay typed in one unit and not yet committed is stored in that unit before the unit
// changes, and the field rebuilt for the new unit keeps its place in the Tab order.
TEST(ChannelKeyboard, TypedDelayIsCommittedBeforeTheUnitChanges) {
    Editor editor(4);
    FiltersDelayPanel& panel = *editor.view().filtersPanel();
    const quint32 delay = *ParamMap::param(ParamMap::Block::delay(), 4);
    QLineEdit* field = panel.delayField()->lineEdit();
    field->setFocus(Qt::TabFocusReason);
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("3"));
    const qsizetype mark = editor.rig.mark();
    doFirstAccessibleAction(panel.unitPicker()->segment(1));  // ft
    EXPECT_EQ(std::bit_cast<float>(editor.written(mark, delay).value(0)), 3.0f);
    editor.rig.turn();
    EXPECT_EQ(editor.rig.settings.text(FiltersDelayPanel::unitKey), QStringLiteral("ft"));
    panel.delayKnob()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(panel.delayKnob(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), panel.delayField()->lineEdit());
}

// The FIR tab's Bypass and Clear FIR… work by Space and by the accessible action as by a click.
TEST(ChannelKeyboard, FIRBypassAndClearWorkByKeysAndAccessibleActions) {
    Editor editor(4, ChannelTab::fir);
    FIRBox* box = editor.view().tabContent()->findChild<FIRBox*>();
    ASSERT_NE(box, nullptr);
    QAbstractButton* bypass = box->bypassButton();
    const quint32 firBypass = 391 + 4;
    editor.rig.model().write(firBypass, {0}, std::nullopt, false);
    editor.rig.turn();

    qsizetype mark = editor.rig.mark();
    bypass->click();
    const Words clickOn = editor.written(mark, firBypass);
    mark = editor.rig.mark();
    bypass->click();
    const Words clickOff = editor.written(mark, firBypass);
    ASSERT_TRUE(tabTo(editor.view().tabArea(), bypass));
    mark = editor.rig.mark();
    QTest::keyClick(bypass, Qt::Key_Space);
    EXPECT_EQ(editor.written(mark, firBypass), clickOn);
    editor.rig.turn();
    mark = editor.rig.mark();
    doFirstAccessibleAction(bypass);
    EXPECT_EQ(editor.written(mark, firBypass), clickOff);

    // Each way asks for the confirmation (answered "Cancel").
    QPushButton* clear = box->clearButton();
    ASSERT_TRUE(tabTo(bypass, clear));
    QTest::keyClick(clear, Qt::Key_Space);
    doFirstAccessibleAction(clear);
    editor.rig.waitFor([&] { return editor.rig.dialogs.asked.size() >= 2; }, 2);
    ASSERT_EQ(editor.rig.dialogs.asked.size(), 2);
    for (const auto& asked : editor.rig.dialogs.asked)
        EXPECT_EQ(asked.title, QStringLiteral("Clear the FIR on OUT 1?"));
}

// From the gain knob, Tab goes once round the window and reaches every control of the page
// in one run: the header, the tab picker, then the tab's content.
void expectTabReachesEveryControl(ChannelView& view, const std::string& where) {
    const QList<QWidget*> walk = tabWalk(view.gainKnob()->encoder());
    QStringList missed;
    for (QWidget* control : operable(view))
        if (!reachedInWalk(walk, control)) missed << describeControl(control);
    EXPECT_TRUE(missed.isEmpty()) << where << ": " << missed.join(", ").toStdString();

    qsizetype end = 0;
    while (end < walk.size() && view.isAncestorOf(walk[end])) ++end;
    for (qsizetype i = end; i < walk.size(); ++i)
        EXPECT_FALSE(view.isAncestorOf(walk[i])) << where << ": " << describeControl(walk[i]).toStdString();
    const auto part = [&](QWidget* w) {
        if (view.tabPicker()->isAncestorOf(w)) return 1;
        return w == view.tabArea() || view.tabArea()->isAncestorOf(w) ? 2 : 0;
    };
    for (qsizetype i = 1; i < end; ++i)
        EXPECT_LE(part(walk[i - 1]), part(walk[i]))
            << where << ": " << describeControl(walk[i]).toStdString();
    const auto at = [&](QWidget* widget) { return walk.indexOf(widget); };
    EXPECT_LT(at(view.gainKnob()->field()->lineEdit()), at(view.muteButton())) << where;
    EXPECT_LT(at(view.muteButton()), at(view.copyToButton())) << where;
}

// Every tab of an input and an output page, each FIR source, also after the tabs were
// switched and the delay unit's field was rebuilt.
TEST(ChannelKeyboard, TabReachesEveryControlOfEveryTabInReadingOrder) {
    for (int ch : {0, 4}) {
        Editor editor(ch);
        ChannelView& view = editor.view();
        doFirstAccessibleAction(view.filtersPanel()->unitPicker()->segment(1));
        doFirstAccessibleAction(view.filtersPanel()->unitPicker()->segment(2));
        editor.rig.turn();
        for (const QString& tab : {ChannelTab::eq, ChannelTab::fir, ChannelTab::dynamics}) {
            const std::string where = QStringLiteral("channel %1, %2").arg(ch).arg(tab).toStdString();
            ASSERT_EQ(editor.rig.settings.text(ChannelTab::settingsKey), tab);
            expectTabReachesEveryControl(view, where);
            if (auto* fir = view.tabContent()->findChild<FIRBox*>()) {
                for (int source : {1, 2}) {
                    doFirstAccessibleAction(fir->sourcePicker()->segment(source));
                    editor.rig.turn();
                    expectTabReachesEveryControl(view, where + " " + std::to_string(source));
                }
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown, Qt::ControlModifier);
            editor.rig.turn();
        }
    }
}
