#include "app/controls/AccessibleLifetime.h"

#include <QAccessible>
#include <QVariant>
#include <QWidget>

void markForAccessibility(QObject& object, const char* mark) {
    if (object.property(mark).toBool()) return;
    object.setProperty(mark, true);
    QObject::connect(&object, &QObject::destroyed,
                     [mark](QObject* gone) { gone->setProperty(mark, QVariant()); });
}

void retireFromAccessibility(QWidget& part) {
    part.setEnabled(false);
    QList<QWidget*> widgets = part.findChildren<QWidget*>();
    widgets.prepend(&part);
    for (QWidget* widget : widgets)
        if (QAccessibleInterface* element = QAccessible::queryAccessibleInterface(widget))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(element));
}
