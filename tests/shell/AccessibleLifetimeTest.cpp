// A screen reader holds on to the elements it has announced, and a second assistive tool acts
// on elements it read a moment before, while the user clicks from page to page. Page switches,
// tab switches and read-backs delete the widgets behind those elements; every request on an
// element whose page is gone answers "invalid" and does nothing, and none of them reaches the
// device.

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleEditableTextInterface>
#include <QAccessibleValueInterface>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <functional>

#include "shell/ConsoleView.h"
#include "shell/MainWindow.h"
#include "shell/Sidebar.h"
#include "support/AccessibleRoles.h"
#include "support/WindowRig.h"
#include "ui/Page.h"
#include "ui/accessibility/Names.h"
#include "ui/accessibility/Popups.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/Fader.h"
#include "ui/controls/Popover.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/UnitSlider.h"

using kestrel_test::WindowRig;

namespace {

constexpr quint16 writeCommand = 5;

// The ids of every element under `element`, as a client that walked the tree holds them.
void holdAll(QAccessibleInterface* element, QList<QAccessible::Id>& held) {
    if (!element || !element->isValid()) return;
    held << QAccessible::uniqueId(element);
    for (int i = 0; i < element->childCount(); ++i) holdAll(element->child(i), held);
}

QList<QAccessible::Id> elementsOf(QWidget* view) {
    QList<QAccessible::Id> held;
    holdAll(QAccessible::queryAccessibleInterface(view), held);
    return held;
}

// What a tool asks of an element it holds, the way the desktop's bridge asks it: everything it
// reads, then a value, a text and the first action. A menu's action would open the menu's own
// event loop, so menus are only read.
void askAsAToolDoes(QAccessible::Id id) {
    QAccessibleInterface* element = QAccessible::accessibleInterface(id);
    if (!element || !element->isValid()) return;
    element->text(QAccessible::Name);
    element->text(QAccessible::Value);
    element->state();
    element->rect();
    element->window();
    if (QAccessibleInterface* parent = element->parent()) parent->indexOfChild(element);
    for (int i = 0; i < element->childCount(); ++i) element->child(i);
    element->focusChild();
    if (QAccessibleValueInterface* value = element->valueInterface()) {
        value->currentValue();
        value->setCurrentValue(value->maximumValue());
    }
    if (QAccessibleEditableTextInterface* editable = element->editableTextInterface())
        editable->insertText(0, QStringLiteral("7"));
    element->setText(QAccessible::Value, QStringLiteral("12"));
    QAccessibleActionInterface* actions = element->actionInterface();
    const QStringList names = actions ? actions->actionNames() : QStringList();
    if (!names.isEmpty() && !names.contains(QAccessibleActionInterface::showMenuAction()) &&
        element->role() != QAccessible::ButtonMenu)
        actions->doAction(names.front());
}

void askAll(const QList<QAccessible::Id>& held) {
    for (QAccessible::Id id : held) askAsAToolDoes(id);
}

// A click on the page's sidebar row, without letting the page left be deleted yet.
void clickRow(WindowRig& rig, const Page& page) {
    Sidebar* sidebar = rig.console().sidebar();
    QListWidgetItem* item = sidebar->itemFor(page);
    ASSERT_NE(item, nullptr);
    sidebar->scrollToItem(item);
    QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, {}, sidebar->visualItemRect(item).center());
}

// A reader's view of the tree as the desktop's bridge serves it: an element's interfaces are
// learnt the first time the reader meets it and kept for as long as the element lives.
struct CachingReader {
    enum Interfaces { value = 1, editing = 2 };
    QHash<QAccessible::Id, int> learnt;

    static int interfacesOf(QAccessibleInterface* e) {
        return (e->valueInterface() ? value : 0) | (e->editableTextInterface() ? editing : 0);
    }
    void walk(QAccessibleInterface* element) {
        if (!element || !element->isValid()) return;
        if (!learnt.contains(QAccessible::uniqueId(element)))
            learnt.insert(QAccessible::uniqueId(element), interfacesOf(element));
        for (int i = 0; i < element->childCount(); ++i) walk(element->child(i));
    }
    // The elements met that still live and give other interfaces than the reader learnt.
    QString changedSinceLearnt() const {
        QStringList changed;
        for (auto it = learnt.begin(); it != learnt.end(); ++it)
            if (QAccessibleInterface* e = QAccessible::accessibleInterface(it.key());
                e && interfacesOf(e) != *it)
                changed << e->text(QAccessible::Name);
        return changed.join(QStringLiteral(", "));
    }
    // Whether the control's element gives the interface, as the reader learnt it.
    bool learntOf(QWidget* control, Interfaces wanted) const {
        return learnt.value(QAccessible::uniqueId(QAccessible::queryAccessibleInterface(control))) & wanted;
    }
};

// Walked again after the read-back, every read knob gives its value and every field its editing
// as the reader learnt them; a knob set to its value writes nothing, set to another it writes.
void expectReadAndSetThroughTheReader(WindowRig& rig, QWidget& view, CachingReader& reader) {
    reader.walk(QAccessible::queryAccessibleInterface(&rig.window()));
    EXPECT_EQ(reader.changedSinceLearnt().toStdString(), "");
    QWidget* knob = nullptr;
    for (QWidget* w : view.findChildren<QWidget*>()) {
        const bool isKnob =
            qobject_cast<Fader*>(w) || qobject_cast<Encoder*>(w) || qobject_cast<UnitSlider*>(w);
        if (!w->isEnabled() || shownUnread(*w) || !(isKnob || qobject_cast<QLineEdit*>(w))) continue;
        EXPECT_TRUE(reader.learntOf(w, isKnob ? CachingReader::value : CachingReader::editing))
            << kestrel_test::describeControl(w).toStdString();
        if (isKnob && !knob) knob = w;
    }
    ASSERT_NE(knob, nullptr);
    QAccessibleValueInterface* value = QAccessible::queryAccessibleInterface(knob)->valueInterface();
    ASSERT_NE(value, nullptr);
    const qsizetype mark = rig.mark();
    value->setCurrentValue(value->currentValue());
    rig.turn();
    EXPECT_TRUE(rig.receivedSince(mark, writeCommand).isEmpty()) << "the value it has is no change";
    value->setCurrentValue(value->currentValue() == value->maximumValue() ? value->minimumValue()
                                                                          : value->maximumValue());
    EXPECT_TRUE(rig.waitFor([&] { return !rig.receivedSince(mark, writeCommand).isEmpty(); }, 5));
}

WindowRig::Options onOut3Editor() {
    WindowRig::Options options;
    options.startPage = QStringLiteral("6");
    return options;
}

}  // namespace

// The elements of each page, read while it is shown, are asked again right after the click
// that leaves it (its widgets wait for deletion) and once more after they are deleted.
TEST(AccessibleLifetime, ElementsOfAPageLeftDoNothingAndWriteNothing) {
    WindowRig rig(onOut3Editor());
    const QList<Page> tour = {Page::of(Page::Kind::mixer),
                              Page::channelPage(3),
                              Page::of(Page::Kind::routing),
                              Page::channelPage(6),
                              Page::of(Page::Kind::sources),
                              Page::of(Page::Kind::presets),
                              Page::channelPage(1),
                              Page::of(Page::Kind::device),
                              Page::of(Page::Kind::codes),
                              Page::of(Page::Kind::firDesigner),
                              Page::of(Page::Kind::diagnostics),
                              Page::channelPage(6)};
    for (const Page& next : tour) {
        const QList<QAccessible::Id> held = elementsOf(rig.pageView());
        ASSERT_FALSE(held.isEmpty());
        const qsizetype mark = rig.mark();
        clickRow(rig, next);
        askAll(held);
        rig.turn();
        askAll(held);
        rig.turn();
        EXPECT_TRUE(rig.receivedSince(mark, writeCommand).isEmpty())
            << "a request on the page left wrote to the device before page " << int(next.kind);
    }
}

// A widget marked for an element of its own (a named group, a popover) gets none while it goes:
// asked for after it emitted destroyed(), while its children are deleted (as the desktop's
// bridge asks for the parent of a child that hides), it answers nothing, so no element is left
// in the cache for an address the next widget takes.
TEST(AccessibleLifetime, AWidgetOnItsWayOutGetsNoElement) {
    const QList<std::function<void(QWidget&)>> marks = {
        [](QWidget& container) { nameAccessibleGroup(&container, QStringLiteral("IN A")); },
        [](QWidget& container) { makePopover(container); }};
    for (const auto& mark : marks) {
        auto* container = new QWidget;
        mark(*container);
        ASSERT_NE(QAccessible::queryAccessibleInterface(container), nullptr);
        auto* child = new QWidget(container);
        QAccessibleInterface* askedWhileGoing = nullptr;
        QObject::connect(child, &QObject::destroyed,
                         [&] { askedWhileGoing = QAccessible::queryAccessibleInterface(container); });
        delete container;
        EXPECT_EQ(askedWhileGoing, nullptr);
    }
}

// The desktop's bridge hands a scroll area's element any index a tool asks for; one past its
// parts, or far past them, finds nothing, and each part it has knows its own place.
TEST(AccessibleLifetime, AScrollAreaAnswersNothingPastItsParts) {
    WindowRig rig(onOut3Editor());
    const QList<QAbstractScrollArea*> areas = rig.window().findChildren<QAbstractScrollArea*>();
    ASSERT_FALSE(areas.isEmpty());
    for (QAbstractScrollArea* area : areas) {
        QAccessibleInterface* element = QAccessible::queryAccessibleInterface(area);
        ASSERT_NE(element, nullptr);
        const int count = element->childCount();
        for (int i = 0; i < count; ++i) EXPECT_EQ(element->indexOfChild(element->child(i)), i);
        for (int past : {count, count + 1, count + 4, 1 << 28})
            EXPECT_EQ(element->child(past), nullptr) << area->metaObject()->className() << " index " << past;
        EXPECT_EQ(element->child(-1), nullptr);
    }
}

// A screen reader running before the device connects learns the mixer's or a channel page's
// controls unread, with no value and nothing to edit. Once the device is read, it reads and sets
// every control it reaches, without leaving the page, and no element it holds ever gives other
// interfaces than it learnt.
TEST(AccessibleLifetime, AReaderRunningBeforeTheDeviceIsReadReadsAndSetsEveryReadControl) {
    for (const QString& page : {QString(), QStringLiteral("6")}) {
        WindowRig::Options unconnected;
        unconnected.connect = false;
        unconnected.startPage = page;
        WindowRig rig(unconnected);
        CachingReader reader;
        QWidget* view = rig.pageView();
        ASSERT_NE(view, nullptr);
        reader.walk(QAccessible::queryAccessibleInterface(&rig.window()));
        QWidget* knob = view->findChild<Fader*>();
        if (!knob) knob = view->findChild<Encoder*>();
        ASSERT_FALSE(reader.learntOf(knob, CachingReader::value)) << "an unread knob tells no value";
        ASSERT_TRUE(rig.connect());
        ASSERT_EQ(rig.pageView(), view);
        expectReadAndSetThroughTheReader(rig, *view, reader);
    }
}
