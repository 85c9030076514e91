#include "app/controls/ButtonAccessibility.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include "app/controls/ControlAccessibility.h"
#include "app/controls/Popover.h"
#include "app/controls/ToolRequests.h"

namespace {

constexpr char exclusiveChoiceProperty[] = "exclusiveChoice";
constexpr char pageChoiceProperty[] = "pageChoice";

// The menu a press of the button opens, where it opens one.
QMenu* menuOf(const QAbstractButton& button) {
    if (const auto* tool = qobject_cast<const QToolButton*>(&button))
        return tool->popupMode() == QToolButton::InstantPopup ? tool->menu() : nullptr;
    if (const auto* push = qobject_cast<const QPushButton*>(&button)) return push->menu();
    return nullptr;
}

// Qt has no toggle-button role to give; a check box is how assistive tools here present a
// button that is switched on and off.
QAccessible::Role roleOf(const QAbstractButton& button) {
    if (menuOf(button)) return QAccessible::ButtonMenu;
    if (qobject_cast<const QRadioButton*>(&button) || button.property(exclusiveChoiceProperty).toBool())
        return QAccessible::RadioButton;
    if (button.isCheckable()) return QAccessible::CheckBox;
    return QAccessible::Button;
}

// Opens the button's menu as a click does (in the menu's own event loop), with the keys, and
// so the assistive tool's focus, on its current choice, as a menu opened by keys has them.
void openMenu(QAbstractButton& button, QMenu& menu) {
    QTimer::singleShot(0, &menu, [&menu] {
        if (menu.isVisible()) startAtCurrentItem(menu);
    });
    if (auto* tool = qobject_cast<QToolButton*>(&button))
        tool->showMenu();
    else
        static_cast<QPushButton&>(button).showMenu();
}

// Every button's element. Its kind is asked anew each time: Qt makes the element the first
// time anything about the button changes, often before its owner gives it a menu or makes it
// checkable. A press, a toggle and a show-menu do what a click does; a disabled button offers
// none of them.
class ButtonElement : public QAccessibleWidget {
public:
    explicit ButtonElement(QAbstractButton* button) : QAccessibleWidget(button, roleOf(*button)) {}

    QAbstractButton& button() const { return *static_cast<QAbstractButton*>(widget()); }

    QAccessible::Role role() const override { return roleOf(button()); }

    QString text(QAccessible::Text t) const override {
        const QString face = withoutMnemonic(button().text());
        if (menuOf(button()))
            if (std::optional<QString> told = pickerText(button(), face, t)) return *told;
        if (t == QAccessible::Name) {
            const QString given = widget()->accessibleName();
            return given.isEmpty() ? face : given;
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.pressed = button().isDown();
        if (const QMenu* menu = menuOf(button())) {
            state.hasPopup = true;
            state.expandable = true;
            state.expanded = menu->isVisible();
            state.collapsed = !menu->isVisible();
        } else if (button().property(pageChoiceProperty).toBool()) {
            // A segment that shows a page reads selected while its page is shown, as a tab does.
            state.selectable = true;
            state.selected = button().isChecked();
        } else if (button().isCheckable()) {
            state.checkable = true;
            state.checked = button().isChecked();
        }
        if (const auto* check = qobject_cast<const QCheckBox*>(&button()))
            state.checkStateMixed = check->checkState() == Qt::PartiallyChecked;
        return state;
    }

    QStringList actionNames() const override {
        QStringList names;
        if (takesToolRequests(button())) {
            names << pressAction();
            if (menuOf(button()))
                names << showMenuAction();
            else if (button().isCheckable())
                names << toggleAction();
        }
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name != pressAction() && name != toggleAction() && name != showMenuAction())
            return QAccessibleWidget::doAction(name);
        if (!takesToolRequests(button())) return;
        if (QMenu* menu = menuOf(button()))
            openMenu(button(), *menu);
        else if (name != showMenuAction())
            button().click();
    }

    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == pressAction() || name == toggleAction()) return {QStringLiteral("Space")};
        return QAccessibleWidget::keyBindingsForAction(name);
    }
};

// Asked with the most derived class name first, so it answers for every button class.
QAccessibleInterface* buttonFactory(const QString&, QObject* object) {
    auto* button = qobject_cast<QAbstractButton*>(object);
    return button ? new ButtonElement(button) : nullptr;
}

}  // namespace

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

void installButtonAccessibility() {
    static const bool installed = (QAccessible::installFactory(buttonFactory), true);
    Q_UNUSED(installed);
}

std::optional<QString> pickerText(const QWidget& picker, const QString& face, QAccessible::Text t) {
    const QString caption = picker.accessibleName();
    if (caption.isEmpty() || face.isEmpty() || caption == face) return std::nullopt;
    const bool read = !shownUnread(picker);
    if (t == QAccessible::Name) return read ? caption + QStringLiteral(": ") + face : caption;
    if (t == QAccessible::Value) return read ? face : QString();
    return std::nullopt;
}

void markAsExclusiveChoice(QAbstractButton& button) {
    button.setProperty(exclusiveChoiceProperty, true);
}

void markAsPageChoice(QAbstractButton& button) {
    markAsExclusiveChoice(button);
    button.setProperty(pageChoiceProperty, true);
}
