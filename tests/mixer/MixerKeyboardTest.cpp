// The mixer, its input panel and its group menus worked without a mouse, in the window
// connected to the simulator: Tab reaches every control in reading order, and a key or an
// assistive tool's action writes to the device exactly what a click writes.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "editor/ChannelView.h"
#include "editor/EditorKit.h"
#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "mixer/ChannelStrip.h"
#include "mixer/GroupPicker.h"
#include "mixer/InputQuickMenu.h"
#include "mixer/MixerView.h"
#include "mixer/QuickButtons.h"
#include "pages/SourcesView.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "support/AccessibleRoles.h"
#include "support/Visible.h"
#include "support/WidgetTesting.h"
#include "support/WindowRig.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/Fader.h"
#include "ui/controls/FlatButton.h"
#include "ui/input/KeyboardFocus.h"

using kestrel_test::saveScreenshot;
using kestrel_test::WindowRig;

// A frame in a failure message: its command and words.
void PrintTo(const DSPFrame& frame, std::ostream* out) {
    *out << "command " << frame.command << " [";
    for (quint32 word : frame.words) *out << " " << word;
    *out << " ]";
}

using kestrel_test::accessibleOf;
using kestrel_test::doFirstAccessibleAction;

namespace {

// Frames that change the device, told apart from the reads the window keeps making (meters).
bool changesTheDevice(const DSPFrame& frame) {
    constexpr quint16 identify = 3, read = 6, presetList = 8, groupRead = 0x23, nameRead = 0x20B;
    // An FIR read (the FIR tab opened) asks for the header, the coefficients and its end.
    constexpr quint16 firHeaderRead = 131, firChunkRead = 132, firReadEnd = 133;
    return frame.command != identify && frame.command != read && frame.command != presetList &&
           frame.command != groupRead && frame.command != nameRead && frame.command != firHeaderRead &&
           frame.command != firChunkRead && frame.command != firReadEnd;
}

using Writes = QList<DSPFrame>;

QWidget* focused() {
    return QApplication::focusWidget();
}

// A key pressed and released where the keyboard focus is, as the user types it.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = focused();
    ASSERT_NE(target, nullptr) << "nothing has the keyboard focus";
    QTest::keyClick(target, key, modifiers);
}

class ConnectedMixer : public ::testing::Test {
protected:
    void SetUp() override {
        mixer = rig.page<MixerView>();
        ASSERT_NE(mixer, nullptr);
        rig.window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window()));
    }

    DSPConnection& link() { return rig.model().link(); }

    // Every frame that changes the device the simulator received after the mark.
    Writes writesSince(qsizetype mark) const {
        Writes writes;
        for (qsizetype i = mark; i < rig.simulator.received().size(); ++i)
            if (changesTheDevice(rig.simulator.received()[i])) writes << rig.simulator.received()[i];
        return writes;
    }

    // What the gesture wrote to the device, once the link has sent all of it.
    Writes writesOf(const std::function<void()>& gesture) {
        const qsizetype mark = rig.mark();
        gesture();
        rig.waitFor(
            [&] {
                return !writesSince(mark).isEmpty() && link().queuedWriteCount() == 0 && !link().isBusy();
            },
            5);
        return writesSince(mark);
    }

    // True when the gesture writes nothing: a write made after it is the first to arrive.
    bool writesNothing(const std::function<void()>& gesture, const std::function<void()>& thenWrite) {
        const qsizetype mark = rig.mark();
        gesture();
        rig.turn();
        const Writes before = writesSince(mark);
        const Writes after = writesOf(thenWrite);
        return before.isEmpty() && after.size() == writesSince(mark).size();
    }

    // Opens an input's panel by keys and presses its "Setting…" with Return.
    void pressSetting(int ch) {
        InputQuickMenu* source = mixer->strip(ch)->quickButtons()->sourceButton();
        source->setFocus(Qt::TabFocusReason);
        press(Qt::Key_Space);
        InputPanel* panel = source->panel();
        ASSERT_TRUE(panel && panel->isVisible());
        panel->settingsButton()->setFocus(Qt::TabFocusReason);
        press(Qt::Key_Return);
    }

    WindowRig rig;
    MixerView* mixer = nullptr;
};

// The controls of a strip in the order a reader meets them: fader, gain, MUTE, the toggles
// row by row, the source button of an input, the group menu and the editor button.
QList<QWidget*> readingOrder(DSPModel& dsp, ChannelStrip& strip) {
    QList<QWidget*> order{strip.fader(), strip.gainField()->lineEdit(), strip.muteButton()};
    for (const QuickButtons::Quick& q : QuickButtons::toggles(dsp, strip.channel()))
        order << strip.quickButtons()->button(q.label);
    if (InputQuickMenu* source = strip.quickButtons()->sourceButton()) order << source;
    order << strip.groupPicker() << strip.editButton();
    return order;
}

// On how many sides of the control the focus ring shows on screen.
int ringedSides(WindowRig& rig, QWidget& control) {
    const QImage screen = rig.onScreen();
    const QRect r = rig.onScreenRect(control);
    const QColor ring = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    const QPoint middle = r.center();
    int sides = 0;
    for (const QRect& side :
         {QRect(r.left() - 2, middle.y() - 1, 2, 2), QRect(r.right() + 1, middle.y() - 1, 2, 2),
          QRect(middle.x() - 1, r.top() - 2, 2, 2), QRect(middle.x() - 1, r.bottom() + 1, 2, 2)})
        sides += kestrel_test::countNear(screen, side, ring, 40) > 0;
    return sides;
}

void saveOnScreen(WindowRig& rig, QWidget& widget, const QString& name) {
    rig.onScreen()
        .copy(rig.onScreenRect(widget))
        .save(QStringLiteral(KESTREL_TEST_OUTPUT_DIR "/") + name + ".png");
}

struct TabWalk {
    QList<QWidget*> visited;
    QList<QWidget*> ringed;  // the widgets the focus ring surrounded on the way
};

// The widgets the focus visits from the widget on, Tab after Tab, until it comes back.
TabWalk tabWalk(QWidget* start, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    TabWalk walk;
    walk.visited = kestrel_test::tabRound(
        start, [modifiers] { press(Qt::Key_Tab, modifiers); },
        [&walk](QWidget* stop) {
            if (keyboardfocus::ringedWidget() == stop) walk.ringed << stop;
        });
    return walk;
}

}  // namespace

TEST_F(ConnectedMixer, TabVisitsEveryStripControlInReadingOrderWithTheFocusRingOnIt) {
    const TabWalk tabs = tabWalk(mixer->strip(0)->fader());
    const QList<QWidget*>& walk = tabs.visited;
    int buttons = 0;
    for (int ch = 0; ch < 12; ++ch) {
        const QList<QWidget*> expected = readingOrder(rig.model(), *mixer->strip(ch));
        const qsizetype first = walk.indexOf(expected.front());
        ASSERT_GE(first, 0) << "channel " << ch << " is never reached";
        EXPECT_EQ(walk.mid(first, expected.size()), expected) << "channel " << ch;
        // The strips follow each other.
        if (ch < 11) EXPECT_EQ(walk.value(first + expected.size()), mixer->strip(ch + 1)->fader()) << ch;
        for (QAbstractButton* button : mixer->strip(ch)->findChildren<QAbstractButton*>()) {
            EXPECT_TRUE(walk.contains(button)) << "channel " << ch << ": " << button->text().toStdString();
            EXPECT_TRUE(tabs.ringed.contains(button))
                << "channel " << ch << ": " << button->text().toStdString();
            ++buttons;
        }
        EXPECT_TRUE(tabs.ringed.contains(mixer->strip(ch)->fader())) << ch;
    }
    EXPECT_EQ(buttons, 104);

    // Shift+Tab walks the same way back.
    const QList<QWidget*> back = tabWalk(mixer->strip(1)->fader(), Qt::ShiftModifier).visited;
    ASSERT_GE(back.size(), 2);
    EXPECT_EQ(back[1], mixer->strip(0)->editButton());

    // The ring shows on every side of a control, also at the edges of the toggles' block.
    for (QWidget* control : QList<QWidget*>{
             mixer->strip(4)->quickButtons()->button("Ø"), mixer->strip(4)->quickButtons()->button("L"),
             mixer->strip(0)->quickButtons()->sourceButton(), mixer->strip(0)->muteButton(),
             mixer->strip(0)->groupPicker(), mixer->strip(0)->editButton()}) {
        control->previousInFocusChain()->setFocus(Qt::TabFocusReason);
        press(Qt::Key_Tab);
        ASSERT_EQ(focused(), control);
        EXPECT_EQ(ringedSides(rig, *control), 4)
            << accessibleOf(control)->text(QAccessible::Name).toStdString();
    }
    saveOnScreen(rig, *mixer->strip(0), QStringLiteral("mixer-strip-focus"));
}

// At the ends of the gain's range an arrow key has nothing to write; away from the end it
// writes the half dB step.
TEST_F(ConnectedMixer, FaderKeysAtTheEndsOfTheRangeWriteNothing) {
    Fader* fader = mixer->strip(3)->fader();
    fader->setFocus(Qt::TabFocusReason);
    for (auto [end, outward, inward, stepped] : {std::tuple{15.0, Qt::Key_Up, Qt::Key_Down, 14.5},
                                                 std::tuple{-60.0, Qt::Key_Down, Qt::Key_Up, -59.5}}) {
        writesOf([&] { rig.model().setGain(3, float(end)); });
        ASSERT_EQ(fader->db(), end);
        EXPECT_TRUE(writesNothing([&] { press(outward); }, [&] { press(inward); })) << end;
        EXPECT_EQ(fader->db(), stepped);
        EXPECT_EQ(accessibleOf(fader)->text(QAccessible::Value), QString::asprintf("%.1f dB", stepped));
        EXPECT_EQ(accessibleOf(fader)->valueInterface()->currentValue().toDouble(), stepped);
    }
}

// MUTE and every kind of quick toggle, on strips without a group: a click, then the same
// button worked by Space, by Return and by an assistive tool's action, each from the
// state the click left (clicked back in between). Each writes what the click wrote, and the
// button's accessible state follows what its face shows.
TEST_F(ConnectedMixer, KeysAndAccessibleActionsWriteWhatAClickWrites) {
    struct Case {
        int ch;
        QString label;  // empty: MUTE
    };
    const QList<Case> cases{{6, {}}, {5, "Ø"}, {1, "N"}, {5, "E"}, {2, "D"}, {3, "F"}, {7, "C"}, {8, "L"}};
    for (const Case& c : cases) {
        ChannelStrip* strip = mixer->strip(c.ch);
        QAbstractButton* button = c.label.isEmpty()
                                      ? strip->muteButton()
                                      : static_cast<QAbstractButton*>(strip->quickButtons()->button(c.label));
        ASSERT_NE(button, nullptr) << c.label.toStdString();
        const std::string what = strip->accessibleName().toStdString() + " " +
                                 (c.label.isEmpty() ? std::string("MUTE") : c.label.toStdString());
        const bool before = accessibleOf(button)->state().checked;
        const auto click = [&] { QTest::mouseClick(button, Qt::LeftButton); };

        const Writes clicked = writesOf(click);
        ASSERT_FALSE(clicked.isEmpty()) << what;
        EXPECT_NE(accessibleOf(button)->state().checked, before) << what;
        const Writes clickedBack = writesOf(click);
        EXPECT_EQ(accessibleOf(button)->state().checked, before) << what;

        button->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(writesOf([] { press(Qt::Key_Space); }), clicked) << what << " by Space";
        EXPECT_NE(accessibleOf(button)->state().checked, before) << what;
        EXPECT_EQ(writesOf([] { press(Qt::Key_Return); }), clickedBack) << what << " by Return";
        EXPECT_EQ(writesOf([&] { doFirstAccessibleAction(button); }), clicked)
            << what << " by its accessible action";
        EXPECT_NE(accessibleOf(button)->state().checked, before) << what;
        writesOf(click);
    }
}

// The editor button opens its channel's editor by Space, by Return and by an assistive
// tool's press, as a click does.
TEST_F(ConnectedMixer, TheEditorButtonOpensTheEditorByKeysAndAccessibleAction) {
    const std::function<void(QWidget*)> gestures[] = {
        [](QWidget*) { press(Qt::Key_Space); },
        [](QWidget*) { press(Qt::Key_Return); },
        [](QWidget* button) { doFirstAccessibleAction(button); },
    };
    for (const auto& gesture : gestures) {
        rig.showPage(Page::of(Page::Kind::mixer));
        auto* page = rig.page<MixerView>();
        ASSERT_NE(page, nullptr);
        QToolButton* edit = page->strip(3)->editButton();
        edit->setFocus(Qt::TabFocusReason);
        gesture(edit);
        rig.turn();
        EXPECT_EQ(rig.console().page(), Page::channelPage(3));
    }
}

namespace {

// Whether the element or one below it stands for the object.
bool holds(QAccessibleInterface* element, QObject* object) {
    if (!element) return false;
    if (element->object() == object) return true;
    for (int i = 0; i < element->childCount(); ++i)
        if (holds(element->child(i), object)) return true;
    return false;
}

}  // namespace

// ... and there to the source of the panel's own input, so that Space there leaves the first
// input alone.
TEST_F(ConnectedMixer, TheSettingButtonLeadsToTheChosenSourceOfThePanelsOwnInput) {
    rig.model().setInputSource(2, InputSource::aes);
    ASSERT_TRUE(rig.waitFor([&] { return link().queuedWriteCount() == 0 && !link().isBusy(); }, 5));
    ASSERT_NO_FATAL_FAILURE(pressSetting(2));
    auto* sources = rig.page<SourcesView>();
    ASSERT_NE(sources, nullptr);
    ASSERT_NE(sources->sourcePicker(2)->currentSegment(), nullptr);
    EXPECT_EQ(focused(), sources->sourcePicker(2)->currentSegment());
    EXPECT_EQ(sources->sourcePicker(2)->currentSegment()->text(), QStringLiteral("AES"));

    press(Qt::Key_Space);
    EXPECT_EQ(rig.model().inputSource(0), InputSource::analog);
    EXPECT_EQ(rig.model().inputSource(2), InputSource::aes);
}

// Opened by Space on its button, the input panel stands in the accessibility tree under that
// button and holds the keyboard focus: Tab and the arrows walk it, keys work it as clicks
// do, and Escape gives the focus back to the button.
TEST_F(ConnectedMixer, TheInputPanelTakesTheFocusIsWalkedByKeysAndGivesItBack) {
    InputQuickMenu* source = mixer->strip(1)->quickButtons()->sourceButton();
    source->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(accessibleOf(source)->state().collapsed);
    press(Qt::Key_Space);
    const QPointer<InputPanel> panel = source->panel();
    ASSERT_TRUE(panel && panel->isVisible());
    EXPECT_EQ(focused(), panel->phaseToggle());

    QAccessibleInterface* button = accessibleOf(source);
    EXPECT_TRUE(button->state().expanded);
    ASSERT_EQ(button->childCount(), 1);
    EXPECT_EQ(button->child(0)->object(), panel);
    EXPECT_EQ(button->child(0)->text(QAccessible::Name), QStringLiteral("Input · IN B"));
    EXPECT_EQ(accessibleOf(panel)->parent()->object(), source);
    EXPECT_TRUE(holds(accessibleOf(&rig.window()), panel->muteToggle()));

    // Tab goes round the panel ("Turn off" shows only for the test signal); the three
    // sources are one stop, on the current one. The arrows go round too.
    ASSERT_TRUE(panel->sourceButton(InputSource::analog)->isChecked());
    const QList<QWidget*> round{panel->phaseToggle(), panel->muteToggle(),
                                panel->sourceButton(InputSource::analog), panel->settingsButton(),
                                panel->phaseToggle()};
    for (qsizetype i = 1; i < round.size(); ++i) {
        press(Qt::Key_Tab);
        EXPECT_EQ(focused(), round[i]) << i;
    }
    press(Qt::Key_Down);
    EXPECT_EQ(focused(), panel->muteToggle());
    EXPECT_EQ(keyboardfocus::ringedWidget(), panel->muteToggle());
    saveScreenshot(*panel, QStringLiteral("input-panel-keys"));
    press(Qt::Key_Up);
    EXPECT_EQ(focused(), panel->phaseToggle());

    // Space on a toggle, and an arrow on the sources (one choice), write what clicks write.
    const auto clickOn = [](QWidget* w) { return [w] { QTest::mouseClick(w, Qt::LeftButton); }; };
    const Writes muted = writesOf(clickOn(panel->muteToggle()));
    ASSERT_FALSE(muted.isEmpty());
    EXPECT_TRUE(accessibleOf(panel->muteToggle())->state().checked);
    const Writes unmuted = writesOf(clickOn(panel->muteToggle()));
    EXPECT_FALSE(accessibleOf(panel->muteToggle())->state().checked);
    panel->muteToggle()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(writesOf([] { press(Qt::Key_Space); }), muted);
    EXPECT_TRUE(accessibleOf(panel->muteToggle())->state().checked);
    EXPECT_EQ(writesOf([] { press(Qt::Key_Return); }), unmuted);

    const Writes toAES = writesOf(clickOn(panel->sourceButton(InputSource::aes)));
    ASSERT_FALSE(toAES.isEmpty());
    const Writes toAnalog = writesOf(clickOn(panel->sourceButton(InputSource::analog)));
    EXPECT_TRUE(accessibleOf(panel->sourceButton(InputSource::analog))->state().checked);
    EXPECT_EQ(accessibleOf(panel->sourceButton(InputSource::analog))->role(), QAccessible::RadioButton);
    // The current source again writes nothing (the mute after it is the first write).
    EXPECT_TRUE(
        writesNothing(clickOn(panel->sourceButton(InputSource::analog)), clickOn(panel->muteToggle())));
    EXPECT_EQ(writesOf(clickOn(panel->muteToggle())), unmuted);
    EXPECT_TRUE(accessibleOf(panel->sourceButton(InputSource::analog))->state().checked);
    panel->sourceButton(InputSource::analog)->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(writesOf([] { press(Qt::Key_Right); }), toAES);
    EXPECT_EQ(focused(), panel->sourceButton(InputSource::aes));
    EXPECT_TRUE(accessibleOf(panel->sourceButton(InputSource::aes))->state().checked);
    EXPECT_FALSE(accessibleOf(panel->sourceButton(InputSource::analog))->state().checked);
    EXPECT_EQ(writesOf([] { press(Qt::Key_Left); }), toAnalog);
    EXPECT_TRUE(writesNothing([] { press(Qt::Key_Left); },  // ANALOG is the first
                              [] { press(Qt::Key_Right); }));

    press(Qt::Key_Escape);
    rig.turn();
    EXPECT_FALSE(panel && panel->isVisible());
    EXPECT_EQ(focused(), source);
    EXPECT_EQ(accessibleOf(source)->childCount(), 0);
    EXPECT_TRUE(accessibleOf(source)->state().collapsed);
}

// An assistive tool's press opens the panel as a click does, with the focus in it, and
// closing it gives the focus back to where it was.
TEST_F(ConnectedMixer, AnAccessiblePressOpensTheInputPanelWithTheFocusInIt) {
    QLineEdit* gain = mixer->strip(5)->gainField()->lineEdit();
    gain->setFocus(Qt::TabFocusReason);
    InputQuickMenu* source = mixer->strip(3)->quickButtons()->sourceButton();
    doFirstAccessibleAction(source);
    rig.turn();
    InputPanel* panel = source->panel();
    ASSERT_TRUE(panel && panel->isVisible());
    EXPECT_EQ(focused(), panel->phaseToggle());
    EXPECT_TRUE(holds(accessibleOf(&rig.window()), panel->settingsButton()));
    press(Qt::Key_Escape);
    rig.turn();
    EXPECT_EQ(focused(), gain);
}

// The group menu opens by Space with its first item ready, is worked by the arrows and
// Return, and gives the focus back to its button; the strip's badge then names the group.
TEST_F(ConnectedMixer, TheGroupMenuIsWorkedByKeys) {
    GroupPicker* picker = mixer->strip(9)->groupPicker();
    picker->setFocus(Qt::TabFocusReason);
    QString activeOnOpen;
    bool keysInMenu = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        keysInMenu = menu == picker->menu();
        if (!menu) return;
        if (menu->activeAction()) activeOnOpen = menu->activeAction()->text();
        QTest::keyClick(menu, Qt::Key_Down);  // over the divider to "Group 1"
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    press(Qt::Key_Space);  // the menu runs until it closes
    rig.turn();
    EXPECT_TRUE(keysInMenu);
    EXPECT_EQ(activeOnOpen, QStringLiteral("No group"));
    EXPECT_EQ(picker->text(), QStringLiteral("Grp 2"));
    EXPECT_EQ(rig.model().groupOf().value(9), 2);
    // The strip's badge tells the group to assistive tools as the label it looks like.
    QWidget* badge = mixer->strip(9)->header()->groupBadge();
    EXPECT_EQ(accessibleOf(badge)->role(), QAccessible::StaticText);
    EXPECT_EQ(accessibleOf(badge)->text(QAccessible::Name), QStringLiteral("Group 2"));
    EXPECT_TRUE(holds(accessibleOf(&rig.window()), badge));
    // Offscreen, the menu's window keeps the activation (no window manager hands it back):
    // the window's own focus is what the user gets back.
    EXPECT_EQ(rig.window().focusWidget(), picker);
}

// The menu key on a strip's control opens the header's quick menu under that control, its
// first entry ready; an entry chosen by keys writes what the matching click writes. A
// right-click on the strip away from the header opens nothing.
TEST_F(ConnectedMixer, TheMenuKeyOpensTheStripsQuickMenu) {
    ChannelStrip* strip = mixer->strip(2);
    FlatButton* mute = strip->muteButton();
    const auto clickMute = [mute] { QTest::mouseClick(mute, Qt::LeftButton); };
    const Writes muted = writesOf(clickMute);
    ASSERT_FALSE(muted.isEmpty());
    const Writes unmuted = writesOf(clickMute);
    ASSERT_FALSE(unmuted.isEmpty());

    mute->setFocus(Qt::TabFocusReason);
    QString activeOnOpen;
    QRect menuAt;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        menuAt = menu->geometry();
        if (menu->activeAction()) activeOnOpen = menu->activeAction()->text();
        QTest::keyClick(menu, Qt::Key_Down);  // "Mute"
        QTest::keyClick(menu, Qt::Key_Return);
    });
    const Writes byMenu = writesOf([&] {
        // What the window system sends for the menu key: a context menu for the focused control.
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(), mute->mapToGlobal(QPoint()));
        QApplication::sendEvent(focused(), &key);
    });
    EXPECT_EQ(activeOnOpen, QStringLiteral("Phase invert (Ø)"));
    // Under the button, or lifted by the screen's edge as far as the menu needs.
    const QPoint under = mute->mapToGlobal(QPoint(0, mute->height()));
    EXPECT_EQ(menuAt.left(), under.x());
    EXPECT_LE(menuAt.top(), under.y());
    EXPECT_GE(menuAt.bottom(), under.y());
    EXPECT_EQ(byMenu, muted);
    EXPECT_TRUE(accessibleOf(mute)->state().checked);

    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            opened = true;
            popup->close();
        }
    });
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5));
    QApplication::sendEvent(strip->fader(), &rightClick);
    rig.turn();
    EXPECT_FALSE(opened);
}

// Return on a strip's edit button opens the channel's editor with the keys in it, on its
// first control, rather than dropping them into the sidebar with the mixer gone.
TEST_F(ConnectedMixer, TheEditButtonHandsTheKeysToTheEditor) {
    QToolButton* edit = mixer->strip(3)->editButton();
    edit->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Return);
    rig.turn();
    ASSERT_EQ(rig.console().page(), Page::channelPage(3));
    auto* editor = rig.page<ChannelView>();
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(focused(), nullptr);
    EXPECT_TRUE(editor->isAncestorOf(focused()));
    EXPECT_EQ(focused(), editor->gainKnob()->encoder());
    EXPECT_EQ(keyboardfocus::ringedWidget(), focused());
}

// The input panel's "Setting…" leads to the sources page with the keys in it.
TEST_F(ConnectedMixer, TheInputPanelsSettingsButtonHandsTheKeysToTheSourcesPage) {
    ASSERT_NO_FATAL_FAILURE(pressSetting(0));
    rig.turn();
    ASSERT_EQ(rig.console().page(), Page::of(Page::Kind::sources));
    ASSERT_NE(focused(), nullptr);
    EXPECT_TRUE(rig.pageView()->isAncestorOf(focused())) << focused()->metaObject()->className();
}

// Wherever a click leaves the keys (a page the click opened, a tab clicked on it) the ring is
// gone, and an arrow writes nothing: the first one only shows where the keys are. The next
// one works the control.
TEST_F(ConnectedMixer, AnArrowWritesNothingWhereTheFocusRestsUnseen) {
    float elsewhere = -20;
    const auto anotherWrite = [&] { rig.model().setGain(11, elsewhere += 1); };
    const auto firstArrowOnlyShowsTheRing = [&](Qt::Key key, const std::string& where) {
        QWidget* at = focused();
        ASSERT_NE(at, nullptr) << where;
        EXPECT_EQ(keyboardfocus::ringedWidget(), nullptr) << where;
        EXPECT_TRUE(writesNothing([&] { press(key); }, anotherWrite)) << where;
        EXPECT_EQ(focused(), at) << where;
        EXPECT_EQ(keyboardfocus::ringedWidget(), at) << where;
    };

    mixer->strip(4)->fader()->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(keyboardfocus::ringedWidget(), focused());
    QTest::mouseClick(mixer->strip(4)->editButton(), Qt::LeftButton);
    rig.turn();
    auto* editor = rig.page<ChannelView>();
    ASSERT_NE(editor, nullptr);
    firstArrowOnlyShowsTheRing(Qt::Key_Down, "the editor opened by a click");
    EXPECT_FALSE(writesOf([] { press(Qt::Key_Down); }).isEmpty()) << "the ring shows: the arrow works";

    QPushButton* fir = nullptr;
    for (int i = 0; QPushButton* tab = editor->tabPicker()->segment(i); ++i)
        if (tab->text() == QStringLiteral("FIR")) fir = tab;
    ASSERT_NE(fir, nullptr);
    QTest::mouseClick(fir, Qt::LeftButton);
    rig.turn();
    firstArrowOnlyShowsTheRing(Qt::Key_Left, "after a click on the FIR tab");

    rig.showPage(Page::of(Page::Kind::mixer));
    mixer = rig.page<MixerView>();
    ASSERT_NE(mixer, nullptr);
    InputQuickMenu* source = mixer->strip(0)->quickButtons()->sourceButton();
    QTest::mouseClick(source, Qt::LeftButton);
    ASSERT_TRUE(source->panel() && source->panel()->isVisible());
    QTest::mouseClick(source->panel()->settingsButton(), Qt::LeftButton);
    rig.turn();
    ASSERT_EQ(rig.console().page(), Page::of(Page::Kind::sources));
    firstArrowOnlyShowsTheRing(Qt::Key_Left, "the sources page opened by a click");
}
