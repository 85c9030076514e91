#include "app/controls/ComboAccessibility.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>

namespace {

// The picker whose list this view is, when it is one of ours.
QComboBox* pickerOf(QObject* view) {
    QObject* container = view->parent();
    auto* combo = qobject_cast<QComboBox*>(container ? container->parent() : nullptr);
    return combo && !combo->isEditable() && combo->view() == view ? combo : nullptr;
}

// Chooses an entry as Return in the open list does, which is what a click on it does: the
// picker takes it, closes its list and reports it as the user's choice.
void choose(QComboBox& combo, int row) {
    if (!combo.isEnabled()) return;
    QAbstractItemView* view = combo.view();
    view->setCurrentIndex(combo.model()->index(row, combo.modelColumn(), combo.rootModelIndex()));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &enter);
}

// One entry of a picker's list: selected while it is the picker's choice, open or closed.
class PickerEntry : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    PickerEntry(QComboBox* combo, int row) : m_combo(combo), m_row(row) {}

    bool isValid() const override { return m_combo && m_row < m_combo->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_combo ? m_combo->view()->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return m_combo ? QAccessible::queryAccessibleInterface(m_combo->view()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? m_combo->itemText(m_row) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid() || !m_combo->view()->isVisible()) return {};
        QAbstractItemView* view = m_combo->view();
        const QRect r =
            view->visualRect(view->model()->index(m_row, m_combo->modelColumn(), view->rootIndex()));
        return QRect(view->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) return state;
        QAbstractItemView* view = m_combo->view();
        state.selectable = true;
        state.selected = m_combo->currentIndex() == m_row;
        state.focusable = true;
        state.focused = view->isVisible() && view->currentIndex().row() == m_row;
        state.invisible = !view->isVisible();
        state.disabled = !m_combo->isEnabled();
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override {
        return isValid() && m_combo->isEnabled() ? QStringList{pressAction(), toggleAction()} : QStringList();
    }
    void doAction(const QString& name) override {
        if (isValid() && (name == pressAction() || name == toggleAction())) choose(*m_combo, m_row);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QComboBox> m_combo;
    int m_row;
};

// A picker's list, whose entries are chosen as a click chooses them.
class PickerList : public QAccessibleWidget {
public:
    PickerList(QAbstractItemView* view, QComboBox* combo)
        : QAccessibleWidget(view, QAccessible::List), m_combo(combo) {}
    ~PickerList() override {
        for (QAccessible::Id id : m_entries) QAccessible::deleteAccessibleInterface(id);
    }

    QAccessibleInterface* parent() const override {
        return m_combo ? QAccessible::queryAccessibleInterface(m_combo) : QAccessibleWidget::parent();
    }
    int childCount() const override { return m_combo ? m_combo->count() : 0; }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) return nullptr;
        while (m_entries.size() <= index)
            m_entries << QAccessible::registerAccessibleInterface(
                new PickerEntry(m_combo, int(m_entries.size())));
        return QAccessible::accessibleInterface(m_entries[index]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (qsizetype i = 0; i < m_entries.size(); ++i)
            if (QAccessible::accessibleInterface(m_entries[i]) == child) return int(i);
        return -1;
    }
    QAccessibleInterface* focusChild() const override {
        const int row = m_combo && m_combo->view()->isVisible() ? m_combo->view()->currentIndex().row() : -1;
        return row >= 0 ? child(row) : nullptr;
    }

private:
    QPointer<QComboBox> m_combo;
    mutable QList<QAccessible::Id> m_entries;
};

// A picker: named by what it sets, its choice its value and its text (what assistive tools
// read of it while the list is closed), pressing it opens its list.
class NamedCombo : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit NamedCombo(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return combo().currentText();
        // Unnamed, it reads as Qt reads it: by its choice.
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return combo().currentText();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = combo().view()->isVisible();
        state.collapsed = !state.expanded;
        return state;
    }

    // The list of choices, as Qt offers it for every combo box.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(combo().view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == combo().view() ? 0 : -1;
    }

    QStringList actionNames() const override {
        const QStringList own =
            combo().isEnabled() ? QStringList{showMenuAction(), pressAction()} : QStringList();
        return own + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (!combo().isEnabled()) return;
        if (name == showMenuAction() || name == pressAction())
            combo().showPopup();
        else
            QAccessibleWidget::doAction(name);
    }

    // The shown choice as read-only text.
    QString text(int start, int end) const override { return combo().currentText().mid(start, end - start); }
    int characterCount() const override { return int(combo().currentText().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

private:
    QComboBox& combo() const { return *static_cast<QComboBox*>(widget()); }
};

// Asked with the most derived class name first, so it answers for every picker class and its
// list. A picker that takes typed text keeps Qt's element, which holds its field.
QAccessibleInterface* comboFactory(const QString&, QObject* object) {
    if (auto* combo = qobject_cast<QComboBox*>(object))
        return combo->isEditable() ? nullptr : new NamedCombo(combo);
    auto* view = qobject_cast<QAbstractItemView*>(object);
    QComboBox* picker = view ? pickerOf(view) : nullptr;
    return picker ? new PickerList(view, picker) : nullptr;
}

}  // namespace

void installComboAccessibility() {
    static const bool installed = (QAccessible::installFactory(comboFactory), true);
    Q_UNUSED(installed);
}
