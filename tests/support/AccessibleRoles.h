#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QList>
#include <QString>
#include <QWidget>

namespace kestrel_test {

inline QAccessibleInterface* accessibleOf(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

// Runs one of the element's actions, as an assistive tool does; a test fails where the
// element offers no such action.
inline void doAccessibleAction(QObject* object, const QString& action) {
    QAccessibleActionInterface* actions = accessibleOf(object)->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(action))
        << action.toStdString() << " is not among " << actions->actionNames().join(", ").toStdString();
    actions->doAction(action);
}

// Runs the action a tool offers first: a button's press, a menu button's "show menu".
inline void doFirstAccessibleAction(QObject* object) {
    QAccessibleActionInterface* actions = accessibleOf(object)->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_FALSE(actions->actionNames().isEmpty());
    actions->doAction(actions->actionNames().front());
}

// Roles a user operates; a list or tree row counts when it can be chosen, and any other
// element when it can be pressed.
inline bool isInteractive(QAccessibleInterface& element) {
    switch (element.role()) {
        case QAccessible::PushButton:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::ButtonMenu:
        case QAccessible::ButtonDropDown:
        case QAccessible::ButtonDropGrid:
        case QAccessible::Slider:
        case QAccessible::Dial:
        case QAccessible::SpinBox:
        case QAccessible::EditableText:
        case QAccessible::ComboBox:
        case QAccessible::PageTab:
        case QAccessible::Link:
            return true;
        case QAccessible::ListItem:
        case QAccessible::TreeItem:
        case QAccessible::Cell:
            return element.state().selectable;
        default: {
            QAccessibleActionInterface* actions = element.actionInterface();
            return actions && actions->actionNames().contains(QAccessibleActionInterface::pressAction());
        }
    }
}

// A control as a failing test names it: its class, its text and its accessible name.
inline QString describeControl(QWidget* widget) {
    QString text = QString::fromLatin1(widget->metaObject()->className());
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) text += QLatin1Char(' ') + button->text();
    return text + QStringLiteral(" \"") + accessibleOf(widget)->text(QAccessible::Name) + QLatin1Char('"');
}

// True when a walk with Tab reaches `control`: the control itself, or the chosen one of its
// row of exclusive choices (radio buttons side by side), which is the row's one Tab stop;
// the arrows reach the others from there.
inline bool reachedInWalk(const QList<QWidget*>& walk, QWidget* control) {
    if (walk.contains(control)) return true;
    const auto isChoice = [](QWidget* widget) {
        return accessibleOf(widget)->role() == QAccessible::RadioButton;
    };
    if (!isChoice(control)) return false;
    return std::any_of(walk.begin(), walk.end(), [&](QWidget* reached) {
        return reached->parentWidget() == control->parentWidget() && isChoice(reached);
    });
}

}  // namespace kestrel_test
