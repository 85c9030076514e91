#include "app/controls/OpenMenus.h"

#include <QAccessibleApplication>
#include <QApplication>
#include <QMenu>
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
