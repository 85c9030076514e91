#pragma once

#include <QAccessible>
#include <QAccessibleActionInterface>

namespace kestrel_test {

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

}  // namespace kestrel_test
