#include "app/controls/TabAccessibility.h"

#include <QTabBar>
#include <QTabWidget>

#include "app/controls/EntryAccessibility.h"
#include "app/controls/ToolRequests.h"

namespace {

// One tab of a bar.
class TabEntry : public EntryAccessible {
public:
    using EntryAccessible::EntryAccessible;

    bool isValid() const override { return owner() && index() < bar().count(); }
    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        if (t == QAccessible::Name) {
            const QString given = bar().accessibleTabName(index());
            return given.isEmpty() ? QString(bar().tabText(index())).remove(QLatin1Char('&')) : given;
        }
        if (t == QAccessible::Description) return bar().tabToolTip(index());
        return {};
    }
    QRect rect() const override {
        if (!isValid() || !bar().isVisible()) return {};
        const QRect r = bar().tabRect(index());
        return QRect(bar().mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) return state;
        const bool shown = bar().currentIndex() == index();
        state.selectable = true;
        state.selected = shown;
        state.focusable = true;
        state.focused = shown && bar().hasFocus();
        state.disabled = !bar().isEnabled() || !bar().isTabEnabled(index());
        state.invisible = !bar().isVisible() || !bar().isTabVisible(index());
        return state;
    }

    QStringList actionNames() const override { return acts() ? QStringList{pressAction()} : QStringList(); }
    void doAction(const QString& name) override {
        if (name == pressAction() && acts()) bar().setCurrentIndex(index());
    }

private:
    QTabBar& bar() const { return *static_cast<QTabBar*>(owner()); }
    bool acts() const { return isValid() && !state().disabled && takesToolRequests(bar()); }
};

class TabBarElement : public EntryListAccessible {
public:
    explicit TabBarElement(QTabBar* bar) : EntryListAccessible(bar, QAccessible::PageTabList) {}

    // Tools speak the bar's name when it takes the focus: a tab widget's bar is named by the
    // tab widget.
    QString text(QAccessible::Text t) const override {
        const QString own = EntryListAccessible::text(t);
        const auto* tabs = qobject_cast<const QTabWidget*>(bar().parentWidget());
        return t == QAccessible::Name && own.isEmpty() && tabs ? tabs->accessibleName() : own;
    }

    int childCount() const override { return bar().count(); }
    QAccessibleInterface* focusChild() const override {
        return bar().hasFocus() && bar().currentIndex() >= 0 ? child(bar().currentIndex()) : nullptr;
    }

protected:
    EntryAccessible* makeEntry(int index) const override { return new TabEntry(widget(), index); }

private:
    QTabBar& bar() const { return *static_cast<QTabBar*>(widget()); }
};

QAccessibleInterface* tabFactory(const QString&, QObject* object) {
    auto* bar = qobject_cast<QTabBar*>(object);
    return bar ? new TabBarElement(bar) : nullptr;
}

}  // namespace

void installTabAccessibility() {
    static const bool installed = (QAccessible::installFactory(tabFactory), true);
    Q_UNUSED(installed);
}
