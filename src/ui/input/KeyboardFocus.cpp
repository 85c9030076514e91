#include "ui/input/KeyboardFocus.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFocusFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

#include "ui/controls/Popover.h"
#include "ui/controls/Theme.h"

namespace {

constexpr int ringWidth = 2;

// Mouse buttons and keys pressed in the application: the user working, as opposed to the
// program moving the focus.
quint64 userInputs = 0;

// Fields mark their focus themselves (a highlighted frame, the caret), and a pane that takes
// the focus only so that keys scroll it is no control to ring. A list is ringed: its current
// row is lit whether the keys are there or not, and an empty list has no row to light.
bool marksItsOwnFocus(const QWidget& widget) {
    if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) return combo->isEditable();
    if (qobject_cast<const QAbstractItemView*>(&widget)) return false;
    return qobject_cast<const QLineEdit*>(&widget) || qobject_cast<const QAbstractSpinBox*>(&widget) ||
           qobject_cast<const QAbstractScrollArea*>(&widget);
}

constexpr int ringMargin = ringWidth + 1;  // a pixel of air between the control and its ring

// The ring lies over the window (or the pane the control scrolls in) rather than beside the
// control, so a container that fits its controls tightly (joined segments) does not cut it.
class RingStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_FocusFrame_AboveWidget) return 1;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_FocusFrameHMargin || metric == PM_FocusFrameVMargin) return ringMargin;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// Qt's focus frame follows its control (moves, resizes, hides, goes away) and stays out of
// the accessibility tree; it only needs drawing in the theme's accent colour, around the
// control.
class FocusRing : public QFocusFrame {
public:
    explicit FocusRing(QStyle* style) { setStyle(style); }

protected:
    // Qt's frame hides itself when its control lies outside the pane at the moment it takes
    // the focus, and then only re-measures itself as the pane scrolls the control into view;
    // Tab to a control below the fold would leave it without a ring.
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool handled = QFocusFrame::eventFilter(watched, event);
        if (event->type() == QEvent::Move && !isVisible() && widget() && widget()->isVisible() &&
            parentWidget() && parentWidget()->rect().intersects(geometry())) {
            raise();
            show();
        }
        return handled;
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const double inset = ringWidth / 2.0;
        painter.setPen(QPen(QApplication::palette().color(QPalette::Active, QPalette::Highlight), ringWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 5, 5);
    }
};

bool isNavigationKey(int key) {
    switch (key) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return true;
        default:
            return false;
    }
}

// Keys that change what the focused control sets (a value, a choice, a selection).
bool isValueKey(int key) {
    switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            return false;
    }
}

// In a dialog Return belongs to the dialog (its default button); a push button there already
// answers it itself.
bool pressesOnReturn(const QWidget& widget) {
    const auto* button = qobject_cast<const QAbstractButton*>(&widget);
    if (!button || !button->isEnabled()) return false;
    for (const QWidget* w = &widget; w; w = w->parentWidget())
        if (qobject_cast<const QDialog*>(w)) return false;
    return true;
}

// The scroll bar value that brings [start, start + length) into a view of `viewLength` now
// showing [value, value + viewLength), moving as little as it can; a span longer than the
// view shows its start.
int valueShowing(int value, int start, int length, int viewLength) {
    if (start < value || length > viewLength) return start;
    if (start + length > value + viewLength) return start + length - viewLength;
    return value;
}

// Scrolls every pane around the control, innermost first, until the control and its ring are
// whole on screen: an outer pane shows the part of an inner one that holds the control.
void keepInView(QWidget& control) {
    QRect shown = control.rect().adjusted(-ringMargin, -ringMargin, ringMargin, ringMargin);
    for (QWidget* at = &control; !at->isWindow() && at->parentWidget(); at = at->parentWidget()) {
        QWidget* viewport = at->parentWidget();
        auto* pane = qobject_cast<QScrollArea*>(viewport->parentWidget());
        if (pane && pane->widget() == at) {
            QScrollBar* across = pane->horizontalScrollBar();
            QScrollBar* down = pane->verticalScrollBar();
            across->setValue(valueShowing(across->value(), shown.left(), shown.width(), viewport->width()));
            down->setValue(valueShowing(down->value(), shown.top(), shown.height(), viewport->height()));
        }
        shown.translate(at->pos());
        if (pane && pane->widget() == at) shown &= viewport->rect();
    }
}

class KeyboardFocus : public QObject {
public:
    explicit KeyboardFocus(QObject* parent) : QObject(parent), m_style(new RingStyle) {
        m_style->setParent(this);
    }

    QWidget* ringed() const { return m_ring && m_ring->isVisible() ? m_ring->widget() : nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Every event of the application passes here: the few that matter are sorted out first.
        const QEvent::Type type = event->type();
        if (type != QEvent::FocusIn && type != QEvent::FocusOut && type != QEvent::KeyPress &&
            type != QEvent::MouseButtonPress && type != QEvent::Polish && type != QEvent::Show &&
            type != QEvent::Move && type != QEvent::Resize)
            return false;
        if (!watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (type == QEvent::Move || type == QEvent::Resize) {
            if (m_keys) followFocus(*widget, type);
            return false;
        }
        if (type == QEvent::Polish) {
            // A pane of controls is no Tab stop of its own: Tab goes to its controls, and the
            // pane scrolls the one reached into view. Otherwise one press of Tab lands on an
            // unnamed pane and nothing on screen changes. A click on the pane still lets its
            // keys scroll it.
            if (auto* pane = qobject_cast<QScrollArea*>(widget)) pane->setFocusPolicy(Qt::ClickFocus);
            return false;
        }
        if (type == QEvent::Show) {
            // A menu the keyboard opens starts on its current choice (or its first entry), so
            // Return at once keeps what is set and a screen reader has something to say.
            if (auto* menu = qobject_cast<QMenu*>(widget); menu && m_keys && !menu->activeAction())
                menu->setActiveAction(startingEntry(*menu));
            return false;
        }
        if (type == QEvent::MouseButtonPress || type == QEvent::KeyPress) ++userInputs;
        if (type == QEvent::MouseButtonPress) {
            // Once the user works with the mouse the ring goes, until a key brings it back; so
            // does the focus frame the style draws itself once Tab was pressed in the window.
            m_keys = false;
            if (m_ring) m_ring->setWidget(nullptr);
            if (QWidget* window = widget->window(); window->testAttribute(Qt::WA_KeyboardFocusChange)) {
                window->setAttribute(Qt::WA_KeyboardFocusChange, false);
                window->update();
            }
            return false;
        }
        if (type == QEvent::KeyPress) return keyPressed(*widget, *static_cast<QKeyEvent*>(event));
        if (type == QEvent::FocusOut) {
            if (m_ring && m_ring->widget() == widget) m_ring->setWidget(nullptr);
            m_left = widget;
            return false;
        }
        switch (static_cast<QFocusEvent*>(event)->reason()) {
            case Qt::TabFocusReason:
            case Qt::BacktabFocusReason:
                // Qt moves the focus on as if by Tab when its control is hidden or disabled
                // (a page a click left): that is the program's move, not the user's key.
                if (m_left && (!m_left->isVisible() || !m_left->isEnabled())) break;
                m_keys = true;
                break;
            case Qt::ShortcutFocusReason:
                m_keys = true;
                break;
            case Qt::MouseFocusReason:
                m_keys = false;
                break;
            default:  // a window, popup or program moving the focus keeps the way the user works
                break;
        }
        showRing(widget);
        bringIntoView(*widget, static_cast<QFocusEvent*>(event)->reason());
        return false;
    }

private:
    bool keyPressed(QWidget& widget, const QKeyEvent& key) {
        if (&widget != QApplication::focusWidget()) return false;
        const bool valueKey = isValueKey(key.key());
        if (!valueKey && !isNavigationKey(key.key())) return false;
        // Where a click or the program left the focus without the ring (a page a click
        // opened, a tab clicked), an arrow would change a setting the user cannot see is
        // in reach: the first one only shows where the keys are.
        const bool unseen = valueKey && !focusShows(widget);
        if (!m_keys || unseen) {
            m_keys = true;
            showRing(&widget);
        }
        if (unseen) {
            keepInView(widget);
            return true;
        }
        const bool returnKey = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
        if (!returnKey || key.isAutoRepeat() || key.modifiers() & ~Qt::KeypadModifier ||
            !pressesOnReturn(widget))
            return false;
        static_cast<QAbstractButton&>(widget).click();
        return true;
    }

    // Wherever the keys or the program move the focus, into a pane from outside too, the user
    // sees where it went. A click lands on what is already in sight, and a window coming back
    // to the front, or a menu or popover closing, gives the focus back where it was: the panes
    // stay as the user left them, and the next click lands where it is aimed. A control placed
    // before its page is laid out is brought into view again once the layout has settled.
    static void bringIntoView(QWidget& widget, Qt::FocusReason reason) {
        const bool returned = reason == Qt::ActiveWindowFocusReason ||
                              (reason == Qt::PopupFocusReason && widget.window()->windowType() != Qt::Popup);
        if (reason == Qt::MouseFocusReason || returned) return;
        keepInView(widget);
        QTimer::singleShot(0, &widget, [&widget] {
            if (widget.hasFocus()) keepInView(widget);
        });
    }

    // A rebuild that moves the focused control (a panel appearing above it, a pane resized)
    // keeps it in sight while the user works with keys. A pane's content moved by scrolling is
    // the user looking elsewhere: that stays as it is. The layout settles first.
    void followFocus(QWidget& moved, QEvent::Type type) {
        QWidget* focused = moved.window()->focusWidget();
        if (!focused || (focused != &moved && !moved.isAncestorOf(focused))) return;
        if (type == QEvent::Move && moved.parentWidget()) {
            auto* pane = qobject_cast<QScrollArea*>(moved.parentWidget()->parentWidget());
            if (pane && pane->widget() == &moved) return;
        }
        if (m_followPending) return;
        m_followPending = true;
        QTimer::singleShot(0, this, [this, window = QPointer<QWidget>(moved.window())] {
            m_followPending = false;
            if (QWidget* now = window ? window->focusWidget() : nullptr; now && m_keys) keepInView(*now);
        });
    }

    // A field shows its caret, a list its lit current row and a popup its highlighted entry;
    // anything else needs the ring.
    bool focusShows(const QWidget& widget) const {
        return (m_ring && m_ring->widget() == &widget) || marksItsOwnFocus(widget) ||
               qobject_cast<const QAbstractItemView*>(&widget) || widget.isWindow() ||
               widget.window()->windowType() == Qt::Popup;
    }

    void showRing(QWidget* widget) {
        const bool wanted = m_keys && !marksItsOwnFocus(*widget) && !widget->isWindow();
        if (!wanted) {
            if (m_ring) m_ring->setWidget(nullptr);
            return;
        }
        // The ring lives beside its control, so a page taken down takes it along.
        if (!m_ring) m_ring = new FocusRing(m_style);
        m_ring->setWidget(widget);
    }

    bool m_keys = false;
    bool m_followPending = false;
    QPointer<QWidget> m_left;  // the control the focus last left
    QStyle* m_style;           // follows the application's style
    QPointer<FocusRing> m_ring;
};

QPointer<KeyboardFocus> installed;

}  // namespace

namespace keyboardfocus {

void install(QApplication& application) {
    if (installed) return;
    installed = new KeyboardFocus(&application);
    application.installEventFilter(installed);
}

QWidget* ringedWidget() {
    return installed ? installed->ringed() : nullptr;
}

QList<QWidget*> tabStops(QWidget& root) {
    QList<QWidget*> stops;
    QWidget* start = root.window();
    QWidget* at = start;
    do {
        if ((at == &root || root.isAncestorOf(at)) && (at->focusPolicy() & Qt::TabFocus) && !at->focusProxy())
            stops.append(at);
        at = at->nextInFocusChain();
    } while (at != start);
    return stops;
}

QList<QWidget*> reachableStops(QWidget& root) {
    QList<QWidget*> stops = tabStops(root);
    stops.removeIf([&](QWidget* stop) { return !stop->isVisibleTo(root.window()) || !stop->isEnabled(); });
    return stops;
}

QWidget* firstTabStop(QWidget& root) {
    const QList<QWidget*> stops = reachableStops(root);
    return stops.isEmpty() ? nullptr : stops.first();
}

void followInTabOrder(QWidget* previous, QWidget* widget) {
    const QList<QWidget*> before = tabStops(*previous);
    if (before.isEmpty()) return;
    QWidget* last = before.last();
    for (QWidget* stop : tabStops(*widget)) {
        QWidget::setTabOrder(last, stop);
        last = stop;
    }
}

FocusReturn::FocusReturn(QWidget& region) : m_region(&region), m_inputs(userInputs) {
    QWidget* focused = region.window()->focusWidget();
    if (!focused || !region.isAncestorOf(focused)) return;
    m_control = focused;
    m_index = reachableStops(region).indexOf(focused);
}

void FocusReturn::park() {
    if (std::exchange(m_parked, true)) return;
    m_inputs = userInputs;
}

void FocusReturn::restore() const {
    if (!m_region || m_index < 0 || userInputs != m_inputs) return;
    if (QApplication::activePopupWidget()) return;
    const QList<QWidget*> stops = reachableStops(*m_region);
    QWidget* target = stops.contains(m_control.data()) ? m_control.data()
                                                       : stops.value(std::min(m_index, stops.size() - 1));
    // In a window that is not active this only marks the control that gets the keys once the
    // window is active again; a dialog in front keeps them until then.
    if (target) target->setFocus(Qt::OtherFocusReason);  // keeps the ring as the user works
}

}  // namespace keyboardfocus
