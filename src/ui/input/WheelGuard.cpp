#include "ui/input/WheelGuard.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QScrollBar>

#include "ui/controls/Encoder.h"

namespace {

// The stock controls whose value the wheel changes.
bool isStockWheelControl(const QWidget& widget) {
    if (qobject_cast<const QScrollBar*>(&widget)) return false;  // the pane's own bars
    return qobject_cast<const QAbstractSlider*>(&widget) || qobject_cast<const QComboBox*>(&widget) ||
           qobject_cast<const QAbstractSpinBox*>(&widget);
}

bool turnsWithWheel(const QWidget& widget) {
    return isStockWheelControl(widget) || qobject_cast<const Encoder*>(&widget);
}

bool insideScrollingPane(const QWidget& widget) {
    for (const QWidget* w = widget.parentWidget(); w; w = w->parentWidget()) {
        const auto* area = qobject_cast<const QAbstractScrollArea*>(w);
        if (area && area->viewport()->isAncestorOf(&widget)) return true;
        if (w->isWindow()) return false;
    }
    return false;
}

// Whether a wheel event over the widget goes on to the pane rather than to the widget. The
// focus does not count: a menu the user has just picked from has it, and the next turn of
// the wheel is still meant for the page.
bool passesWheelOn(const QWidget& widget) {
    return isStockWheelControl(widget) && insideScrollingPane(widget);
}

class WheelGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Every event of the application passes here: the two that matter are sorted out first.
        const QEvent::Type type = event->type();
        if ((type != QEvent::Polish && type != QEvent::Wheel) || !watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (type == QEvent::Polish) {
            if (turnsWithWheel(*widget) && widget->focusPolicy() == Qt::WheelFocus)
                widget->setFocusPolicy(Qt::StrongFocus);
            return false;
        }
        if (!passesWheelOn(*widget)) return false;
        // Ignored and filtered: the application hands the event on to the parents, up to
        // the pane's viewport, which scrolls.
        event->ignore();
        return true;
    }
};

}  // namespace

namespace wheelguard {

void install(QApplication& application) {
    static const char* const property = "kestrelWheelGuard";
    if (application.property(property).toBool()) return;
    application.setProperty(property, true);
    application.installEventFilter(new WheelGuard(&application));
}

}  // namespace wheelguard
