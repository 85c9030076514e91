#include "app/controls/MenuButtonAccessibility.h"

#include <QAccessibleActionInterface>
#include <QAccessibleWidget>
#include <QToolButton>

namespace {

class MenuButtonAccessible : public QAccessibleWidget {
public:
    explicit MenuButtonAccessible(QToolButton* button) : QAccessibleWidget(button, QAccessible::ButtonMenu) {}

    QToolButton& button() const { return *static_cast<QToolButton*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && button().accessibleName().isEmpty())
            return QString(button().text()).remove(QLatin1Char('&'));
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.hasPopup = true;
        return s;
    }

    QStringList actionNames() const override {
        const QStringList own = button().isEnabled() ? QStringList{showMenuAction()} : QStringList{};
        return own + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name != showMenuAction()) return QAccessibleWidget::doAction(name);
        if (button().isEnabled()) button().showMenu();
    }
};

QAccessibleInterface* menuButtonFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("QToolButton")) return nullptr;
    auto* button = qobject_cast<QToolButton*>(object);
    if (!button || !button->menu() || button->popupMode() != QToolButton::InstantPopup) return nullptr;
    return new MenuButtonAccessible(button);
}

}  // namespace

void installMenuButtonAccessibility() {
    static const bool installed = (QAccessible::installFactory(menuButtonFactory), true);
    Q_UNUSED(installed);
}
