// What a screen reader finds on every page of the connected window: every control it can
// operate has a name, no name or description reads as markup, and the twelve channels'
// controls ("Gain", "MUTE", …) can be told apart. And what an assistive tool does there: its
// text, values and actions do what typing and clicks do, and states read as the screen shows.

#include <gtest/gtest.h>

#include <algorithm>

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "designer/FIRDesignerView.h"
#include "editor/BandColumn.h"
#include "editor/BandColumns.h"
#include "editor/ChannelView.h"
#include "editor/EditorKit.h"
#include "editor/FiltersDelayPanel.h"
#include "link/DSPConnection.h"
#include "link/DSPFrame.h"
#include "link/DSPModel.h"
#include "mixer/ChannelStrip.h"
#include "mixer/GroupPicker.h"
#include "mixer/InputQuickMenu.h"
#include "mixer/MixerView.h"
#include "mixer/QuickButtons.h"
#include "pages/ControlCodesView.h"
#include "pages/DeviceView.h"
#include "pages/NetworkConnectView.h"
#include "pages/PresetsView.h"
#include "pages/RoutingView.h"
#include "shell/AboutDialog.h"
#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "shell/ReadingDisplay.h"
#include "shell/Sidebar.h"
#include "shell/StatusBar.h"
#include "support/AccessibleRoles.h"
#include "support/WindowRig.h"
#include "ui/DeviceWork.h"
#include "ui/FIRSendBar.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/Fader.h"
#include "ui/controls/FlatButton.h"

using kestrel_test::isInteractive;
using kestrel_test::WindowRig;

namespace {

// Containers whose name a screen reader speaks on the way into them.
bool namesItsContent(QAccessibleInterface& element) {
    switch (element.role()) {
        case QAccessible::Grouping:
        case QAccessible::PageTab:
        case QAccessible::PropertyPage:
        case QAccessible::Dialog:
            return !element.text(QAccessible::Name).isEmpty();
        default:
            return false;
    }
}

// A tag or an entity: what a rich-text sink would have rendered or escaped. Outside names
// (channel and device names) may look like markup but are data, so they are taken out first.
bool holdsMarkup(QString text, const QStringList& data) {
    static const QRegularExpression markup(
        QStringLiteral("</?[A-Za-z][A-Za-z0-9]*(\\s[^<>]*)?/?>|&(#[0-9]+|#x[0-9A-Fa-f]+|[A-Za-z]+);"));
    for (const QString& name : data) text.remove(name);
    return text.contains(markup);
}

QString roleName(QAccessible::Role role) {
    return QString::number(int(role), 16);
}

// The element's class, its parent's class and its description, to find it from a failure message.
QString whatItIs(QAccessibleInterface& element) {
    const QObject* object = element.object();
    const QObject* parent = object ? object->parent() : nullptr;
    return QStringLiteral("(role %1, %2 in %4, \"%3\")")
        .arg(roleName(element.role()), object ? object->metaObject()->className() : "item",
             element.text(QAccessible::Description), parent ? parent->metaObject()->className() : "-");
}

// Tab reaches the control itself, the one widget that draws it (a grid's cell), or the
// member of its group that holds the group's Tab stop, from which the arrows reach it.
bool reachedByTab(QAccessibleInterface& element) {
    if (!element.state().focusable) return false;
    const auto* widget = qobject_cast<const QWidget*>(element.object());
    if (!widget) {
        QAccessibleInterface* parent = element.parent();
        widget = parent ? qobject_cast<const QWidget*>(parent->object()) : nullptr;
    }
    if (!widget) return false;
    if (widget->focusPolicy() & Qt::TabFocus) return true;
    const QWidget* parent = widget->parentWidget();
    if (!parent) return false;
    const QList<QWidget*> group = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    return std::any_of(group.begin(), group.end(), [widget](const QWidget* member) {
        return member->metaObject() == widget->metaObject() && (member->focusPolicy() & Qt::TabFocus);
    });
}

// The menu a press of the button opens, where it has one.
const QMenu* menuOf(const QAbstractButton& button) {
    if (const auto* push = qobject_cast<const QPushButton*>(&button)) return push->menu();
    if (const auto* tool = qobject_cast<const QToolButton*>(&button)) return tool->menu();
    return nullptr;
}

// The widget that draws the element: its own, or its parent's for a part such as a tab or a row.
const QWidget* drawnBy(QAccessibleInterface& element) {
    if (const auto* widget = qobject_cast<const QWidget*>(element.object())) return widget;
    QAccessibleInterface* parent = element.parent();
    return parent ? qobject_cast<const QWidget*>(parent->object()) : nullptr;
}

// What an operable element of its kind tells as the screen shows it: disabled as drawn, focused
// only with the keyboard focus, a tab whether its page is shown, a menu button whether its menu
// is open, an on/off button that it can be switched and whether it is on, a picker its choice,
// a slider, knob or stepper its value.
QStringList kindProblems(QAccessibleInterface& element) {
    QStringList problems;
    const QAccessible::State state = element.state();
    const QWidget* widget = drawnBy(element);
    if (widget && !widget->isEnabled() && !state.disabled) problems << "reads enabled while drawn disabled";
    if (state.focused && !(widget && widget->hasFocus())) problems << "reads focused without the focus";
    if (const auto* button = qobject_cast<const QAbstractButton*>(element.object())) {
        if (menuOf(*button) && element.role() != QAccessible::ButtonMenu)
            problems << "opens a menu as no menu button";
        // A segment that shows a page reads selected, as a tab does.
        const bool tab = state.selectable && element.role() == QAccessible::RadioButton;
        if (tab && (state.checkable || bool(state.selected) != button->isChecked()))
            problems << "reads its page shown otherwise than selected";
        if (!tab && !menuOf(*button) && button->isCheckable() && !state.checkable)
            problems << "is switched but not checkable";
        if (state.checkable && bool(state.checked) != button->isChecked())
            problems << "reads checked otherwise";
    }
    if (const auto* bar = qobject_cast<const QTabBar*>(widget);
        bar && element.role() == QAccessible::PageTab) {
        QAccessibleInterface* tabs = element.parent();
        if (tabs && bool(state.selected) != (tabs->indexOfChild(&element) == bar->currentIndex()))
            problems << "reads selected otherwise than its page is shown";
    }
    if (element.role() == QAccessible::ButtonMenu && (!state.expandable || state.expanded == state.collapsed))
        problems << "does not tell whether its menu is open";
    if (const auto* combo = qobject_cast<const QComboBox*>(element.object())) {
        QAccessibleTextInterface* text = element.textInterface();
        if (!text || text->text(0, text->characterCount()) != combo->currentText())
            problems << "does not read its choice";
        QAccessibleInterface* list = element.childCount() == 1 ? element.child(0) : nullptr;
        QAccessibleInterface* chosen = list ? list->child(combo->currentIndex()) : nullptr;
        if (combo->currentIndex() >= 0 && !(chosen && chosen->state().selected))
            problems << "does not mark its choice in its list";
    }
    const QAccessible::Role role = element.role();
    if ((role == QAccessible::Slider || role == QAccessible::Dial || role == QAccessible::SpinBox) &&
        !element.valueInterface())
        problems << "holds no value";
    return problems;
}

// What an assistive tool could still do with an element drawn disabled: an action to run, a
// value or text it takes. Each is tried, and the element must not change. A scroll bar moves
// the view, no setting, and is left out.
QStringList takenWhileDisabled(QAccessibleInterface& element) {
    const QWidget* widget = drawnBy(element);
    if (!widget || widget->isEnabled() || element.role() == QAccessible::ScrollBar) return {};
    QStringList problems;
    QAccessibleActionInterface* actions = element.actionInterface();
    for (const QString& action :
         {QAccessibleActionInterface::pressAction(), QAccessibleActionInterface::toggleAction(),
          QAccessibleActionInterface::showMenuAction(), QAccessibleActionInterface::increaseAction(),
          QAccessibleActionInterface::decreaseAction()})
        if (actions && actions->actionNames().contains(action)) problems << "offers " + action;
    if (QAccessibleValueInterface* value = element.valueInterface()) {
        const QVariant before = value->currentValue();
        value->setCurrentValue(before == value->maximumValue() ? value->minimumValue()
                                                               : value->maximumValue());
        if (value->currentValue() != before) problems << "takes a value";
    }
    if (QAccessibleEditableTextInterface* editable = element.editableTextInterface()) {
        const QString before = element.text(QAccessible::Value);
        editable->insertText(0, QStringLiteral("1"));
        if (element.text(QAccessible::Value) != before) problems << "takes text";
    }
    return problems;
}

// A control that reads focusable takes the focus by the action assistive tools ask it with.
QStringList takesTheFocusWhenAsked(QAccessibleInterface& element) {
    auto* widget = qobject_cast<QWidget*>(element.object());
    if (!widget || !element.state().focusable || !widget->isEnabled()) return {};
    QAccessibleActionInterface* actions = element.actionInterface();
    if (!actions || !actions->actionNames().contains(QAccessibleActionInterface::setFocusAction()))
        return {QStringLiteral("offers no way to take the focus")};
    actions->doAction(QAccessibleActionInterface::setFocusAction());
    return widget->hasFocus() ? QStringList() : QStringList{QStringLiteral("does not take the focus")};
}

// One walk of the window's accessibility tree, collecting every rule it breaks.
class Walk {
public:
    Walk(const QString& where, const QStringList& data) : m_where(where), m_data(data) {}

    void visit(QAccessibleInterface* element, const QStringList& path, bool shown) {
        if (!element || !element->isValid()) return;
        const QString name = element->text(QAccessible::Name);
        const QString description = element->text(QAccessible::Description);
        shown = shown && !element->state().invisible;
        const QString at = m_where + ": " + (path + QStringList{name}).join(" / ");
        for (const QString& text : {name, description})
            if (holdsMarkup(text, m_data)) m_problems << at + " holds markup: " + text;
        // What is hidden is not presented; it is checked on the page or tab that shows it.
        if (shown && isInteractive(*element)) {
            if (name.trimmed().isEmpty()) m_problems << at + " " + whatItIs(*element) + " has no name";
            for (const QString& problem :
                 kindProblems(*element) + takenWhileDisabled(*element) + takesTheFocusWhenAsked(*element))
                m_problems << at + " " + whatItIs(*element) + " " + problem;
            if (!reachedByTab(*element))
                m_problems << at + " " + whatItIs(*element) + " is not reached with Tab";
            else
                m_seen[roleName(element->role()) + " " + (path + QStringList{name}).join(" / ")] += 1;
        }
        const QStringList inner = namesItsContent(*element) ? path + QStringList{name} : path;
        for (int i = 0; i < element->childCount(); ++i) visit(element->child(i), inner, shown);
    }

    QStringList problems() const {
        QStringList all = m_problems;
        for (auto it = m_seen.cbegin(); it != m_seen.cend(); ++it)
            if (it.value() > 1)
                all << m_where + ": " + QString::number(it.value()) + " controls read as " + it.key();
        return all;
    }

private:
    QString m_where;
    QStringList m_data;
    QStringList m_problems;
    QMap<QString, int> m_seen;
};

// Every page and tab of the window, each checked by `check` while it is shown.
class EveryPage {
public:
    using Check = std::function<QStringList(const QString& where)>;

    EveryPage(WindowRig& rig, Check check) : m_rig(rig), m_check(std::move(check)) {}

    // Every row of the sidebar that leads somewhere, picked through its accessible element as
    // an assistive tool picks it, so a new page is walked without changes here; on each page
    // every tab it offers.
    QStringList walkAll() {
        Sidebar* sidebar = m_rig.console().sidebar();
        QAccessibleInterface* rows = QAccessible::queryAccessibleInterface(sidebar);
        for (int row = 0; row < sidebar->count(); ++row) {
            QListWidgetItem* item = sidebar->item(row);
            if (!(item->flags() & Qt::ItemIsSelectable)) continue;
            QAccessibleInterface* element = rows->child(row);
            const QString page = element->text(QAccessible::Name);
            QAccessibleActionInterface* actions = element->actionInterface();
            if (!actions || actions->actionNames().isEmpty()) {
                m_problems << page + ": the sidebar row has no action";
                continue;
            }
            actions->doAction(actions->actionNames().front());
            m_rig.turn();
            if (sidebar->currentItem() != item) {
                m_problems << page + ": the row's action does not show its page";
                continue;
            }
            walkTabs(page);
        }
        return m_problems;
    }

private:
    void walkTabs(const QString& page) {
        QWidget* view = m_rig.pageView();
        if (!view) {
            m_problems << page + ": no page shown";
            return;
        }
        if (auto* editor = qobject_cast<ChannelView*>(view)) {
            for (int i = 0; QPushButton* tab = editor->tabPicker()->segment(i); ++i) {
                tab->click();
                m_rig.turn();
                walk(page + " [" + tab->text() + "]");
            }
            return;
        }
        const QList<QTabWidget*> tabWidgets = view->findChildren<QTabWidget*>();
        walk(page);
        for (QTabWidget* tabs : tabWidgets) {
            for (int i = 0; i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                m_rig.turn();
                walk(page + " [" + tabs->tabText(i) + "]");
            }
        }
    }

    void walk(const QString& where) { m_problems << m_check(where); }

    WindowRig& m_rig;
    Check m_check;
    QStringList m_problems;
};

// The network sheet, opened from the status bar's connection menu as a user opens it.
NetworkConnectView* openNetworkSheet(WindowRig& rig) {
    for (QAction* action : rig.console().statusBar()->connectionMenuButton()->menu()->actions())
        if (action->text() == QStringLiteral("Connect over network…")) action->trigger();
    rig.turn();
    auto* sheet = rig.window().findChild<NetworkConnectView*>();
    return sheet && sheet->isVisible() ? sheet : nullptr;
}

WindowRig::Options connectedWith(const QStringList& channelNames, const QString& deviceName) {
    WindowRig::Options options;
    options.prepare = [=](DeviceSimulator& simulator) {
        SimDevice& device = simulator.device();
        if (!deviceName.isEmpty()) device.name = deviceName;
        for (int ch = 0; ch < channelNames.size(); ++ch)
            device.params[quint32(378 + ch)] = DSPFrame::packString(channelNames[ch], 2);
    };
    return options;
}

}  // namespace

// Names from the device stand in the tree as written: channel names that look like tags or
// entities must neither be escaped into the names nor turn the descriptions into markup.
TEST(Accessibility, EveryPageNamesItsControlsAndTellsTheChannelsApart) {
    QStringList names;
    for (int ch = 0; ch < 12; ++ch)
        names << (ch % 2 ? QStringLiteral("<b>%1</b>") : QStringLiteral("&lt;%1>")).arg(QChar('A' + ch));
    const QString deviceName = QStringLiteral("<h1>Rack</h1> & <i>1</i>");
    WindowRig rig(connectedWith(names, deviceName));
    ASSERT_EQ(rig.model().channelName(1), names[1]);
    ASSERT_EQ(rig.model().channelName(4), names[4]);

    // The brand row is one element, named as the product.
    QAccessibleInterface* sidebar = QAccessible::queryAccessibleInterface(rig.console().sidebar());
    ASSERT_NE(sidebar, nullptr);
    ASSERT_GT(sidebar->childCount(), 0);
    EXPECT_EQ(sidebar->child(0)->text(QAccessible::Name), QStringLiteral("Tessaline DSP Control"));

    const QStringList data = names + QStringList{deviceName};
    QStringList problems = EveryPage(rig, [&](const QString& where) {
                               Walk walk(where, data);
                               walk.visit(QAccessible::queryAccessibleInterface(&rig.window()), {}, true);
                               return walk.problems();
                           }).walkAll();
    NetworkConnectView* sheet = openNetworkSheet(rig);
    ASSERT_NE(sheet, nullptr);
    Walk walk(QStringLiteral("network sheet"), data);
    walk.visit(kestrel_test::accessibleOf(sheet), {}, true);
    problems << walk.problems();
    sheet->close();
    EXPECT_TRUE(problems.isEmpty()) << problems.size() << " problems:\n" << problems.join('\n').toStdString();
}

namespace {

constexpr quint16 writeCommand = 5;

// Text given as an assistive tool gives it: the whole text replaced through the element.
void enterText(QLineEdit* edit, const QString& text) {
    QAccessibleEditableTextInterface* editable = kestrel_test::accessibleOf(edit)->editableTextInterface();
    ASSERT_NE(editable, nullptr);
    editable->replaceText(0, int(edit->text().size()), text);
}

// Every field shown under `root` takes text an assistive tool enters as typed text (the field
// then holds an edit), and takes none while it is drawn disabled. Each field is left showing
// what it showed.
QStringList fieldsTakeTextAsTyped(QWidget& root, const QString& where) {
    QStringList problems;
    for (QLineEdit* edit : root.findChildren<QLineEdit*>()) {
        if (!edit->isVisible() || !edit->isEnabled() || edit->isReadOnly()) continue;
        const QString what = where + ": " + kestrel_test::describeControl(edit);
        const QString before = edit->text();
        const QString typed = before == QStringLiteral("1") ? QStringLiteral("2") : QStringLiteral("1");
        enterText(edit, typed);
        if (edit->text() != typed || !edit->isModified()) problems << what + " holds no edit";
        edit->setEnabled(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);  // its element renewed
        if (kestrel_test::accessibleOf(edit)->editableTextInterface())
            problems << what + " offers editing while disabled";
        edit->setEnabled(true);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
        enterText(edit, before);
    }
    return problems;
}

// A value and both steps, given as an assistive tool gives them.
void adjust(QWidget* control, double value) {
    QAccessibleInterface* element = kestrel_test::accessibleOf(control);
    ASSERT_NE(element->valueInterface(), nullptr);
    element->valueInterface()->setCurrentValue(value);
    for (const QString& step :
         {QAccessibleActionInterface::increaseAction(), QAccessibleActionInterface::decreaseAction()})
        element->actionInterface()->doAction(step);
}

// The connected window on the mixer with its window active, driven as an assistive tool drives
// it: through the elements' text, value and action interfaces.
class AssistedWindow : public ::testing::Test {
protected:
    void SetUp() override {
        rig.window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.window()));
    }

    // The writes the simulator received since the mark, once the link has sent them all.
    QList<DSPFrame> writesSince(qsizetype mark) {
        rig.waitFor(
            [&] { return !rig.model().link().isBusy() && rig.model().link().queuedWriteCount() == 0; }, 5);
        rig.turn();
        return rig.receivedSince(mark, writeCommand);
    }

    static void pressTab() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }

    WindowRig rig;
};

}  // namespace

// Text an assistive tool enters is taken as typing is: a number field commits it when the
// focus leaves (and shows its value again when the text is no number), a channel name field
// enables its Save, and the filter name keeps to its 24 characters.
TEST_F(AssistedWindow, TextEnteredThroughTheAccessibleInterfaceIsAnEdit) {
    ChannelStrip* strip = rig.page<MixerView>()->strip(0);
    QLineEdit* gain = strip->gainField()->lineEdit();
    gain->setFocus(Qt::TabFocusReason);
    qsizetype mark = rig.mark();
    enterText(gain, QStringLiteral("-9.5"));
    pressTab();
    EXPECT_EQ(writesSince(mark).size(), 1);
    EXPECT_EQ(strip->gainField()->value(), -9.5);
    EXPECT_EQ(gain->text(), QStringLiteral("-9.5"));

    gain->setFocus(Qt::TabFocusReason);
    mark = rig.mark();
    enterText(gain, QStringLiteral("loud"));
    pressTab();
    EXPECT_TRUE(writesSince(mark).isEmpty());
    EXPECT_EQ(gain->text(), QStringLiteral("-9.5"));

    rig.showPage(Page::of(Page::Kind::device));
    auto* device = rig.page<DeviceView>();
    ASSERT_NE(device, nullptr);
    const DeviceView::ChannelRow& row = device->channelRow(2);
    ASSERT_FALSE(row.save->isEnabled());
    enterText(row.field, QStringLiteral("Kick drum"));
    EXPECT_EQ(row.field->text(), QStringLiteral("Kick dru"));
    EXPECT_TRUE(row.save->isEnabled());
    mark = rig.mark();
    row.save->click();
    EXPECT_EQ(writesSince(mark).size(), 1);
    EXPECT_EQ(rig.model().channelName(2), QStringLiteral("Kick dru"));

    rig.showPage(Page::of(Page::Kind::firDesigner));
    auto* designer = rig.page<FIRDesignerView>();
    ASSERT_NE(designer, nullptr);
    QLineEdit* name = nullptr;
    for (QLineEdit* edit : designer->findChildren<QLineEdit*>())
        if (edit->placeholderText() == QStringLiteral("FIR name")) name = edit;
    ASSERT_NE(name, nullptr);
    enterText(name, QString(30, QLatin1Char('x')));
    rig.turn();
    EXPECT_EQ(designer->settings().name, QString(24, QLatin1Char('x')));
    EXPECT_EQ(name->text(), QString(24, QLatin1Char('x')));
}

// Text an assistive tool sets into a field the user is not in waits there, as typing waits
// in the focused field, and is written once when it is committed: by the field's press action,
// which confirms it as Return does, and the focus stays where it was.
TEST_F(AssistedWindow, TextSetIntoAFieldWithoutTheFocusWaitsAndPressConfirmsIt) {
    ChannelStrip* inD = rig.page<MixerView>()->strip(3);
    QLineEdit* gainD = inD->gainField()->lineEdit();
    ASSERT_FALSE(gainD->hasFocus());
    qsizetype mark = rig.mark();
    enterText(gainD, QStringLiteral("-12.5"));
    EXPECT_TRUE(writesSince(mark).isEmpty());
    EXPECT_TRUE(gainD->isModified());
    kestrel_test::doAccessibleAction(gainD, QAccessibleActionInterface::pressAction());
    EXPECT_EQ(writesSince(mark).size(), 1);
    EXPECT_EQ(inD->gainField()->value(), -12.5);
    EXPECT_FALSE(gainD->isModified());

    ChannelStrip* inA = rig.page<MixerView>()->strip(0);
    QLineEdit* gainA = inA->gainField()->lineEdit();
    gainA->setFocus(Qt::TabFocusReason);
    mark = rig.mark();
    enterText(gainA, QStringLiteral("-3"));
    rig.turn();
    EXPECT_TRUE(gainA->isModified());  // still the user's, until confirmed
    kestrel_test::doAccessibleAction(gainA, QAccessibleActionInterface::pressAction());
    EXPECT_EQ(writesSince(mark).size(), 1);
    EXPECT_EQ(inA->gainField()->value(), -3.0);
    EXPECT_TRUE(gainA->hasFocus());
}

// A tool that edits a field a piece at a time writes nothing for the pieces (no +4.0 dB for
// "-4.0" without its sign), whatever the device reports meanwhile, and the whole text once
// when it is committed; text still held when its page goes is written then, not lost.
TEST_F(AssistedWindow, TextSetPieceByPieceIsWrittenOnceWhenCommitted) {
    ChannelStrip* inB = rig.page<MixerView>()->strip(1);
    QLineEdit* gainB = inB->gainField()->lineEdit();
    QAccessibleEditableTextInterface* editable = kestrel_test::accessibleOf(gainB)->editableTextInterface();
    ASSERT_NE(editable, nullptr);
    qsizetype mark = rig.mark();
    enterText(gainB, QStringLiteral("-4.0"));
    kestrel_test::doAccessibleAction(gainB, QAccessibleActionInterface::pressAction());
    ASSERT_EQ(writesSince(mark).size(), 1);
    ASSERT_EQ(gainB->text(), QStringLiteral("-4.0"));

    mark = rig.mark();
    editable->deleteText(0, 1);
    rig.turn();
    EXPECT_EQ(gainB->text(), QStringLiteral("4.0"));
    editable->deleteText(0, int(gainB->text().size()));
    for (const QChar piece : QStringLiteral("-12.5")) {
        editable->insertText(int(gainB->text().size()), piece);
        rig.turn();
    }
    rig.model().setMute(1, true);  // its write refreshes the strip, which keeps the held text
    EXPECT_EQ(writesSince(mark).size(), 1);
    EXPECT_EQ(gainB->text(), QStringLiteral("-12.5"));
    kestrel_test::doAccessibleAction(gainB, QAccessibleActionInterface::pressAction());
    EXPECT_EQ(writesSince(mark).size(), 2);
    EXPECT_EQ(inB->gainField()->value(), -12.5);

    mark = rig.mark();
    enterText(rig.page<MixerView>()->strip(2)->gainField()->lineEdit(), QStringLiteral("-6"));
    rig.showPage(Page::of(Page::Kind::device));
    EXPECT_EQ(writesSince(mark).size(), 1);
}

namespace {

// An entry of the menu bar's menus as a tool finds it: through the menu's element, which the
// application holds while the menu is open.
QAccessibleInterface* menuEntry(QMenuBar* bar, const QString& menu, const QString& entry) {
    for (QAction* title : bar->actions()) {
        if (QString(title->text()).remove(QLatin1Char('&')) != menu || !title->menu()) continue;
        QAccessibleInterface* popup = kestrel_test::accessibleOf(title->menu());
        for (int j = 0; j < popup->childCount(); ++j)
            if (popup->child(j)->text(QAccessible::Name) == entry) return popup->child(j);
    }
    return nullptr;
}

void act(QObject* object, const QString& action) {
    kestrel_test::accessibleOf(object)->actionInterface()->doAction(action);
}

}  // namespace

// While a question stands in front of the window ("Quit anyway?" while a project is sent),
// nothing behind it acts for a tool, as nothing acts for a click: no press, toggle, value, text
// or page switch reaches the device or the window, and File ▸ Quit pressed again does not end
// the program under its own question.
TEST_F(AssistedWindow, NothingBehindAnOpenQuestionActsForATool) {
    const QPointer<ChannelStrip> inA = rig.page<MixerView>()->strip(0);
    QAccessibleInterface* quit =
        menuEntry(rig.window().menuBar(), QStringLiteral("File"), QStringLiteral("Quit"));
    ASSERT_NE(quit, nullptr);
    QSignalSpy quits(quit->object(), SIGNAL(triggered(bool)));
    const DeviceWork::Ticket sending = rig.window().work().begin(QStringLiteral("The project \"Hall\""),
                                                                 QStringLiteral("settings written"), 388);
    const bool muted = inA->muteButton()->isChecked();
    Sidebar* sidebar = rig.console().sidebar();
    const int deviceRow = sidebar->row(sidebar->itemFor(Page::of(Page::Kind::device)));
    const qsizetype mark = rig.mark();
    bool asked = false;
    rig.dialogs.whileOpen = [&] {
        QMessageBox question(QMessageBox::Warning, QStringLiteral("Quit"), QStringLiteral("Quit anyway?"),
                             QMessageBox::Cancel, &rig.window());
        question.setWindowModality(Qt::ApplicationModal);
        question.show();
        act(inA->muteButton(), QAccessibleActionInterface::toggleAction());
        act(inA->muteButton(), QAccessibleActionInterface::pressAction());
        kestrel_test::accessibleOf(inA->fader())->valueInterface()->setCurrentValue(-20.0);
        act(inA->fader(), QAccessibleActionInterface::increaseAction());
        enterText(inA->gainField()->lineEdit(), QStringLiteral("-20"));
        act(inA->gainField()->lineEdit(), QAccessibleActionInterface::pressAction());
        kestrel_test::accessibleOf(sidebar)->child(deviceRow)->actionInterface()->doAction(
            QAccessibleActionInterface::toggleAction());
        quit->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        rig.turn();
        asked = true;
    };
    quit->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(rig.waitFor([&] { return asked; }));  // asked once the menu's handler has returned
    EXPECT_TRUE(writesSince(mark).isEmpty());
    EXPECT_EQ(quits.size(), 1);
    EXPECT_TRUE(rig.window().isVisible());
    EXPECT_NE(rig.page<MixerView>(), nullptr);
    ASSERT_FALSE(inA.isNull());
    EXPECT_EQ(inA->muteButton()->isChecked(), muted);
    EXPECT_FALSE(inA->gainField()->lineEdit()->isModified());
}

// Every field of every page and of the network sheet, not only those above.
TEST_F(AssistedWindow, EveryFieldTakesEnteredTextAsTypedAndNoneWhileDisabled) {
    QStringList problems = EveryPage(rig, [&](const QString& where) {
                               return fieldsTakeTextAsTyped(rig.window(), where);
                           }).walkAll();
    // The preset name field shows once a slot is chosen.
    rig.showPage(Page::of(Page::Kind::presets));
    auto* presets = rig.page<PresetsView>();
    ASSERT_NE(presets, nullptr);
    QListWidget* slots = presets->slotList();
    QTest::mouseClick(slots->viewport(), Qt::LeftButton, {}, slots->visualItemRect(slots->item(1)).center());
    ASSERT_EQ(presets->selected(), 1);
    problems << fieldsTakeTextAsTyped(*presets, QStringLiteral("Presets, slot 1"));
    NetworkConnectView* sheet = openNetworkSheet(rig);
    ASSERT_NE(sheet, nullptr);
    problems << fieldsTakeTextAsTyped(*sheet, QStringLiteral("network sheet"));
    sheet->close();
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

namespace {

void eachElement(QAccessibleInterface* element, const std::function<void(QAccessibleInterface&)>& visit) {
    if (!element || !element->isValid()) return;
    visit(*element);
    for (int i = 0; i < element->childCount(); ++i) eachElement(element->child(i), visit);
}

}  // namespace

// On every page of the window without its device, no element drawn disabled takes an action,
// a value or text from an assistive tool, and every control reads its kind's state as drawn.
TEST(Accessibility, NothingDrawnDisabledTakesAnActionValueOrText) {
    WindowRig rig;
    rig.simulator.closeClients();
    ASSERT_TRUE(rig.waitFor([&] { return !rig.model().connected(); }));
    rig.turn();
    int disabled = 0;
    const QStringList problems =
        EveryPage(rig, [&](const QString& where) {
            QStringList found;
            eachElement(kestrel_test::accessibleOf(&rig.window()), [&](QAccessibleInterface& element) {
                const QWidget* widget = drawnBy(element);
                disabled += widget && !widget->isEnabled();
                for (const QString& problem :
                     takenWhileDisabled(element) +
                         (isInteractive(element) ? kindProblems(element) : QStringList()))
                    found << where + ": " + whatItIs(element) + " " + element.text(QAccessible::Name) + " " +
                                 problem;
            });
            return found;
        }).walkAll();
    EXPECT_GT(disabled, 0);
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

// Once the device is lost the pages are drawn disabled, still showing its values, and an
// assistive tool can change nothing on them: no value, step or toggle is taken, no action is
// offered, and a field offers no editing and takes no text.
TEST(Accessibility, ControlsDrawnDisabledTakeNothing) {
    WindowRig rig;
    rig.simulator.closeClients();
    ASSERT_TRUE(rig.waitFor([&] { return !rig.model().connected(); }));
    rig.turn();
    MixerView* mixer = rig.page<MixerView>();
    ASSERT_NE(mixer, nullptr);
    ChannelStrip* strip = mixer->strip(0);
    ASSERT_FALSE(strip->fader()->isEnabled());
    const double gain = strip->fader()->db();
    const QString shown = strip->gainField()->lineEdit()->text();
    adjust(strip->fader(), -20);
    QAccessibleInterface* typed = kestrel_test::accessibleOf(strip->gainField()->lineEdit());
    EXPECT_EQ(typed->editableTextInterface(), nullptr);
    typed->setText(QAccessible::Value, QStringLiteral("-30"));
    rig.turn();
    EXPECT_EQ(strip->fader()->db(), gain);
    EXPECT_EQ(strip->gainField()->lineEdit()->text(), shown);
    EXPECT_FALSE(strip->gainField()->lineEdit()->isModified());
    EXPECT_TRUE(kestrel_test::accessibleOf(strip->fader())->actionInterface()->actionNames().isEmpty());

    rig.showPage(Page::channelPage(4));
    ASSERT_NE(rig.pageView(), nullptr);
    auto* knob = rig.pageView()->findChild<Encoder*>();
    ASSERT_NE(knob, nullptr);
    ASSERT_FALSE(knob->isEnabled());
    const double value = knob->value();
    adjust(knob, knob->scale().hi);
    rig.turn();
    EXPECT_EQ(knob->value(), value);

    rig.showPage(Page::of(Page::Kind::routing));
    ASSERT_NE(rig.pageView(), nullptr);
    auto* crosspoint = rig.pageView()->findChild<CrosspointCell*>();
    ASSERT_NE(crosspoint, nullptr);
    const bool on = crosspoint->shownOn();
    kestrel_test::accessibleOf(crosspoint)
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::toggleAction());
    rig.turn();
    EXPECT_EQ(crosspoint->shownOn(), on);
}

namespace {

// Runs `inside` on the popup (a menu or a popover) an accessible action of `button` opens, from
// inside the popup's own event loop where it has one, then closes what is still open. False
// when no popup opened.
bool inPopupOf(WindowRig& rig, QWidget* button, const QString& action,
               const std::function<void(QWidget&)>& inside) {
    bool opened = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* popup = QApplication::activePopupWidget();
        if (!popup) return;
        poll.stop();
        opened = true;
        inside(*popup);
        if (QWidget* left = QApplication::activePopupWidget()) left->close();
    });
    poll.start();
    kestrel_test::doAccessibleAction(button, action);
    rig.waitFor([&] { return opened; }, 5);
    rig.turn();
    return opened;
}

// The same for a menu: null when no menu opened.
QPointer<QMenu> inMenuOf(WindowRig& rig, QWidget* button, const QString& action,
                         const std::function<void(QMenu&)>& inside) {
    QPointer<QMenu> menu;
    inPopupOf(rig, button, action, [&](QWidget& popup) {
        menu = qobject_cast<QMenu*>(&popup);
        if (menu) inside(*menu);
    });
    return menu;
}

// The menu item's element, found by its text among the menu's children.
QAccessibleInterface* itemOf(QMenu& menu, const QString& text) {
    QAccessibleInterface* element = kestrel_test::accessibleOf(&menu);
    for (int i = 0; i < element->childCount(); ++i)
        if (element->child(i)->text(QAccessible::Name) == text) return element->child(i);
    return nullptr;
}

}  // namespace

// A button that opens a menu is a menu button that tells whether its menu is open; its press
// and its show-menu open the menu with the focus on the first item, from which an item's
// action does what its click does, and it takes the focus when asked. Every menu button of
// every page, menu or popover, opens by its press with the focus in what it opened.
TEST_F(AssistedWindow, MenuButtonsOpenTheirMenusAndTellWhetherTheyAreOpen) {
    GroupPicker* picker = rig.page<MixerView>()->strip(1)->groupPicker();
    QAccessibleInterface* element = kestrel_test::accessibleOf(picker);
    EXPECT_EQ(element->role(), QAccessible::ButtonMenu);
    EXPECT_TRUE(element->state().expandable);
    EXPECT_TRUE(element->state().collapsed);
    EXPECT_FALSE(element->state().expanded);
    kestrel_test::doAccessibleAction(picker, QAccessibleActionInterface::setFocusAction());
    EXPECT_TRUE(picker->hasFocus());

    bool expanded = false;
    QString first;
    const QPointer<QMenu> menu =
        inMenuOf(rig, picker, QAccessibleActionInterface::pressAction(), [&](QMenu& open) {
            expanded = element->state().expanded && !element->state().collapsed;
            first = open.activeAction() ? open.activeAction()->text() : QString();
            QAccessibleInterface* item = itemOf(open, QStringLiteral("Group 2"));
            ASSERT_NE(item, nullptr);
            item->actionInterface()->doAction(item->actionInterface()->actionNames().front());
        });
    ASSERT_FALSE(menu.isNull());
    EXPECT_TRUE(expanded);
    EXPECT_EQ(first, QStringLiteral("No group"));
    EXPECT_TRUE(rig.waitFor([&] { return rig.model().groupOf().value(1) == 2; }, 5));
    EXPECT_FALSE(element->state().expanded);

    QToolButton* connection = rig.console().statusBar()->connectionMenuButton();
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(kestrel_test::accessibleOf(connection)->role(), QAccessible::ButtonMenu);
    inMenuOf(rig, connection, QAccessibleActionInterface::showMenuAction(), [&](QMenu& open) {
        QAccessibleInterface* item = itemOf(open, QStringLiteral("Connect over network…"));
        ASSERT_NE(item, nullptr);
        item->actionInterface()->doAction(item->actionInterface()->actionNames().front());
    });
    auto* sheet = rig.window().findChild<NetworkConnectView*>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    sheet->close();

    rig.showPage(Page::channelPage(4));
    auto* editor = rig.page<ChannelView>();
    ASSERT_NE(editor, nullptr);
    QAccessibleInterface* copyTo = kestrel_test::accessibleOf(editor->copyToButton());
    EXPECT_EQ(copyTo->role(), QAccessible::ButtonMenu);
    EXPECT_TRUE(copyTo->state().expandable && copyTo->state().collapsed);

    // So does every menu button of every page, whether it opens a menu or a popover.
    int opened = 0;
    const QStringList problems =
        EveryPage(rig, [&](const QString& where) {
            QList<QPointer<QAbstractButton>> buttons;
            for (QAbstractButton* button : rig.window().findChildren<QAbstractButton*>())
                if (button->isVisible() && button->isEnabled() &&
                    kestrel_test::accessibleOf(button)->role() == QAccessible::ButtonMenu)
                    buttons << button;
            QStringList found;
            for (const QPointer<QAbstractButton>& button : buttons) {
                if (!button) continue;
                QAccessibleInterface* anchor = kestrel_test::accessibleOf(button);
                const QString what = where + ": " + kestrel_test::describeControl(button);
                bool readExpanded = false, focusInside = false;
                const bool popup =
                    inPopupOf(rig, button, QAccessibleActionInterface::pressAction(), [&](QWidget& open) {
                        readExpanded = anchor->state().expanded && !anchor->state().collapsed;
                        QWidget* focus = QApplication::focusWidget();
                        focusInside = qobject_cast<QMenu*>(&open)
                                          ? bool(static_cast<QMenu&>(open).activeAction())
                                          : focus && open.isAncestorOf(focus);
                    });
                if (!popup) {
                    found << what + " opens nothing";
                    continue;
                }
                ++opened;
                if (!readExpanded) found << what + " does not read expanded while open";
                if (!focusInside) found << what + " does not give its popup the focus";
                if (button && (anchor->state().expanded || !anchor->state().collapsed))
                    found << what + " does not read collapsed once closed";
            }
            return found;
        }).walkAll();
    EXPECT_GT(opened, 12);
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

namespace {

// The open menu's element among the application's children, or null.
QAccessibleInterface* underTheApplication(QMenu& menu) {
    QAccessibleInterface* application = kestrel_test::accessibleOf(qApp);
    for (int i = 0; i < application->childCount(); ++i)
        if (QAccessibleInterface* child = application->child(i); child && child->object() == &menu)
            return child;
    return nullptr;
}

// Where the menu stands in the tree while it is open: "" when a tool walking down from the
// application finds it there with its entries and walks back up to the application.
QString placeInTree(QMenu& menu) {
    QAccessibleInterface* application = kestrel_test::accessibleOf(qApp);
    QAccessibleInterface* element = underTheApplication(menu);
    if (!element) return QStringLiteral("not among the application's children");
    if (element->parent() != application || application->child(application->indexOfChild(element)) != element)
        return QStringLiteral("its parent is not the application");
    if (element->childCount() != menu.actions().size()) return QStringLiteral("its entries are missing");
    return {};
}

}  // namespace

// A menu that a button or the menu key opens is a child of the application while it is open,
// with its entries, as a tool walking the tree finds it; an entry's press chooses it as a click
// does, closing the menu, which then leaves the tree.
TEST_F(AssistedWindow, OpenMenusAreChildrenOfTheApplicationWithTheirEntries) {
    ASSERT_EQ(kestrel_test::accessibleOf(qApp)->role(), QAccessible::Application);
    GroupPicker* picker = rig.page<MixerView>()->strip(1)->groupPicker();
    QString place;
    bool closedByChoice = false;
    const QPointer<QMenu> groups =
        inMenuOf(rig, picker, QAccessibleActionInterface::pressAction(), [&](QMenu& open) {
            place = placeInTree(open);
            QAccessibleInterface* element = underTheApplication(open);
            if (!element) return;
            for (int i = 0; i < element->childCount(); ++i)
                if (element->child(i)->text(QAccessible::Name) == QStringLiteral("Group 2"))
                    element->child(i)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            closedByChoice = !open.isVisible();
        });
    ASSERT_FALSE(groups.isNull());
    EXPECT_EQ(place, QString());
    EXPECT_TRUE(closedByChoice);
    EXPECT_TRUE(rig.waitFor([&] { return rig.model().groupOf().value(1) == 2; }, 5));
    EXPECT_EQ(underTheApplication(*groups), nullptr);

    // The strip's quick menu, opened by the menu key.
    QString quickMenu = QStringLiteral("no menu");
    QWidget* mute = rig.page<MixerView>()->strip(2)->muteButton();
    mute->setFocus(Qt::TabFocusReason);
    QTimer::singleShot(0, [&] {
        auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!open) return;
        quickMenu = placeInTree(*open);
        open->close();
    });
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), mute->mapToGlobal(QPoint()),
                              Qt::NoModifier);
    QApplication::sendEvent(mute, &menuKey);
    rig.turn();
    EXPECT_EQ(quickMenu, QString());

    // Every other menu button's: the connection menu, and the editor's band type and "Copy to…".
    QStringList problems;
    const auto check = [&](QAbstractButton* button) {
        const QString what = kestrel_test::describeControl(button) + ": ";
        const bool opened =
            inMenuOf(rig, button, QAccessibleActionInterface::showMenuAction(), [&](QMenu& open) {
                if (const QString place = placeInTree(open); !place.isEmpty()) problems << what + place;
            });
        if (!opened) problems << what + "opens no menu";
    };
    check(rig.console().statusBar()->connectionMenuButton());
    rig.showPage(Page::channelPage(4));
    auto* editor = rig.page<ChannelView>();
    ASSERT_NE(editor, nullptr);
    check(editor->copyToButton());
    check(editor->bandColumns()->column(1)->typeButton());
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

// Pickers are named by their caption and read their choice as their value; controls of the same
// caption are told apart by their group; the routing square the inspector shows reads selected.
TEST_F(AssistedWindow, PickersAndLikeCaptionedControlsSayWhatAndWhoseTheyAre) {
    auto* mixer = rig.page<MixerView>();
    QAbstractButton* source = mixer->strip(0)->quickButtons()->sourceButton();
    EXPECT_EQ(kestrel_test::accessibleOf(source)->text(QAccessible::Name), "Source: " + source->text());
    EXPECT_EQ(kestrel_test::accessibleOf(source)->text(QAccessible::Value), source->text());
    QAbstractButton* group = mixer->strip(0)->groupPicker();
    EXPECT_EQ(kestrel_test::accessibleOf(group)->text(QAccessible::Name), QStringLiteral("Group: Grp –"));
    EXPECT_EQ(kestrel_test::accessibleOf(group)->text(QAccessible::Value), QStringLiteral("Grp –"));

    rig.showPage(Page::of(Page::Kind::firDesigner));
    QStringList clears;
    for (QPushButton* button : rig.pageView()->findChildren<QPushButton*>()) {
        if (button->text() != QStringLiteral("Clear")) continue;
        QString whose;
        for (QAccessibleInterface* up = kestrel_test::accessibleOf(button)->parent(); up; up = up->parent())
            if (up->role() == QAccessible::Grouping) whose += up->text(QAccessible::Name) + QLatin1Char('/');
        clears << whose;
    }
    ASSERT_EQ(clears.size(), 2);
    EXPECT_NE(clears[0], clears[1]);

    rig.showPage(Page::of(Page::Kind::routing));
    auto* routing = rig.page<RoutingView>();
    ASSERT_NE(routing, nullptr);
    const QList<CrosspointCell*>& cells = routing->grids().first()->cells();
    ASSERT_GE(cells.size(), 2);
    QTest::mouseClick(cells[1], Qt::LeftButton);
    rig.turn();
    EXPECT_TRUE(kestrel_test::accessibleOf(cells[1])->state().selected);
    EXPECT_TRUE(kestrel_test::accessibleOf(cells[1])->state().selectable);
    EXPECT_FALSE(kestrel_test::accessibleOf(cells[0])->state().selected);
}

// Every on/off button (MUTE, the quick toggles, the send bar's channel targets) reads as one
// that is switched, whether it is on or off.
TEST_F(AssistedWindow, OnOffButtonsReadAsSwitchedOnOrOff) {
    int on = 0, off = 0;
    const auto check = [&](QWidget& page) {
        for (QAbstractButton* button : page.findChildren<QAbstractButton*>()) {
            QAccessibleInterface* element = kestrel_test::accessibleOf(button);
            if (!button->isCheckable() || element->role() == QAccessible::RadioButton) continue;
            const std::string what = kestrel_test::describeControl(button).toStdString();
            EXPECT_EQ(element->role(), QAccessible::CheckBox) << what;
            EXPECT_TRUE(element->state().checkable) << what;
            EXPECT_EQ(bool(element->state().checked), button->isChecked()) << what;
            ++(button->isChecked() ? on : off);
        }
    };
    rig.page<MixerView>()->strip(2)->muteButton()->click();
    check(*rig.pageView());
    rig.showPage(Page::of(Page::Kind::firDesigner));
    rig.page<FIRDesignerView>()->sendBar()->chip(3)->click();
    check(*rig.pageView());
    EXPECT_GE(on, 2);
    EXPECT_GT(off, 12 + 8);
}

// A picker reads its choice while its list is closed, as its text and as the selected entry of
// its list; choosing another entry through the entry's action writes it and closes the list,
// as a click does.
TEST_F(AssistedWindow, PickersShowTheirChoiceAndChooseAsAClickDoes) {
    rig.showPage(Page::channelPage(4));
    auto* editor = rig.page<ChannelView>();
    ASSERT_NE(editor, nullptr);
    for (int i = 0; !editor->filtersPanel()->isVisible() && editor->tabPicker()->segment(i); ++i) {
        editor->tabPicker()->segment(i)->click();
        rig.turn();
    }
    QComboBox* slope = editor->filtersPanel()->highPass().slope;
    ASSERT_TRUE(slope->isVisible());
    QAccessibleInterface* picker = kestrel_test::accessibleOf(slope);
    QAccessibleTextInterface* text = picker->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(0, text->characterCount()), slope->currentText());
    ASSERT_EQ(picker->childCount(), 1);
    QAccessibleInterface* list = picker->child(0);
    ASSERT_EQ(list->childCount(), slope->count());
    ASSERT_GE(slope->count(), 2);
    for (int row = 0; row < slope->count(); ++row) {
        EXPECT_EQ(list->child(row)->text(QAccessible::Name), slope->itemText(row));
        EXPECT_EQ(bool(list->child(row)->state().selected), row == slope->currentIndex()) << row;
    }

    const int other = slope->currentIndex() == 0 ? 1 : 0;
    const QString chosen = slope->itemText(other);
    kestrel_test::doAccessibleAction(slope, QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(rig.waitFor([&] { return slope->view()->isVisible(); }, 2));
    EXPECT_TRUE(picker->state().expanded);
    const qsizetype mark = rig.mark();
    QAccessibleInterface* entry = list->child(other);
    entry->actionInterface()->doAction(entry->actionInterface()->actionNames().front());
    EXPECT_EQ(writesSince(mark).size(), 1);
    EXPECT_FALSE(slope->view()->isVisible());
    EXPECT_EQ(slope->currentText(), chosen);
    EXPECT_TRUE(list->child(other)->state().selected);
    EXPECT_EQ(text->text(0, text->characterCount()), chosen);
}

// Tab into a row of exclusive choices moves the focus once, to the chosen entry: assistive
// tools, told of every widget that takes the focus, hear of that entry alone. Every Tab of
// every page moves it once.
TEST_F(AssistedWindow, TabIntoAChoiceTellsOfTheChosenEntryOnly) {
    rig.showPage(Page::channelPage(4));
    auto* editor = rig.page<ChannelView>();
    ASSERT_NE(editor, nullptr);
    QPushButton* chosen = editor->tabPicker()->segment(1);
    chosen->click();
    rig.turn();
    QWidget* before = editor->copyToButton();
    before->setFocus(Qt::TabFocusReason);
    QList<QWidget*> focused;
    const QMetaObject::Connection watch =
        QObject::connect(qApp, &QApplication::focusChanged, [&](QWidget*, QWidget* now) { focused << now; });
    pressTab();
    EXPECT_EQ(QApplication::focusWidget(), chosen);
    EXPECT_EQ(focused, QList<QWidget*>{chosen});

    // So does every Tab on every page: assistive tools hear of each widget it passes once.
    QWidget* start = rig.console().sidebar();
    const QStringList problems =
        EveryPage(rig, [&](const QString& where) {
            QStringList found;
            start->setFocus(Qt::TabFocusReason);
            for (int press = 0; press < 400; ++press) {
                focused.clear();
                pressTab();
                QTest::qWait(1);
                QStringList went;
                for (QWidget* widget : focused)
                    went << (widget ? kestrel_test::describeControl(widget) : QStringLiteral("nothing"));
                if (focused.size() != 1) found << where + ": a Tab moved the focus to " + went.join(", ");
                if (focused.isEmpty() || QApplication::focusWidget() == start) break;
            }
            return found;
        }).walkAll();
    QObject::disconnect(watch);
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

// The console's tabs read "selected" for the page shown and "focused" only while the keyboard
// focus is on them; a tab's press shows its page.
TEST_F(AssistedWindow, TabsTellWhichPageIsShownAndFocusedOnlyWithTheFocus) {
    rig.showPage(Page::of(Page::Kind::diagnostics));
    ASSERT_NE(rig.pageView(), nullptr);
    auto* tabs = rig.pageView()->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    QTabBar* bar = tabs->tabBar();
    QAccessibleInterface* element = kestrel_test::accessibleOf(bar);
    ASSERT_EQ(element->childCount(), 2);
    QAccessibleInterface* usb = element->child(0);
    QAccessibleInterface* network = element->child(1);
    EXPECT_EQ(usb->role(), QAccessible::PageTab);
    EXPECT_EQ(usb->text(QAccessible::Name), QStringLiteral("USB"));
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_TRUE(usb->state().selected);
    EXPECT_FALSE(network->state().selected);
    EXPECT_FALSE(usb->state().focused) << "the focus is elsewhere";

    network->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_TRUE(network->state().selected);
    EXPECT_FALSE(usb->state().selected);
    bar->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(network->state().focused);
    EXPECT_FALSE(usb->state().focused);
}

// A control-code stepper is one spin button named by what it changes, holding its value, whose
// steps and value change it as its buttons do.
TEST_F(AssistedWindow, SteppersAreSpinButtonsWithTheirValue) {
    rig.showPage(Page::of(Page::Kind::codes));
    auto* codes = rig.page<ControlCodesView>();
    ASSERT_NE(codes, nullptr);
    Stepper* channel = codes->outputChannelStepper();
    QAccessibleInterface* element = kestrel_test::accessibleOf(channel);
    EXPECT_EQ(element->role(), QAccessible::SpinBox);
    EXPECT_EQ(element->text(QAccessible::Name), QStringLiteral("Output channel"));
    EXPECT_EQ(element->text(QAccessible::Value), QStringLiteral("1"));
    ASSERT_NE(element->valueInterface(), nullptr);
    EXPECT_EQ(element->valueInterface()->maximumValue().toInt(), 8);

    kestrel_test::doAccessibleAction(channel, QAccessibleActionInterface::increaseAction());
    EXPECT_EQ(codes->request().outChannel, 2);
    EXPECT_EQ(element->text(QAccessible::Value), QStringLiteral("2"));
    element->valueInterface()->setCurrentValue(12);
    EXPECT_EQ(codes->request().outChannel, 8);
    EXPECT_EQ(channel->label()->text(), QStringLiteral("Output channel 8"));
    kestrel_test::doAccessibleAction(channel, QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(element->valueInterface()->currentValue().toInt(), 7);
}

// The sidebar's row of the page shown reads "selected", and "focused" only while the keyboard
// focus is in the sidebar.
TEST_F(AssistedWindow, TheSidebarsCurrentRowIsFocusedOnlyWithTheFocus) {
    Sidebar* sidebar = rig.console().sidebar();
    QAccessibleInterface* row = kestrel_test::accessibleOf(sidebar)->child(
        sidebar->row(sidebar->itemFor(Page::of(Page::Kind::mixer))));
    ASSERT_NE(row, nullptr);
    rig.page<MixerView>()->strip(0)->fader()->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(row->state().selected);
    EXPECT_FALSE(row->state().focused);
    sidebar->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(row->state().focused);
}

// Like controls of the band columns are told apart by their band; segments read selected; the
// menu bar's entries tell whether their menu is open; the console's tab bar has a name.
TEST_F(AssistedWindow, PickersSpeakTheirChoiceAndEveryKindTellsItsState) {
    rig.showPage(Page::channelPage(4));
    auto* editor = rig.page<ChannelView>();
    ASSERT_NE(editor, nullptr);
    editor->setTab(ChannelTab::eq);
    rig.turn();
    const auto nameOf = [](QObject* control) {
        return kestrel_test::accessibleOf(control)->text(QAccessible::Name);
    };
    const BandColumn* band3 = editor->bandColumns()->column(2);
    EXPECT_EQ(nameOf(band3->typeButton()), "Band 3 type: " + band3->typeButton()->text());
    EXPECT_EQ(kestrel_test::accessibleOf(band3->typeButton())->text(QAccessible::Value),
              band3->typeButton()->text());
    EXPECT_EQ(nameOf(band3->onToggle()), QStringLiteral("Band 3 on"));
    QSet<QString> names;
    for (int b = 0; b < 10; ++b)
        names << nameOf(editor->bandColumns()->column(b)->onToggle())
              << nameOf(editor->bandColumns()->column(b)->typeButton());
    EXPECT_EQ(names.size(), 20);
    for (int i = 0; QPushButton* segment = editor->tabPicker()->segment(i); ++i) {
        const QAccessible::State state = kestrel_test::accessibleOf(segment)->state();
        EXPECT_TRUE(state.selectable && !state.checked) << i;
        EXPECT_EQ(bool(state.selected), segment == editor->tabPicker()->currentSegment()) << i;
    }

    QAction* file = rig.window().menuBar()->actions().value(0);
    ASSERT_TRUE(file && file->menu());
    QAccessibleInterface* fileEntry = kestrel_test::accessibleOf(file);
    EXPECT_TRUE(fileEntry->state().expandable && fileEntry->state().collapsed);
    kestrel_test::doAccessibleAction(file, QAccessibleActionInterface::showMenuAction());
    ASSERT_TRUE(rig.waitFor([&] { return file->menu()->isVisible(); }, 2));
    EXPECT_TRUE(fileEntry->state().expanded && !fileEntry->state().collapsed);
    file->menu()->hide();
    rig.turn();
    EXPECT_FALSE(fileEntry->state().expanded);

    rig.showPage(Page::of(Page::Kind::diagnostics));
    auto* tabs = rig.pageView() ? rig.pageView()->findChild<QTabWidget*>() : nullptr;
    ASSERT_NE(tabs, nullptr);
    EXPECT_FALSE(nameOf(tabs->tabBar()).isEmpty());
}

// What the eye gets, a tool gets: every picker's choice in its name and as its text, an open
// menu of the menu bar where a menu button's menu is, no editing offered by a field drawn
// disabled, a named progress bar that takes nothing, and the About text without stray breaks.
TEST_F(AssistedWindow, PickersMenusFieldsProgressAndAboutTellWhatIsShown) {
    const auto textOf = [](QObject* control) {
        QAccessibleTextInterface* text = kestrel_test::accessibleOf(control)->textInterface();
        return text ? text->text(0, text->characterCount()) : QStringLiteral("no text");
    };
    const auto nameOf = [](QObject* control) {
        return kestrel_test::accessibleOf(control)->text(QAccessible::Name);
    };
    ChannelStrip* strip = rig.page<MixerView>()->strip(0);
    EXPECT_EQ(textOf(strip->groupPicker()), QStringLiteral("Grp –"));
    EXPECT_EQ(textOf(strip->quickButtons()->sourceButton()), strip->quickButtons()->sourceButton()->text());
    // Whether it offers editing while disabled is asked of every field on every page above.
    QLineEdit* gain = strip->gainField()->lineEdit();
    gain->setEnabled(false);
    EXPECT_FALSE(kestrel_test::accessibleOf(gain)->state().editable);
    gain->setEnabled(true);

    rig.showPage(Page::channelPage(4));
    auto* editor = rig.page<ChannelView>();
    ASSERT_NE(editor, nullptr);
    editor->setTab(ChannelTab::eq);
    rig.turn();
    QAbstractButton* type = editor->bandColumns()->column(1)->typeButton();
    EXPECT_EQ(textOf(type), type->text());
    QComboBox* slope = editor->filtersPanel()->highPass().slope;
    EXPECT_EQ(nameOf(slope), "Slope: " + slope->currentText());

    rig.showPage(Page::of(Page::Kind::firDesigner));
    QComboBox* designerType = nullptr;
    for (QComboBox* picker : rig.pageView()->findChildren<QComboBox*>())
        if (picker->accessibleName() == QStringLiteral("Type")) designerType = picker;
    ASSERT_NE(designerType, nullptr);
    EXPECT_EQ(nameOf(designerType), "Type: " + designerType->currentText());
    rig.showPage(Page::of(Page::Kind::codes));
    QComboBox* control = rig.page<ControlCodesView>()->controlPicker();
    EXPECT_EQ(nameOf(control), "Control: " + control->currentText());

    QAction* file = rig.window().menuBar()->actions().value(0);
    ASSERT_TRUE(file && file->menu());
    kestrel_test::doAccessibleAction(file, QAccessibleActionInterface::showMenuAction());
    ASSERT_TRUE(rig.waitFor([&] { return file->menu()->isVisible(); }, 2));
    EXPECT_EQ(placeInTree(*file->menu()), QString());
    EXPECT_EQ(kestrel_test::accessibleOf(file)->childCount(), 0);
    file->menu()->hide();
    rig.turn();

    ASSERT_TRUE(rig.startReadBack());
    QProgressBar* reading = nullptr;
    ASSERT_TRUE(rig.waitFor(
        [&] { return (reading = rig.console().statusBar()->findChild<QProgressBar*>()) != nullptr; }, 5));
    QAccessibleInterface* progress = kestrel_test::accessibleOf(reading);
    EXPECT_FALSE(progress->text(QAccessible::Name).isEmpty());
    EXPECT_EQ(progress->valueInterface(), nullptr) << "a value to set brings Increase and Decrease";
    EXPECT_TRUE(progress->text(QAccessible::Value).endsWith(QStringLiteral(" %")));
    EXPECT_TRUE(progress->state().readOnly);
    // The page area's bar is named as the status bar's is.
    auto* display = rig.console().findChild<ReadingDisplay*>();
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(kestrel_test::accessibleOf(display->findChild<QProgressBar*>())->text(QAccessible::Name),
              QStringLiteral("Reading settings"));
    ASSERT_TRUE(rig.finishReadBack());

    AboutDialog about;
    const QString credits = nameOf(about.findChild<QLabel*>(QStringLiteral("credits")));
    EXPECT_FALSE(credits.isEmpty());
    EXPECT_EQ(credits, credits.trimmed());
}
