#include "app/controls/OpenMenus.h"

#include <QAccessibleApplication>
#include <QAccessibleObject>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace {

QList<QMenu*> openMenus() {
    QList<QMenu*> menus;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* menu = qobject_cast<QMenu*>(window); menu && !menu->parentWidget() && menu->isVisible())
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

// The menu bar whose entry the action is, if any.
QMenuBar* barOf(const QAction& action) {
    for (QObject* object : action.associatedObjects())
        if (auto* bar = qobject_cast<QMenuBar*>(object)) return bar;
    return nullptr;
}

// An entry of the menu bar (File, Help): it opens its menu and tells whether the menu is open,
// as a menu button does; its menu is its child.
class MenuBarEntry : public QAccessibleObject, public QAccessibleActionInterface {
public:
    MenuBarEntry(QAction* action, QMenuBar* bar) : QAccessibleObject(action), m_bar(bar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    bool isValid() const override { return QAccessibleObject::isValid() && m_bar; }
    QAccessibleInterface* parent() const override {
        return m_bar ? QAccessible::queryAccessibleInterface(m_bar) : nullptr;
    }
    int childCount() const override { return isValid() && action().menu() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 && childCount() ? QAccessible::queryAccessibleInterface(action().menu()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && childCount() && child->object() == action().menu() ? 0 : -1;
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? action().iconText() : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect r = m_bar->actionGeometry(&action());
        return QRect(m_bar->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) return s;
        const bool open = action().menu() && action().menu()->isVisible();
        s.invisible = !m_bar->isVisible() || !action().isVisible();
        s.disabled = !action().isEnabled();
        s.focused = m_bar->activeAction() == &action();
        s.hasPopup = action().menu() != nullptr;
        s.expandable = s.hasPopup;
        s.expanded = open;
        s.collapsed = s.hasPopup && !open;
        return s;
    }

    QStringList actionNames() const override {
        return isValid() && action().isEnabled() ? QStringList{showMenuAction()} : QStringList();
    }
    // As a click: opens the menu, or closes it when it is open.
    void doAction(const QString& name) override {
        if (!actionNames().contains(name)) return;
        if (action().menu() && action().menu()->isVisible())
            action().menu()->hide();
        else
            m_bar->setActiveAction(&action());
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QAction& action() const { return *static_cast<QAction*>(object()); }
    QPointer<QMenuBar> m_bar;
};

QAccessibleInterface* menuBarEntryFactory(const QString&, QObject* object) {
    auto* action = qobject_cast<QAction*>(object);
    QMenuBar* bar = action ? barOf(*action) : nullptr;
    return bar ? new MenuBarEntry(action, bar) : nullptr;
}

}  // namespace

void installOpenMenusInTree() {
    static const bool installed = [] {
        QAccessible::installFactory(applicationFactory);
        QAccessible::installFactory(menuBarEntryFactory);
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
