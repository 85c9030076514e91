// The wheel over the channel editor, in the window connected to a device: a knob turns once
// the pointer has rested on it, and nothing else the wheel passes over changes a setting;
// the tab scrolls instead.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <bit>

#include "editor/BandColumn.h"
#include "editor/BandColumns.h"
#include "editor/ChannelView.h"
#include "editor/FiltersDelayPanel.h"
#include "link/DSPModel.h"
#include "link/ParamMap.h"
#include "shell/MainWindow.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/controls/Encoder.h"
#include "ui/input/KeyboardFocus.h"

using kestrel_test::wheelNotch;
using kestrel_test::WindowRig;

namespace {

constexpr quint16 writeCommand = 5;
constexpr quint32 highPass = 154;  // input 1's
const quint32 band2 = ParamMap::eqBandParam(0, 1);
const quint32 band5 = ParamMap::eqBandParam(0, 4);

// A device whose input 1 has its second band at 1000 Hz, its fifth at 2000 Hz, +5.8 dB, and
// its high-pass at 80 Hz, BW6.
void prepare(DeviceSimulator& simulator) {
    DSPModel::Words& band = simulator.device().params[band2];
    DSPModel::Band shape = DSPModel::decodeBand(band);
    shape.freq = 1000;
    DSPModel::encodeBand(band, shape);
    DSPModel::encodeBand(simulator.device().params[band5], {2000, 5.8f, 1, EQBandType::peak, true});
    DSPModel::Words& filter = simulator.device().params[highPass];
    DSPModel::encodeFilter(filter, {80, FilterSlope::bw6, true});
}

// Input 1's editor on its "EQ & Filters" tab, in a window low enough for the tab to scroll.
struct EditorInWindow {
    WindowRig rig{[] {
        WindowRig::Options options;
        options.startPage = QStringLiteral("0");
        options.prepare = prepare;
        return options;
    }()};
    ChannelView* view = nullptr;
    QScrollBar* pane = nullptr;

    EditorInWindow() {
        rig.window().resize(1360, 560);
        rig.turn();
        view = rig.page<ChannelView>();
        if (!view) return;
        pane = view->tabArea()->verticalScrollBar();
    }
    // A notch from the window system at a point of the window: Qt hands it to the widget
    // under that point, as it does for a real wheel.
    void wheelAt(QPoint at, int notches) {
        QWheelEvent event(QPointF(at), QPointF(rig.window().mapToGlobal(at)), QPoint(),
                          QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&event);
        qApp->notify(rig.window().windowHandle(), &event);
        rig.turn();
    }
    // The frames that wrote to the device since the mark.
    QList<DSPFrame> writesSince(qsizetype mark) const { return rig.receivedSince(mark, writeCommand); }
    // Every knob of the tab reads the time from `now`, and the pointer rests on the knob.
    void pointAtWithClock(Encoder& knob) {
        for (Encoder* each : view->findChildren<Encoder*>()) each->setClock([this] { return now; });
        QTest::mouseMove(&rig.window(), centreOf(knob));
    }
    QPoint centreOf(QWidget& widget) { return widget.mapTo(&rig.window(), widget.rect().center()); }

    double now = 100;
};

}  // namespace

// A page scrolling past a knob is not caught by it: within 0.35 s of the pointer's arrival
// the wheel scrolls the tab. After that rest the knob turns, focused or not, by one step
// per notch, and the tab stays.
TEST(EditorWheel, ABandKnobTurnsOnlyAfterThePointerRestedOnIt) {
    EditorInWindow editor;
    ASSERT_NE(editor.view, nullptr);
    ASSERT_EQ(editor.view->tab(), ChannelTab::eq);
    ASSERT_GT(editor.pane->maximum(), 0) << "the tab must scroll for this test";
    WindowRig& rig = editor.rig;
    BandColumns& bands = *editor.view->bandColumns();
    const quint32 band1 = ParamMap::eqBandParam(0, 0);
    const DSPModel::Words before1 = rig.model().words(band1, 4);
    ASSERT_EQ(DSPModel::decodeBand(rig.model().words(band2, 4)).freq, 1000);
    double now = 100;
    for (int b : {0, 1}) bands.column(b)->freqKnob()->setClock([&now] { return now; });
    const qsizetype mark = rig.mark();

    Encoder* passed = bands.column(0)->freqKnob();
    QTest::mouseMove(passed, passed->rect().center());
    now += 0.34;
    const int top = editor.pane->value();
    wheelNotch(*passed, -1);
    rig.turn();
    EXPECT_GT(editor.pane->value(), top) << "the tab scrolls";
    EXPECT_EQ(rig.model().words(band1, 4), before1);

    Encoder* rested = bands.column(1)->freqKnob();
    QTest::mouseMove(rested, rested->rect().center());
    EXPECT_FALSE(rested->hasFocus());
    now += 0.36;
    const int scrolled = editor.pane->value();
    wheelNotch(*rested, +1);
    ASSERT_TRUE(rig.waitFor([&] { return !editor.writesSince(mark).isEmpty(); }, 5));
    rig.turn();
    EXPECT_EQ(editor.pane->value(), scrolled) << "the knob took the notch";
    const QList<DSPFrame> writes = editor.writesSince(mark);
    ASSERT_EQ(writes.size(), 1) << "band 1 was never written";
    const DSPModel::Words after2 = rig.model().words(band2, 4);
    EXPECT_EQ(writes[0].words, DSPModel::Words({0, band2}) + after2);
    EXPECT_EQ(DSPModel::decodeBand(after2).freq, 1122) << "1000 Hz times 1000^(1/60)";
}

// A menu the user has picked from keeps the focus, and the next turns of the wheel are
// meant for the page: they scroll it and leave the slope alone. The keys still work it, once
// the first arrow has shown the ring the click took away.
TEST(EditorWheel, TheFocusedSlopeMenuLetsTheWheelScrollTheTab) {
    EditorInWindow editor;
    ASSERT_NE(editor.view, nullptr);
    ASSERT_GT(editor.pane->maximum(), 0) << "the tab must scroll for this test";
    WindowRig& rig = editor.rig;
    rig.window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window()));
    QComboBox* slope = editor.view->filtersPanel()->highPass().slope;
    const DSPModel::Words before = rig.model().words(highPass, 2);
    ASSERT_EQ(before, DSPModel::Words({80, FilterSlope::bw6}));
    const int shown = slope->currentIndex();

    QTest::mouseClick(slope, Qt::LeftButton, {}, slope->rect().center());
    rig.turn();
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr) << "the click opens the menu";
    QTest::keyClick(popup, Qt::Key_Escape);
    rig.turn();
    ASSERT_EQ(QApplication::activePopupWidget(), nullptr);
    ASSERT_TRUE(slope->hasFocus());
    ASSERT_EQ(slope->currentIndex(), shown);

    const qsizetype mark = rig.mark();
    for (int notch = 0; notch < 2; ++notch) {
        const int scrolled = editor.pane->value();
        wheelNotch(*slope, -1);
        rig.turn();
        EXPECT_GT(editor.pane->value(), scrolled) << notch;
    }
    EXPECT_EQ(slope->currentIndex(), shown);
    EXPECT_EQ(rig.model().words(highPass, 2), before);

    // The first write the device sees is the one the second arrow key makes.
    QTest::keyClick(slope, Qt::Key_Down);
    rig.turn();
    EXPECT_EQ(keyboardfocus::ringedWidget(), slope);
    EXPECT_EQ(slope->currentIndex(), shown);
    QTest::keyClick(slope, Qt::Key_Down);
    ASSERT_TRUE(rig.waitFor([&] { return !editor.writesSince(mark).isEmpty(); }, 5));
    const QList<DSPFrame> writes = editor.writesSince(mark);
    ASSERT_EQ(writes.size(), 1);
    EXPECT_EQ(writes[0].words, DSPModel::Words({0, highPass, 80, FilterSlope::bw12}));
}

// Only a turn that moves the value writes: a sideways swipe goes to the page, also where the
// knob would round the device's value to its step, and at the end of the travel the next
// notch leaves the band as it is.
TEST(EditorWheel, ARestedKnobWritesOnlyWhatTheWheelChanges) {
    EditorInWindow editor;
    ASSERT_NE(editor.view, nullptr);
    WindowRig& rig = editor.rig;
    DSPModel::Words words = rig.model().words(band2, 4);
    words[1] = std::bit_cast<quint32>(2.37f);  // a gain between two of the knob's steps
    rig.model().write(band2, words);
    rig.turn();
    BandColumn& column = *editor.view->bandColumns()->column(1);
    double now = 100;
    const auto restOn = [&now](Encoder* knob) {
        knob->setClock([&now] { return now; });
        QTest::mouseMove(knob, knob->rect().center());
        now += 1;
    };
    ASSERT_TRUE(rig.waitFor([&] { return rig.simulator.device().params.value(band2) == words; }, 5));
    qsizetype mark = rig.mark();

    Encoder* gain = column.gainKnob();
    restOn(gain);
    kestrel_test::wheelOver(*gain, QPoint(120, 0));
    kestrel_test::wheelOver(*gain, QPoint(), QPoint(40, 0));
    Encoder* freq = column.freqKnob();
    restOn(freq);
    wheelNotch(*freq, +1);  // the one change, and the write that shows the others were none
    ASSERT_TRUE(rig.waitFor([&] { return !editor.writesSince(mark).isEmpty(); }, 5));
    rig.turn();
    const QList<DSPFrame> writes = editor.writesSince(mark);
    ASSERT_EQ(writes.size(), 1);
    EXPECT_EQ(writes[0].words.value(2), 1122u) << "the frequency's write comes first";

    const double top = freq->scale().hi;
    for (int notch = 0; notch < 80 && freq->value() < top; ++notch) {
        wheelNotch(*freq, +1);
        rig.turn();
    }
    ASSERT_EQ(freq->value(), top);
    const DSPModel::Words atTop = rig.model().words(band2, 4);
    ASSERT_TRUE(rig.waitFor([&] { return rig.simulator.device().params.value(band2) == atTop; }, 5));
    mark = rig.mark();
    wheelNotch(*freq, +1);
    wheelNotch(*freq, +1);
    rig.turn();
    QTest::qWait(300);  // time for a write to reach the device
    EXPECT_TRUE(editor.writesSince(mark).isEmpty());
    EXPECT_EQ(rig.model().words(band2, 4), atTop);
}

// A knob the tab scrolls away from under a resting pointer, and back, has not had the pointer
// resting on it: the next notches write nothing, also after a pause, until the pointer moves
// onto it and rests there.
TEST(EditorWheel, AKnobTheTabScrollsBackUnderThePointerTakesTheWheelOnlyAfterARest) {
    EditorInWindow editor;
    ASSERT_NE(editor.view, nullptr);
    ASSERT_GT(editor.pane->maximum(), 0) << "the tab must scroll for this test";
    WindowRig& rig = editor.rig;
    double& now = editor.now;
    Encoder* knob = editor.view->bandColumns()->column(0)->freqKnob();
    const QPoint pointer = editor.centreOf(*knob);
    editor.pointAtWithClock(*knob);
    const int top = editor.pane->value();
    const quint32 band1 = ParamMap::eqBandParam(0, 0);
    const DSPModel::Words before = rig.model().words(band1, 4);
    const qsizetype mark = rig.mark();

    now += 0.1;
    editor.wheelAt(pointer, -1);
    ASSERT_GT(editor.pane->value(), top) << "the tab scrolls the knob away";
    now += 2;
    editor.wheelAt(pointer, +1);
    ASSERT_EQ(editor.pane->value(), top) << "and back under the pointer";
    ASSERT_EQ(QApplication::widgetAt(rig.window().mapToGlobal(pointer)), knob);
    now += 0.05;
    editor.wheelAt(pointer, +1);
    QTest::qWait(300);  // time for a write to reach the device
    EXPECT_EQ(rig.model().words(band1, 4), before);
    EXPECT_TRUE(editor.writesSince(mark).isEmpty());

    now += 1;
    editor.wheelAt(pointer, +1);
    QTest::qWait(300);
    EXPECT_TRUE(editor.writesSince(mark).isEmpty()) << "a still pointer is no rest on what came under it";

    QTest::mouseMove(&rig.window(), pointer + QPoint(1, 0));
    now += 0.4;
    editor.wheelAt(pointer + QPoint(1, 0), +1);
    EXPECT_TRUE(rig.waitFor([&] { return !editor.writesSince(mark).isEmpty(); }, 5)) << "a rest turns it";
}

// The pointer moved onto a knob and scrolled at once: the tab scrolls and carries the knob
// away. The pointer that follows it there gets no enter event from Qt (it never left the knob
// as far as Qt knows), yet its rest counts from its arrival: after 0.6 s the knob turns.
TEST(EditorWheel, AKnobTheTabCarriedAwayTurnsOnceThePointerRestedOnItInItsNewPlace) {
    EditorInWindow editor;
    ASSERT_NE(editor.view, nullptr);
    ASSERT_GT(editor.pane->maximum(), 0) << "the tab must scroll for this test";
    WindowRig& rig = editor.rig;
    Encoder* knob = editor.view->bandColumns()->column(1)->freqKnob();
    editor.pointAtWithClock(*knob);
    const qsizetype mark = rig.mark();

    editor.now += 0.1;
    editor.wheelAt(editor.centreOf(*knob), -1);
    const int scrolled = editor.pane->value();
    ASSERT_GT(scrolled, 0) << "the tab scrolls the knob away";
    const QPoint moved = editor.centreOf(*knob);
    ASSERT_TRUE(editor.view->tabArea()->viewport()->rect().contains(
        editor.view->tabArea()->viewport()->mapFrom(&rig.window(), moved)));
    QTest::mouseMove(&rig.window(), moved);
    editor.now += 0.6;
    editor.wheelAt(moved, +1);
    EXPECT_TRUE(rig.waitFor([&] { return !editor.writesSince(mark).isEmpty(); }, 5)) << "the knob turns";
    EXPECT_EQ(editor.pane->value(), scrolled) << "and the tab stays";
}

// Notches every 0.1 s scroll the tab to its end and bring band 5's gain knob under a still
// pointer: that is no rest on it, even once the tab stands still; a move onto it and a rest is.
TEST(EditorWheel, NotchesThatScrollTheTabToItsEndTurnNoKnobTheyBringUnderThePointer) {
    EditorInWindow editor;
    ASSERT_NE(editor.view, nullptr);
    WindowRig& rig = editor.rig;
    Encoder* gain = editor.view->bandColumns()->column(4)->gainKnob();
    const int end = editor.pane->maximum();
    ASSERT_GT(end, editor.pane->value()) << "the tab must scroll for this test";
    const QPoint pointer = editor.centreOf(*gain) - QPoint(0, end - editor.pane->value());
    QWidget* viewport = editor.view->tabArea()->viewport();
    ASSERT_TRUE(viewport->rect().contains(viewport->mapFrom(&rig.window(), pointer)));
    editor.pointAtWithClock(*gain);
    QTest::mouseMove(&rig.window(), pointer);
    const DSPModel::Words before = rig.model().words(band5, 4);
    const qsizetype mark = rig.mark();

    for (int notch = 0; notch < 10; ++notch) {
        editor.now += 0.1;
        editor.wheelAt(pointer, -1);
    }
    EXPECT_EQ(editor.pane->value(), end);
    ASSERT_EQ(QApplication::widgetAt(rig.window().mapToGlobal(pointer)), gain);
    QTest::qWait(300);  // time for a write to reach the device
    EXPECT_EQ(rig.model().words(band5, 4), before);
    EXPECT_TRUE(editor.writesSince(mark).isEmpty());

    QTest::mouseMove(&rig.window(), pointer + QPoint(0, 1));
    editor.now += 0.4;
    editor.wheelAt(pointer + QPoint(0, 1), +1);
    ASSERT_TRUE(rig.waitFor([&] { return !editor.writesSince(mark).isEmpty(); }, 5));
    ASSERT_EQ(editor.writesSince(mark).size(), 1);
    EXPECT_EQ(editor.writesSince(mark)[0].words.value(1), band5);
    ASSERT_FLOAT_EQ(DSPModel::decodeBand(before).gain, 5.8f);
    EXPECT_FLOAT_EQ(DSPModel::decodeBand(rig.model().words(band5, 4)).gain, 6.3f);
    EXPECT_EQ(editor.pane->value(), end);
}

// Closing band 5's type menu by Escape or a choice leaves the tab where the user had it, so
// the next click lands on what it was aimed at; a choice that rebuilds a knob keeps it in place.
TEST(EditorWheel, ClosingTheTypeMenuLeavesTheTabWhereItWas) {
    EditorInWindow editor;
    ASSERT_NE(editor.view, nullptr);
    WindowRig& rig = editor.rig;
    rig.window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window()));
    QToolButton* type = editor.view->bandColumns()->column(4)->typeButton();
    const auto closeMenu = [&](const std::function<void(QMenu&)>& close) {
        QTimer::singleShot(0, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) close(*menu);
        });
        QTest::mouseClick(type, Qt::LeftButton, {}, type->rect().center());
        rig.window().activateWindow();  // as the window manager does when a menu closes
        EXPECT_TRUE(QTest::qWaitForWindowActive(&rig.window()));
        rig.turn();
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    };
    const qsizetype mark = rig.mark();

    for (int shown : {0, 40}) {
        editor.pane->setValue(shown);
        rig.turn();
        ASSERT_EQ(editor.pane->value(), shown);
        closeMenu([](QMenu& menu) { QTest::keyClick(&menu, Qt::Key_Escape); });
        EXPECT_EQ(editor.pane->value(), shown) << "Escape";
        closeMenu([](QMenu& menu) {
            QAction* lowShelf = menu.actions().value(EQBandType::lowShelf);
            QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(lowShelf).center());
        });
        EXPECT_EQ(editor.pane->value(), shown) << "a choice";
    }
    ASSERT_TRUE(rig.waitFor([&] { return !editor.writesSince(mark).isEmpty(); }, 5));
    EXPECT_EQ(DSPModel::decodeBand(rig.model().words(band5, 4)).type, EQBandType::lowShelf);
    EXPECT_EQ(editor.writesSince(mark).first().words.value(1), band5);

    // A tool picks a shelf for band 6 while its Q knob holds the focus: the knob takes the
    // shelf's range and keeps the focus, and the tab stays.
    BandColumn& sixth = *editor.view->bandColumns()->column(5);
    QTest::mouseClick(sixth.qKnob(), Qt::LeftButton, {}, sixth.qKnob()->rect().center());
    editor.pane->setValue(40);
    rig.turn();
    ASSERT_TRUE(sixth.qKnob()->hasFocus());
    sixth.typeButton()->menu()->actions().value(EQBandType::highShelf)->trigger();
    rig.turn();
    EXPECT_EQ(sixth.qKnob()->scale().hi, 1.0);
    EXPECT_TRUE(sixth.qKnob()->hasFocus());
    EXPECT_EQ(editor.pane->value(), 40);
}
