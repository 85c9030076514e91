#include "ui/accessibility/Lifetime.h"

#include <QAccessible>
#include <QApplication>
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
