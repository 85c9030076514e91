#include "ui/accessibility/ItemViews.h"

#include <QListWidget>

#include "ui/accessibility/Entries.h"
#include "ui/accessibility/ToolRequests.h"

namespace {

class ListRow : public EntryAccessible {
public:
    using EntryAccessible::EntryAccessible;

    bool isValid() const override { return owner() && index() < list().count(); }
    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        if (t == QAccessible::Name) {
            const QString given = item()->data(Qt::AccessibleTextRole).toString();
            return given.isEmpty() ? item()->text() : given;
        }
        if (t == QAccessible::Description) return item()->data(Qt::AccessibleDescriptionRole).toString();
        return {};
    }
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect r = list().visualItemRect(item());
        return QRect(list().viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) return state;
        const bool pickable = item()->flags() & Qt::ItemIsSelectable;
        state.selectable = pickable;
        state.focusable = pickable;
        state.selected = item()->isSelected();
        state.focused = list().hasFocus() && list().currentItem() == item();
        state.invisible = !list().viewport()->rect().intersects(list().visualItemRect(item()));
        state.disabled = !list().isEnabled();
        return state;
    }

    QStringList actionNames() const override {
        return isValid() && takesToolRequests(list()) ? QStringList{toggleAction()} : QStringList();
    }
    void doAction(const QString& name) override {
        if (name != toggleAction() || !isValid() || !takesToolRequests(list())) return;
        if (item()->flags() & Qt::ItemIsSelectable) list().setCurrentItem(item());
    }

private:
    QListWidget& list() const { return *static_cast<QListWidget*>(owner()); }
    QListWidgetItem* item() const { return list().item(index()); }
};

class ListRows : public EntryListAccessible {
public:
    explicit ListRows(QListWidget* list) : EntryListAccessible(list, QAccessible::List) {}

    int childCount() const override { return list().count(); }
    QAccessibleInterface* focusChild() const override {
        return list().hasFocus() && list().currentRow() >= 0 ? child(list().currentRow()) : nullptr;
    }

protected:
    EntryAccessible* makeEntry(int index) const override { return new ListRow(widget(), index); }

private:
    QListWidget& list() const { return *static_cast<QListWidget*>(widget()); }
};

QAccessibleInterface* listFactory(const QString&, QObject* object) {
    auto* list = qobject_cast<QListWidget*>(object);
    return list ? new ListRows(list) : nullptr;
}

}  // namespace

void installListAccessibility() {
    static const bool installed = (QAccessible::installFactory(listFactory), true);
    Q_UNUSED(installed);
}
