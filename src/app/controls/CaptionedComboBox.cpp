#include "app/controls/CaptionedComboBox.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>

namespace {

class CaptionedComboAccessible : public QAccessibleWidget {
public:
    explicit CaptionedComboAccessible(CaptionedComboBox* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return combo().currentText();
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
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == showMenuAction() || name == pressAction())
            combo().showPopup();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    CaptionedComboBox& combo() const { return *static_cast<CaptionedComboBox*>(widget()); }
};

QAccessibleInterface* captionedComboFactory(const QString& className, QObject* object) {
    auto* combo =
        className == QLatin1String("CaptionedComboBox") ? qobject_cast<CaptionedComboBox*>(object) : nullptr;
    return combo ? new CaptionedComboAccessible(combo) : nullptr;
}

}  // namespace

CaptionedComboBox::CaptionedComboBox(const QString& caption, QWidget* parent) : QComboBox(parent) {
    // Before anything asks for this widget's accessible element, which is then kept.
    static const bool accessible = (QAccessible::installFactory(captionedComboFactory), true);
    Q_UNUSED(accessible);
    setAccessibleName(caption);
}
