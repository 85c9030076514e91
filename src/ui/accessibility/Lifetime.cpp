#include "ui/accessibility/Lifetime.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QPointer>
#include <QVariant>
#include <QWidget>

void markForAccessibility(QObject& object, const char* mark) {
    if (object.property(mark).toBool()) return;
    object.setProperty(mark, true);
    QObject::connect(&object, &QObject::destroyed,
                     [mark](QObject* gone) { gone->setProperty(mark, QVariant()); });
}

void retireFromAccessibility(QWidget& part) {
    // The window may still remember a control of the part as its focus while the keys are
    // elsewhere (in a popup the part opened). Disabling the part would hand that focus on as if
    // by Tab, a move the keyboard never made; the part lets go of it quietly first.
    QWidget* remembered = part.window()->focusWidget();
    if (remembered && remembered != QApplication::focusWidget() &&
        (remembered == &part || part.isAncestorOf(remembered)))
        remembered->clearFocus();
    part.setEnabled(false);
    QList<QWidget*> widgets = part.findChildren<QWidget*>();
    widgets.prepend(&part);
    for (QWidget* widget : widgets)
        if (QAccessibleInterface* element = QAccessible::queryAccessibleInterface(widget))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(element));
}

namespace {

// The renewable element of each control that has one; an element leaves with its deletion.
QHash<const QWidget*, RenewableElement*>& renewable() {
    static QHash<const QWidget*, RenewableElement*> elements;
    return elements;
}

// Replaces the control's element: the tree tells the old one gone while it still answers
// (the desktop's bridge names it by its path), and the new one, with another id and so
// another path, added.
void renew(QWidget& control) {
    QAccessibleInterface* old = QAccessible::queryAccessibleInterface(&control);
    if (!old) return;
    if (QAccessible::isActive()) {
        QAccessibleEvent gone(old, QAccessible::ObjectDestroyed);
        QAccessible::updateAccessibility(&gone);
    }
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(old));
    if (!QAccessible::isActive()) return;
    QAccessibleEvent made(&control, QAccessible::ObjectCreated);
    QAccessible::updateAccessibility(&made);
    // A reader whose focus was on the old element would be left on nothing.
    if (control.hasFocus()) {
        QAccessibleEvent focus(&control, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

class Renewal : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::EnabledChange:
            case QEvent::ReadOnlyChange:
            case QEvent::DynamicPropertyChange:
            case QEvent::Show:
                note(watched);
                break;
            default:
                break;
        }
        return false;
    }

private:
    void note(QObject* watched) {
        if (!watched->isWidgetType()) return;
        auto* control = static_cast<QWidget*>(watched);
        const RenewableElement* element = renewable().value(control);
        if (!element || !element->outgrown() || m_outgrown.contains(control)) return;
        m_outgrown.append(control);
        if (m_outgrown.size() == 1) QMetaObject::invokeMethod(this, &Renewal::renewAll, Qt::QueuedConnection);
    }

    void renewAll() {
        for (const QPointer<QWidget>& control : std::exchange(m_outgrown, {})) {
            const RenewableElement* element = control ? renewable().value(control) : nullptr;
            if (element && element->outgrown()) renew(*control);
        }
    }

    QList<QPointer<QWidget>> m_outgrown;
};

// The one watcher, once the application has one.
QPointer<Renewal>& renewal() {
    static QPointer<Renewal> filter;
    return filter;
}

}  // namespace

RenewableElement::RenewableElement(QWidget& control) : m_control(control) {
    renewable().insert(&control, this);
    // Only controls a client has asked about are watched: the rest of the application's events
    // never pass the watcher.
    if (renewal()) control.installEventFilter(renewal());
}

RenewableElement::~RenewableElement() {
    if (renewable().value(&m_control) == this) renewable().remove(&m_control);
}

bool RenewableElement::gives() const {
    if (!m_told) m_told = givesNow();
    return *m_told;
}

void renewOutgrownElements(QApplication& application) {
    if (!renewal()) renewal() = new Renewal(&application);
}
