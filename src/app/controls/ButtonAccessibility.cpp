#include "app/controls/ButtonAccessibility.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace {

constexpr char exclusiveChoiceProperty[] = "exclusiveChoice";

QAccessible::Role roleOf(const QAbstractButton& button) {
    if (qobject_cast<const QRadioButton*>(&button) || button.property(exclusiveChoiceProperty).toBool())
        return QAccessible::RadioButton;
    if (qobject_cast<const QCheckBox*>(&button)) return QAccessible::CheckBox;
    return QAccessible::Button;
}

// A caption's "&&" stands for one ampersand and a single "&" marks a shortcut letter.
QString withoutMnemonic(const QString& text) {
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (++i == text.size()) break;
        }
        plain += text[i];
    }
    return plain;
}

// A button's element, named by its caption unless a name was given.
class CaptionedButton : public QAccessibleWidget {
public:
    CaptionedButton(QAbstractButton* button, QAccessible::Role role) : QAccessibleWidget(button, role) {}

    QAbstractButton& button() const { return *static_cast<QAbstractButton*>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString given = widget()->accessibleName();
            return given.isEmpty() ? withoutMnemonic(button().text()) : given;
        }
        return QAccessibleWidget::text(t);
    }
};

class ClickingButton : public CaptionedButton {
public:
    explicit ClickingButton(QAbstractButton* button) : CaptionedButton(button, roleOf(*button)) {}

    // Asked anew each time: Qt makes the element while the button is being set up, before
    // its owner marks what kind of choice it is.
    QAccessible::Role role() const override { return roleOf(button()); }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        if (button().isCheckable()) {
            state.checkable = true;
            state.checked = button().isChecked();
        }
        state.pressed = button().isDown();
        if (const auto* check = qobject_cast<const QCheckBox*>(&button()))
            state.checkStateMixed = check->checkState() == Qt::PartiallyChecked;
        return state;
    }

    QStringList actionNames() const override {
        QStringList names{pressAction()};
        if (button().isCheckable()) names << toggleAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name != pressAction() && name != toggleAction()) return QAccessibleWidget::doAction(name);
        if (button().isEnabled()) button().click();
    }

    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == pressAction() || name == toggleAction()) return {QStringLiteral("Space")};
        return QAccessibleWidget::keyBindingsForAction(name);
    }
};

// A tool button that opens its menu as soon as it is pressed. Qt's element offers "show menu"
// for it and then does nothing; this one opens the menu, as a click and Space do.
class MenuButton : public CaptionedButton {
public:
    explicit MenuButton(QToolButton* button) : CaptionedButton(button, QAccessible::ButtonMenu) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.hasPopup = true;
        state.pressed = button().isDown();
        return state;
    }

    QStringList actionNames() const override {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name != showMenuAction()) return QAccessibleWidget::doAction(name);
        if (button().isEnabled()) static_cast<QToolButton&>(button()).showMenu();
    }
};

QToolButton* instantMenuButton(QAbstractButton& button) {
    auto* tool = qobject_cast<QToolButton*>(&button);
    return tool && tool->menu() && tool->popupMode() == QToolButton::InstantPopup ? tool : nullptr;
}

// Other buttons that open a menu keep Qt's element, whose press shows the menu.
bool opensMenu(const QAbstractButton& button) {
    if (qobject_cast<const QToolButton*>(&button)) return true;
    const auto* push = qobject_cast<const QPushButton*>(&button);
    return push && push->menu();
}

// Asked with the most derived class name first, so it answers for every button class. A
// button's kind is read when its element is made: a menu button gets its menu first.
QAccessibleInterface* buttonFactory(const QString&, QObject* object) {
    auto* button = qobject_cast<QAbstractButton*>(object);
    if (!button) return nullptr;
    if (QToolButton* menuButton = instantMenuButton(*button)) return new MenuButton(menuButton);
    if (opensMenu(*button)) return nullptr;
    return new ClickingButton(button);
}

}  // namespace

void installButtonAccessibility() {
    static const bool installed = (QAccessible::installFactory(buttonFactory), true);
    Q_UNUSED(installed);
}

void markAsExclusiveChoice(QAbstractButton& button) {
    button.setProperty(exclusiveChoiceProperty, true);
}
