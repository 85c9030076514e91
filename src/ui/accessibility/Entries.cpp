#include "ui/accessibility/Entries.h"

QWindow* EntryAccessible::window() const {
    return m_owner ? m_owner->window()->windowHandle() : nullptr;
}

QAccessibleInterface* EntryAccessible::parent() const {
    return m_owner ? QAccessible::queryAccessibleInterface(m_owner) : nullptr;
}

void* EntryAccessible::interface_cast(QAccessible::InterfaceType type) {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
}

EntryListAccessible::~EntryListAccessible() {
    for (QAccessible::Id id : m_entries) QAccessible::deleteAccessibleInterface(id);
}

QAccessibleInterface* EntryListAccessible::child(int index) const {
    if (index < 0 || index >= childCount()) return nullptr;
    while (m_entries.size() <= index)
        m_entries << QAccessible::registerAccessibleInterface(makeEntry(int(m_entries.size())));
    return QAccessible::accessibleInterface(m_entries[index]);
}

int EntryListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        if (QAccessible::accessibleInterface(m_entries[i]) == child) return int(i);
    return -1;
}
