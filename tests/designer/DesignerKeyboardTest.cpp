// The designer and its send bar without a mouse: Tab reaches every control in reading order
// and each shows that it has the focus; keys and the actions of assistive tools do what a
// click does; a filter goes to the device by keys from the designer and by an assistive tool
// from a channel's FIR tab.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSplitter>
#include <QTest>

#include <functional>

#include "DesignerTesting.h"
#include "designer/DesignerSteps.h"
#include "editor/ChannelView.h"
#include "editor/FIRBox.h"
#include "link/DSPModel.h"
#include "shell/MainWindow.h"
#include "support/AccessibleRoles.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/FIRSendBar.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Theme.h"

using designertest::measurementText;
using DesignerPage = designertest::Page;
using kestrel_test::WindowRig;

using kestrel_test::accessibleOf;
using kestrel_test::describeControl;
using kestrel_test::reachedInWalk;

namespace {

constexpr quint16 headerCommand = 128;

// What an assistive tool does with a control: one of its element's actions. A press that
// animates its click has landed once the button is up again.
void act(QWidget* control, const QString& action) {
    SCOPED_TRACE(describeControl(control).toStdString());
    kestrel_test::doAccessibleAction(control, action);
    if (::testing::Test::HasFatalFailure()) return;
    auto* button = qobject_cast<QAbstractButton*>(control);
    kestrel_test::spinUntil([button] { return !button || !button->isDown(); }, 2);
    DesignerPage::settle();
}

// A key on the control that has the keyboard focus.
void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keyClick(focused, Qt::Key(k), modifiers);
    DesignerPage::settle();
}

// Focus arrives as it does by Tab, so the window draws it as keyboard focus.
void focusByTab(QWidget* control) {
    control->setFocus(Qt::TabFocusReason);
    DesignerPage::settle();
}

bool operable(QWidget& widget) {
    if (qobject_cast<QScrollBar*>(&widget)) return false;
    return qobject_cast<QAbstractButton*>(&widget) || qobject_cast<QComboBox*>(&widget) ||
           qobject_cast<QAbstractSlider*>(&widget) || qobject_cast<QLineEdit*>(&widget);
}

// The controls below `root` that a user can operate now.
QList<QWidget*> operableControls(QWidget& root) {
    QList<QWidget*> controls;
    for (QWidget* widget : root.findChildren<QWidget*>())
        if (operable(*widget) && widget->isVisible() && widget->isEnabled()) controls.append(widget);
    return controls;
}

// A device whose channels carry names of their own, one of them with an "&".
WindowRig::Options namedChannels() {
    WindowRig::Options options;
    options.prepare = [](DeviceSimulator& simulator) {
        const char* names[] = {"Kick", "Snare", "Tom", "Room", "Top L", "Top R", "Sub&Fill"};
        for (int ch = 0; ch < 7; ++ch)
            simulator.device().params[quint32(378 + ch)] =
                DSPFrame::packString(QString::fromUtf8(names[ch]), 2);
    };
    return options;
}

// The connected window on the designer page, active so that keys reach it.
struct DesignerWindow {
    WindowRig rig;
    FIRDesignerView* view = nullptr;

    explicit DesignerWindow(const WindowRig::Options& options = {}) : rig(options) {
        rig.showPage(Page::of(Page::Kind::firDesigner));
        view = rig.page<FIRDesignerView>();
        rig.window().activateWindow();
        if (!QTest::qWaitForWindowActive(&rig.window())) ADD_FAILURE() << "the window never became active";
        rig.turn();
    }
};

// The designer page alone on an offline model, active so that keys reach it.
struct ActivePage {
    DesignerPage page;
    FIRDesignerView* view = nullptr;

    ActivePage() {
        view = &page.open();
        view->activateWindow();
        if (!QTest::qWaitForWindowActive(view)) ADD_FAILURE() << "the page never became active";
        DesignerPage::settle();
    }
    template <typename Step>
    Step& step() {
        return *view->findChild<Step*>();
    }
};

// The control and the margin around it, where a focus ring may lie.
QImage pixelsAround(WindowRig& rig, QWidget* control) {
    return rig.onScreen().copy(rig.onScreenRect(*control).adjusted(-4, -4, 4, 4));
}

// Whether b comes after a in reading order: on a later line, or further right on the same one.
bool readsAfter(const QRect& a, const QRect& b) {
    const bool sameLine = b.top() < a.bottom() && a.top() < b.bottom();
    return sameLine ? b.left() > a.left() : b.center().y() > a.bottom();
}

}  // namespace

class DesignerByKeyboard : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Theme::apply(*qApp); }
};

TEST_F(DesignerByKeyboard, TabReachesEveryControlInReadingOrderAndEachShowsTheFocus) {
    DesignerWindow d;
    ASSERT_NE(d.view, nullptr);
    FIRDesignerView& view = *d.view;
    auto* split = view.findChild<QSplitter*>();
    auto* scroll = view.findChild<QScrollArea*>(QStringLiteral("leftPane"));
    QWidget* leftPane = scroll->widget();
    QWidget* rightPane = split->widget(1);
    QWidget* first = view.findChild<ImportStep*>()->loadButton;

    focusByTab(first);
    QList<QWidget*> order;
    for (QWidget* stop : kestrel_test::tabRound(first, [] { key(Qt::Key_Tab); }))
        if (view.isAncestorOf(stop) && operable(*stop)) order.append(stop);
    ASSERT_EQ(QApplication::focusWidget(), first) << "Tab never came back to the first control";

    const QList<QWidget*> controls = operableControls(view);
    ASSERT_GT(controls.size(), 100);  // fifteen bands of five, the send bar's sixteen, ...
    for (QWidget* control : controls)
        EXPECT_TRUE(reachedInWalk(order, control))
            << describeControl(control).toStdString() << " is never reached";
    for (QWidget* reached : order)
        EXPECT_EQ(order.count(reached), 1) << describeControl(reached).toStdString();
    // The taps are one stop: 256 or 512, whichever is chosen.
    EXPECT_EQ(order.size(), controls.size() - 1);

    // The left pane first, each pane from top to bottom and each line from left to right.
    qsizetype lastLeft = -1;
    for (qsizetype i = 0; i < order.size(); ++i)
        if (leftPane->isAncestorOf(order[i])) lastLeft = i;
    for (qsizetype i = 0; i < order.size(); ++i) {
        QWidget* pane = leftPane->isAncestorOf(order[i]) ? leftPane : rightPane;
        EXPECT_EQ(pane == leftPane, i <= lastLeft) << describeControl(order[i]).toStdString();
        if (i == 0 || i == lastLeft + 1) continue;
        const QRect before(order[i - 1]->mapTo(pane, QPoint()), order[i - 1]->size());
        const QRect now(order[i]->mapTo(pane, QPoint()), order[i]->size());
        EXPECT_TRUE(readsAfter(before, now)) << describeControl(order[i]).toStdString() << " follows "
                                             << describeControl(order[i - 1]).toStdString();
    }

    // Each control looks different while it has the focus. A typed field shows its cursor
    // anyway; the rest must draw a ring.
    for (QWidget* control : order) {
        if (qobject_cast<QLineEdit*>(control)) continue;
        scroll->ensureWidgetVisible(control);
        focusByTab(control);
        const QImage focused = pixelsAround(d.rig, control);
        control->clearFocus();
        const QImage unfocused = pixelsAround(d.rig, control);
        EXPECT_NE(focused, unfocused) << describeControl(control).toStdString() << " shows no focus";
    }
    focusByTab(view.sendBar()->chip(5));
    kestrel_test::saveScreenshot(d.rig.window(), QStringLiteral("designer-keyboard-focus"));
}

// A check box changes the same setting, with one undo entry, whether it is clicked, toggled
// with Space or toggled or pressed by an assistive tool; the filter follows each time.
TEST_F(DesignerByKeyboard, CheckBoxesDoTheSameForKeysAndAssistiveActionsAsForAClick) {
    ActivePage p;
    FIRDesignerView& view = *p.view;
    p.page.dialogs.clipboard = QString::fromLatin1(measurementText(60, 60));
    view.pasteMeasurement();  // "Phase correction" needs a measurement with phase
    DesignerPage::settle();
    const TargetStep& target = p.step<TargetStep>();
    const CorrectionStep& correction = p.step<CorrectionStep>();
    const QList<QAbstractButton*> boxes{
        p.step<ImportStep>().normalise,
        target.bypass,
        target.hpOn,
        target.lpOn,
        target.bands[0]->on,
        target.bands[14]->on,
        correction.magOn,
        correction.aroundAverage,
        correction.phaseOn,
        view.findChild<QCheckBox*>(QStringLiteral("showPhase")),
    };
    const std::pair<const char*, std::function<void(QAbstractButton*)>> ways[] = {
        {"Space",
         [](QAbstractButton* box) {
             focusByTab(box);
             key(Qt::Key_Space);
         }},
        {"toggle action", [](QAbstractButton* box) { act(box, QAccessibleActionInterface::toggleAction()); }},
        {"press action", [](QAbstractButton* box) { act(box, QAccessibleActionInterface::pressAction()); }},
    };
    struct State {
        FIRDesignerSettings settings;
        bool showPhase;
        qsizetype undoEntries;
        QList<float> filter;
        bool shown;
    };
    auto state = [&](QAbstractButton* box) {
        return State{view.settings(), view.showPhase(), view.history().size(),
                     p.page.offline.model->designedFIR().value_or(DSPModel::DesignedFIR{}).coefficients,
                     box->isChecked()};
    };
    for (QAbstractButton* box : boxes) {
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(box->isEnabled()) << describeControl(box).toStdString();
        const State start = state(box);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        DesignerPage::settle();
        const State clicked = state(box);
        ASSERT_NE(clicked.shown, start.shown) << describeControl(box).toStdString();
        ASSERT_TRUE(clicked.settings != start.settings || clicked.showPhase != start.showPhase);
        // A setting's change records one undo entry; the phase display records none.
        const qsizetype entries = clicked.settings != start.settings ? 1 : 0;
        EXPECT_EQ(clicked.undoEntries,
                  std::min(start.undoEntries + entries, qsizetype(FIRDesignerView::historyLimit)));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        DesignerPage::settle();

        for (const auto& [way, use] : ways) {
            SCOPED_TRACE(describeControl(box).toStdString() + " by " + way);
            const State from = state(box);
            ASSERT_EQ(from.settings, start.settings);
            use(box);
            const State after = state(box);
            EXPECT_EQ(after.settings, clicked.settings);
            EXPECT_EQ(after.showPhase, clicked.showPhase);
            EXPECT_EQ(after.filter, clicked.filter);
            EXPECT_EQ(after.shown, clicked.shown);
            // The entry holds the settings as they were; the history keeps the latest 50.
            EXPECT_EQ(after.undoEntries,
                      std::min(from.undoEntries + entries, qsizetype(FIRDesignerView::historyLimit)));
            if (entries) EXPECT_EQ(view.history().last(), from.settings);
            use(box);  // and back
            EXPECT_EQ(state(box).settings, start.settings);
            EXPECT_EQ(state(box).shown, start.shown);
        }
    }
}

// The taps are one choice: the arrows move it, and a segment chosen by keys or by an assistive
// tool redesigns the filter at that length, with one undo entry, as a click does.
// A band value typed and not yet confirmed counts before whatever the user does next: a check
// box pressed by an assistive tool (which moves no focus) acts after the typed gain is in, and
// a change of the band from elsewhere while the user types leaves the typing alone.
TEST_F(DesignerByKeyboard, TypedBandValuesCountBeforeAnotherControlActsAndSurviveABandChange) {
    ActivePage p;
    FIRDesignerView& view = *p.view;
    TargetStep& target = p.step<TargetStep>();
    QLineEdit* gain = target.bands[3]->db->lineEdit();
    focusByTab(gain);
    QTest::keyClicks(gain, QStringLiteral("6"));
    const bool normalised = view.settings().normalise;
    act(p.step<ImportStep>().normalise, QAccessibleActionInterface::pressAction());
    EXPECT_EQ(view.settings().bands[3].db, 6.0);
    EXPECT_NE(view.settings().normalise, normalised);

    QLineEdit* hz = target.bands[3]->hz->lineEdit();
    focusByTab(hz);
    QTest::keyClicks(hz, QStringLiteral("1234"));
    view.setBandQ(3, 2.5);  // as a drag on the graph does
    DesignerPage::settle();
    EXPECT_EQ(hz->text(), QStringLiteral("1234"));
    EXPECT_EQ(target.bands[3]->q->lineEdit()->text(), QStringLiteral("2.50"));
    key(Qt::Key_Return);
    EXPECT_EQ(view.settings().bands[3].hz, 1234.0);
    EXPECT_EQ(view.settings().bands[3].q, 2.5);
}

TEST_F(DesignerByKeyboard, TheTapsChoiceMovesWithTheArrowsAndActionsAsWithAClick) {
    ActivePage p;
    FIRDesignerView& view = *p.view;
    GenerateStep& generate = p.step<GenerateStep>();
    auto published = [&] {
        return p.page.offline.model->designedFIR().value_or(DSPModel::DesignedFIR{}).coefficients.size();
    };
    auto chosen = [&] {
        const bool on256 = accessibleOf(generate.taps256)->state().checked;
        const bool on512 = accessibleOf(generate.taps512)->state().checked;
        EXPECT_NE(on256, on512) << "one segment is chosen";
        return on256 ? 256 : 512;
    };
    EXPECT_EQ(accessibleOf(generate.taps256)->role(), QAccessible::RadioButton);
    ASSERT_EQ(published(), 512);

    focusByTab(generate.taps512);
    key(Qt::Key_Left);
    EXPECT_EQ(view.settings().taps, 256);
    EXPECT_EQ(chosen(), 256);
    EXPECT_EQ(published(), 256);
    EXPECT_EQ(QApplication::focusWidget(), generate.taps256);
    EXPECT_EQ(view.history().size(), 1);
    key(Qt::Key_Left);  // already the first: nothing changes
    EXPECT_EQ(view.history().size(), 1);
    key(Qt::Key_Right);
    EXPECT_EQ(view.settings().taps, 512);
    EXPECT_EQ(published(), 512);

    act(generate.taps256, QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(chosen(), 256);
    EXPECT_EQ(published(), 256);
    act(generate.taps512, QAccessibleActionInterface::pressAction());
    EXPECT_EQ(chosen(), 512);
    EXPECT_EQ(published(), 512);
    EXPECT_EQ(view.history().size(), 4);
    EXPECT_EQ(generate.latency->text(), QStringLiteral("Latency 5.33 ms at 48 kHz · works above ≈ 281 Hz"));
}

// Arrows on a menu choose the next entry as a pick from the menu does; an arrow past the last
// entry changes nothing and records nothing.
// The menus have no caption of their own beside them: a screen reader hears what each
// chooses with its choice, and the choice as its value, not the choice alone.
TEST_F(DesignerByKeyboard, TheMenusAreKnownByWhatTheyChoose) {
    ActivePage p;
    TargetStep& target = p.step<TargetStep>();
    const QList<std::pair<QComboBox*, QString>> menus{{target.hpSlope, QStringLiteral("Slope")},
                                                      {target.lpSlope, QStringLiteral("Slope")},
                                                      {target.bands[0]->type, QStringLiteral("Type")},
                                                      {target.bands[14]->type, QStringLiteral("Type")}};
    for (const auto& [menu, name] : menus) {
        QAccessibleInterface* element = QAccessible::queryAccessibleInterface(menu);
        EXPECT_EQ(element->text(QAccessible::Name), name + QStringLiteral(": ") + menu->currentText());
        EXPECT_EQ(element->text(QAccessible::Value), menu->currentText());
    }
}

TEST_F(DesignerByKeyboard, ArrowsOnTheMenusChooseAsThePopupDoes) {
    ActivePage p;
    FIRDesignerView& view = *p.view;
    TargetStep& target = p.step<TargetStep>();
    focusByTab(target.hpSlope);
    key(Qt::Key_Down);
    EXPECT_EQ(view.settings().hpSlope, 2);  // BW12 to BW18
    EXPECT_EQ(target.hpSlope->currentText(), QStringLiteral("BW18"));
    EXPECT_EQ(view.history().size(), 1);

    QComboBox* type = target.bands[3]->type;
    focusByTab(type);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(view.settings().bands[3].type, 2);
    EXPECT_EQ(type->currentText(), QStringLiteral("High shelf"));
    EXPECT_EQ(view.history().size(), 3);
    key(Qt::Key_Down);
    EXPECT_EQ(view.settings().bands[3].type, 2);
    EXPECT_EQ(view.history().size(), 3);
}

// The offset slider reads in the dB it shows, steps by keys and by assistive actions, and a
// step that leaves it where it is stores, redesigns and publishes nothing.
TEST_F(DesignerByKeyboard, TheOffsetSliderReadsInDecibelsAndAStepThatChangesNothingDoesNothing) {
    ActivePage p;
    FIRDesignerView& view = *p.view;
    QSlider* offset = p.step<ImportStep>().offset;
    QAccessibleInterface* slider = accessibleOf(offset);
    ASSERT_EQ(slider->role(), QAccessible::Slider);
    EXPECT_EQ(slider->text(QAccessible::Name), QStringLiteral("Offset"));
    EXPECT_EQ(slider->text(QAccessible::Value), QStringLiteral("+0 dB"));
    QAccessibleValueInterface* value = slider->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue().toDouble(), -120);
    EXPECT_EQ(value->maximumValue().toDouble(), 30);

    focusByTab(offset);
    key(Qt::Key_Left);
    EXPECT_EQ(view.settings().offsetDB, -1);
    EXPECT_EQ(slider->text(QAccessible::Value), QStringLiteral("-1 dB"));
    act(offset, QAccessibleActionInterface::increaseAction());
    act(offset, QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(view.settings().offsetDB, 1);
    EXPECT_EQ(p.step<ImportStep>().offsetValue->text(), QStringLiteral("+1 dB"));
    value->setCurrentValue(-7.4);
    DesignerPage::settle();
    EXPECT_EQ(view.settings().offsetDB, -7);
    key(Qt::Key_End);
    EXPECT_EQ(view.settings().offsetDB, 30);
    EXPECT_EQ(slider->text(QAccessible::Value), QStringLiteral("+30 dB"));

    int stores = 0;
    int publishes = 0;
    QObject::connect(&Settings::shared(), &Settings::changed, &view, [&](const QString& k) {
        if (k == FIRDesignerView::settingsKey) ++stores;
    });
    QObject::connect(p.page.offline.model.get(), &DSPModel::designedFIRChanged, &view, [&] { ++publishes; });
    key(Qt::Key_Right);
    key(Qt::Key_PageUp);
    key(Qt::Key_End);
    act(offset, QAccessibleActionInterface::increaseAction());
    value->setCurrentValue(30);
    DesignerPage::settle();
    EXPECT_EQ(view.settings().offsetDB, 30);
    EXPECT_EQ(stores, 0);
    EXPECT_EQ(publishes, 0);
    EXPECT_TRUE(view.history().isEmpty());
}

class SendBarByKeyboard : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Theme::apply(*qApp); }
};

// The twelve targets are toggle buttons named by their channels, showing whether they are
// chosen. Each way of choosing one edits the stored set as a click does, and the button
// counts it; then the filter goes out by keys alone.
TEST_F(SendBarByKeyboard, ChannelButtonsAreNamedTogglesAndAFilterGoesOutByKeys) {
    DesignerWindow d(namedChannels());
    ASSERT_NE(d.view, nullptr);
    FIRSendBar& bar = *d.view->sendBar();
    const QStringList names{QStringLiteral("Kick"),     QStringLiteral("Snare"), QStringLiteral("Tom"),
                            QStringLiteral("Room"),     QStringLiteral("Top L"), QStringLiteral("Top R"),
                            QStringLiteral("Sub&Fill"), QStringLiteral("OUT 4"), QStringLiteral("OUT 5"),
                            QStringLiteral("OUT 6"),    QStringLiteral("OUT 7"), QStringLiteral("OUT 8")};
    auto chosen = [&] {
        QList<int> shown;
        for (int i = 0; i < FIRSendBar::blockCount; ++i) {
            const QAccessible::State state = accessibleOf(bar.chip(i))->state();
            EXPECT_TRUE(state.checkable) << i;
            EXPECT_EQ(bool(state.checked), bar.chip(i)->isChecked()) << i;
            if (state.checked) shown.append(i);
        }
        EXPECT_EQ(shown, bar.targets()) << "the buttons show the stored set";
        return shown;
    };
    for (int i = 0; i < FIRSendBar::blockCount; ++i) {
        EXPECT_EQ(accessibleOf(bar.chip(i))->role(), QAccessible::CheckBox);  // switched on and off
        EXPECT_EQ(accessibleOf(bar.chip(i))->text(QAccessible::Name), names[i]);
        EXPECT_EQ(bar.chip(i)->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    }
    EXPECT_TRUE(bar.chip(6)->shortcut().isEmpty()) << "an & in a name marks no shortcut";
    EXPECT_EQ(chosen(), (QList<int>{4}));

    act(bar.quickButton(QStringLiteral("Clear")), QAccessibleActionInterface::pressAction());
    EXPECT_EQ(chosen(), QList<int>{});
    EXPECT_EQ(bar.sendButton()->text(), QStringLiteral("Send to 0 channels…"));
    // From "Clear", Tab passes the disabled send button and comes to the first channel.
    focusByTab(bar.quickButton(QStringLiteral("Clear")));
    key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), bar.chip(0));
    key(Qt::Key_Space);
    EXPECT_EQ(chosen(), (QList<int>{0}));
    EXPECT_EQ(bar.sendButton()->text(), QStringLiteral("Send to 1 channel…"));
    for (int i = 0; i < 6; ++i) key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), bar.chip(6));
    key(Qt::Key_Return);
    EXPECT_EQ(chosen(), (QList<int>{0, 6}));
    act(bar.chip(9), QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(chosen(), (QList<int>{0, 6, 9}));
    EXPECT_EQ(bar.sendButton()->text(), QStringLiteral("Send to 3 channels…"));
    act(bar.chip(9), QAccessibleActionInterface::pressAction());
    EXPECT_EQ(chosen(), (QList<int>{0, 6}));
    EXPECT_EQ(d.rig.settings.text(FIRSendBar::targetsKey), QStringLiteral("0,6"));

    // The quick selections by key and by action.
    focusByTab(bar.quickButton(QStringLiteral("All outputs")));
    key(Qt::Key_Space);
    EXPECT_EQ(chosen(), (QList<int>{4, 5, 6, 7, 8, 9, 10, 11}));
    act(bar.quickButton(QStringLiteral("All inputs")), QAccessibleActionInterface::pressAction());
    EXPECT_EQ(chosen(), (QList<int>{0, 1, 2, 3}));
    act(bar.quickButton(QStringLiteral("Clear")), QAccessibleActionInterface::pressAction());
    act(bar.chip(0), QAccessibleActionInterface::toggleAction());
    act(bar.chip(6), QAccessibleActionInterface::toggleAction());

    // Send by keys: the confirmation names the channels, and both blocks receive the filter.
    const qsizetype mark = d.rig.mark();
    d.rig.dialogs.confirmAnswers.enqueue(true);
    focusByTab(bar.sendButton());
    key(Qt::Key_Space);
    ASSERT_FALSE(d.rig.dialogs.asked.isEmpty());
    EXPECT_EQ(d.rig.dialogs.asked.last().title,
              QStringLiteral("Send “%1” to Kick, Sub&Fill?").arg(d.view->settings().name));
    ASSERT_TRUE(
        d.rig.waitFor([&] { return bar.status() && bar.status()->startsWith(QStringLiteral("Sent")); }));
    EXPECT_TRUE(bar.status()->startsWith(QStringLiteral("Sent to Kick, Sub&Fill.")))
        << bar.status()->toStdString();
    const QList<DSPFrame> headers = d.rig.receivedSince(mark, headerCommand);
    ASSERT_EQ(headers.size(), 2);
    EXPECT_EQ(headers[0].words.value(0), 0x100u);
    EXPECT_EQ(headers[1].words.value(0), 0x700u);
    EXPECT_EQ(headers[0].words.value(1), quint32(d.view->coefficients().size()));
}

// The channel's FIR tab carries the same bar: its targets are reached by Tab and worked by
// keys and actions there too, the designer's bar shows the same set, and a filter sent from
// the tab by an assistive tool's press reaches the device.
TEST_F(SendBarByKeyboard, TheFIRTabsBarWorksTheSameAndSharesTheSet) {
    WindowRig rig;
    rig.settings.setValue(ChannelTab::settingsKey, ChannelTab::fir);
    rig.settings.setValue(FIRBox::sourceKey, FIRBox::sourceText(FIRBox::Source::designer));
    rig.model().setDesignedFIR(DSPModel::DesignedFIR{QStringLiteral("Hall"), QList<float>(256, 0.01f)});
    rig.showPage(Page::channelPage(5));
    ASSERT_NE(rig.pageView(), nullptr);
    auto* box = rig.pageView()->findChild<FIRBox*>();
    ASSERT_NE(box, nullptr);
    FIRSendBar& bar = *box->sendBar();
    rig.window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window()));
    EXPECT_EQ(bar.targets(), (QList<int>{5})) << "the tab starts with its own channel";
    EXPECT_EQ(accessibleOf(bar.chip(5))->text(QAccessible::Name), QStringLiteral("OUT 2"));
    EXPECT_TRUE(accessibleOf(bar.chip(5))->state().checked);

    focusByTab(bar.sendButton());
    key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), bar.chip(0));
    key(Qt::Key_Tab);
    key(Qt::Key_Space);
    EXPECT_EQ(bar.targets(), (QList<int>{1, 5}));
    act(bar.chip(5), QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(bar.targets(), (QList<int>{1}));
    act(bar.chip(11), QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(bar.sendButton()->text(), QStringLiteral("Send to 2 channels…"));
    EXPECT_FALSE(accessibleOf(bar.chip(5))->state().checked);

    const qsizetype mark = rig.mark();
    rig.dialogs.confirmAnswers.enqueue(true);
    act(bar.sendButton(), QAccessibleActionInterface::pressAction());
    ASSERT_EQ(rig.dialogs.asked.size(), 1);
    EXPECT_EQ(rig.dialogs.asked[0].title, QStringLiteral("Send “Hall” to IN B, OUT 8?"));
    ASSERT_TRUE(
        rig.waitFor([&] { return rig.receivedSince(mark, headerCommand).size() == 2 && !bar.busy(); }));
    const QList<DSPFrame> headers = rig.receivedSince(mark, headerCommand);
    EXPECT_EQ(headers[0].words.value(0), 0x200u);
    EXPECT_EQ(headers[1].words.value(0), 0xC00u);

    rig.showPage(Page::of(Page::Kind::firDesigner));
    auto* designer = rig.page<FIRDesignerView>();
    ASSERT_NE(designer, nullptr);
    EXPECT_TRUE(accessibleOf(designer->sendBar()->chip(11))->state().checked);
    EXPECT_EQ(designer->sendBar()->sendButton()->text(), QStringLiteral("Send to 2 channels…"));
}
