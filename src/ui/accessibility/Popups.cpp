#include "ui/accessibility/Popups.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleApplication>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStyle>
#include <QWindow>

#include "ui/accessibility/Lifetime.h"
#include "ui/accessibility/ShownText.h"
#include "ui/accessibility/SimpleWidgets.h"
#include "ui/accessibility/ToolRequests.h"

namespace {

// A menu of the menu bar (File, Help) stands where the menus of buttons stand, under the
// application: a tool looks for an open menu in one place.
bool isMenuBarMenu(const QMenu& menu) {
    return qobject_cast<const QMenuBar*>(menu.parentWidget());
}

QList<QMenu*> openMenus() {
    QList<QMenu*> menus;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* menu = qobject_cast<QMenu*>(window);
            menu && (!menu->parentWidget() || isMenuBarMenu(*menu)) && menu->isVisible())
            menus.append(menu);
    return menus;
}

class ApplicationElement : public QAccessibleApplication {
public:
    int childCount() const override { return QAccessibleApplication::childCount() + int(openMenus().size()); }
    QAccessibleInterface* child(int index) const override {
        const int windows = QAccessibleApplication::childCount();
        if (index < windows) return QAccessibleApplication::child(index);
        QMenu* menu = openMenus().value(index - windows);
        return menu ? QAccessible::queryAccessibleInterface(menu) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const int window = QAccessibleApplication::indexOfChild(child);
        if (window >= 0 || !child) return window;
        const qsizetype menu = openMenus().indexOf(qobject_cast<QMenu*>(child->object()));
        return menu < 0 ? -1 : QAccessibleApplication::childCount() + int(menu);
    }
};

QAccessibleInterface* applicationFactory(const QString&, QObject* object) {
    return object && object == qApp ? new ApplicationElement : nullptr;
}

}  // namespace

void installOpenMenusInTree() {
    static const bool installed = [] {
        QAccessible::installFactory(applicationFactory);
        // An element made before this one answers is replaced, so the tree's root is ours.
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(qApp);
        if (root && !dynamic_cast<ApplicationElement*>(root))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(root));
        return true;
    }();
    Q_UNUSED(installed);
}

void ownMenu(QMenu& menu, QWidget& owner) {
    menu.setParent(nullptr, menu.windowFlags());
    QObject::connect(&owner, &QObject::destroyed, [menu = QPointer<QMenu>(&menu)] { delete menu.data(); });
    closeOnChoice(menu);
}

void closeOnChoice(QMenu& menu) {
    QObject::connect(&menu, &QMenu::triggered, &menu, [&menu] {
        if (menu.isVisible()) menu.hide();
    });
}

namespace {

class MenuEntry : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    MenuEntry(QWidget* owner, QAction* action) : m_owner(owner), m_action(action) {}

    bool isValid() const override { return m_owner && m_action; }
    QObject* object() const override { return m_action; }
    QWindow* window() const override {
        for (QWidget* widget = m_owner; widget; widget = widget->parentWidget())
            if (QWindow* handle = widget->windowHandle()) return handle;
        return nullptr;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_owner); }
    // An entry that opens a menu holds that menu, but for the menu bar's, which the application holds.
    QAccessibleInterface* child(int index) const override {
        return index == 0 && submenu() ? QAccessible::queryAccessibleInterface(submenu()) : nullptr;
    }
    int childCount() const override { return submenu() ? 1 : 0; }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && submenu() && child->object() == submenu() ? 0 : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        QAccessibleInterface* menu = child(0);
        return menu && menu->rect().contains(x, y) ? menu : nullptr;
    }

    QRect rect() const override {
        if (!isValid()) return {};
        QRect r;
        if (auto* bar = qobject_cast<QMenuBar*>(m_owner.data())) r = bar->actionGeometry(m_action);
        if (auto* menu = qobject_cast<QMenu*>(m_owner.data())) r = menu->actionGeometry(m_action);
        return r.translated(m_owner->mapToGlobal(QPoint(0, 0)));
    }
    QAccessible::Role role() const override {
        return m_action && m_action->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
    }
    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        if (t == QAccessible::Name) return withoutMnemonic(m_action->text());
        if (t == QAccessible::Accelerator) return m_action->shortcut().toString();
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) return state;
        state.invisible = !m_owner->isVisible() || !m_action->isVisible();
        state.focused = activeAction() == m_action;
        state.hotTracked = m_owner->style()->styleHint(QStyle::SH_Menu_MouseTracking, nullptr, m_owner);
        state.disabled = m_action->isSeparator() || !m_action->isEnabled();
        state.checkable = m_action->isCheckable();
        state.checked = m_action->isChecked();
        // An entry that opens a menu (File, Help) tells whether its menu is open, as a menu button does.
        const bool open = opens() && opens()->isVisible();
        state.hasPopup = opens() != nullptr;
        state.expandable = state.hasPopup;
        state.expanded = open;
        state.collapsed = state.hasPopup && !open;
        return state;
    }

    QStringList actionNames() const override {
        if (!isValid() || m_action->isSeparator()) return {};
        return {opens() ? showMenuAction() : pressAction()};
    }
    void doAction(const QString& name) override {
        if (!isValid() || !m_action->isEnabled() || !takesToolRequests(*m_owner)) return;
        if (name == pressAction() && !opens()) {
            m_action->trigger();
        } else if (name == showMenuAction() && opens()) {
            if (opens()->isVisible())
                opens()->hide();
            else
                setActiveAction();
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QMenu* submenu() const {
        QMenu* menu = m_action ? m_action->menu<QMenu*>() : nullptr;
        return menu && !isMenuBarMenu(*menu) ? menu : nullptr;
    }
    QMenu* opens() const { return m_action ? m_action->menu<QMenu*>() : nullptr; }
    QAction* activeAction() const {
        if (auto* bar = qobject_cast<QMenuBar*>(m_owner.data())) return bar->activeAction();
        if (auto* menu = qobject_cast<QMenu*>(m_owner.data())) return menu->activeAction();
        return nullptr;
    }
    // Opens the entry's menu as the keys do.
    void setActiveAction() const {
        if (auto* bar = qobject_cast<QMenuBar*>(m_owner.data())) bar->setActiveAction(m_action);
        if (auto* menu = qobject_cast<QMenu*>(m_owner.data())) menu->setActiveAction(m_action);
    }

    QPointer<QWidget> m_owner;
    QPointer<QAction> m_action;
};

// A menu of the menu bar, under the application with its entries (as Qt's own menu element
// reads it otherwise).
class MenuBarMenu : public QAccessibleWidget {
public:
    explicit MenuBarMenu(QMenu* menu) : QAccessibleWidget(menu, QAccessible::PopupMenu) {}

    QMenu& menu() const { return *static_cast<QMenu*>(widget()); }

    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(qApp); }
    int childCount() const override { return int(menu().actions().size()); }
    QAccessibleInterface* child(int index) const override {
        QAction* action = menu().actions().value(index);
        return action ? QAccessible::queryAccessibleInterface(action) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? int(menu().actions().indexOf(qobject_cast<QAction*>(child->object()))) : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        QAction* action = menu().actionAt(menu().mapFromGlobal(QPoint(x, y)));
        return action ? QAccessible::queryAccessibleInterface(action) : nullptr;
    }
    QString text(QAccessible::Text t) const override {
        const QString given = QAccessibleWidget::text(t);
        return t == QAccessible::Name && given.isEmpty() ? withoutMnemonic(menu().title()) : given;
    }
};

// An action is an entry of the first menu or menu bar that lists it.
QAccessibleInterface* menuEntryFactory(const QString&, QObject* object) {
    if (auto* menu = qobject_cast<QMenu*>(object))
        return isMenuBarMenu(*menu) ? new MenuBarMenu(menu) : nullptr;
    auto* action = qobject_cast<QAction*>(object);
    if (!action) return nullptr;
    for (QObject* associated : action->associatedObjects())
        if (qobject_cast<QMenu*>(associated) || qobject_cast<QMenuBar*>(associated))
            if (auto* owner = static_cast<QWidget*>(associated); owner->actions().contains(action))
                return new MenuEntry(owner, action);
    return nullptr;
}

}  // namespace

void installMenuAccessibility() {
    static const bool installed = (QAccessible::installFactory(menuEntryFactory), true);
    Q_UNUSED(installed);
}

namespace {

// Marks, read when the widget's element is made: Qt makes it the first time anything about
// the widget changes (a name set while it is built) and keeps it.
constexpr char anchorProperty[] = "popoverAnchor";
constexpr char popoverProperty[] = "popover";

// The anchor's popover while it is open.
QWidget* openPopoverOf(const QWidget& anchor) {
    for (QWidget* child : anchor.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isWindow() && child->isVisible() && child->property(popoverProperty).toBool())
            return child;
    return nullptr;
}

// The button, with its popover as its child while it is open.
class AnchorAccessible : public QAccessibleWidget, public ShownText, public RenewableElement {
public:
    explicit AnchorAccessible(QAbstractButton* button)
        : QAccessibleWidget(button, QAccessible::ButtonMenu), RenewableElement(*button) {}

    QAbstractButton& button() const { return *static_cast<QAbstractButton*>(widget()); }

    // A picker's choice is also its text, as a combo box's is.
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface && gives())
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    bool givesNow() const override { return choice().has_value(); }
    QString shownText() const override { return choice().value_or(QString()); }
    std::optional<QString> choice() const {
        return pickerText(button(), button().text(), QAccessible::Value);
    }

    QString text(QAccessible::Text t) const override {
        if (std::optional<QString> told = pickerText(button(), button().text(), t)) return *told;
        if (t == QAccessible::Name && button().accessibleName().isEmpty()) return button().text();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        const bool open = openPopoverOf(button());
        s.hasPopup = true;
        s.pressed = button().isDown();
        s.expandable = true;
        s.expanded = open;
        s.collapsed = !open;
        return s;
    }
    int childCount() const override { return openPopoverOf(button()) ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        QWidget* popover = index == 0 ? openPopoverOf(button()) : nullptr;
        return popover ? QAccessible::queryAccessibleInterface(popover) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        QWidget* popover = openPopoverOf(button());
        return popover && child && child->object() == popover ? 0 : -1;
    }
    QStringList actionNames() const override {
        const QStringList own =
            takesToolRequests(button()) ? QStringList{pressAction(), showMenuAction()} : QStringList();
        return own + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name != pressAction() && name != showMenuAction()) return QAccessibleWidget::doAction(name);
        if (takesToolRequests(button())) button().click();
    }
};

// The popover, under its anchor.
class PopoverAccessible : public QAccessibleWidget {
public:
    explicit PopoverAccessible(QWidget* popover) : QAccessibleWidget(popover, QAccessible::Dialog) {}

    QAccessibleInterface* parent() const override {
        QWidget* anchor = widget()->parentWidget();
        return anchor ? QAccessible::queryAccessibleInterface(anchor) : QAccessibleWidget::parent();
    }
};

QAccessibleInterface* popoverFactory(const QString&, QObject* object) {
    if (!object->isWidgetType()) return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    if (widget->property(popoverProperty).toBool()) return new PopoverAccessible(widget);
    if (auto* button = qobject_cast<QAbstractButton*>(widget);
        button && button->property(anchorProperty).toBool())
        return new AnchorAccessible(button);
    return nullptr;
}

void installPopoverAccessibility() {
    static const bool installed = (QAccessible::installFactory(popoverFactory), true);
    Q_UNUSED(installed);
}

}  // namespace

void makePopoverAnchor(QAbstractButton& anchor) {
    installPopoverAccessibility();
    markForAccessibility(anchor, anchorProperty);
}

void makePopover(QWidget& popup) {
    installPopoverAccessibility();
    markForAccessibility(popup, popoverProperty);
}
