#include "app/controls/TabAccessibility.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QTabBar>

namespace {

// One tab of a bar.
class TabEntry : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TabEntry(QTabBar* bar, int index) : m_bar(bar), m_index(index) {}

    bool isValid() const override { return m_bar && m_index < m_bar->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_bar ? m_bar->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return m_bar ? QAccessible::queryAccessibleInterface(m_bar) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        if (t == QAccessible::Name)
            return m_bar->accessibleTabName(m_index).isEmpty()
                       ? QString(m_bar->tabText(m_index)).remove(QLatin1Char('&'))
                       : m_bar->accessibleTabName(m_index);
        if (t == QAccessible::Description) return m_bar->tabToolTip(m_index);
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid() || !m_bar->isVisible()) return {};
        const QRect r = m_bar->tabRect(m_index);
        return QRect(m_bar->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) return state;
        const bool shown = m_bar->currentIndex() == m_index;
        state.selectable = true;
        state.selected = shown;
        state.focusable = true;
        state.focused = shown && m_bar->hasFocus();
        state.disabled = !m_bar->isEnabled() || !m_bar->isTabEnabled(m_index);
        state.invisible = !m_bar->isVisible() || !m_bar->isTabVisible(m_index);
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override {
        return isValid() && !state().disabled ? QStringList{pressAction()} : QStringList();
    }
    void doAction(const QString& name) override {
        if (name == pressAction() && isValid() && !state().disabled) m_bar->setCurrentIndex(m_index);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QTabBar> m_bar;
    int m_index;
};

class TabBarElement : public QAccessibleWidget {
public:
    explicit TabBarElement(QTabBar* bar) : QAccessibleWidget(bar, QAccessible::PageTabList) {}
    ~TabBarElement() override {
        for (QAccessible::Id id : m_tabs) QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return bar().count(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) return nullptr;
        while (m_tabs.size() <= index)
            m_tabs << QAccessible::registerAccessibleInterface(new TabEntry(&bar(), int(m_tabs.size())));
        return QAccessible::accessibleInterface(m_tabs[index]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (qsizetype i = 0; i < m_tabs.size(); ++i)
            if (QAccessible::accessibleInterface(m_tabs[i]) == child) return int(i);
        return -1;
    }
    QAccessibleInterface* focusChild() const override {
        return bar().hasFocus() && bar().currentIndex() >= 0 ? child(bar().currentIndex()) : nullptr;
    }

private:
    QTabBar& bar() const { return *static_cast<QTabBar*>(widget()); }
    mutable QList<QAccessible::Id> m_tabs;
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
