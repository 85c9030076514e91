#include "app/controls/ComboAccessibility.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>

namespace {

class NamedCombo : public QAccessibleWidget {
public:
    explicit NamedCombo(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

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

private:
    QComboBox& combo() const { return *static_cast<QComboBox*>(widget()); }
};

// Asked with the most derived class name first, so it answers for every picker class. A
// picker that takes typed text keeps Qt's element, which holds its field.
QAccessibleInterface* comboFactory(const QString&, QObject* object) {
    auto* combo = qobject_cast<QComboBox*>(object);
    return combo && !combo->isEditable() ? new NamedCombo(combo) : nullptr;
}

}  // namespace

void installComboAccessibility() {
    static const bool installed = (QAccessible::installFactory(comboFactory), true);
    Q_UNUSED(installed);
}
