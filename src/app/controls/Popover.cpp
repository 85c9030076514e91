#include "app/controls/Popover.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QMenu>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "app/accessibility/Lifetime.h"
#include "app/accessibility/Popups.h"
#include "app/accessibility/SimpleWidgets.h"
#include "app/accessibility/ToolRequests.h"
#include "app/input/KeyboardFocus.h"

namespace {

// The start of a span of `length` inside [low, high), as close to `wanted` as it fits.
int clampSpan(int wanted, int length, int low, int high) {
    return std::max(low, std::min(wanted, high - length));
}

}  // namespace

QPoint popoverPosition(const QRect& anchor, const QSize& size, const QRect& available, int gap) {
    const int right = available.left() + available.width();
    const int bottom = available.top() + available.height();
    const int x =
        clampSpan(anchor.left() + (anchor.width() - size.width()) / 2, size.width(), available.left(), right);
    const int below = anchor.top() + anchor.height() + gap;
    const int above = anchor.top() - gap - size.height();
    int y = below;
    if (below + size.height() > bottom) {
        // No room below: above when it fits there, else on the side with more room.
        const bool aboveFits = above >= available.top();
        const bool moreRoomAbove = anchor.top() - available.top() > bottom - (anchor.top() + anchor.height());
        y = aboveFits || moreRoomAbove ? above : below;
    }
    return {x, clampSpan(y, size.height(), available.top(), bottom)};
}

void placePopover(QWidget& popup, const QWidget& anchor, int gap) {
    const QRect anchorRect(anchor.mapToGlobal(QPoint(0, 0)), anchor.size());
    QScreen* screen = anchor.screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(anchorRect.topLeft(), popup.size());
    popup.move(popoverPosition(anchorRect, popup.size(), available, gap));
}

namespace {

// Marks, read when the widget's element is made: Qt makes it the first time anything about
// the widget changes (a name set while it is built) and keeps it.
constexpr char anchorProperty[] = "popoverAnchor";
constexpr char popoverProperty[] = "popover";

// The anchor's popover while it is open.
QWidget* openPopoverOf(const QWidget& anchor) {
    for (QWidget* child : anchor.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isWindow() && child->isVisible() && child->property(popoverProperty).toBool())
            return child;
    return nullptr;
}

// The button, with its popover as its child while it is open.
class AnchorAccessible : public QAccessibleWidget {
public:
    explicit AnchorAccessible(QAbstractButton* button) : QAccessibleWidget(button, QAccessible::ButtonMenu) {}

    QAbstractButton& button() const { return *static_cast<QAbstractButton*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (std::optional<QString> told = pickerText(button(), button().text(), t)) return *told;
        if (t == QAccessible::Name && button().accessibleName().isEmpty()) return button().text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        const bool open = openPopoverOf(button());
        s.hasPopup = true;
        s.pressed = button().isDown();
        s.expandable = true;
        s.expanded = open;
        s.collapsed = !open;
        return s;
    }
    int childCount() const override { return openPopoverOf(button()) ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        QWidget* popover = index == 0 ? openPopoverOf(button()) : nullptr;
        return popover ? QAccessible::queryAccessibleInterface(popover) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        QWidget* popover = openPopoverOf(button());
        return popover && child && child->object() == popover ? 0 : -1;
    }
    QStringList actionNames() const override {
        const QStringList own =
            takesToolRequests(button()) ? QStringList{pressAction(), showMenuAction()} : QStringList();
        return own + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name != pressAction() && name != showMenuAction()) return QAccessibleWidget::doAction(name);
        if (takesToolRequests(button())) button().click();
    }
};

// The popover, under its anchor.
class PopoverAccessible : public QAccessibleWidget {
public:
    explicit PopoverAccessible(QWidget* popover) : QAccessibleWidget(popover, QAccessible::Dialog) {}

    QAccessibleInterface* parent() const override {
        QWidget* anchor = widget()->parentWidget();
        return anchor ? QAccessible::queryAccessibleInterface(anchor) : QAccessibleWidget::parent();
    }
};

QAccessibleInterface* popoverFactory(const QString&, QObject* object) {
    if (!object->isWidgetType()) return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (widget->property(popoverProperty).toBool()) return new PopoverAccessible(widget);
    if (auto* button = qobject_cast<QAbstractButton*>(widget);
        button && button->property(anchorProperty).toBool())
        return new AnchorAccessible(button);
    return nullptr;
}

void installPopoverAccessibility() {
    static const bool installed = (QAccessible::installFactory(popoverFactory), true);
    Q_UNUSED(installed);
}

}  // namespace

void makePopoverAnchor(QAbstractButton& anchor) {
    installPopoverAccessibility();
    markForAccessibility(anchor, anchorProperty);
}

void makePopover(QWidget& popup) {
    installPopoverAccessibility();
    markForAccessibility(popup, popoverProperty);
}

void showPopover(QWidget& popup, const QWidget& anchor, int gap) {
    // Focus given to a child of a hidden popup is taken up when the popup opens.
    if (QWidget* first = keyboardfocus::firstTabStop(popup)) first->setFocus(Qt::PopupFocusReason);
    placePopover(popup, anchor, gap);
    popup.show();
}

void startAtCurrentItem(QMenu& menu) {
    if (QAction* start = keyboardfocus::startingEntry(menu)) menu.setActiveAction(start);
}

void makePopoverMenu(QMenu& menu, QAbstractButton& anchor) {
    ownMenu(menu, anchor);
    // Opened from the keyboard the menu starts at its current choice, as a menu opened by
    // keys does, so the arrows and assistive tools start from there.
    QObject::connect(&menu, &QMenu::aboutToShow, &anchor, [&menu, &anchor] {
        if (anchor.hasFocus()) startAtCurrentItem(menu);
    });
}
