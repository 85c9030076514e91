#include "ui/accessibility/ComplexWidgets.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>

#include "ui/accessibility/Entries.h"
#include "ui/accessibility/ShownText.h"
#include "ui/accessibility/SimpleWidgets.h"
#include "ui/accessibility/ToolRequests.h"

namespace {

// The picker whose list this view is, when it is one of ours.
QComboBox* pickerOf(QObject* view) {
    QObject* container = view->parent();
    auto* combo = qobject_cast<QComboBox*>(container ? container->parent() : nullptr);
    return combo && !combo->isEditable() && combo->view() == view ? combo : nullptr;
}

// Chooses an entry as Return in the open list does, which is what a click on it does: the
// picker takes it, closes its list and reports it as the user's choice.
void choose(QComboBox& combo, int row) {
    if (!takesToolRequests(combo)) return;
    QAbstractItemView* view = combo.view();
    view->setCurrentIndex(combo.model()->index(row, combo.modelColumn(), combo.rootModelIndex()));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &enter);
}

// One entry of a picker's list: selected while it is the picker's choice, open or closed.
class PickerEntry : public EntryAccessible {
public:
    PickerEntry(QComboBox* combo, int row) : EntryAccessible(combo->view(), row), m_combo(combo) {}

    bool isValid() const override { return owner() && m_combo && index() < m_combo->count(); }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? m_combo->itemText(index()) : QString();
    }
    QRect rect() const override {
        if (!isValid() || !m_combo->view()->isVisible()) return {};
        QAbstractItemView* view = m_combo->view();
        const QRect r =
            view->visualRect(view->model()->index(index(), m_combo->modelColumn(), view->rootIndex()));
        return QRect(view->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) return state;
        QAbstractItemView* view = m_combo->view();
        state.selectable = true;
        state.selected = m_combo->currentIndex() == index();
        state.focusable = true;
        state.focused = view->isVisible() && view->currentIndex().row() == index();
        state.invisible = !view->isVisible();
        state.disabled = !m_combo->isEnabled();
        return state;
    }

    QStringList actionNames() const override {
        return isValid() && takesToolRequests(*m_combo) ? QStringList{pressAction(), toggleAction()}
                                                        : QStringList();
    }
    void doAction(const QString& name) override {
        if (isValid() && (name == pressAction() || name == toggleAction())) choose(*m_combo, index());
    }

private:
    QPointer<QComboBox> m_combo;
};

// A picker's list, whose entries are chosen as a click chooses them.
class PickerList : public EntryListAccessible {
public:
    PickerList(QAbstractItemView* view, QComboBox* combo)
        : EntryListAccessible(view, QAccessible::List), m_combo(combo) {}

    QAccessibleInterface* parent() const override {
        return m_combo ? QAccessible::queryAccessibleInterface(m_combo) : EntryListAccessible::parent();
    }
    int childCount() const override { return m_combo ? m_combo->count() : 0; }
    QAccessibleInterface* focusChild() const override {
        const int row = m_combo && m_combo->view()->isVisible() ? m_combo->view()->currentIndex().row() : -1;
        return row >= 0 ? child(row) : nullptr;
    }

protected:
    EntryAccessible* makeEntry(int index) const override { return new PickerEntry(m_combo, index); }

private:
    QPointer<QComboBox> m_combo;
};

// A picker: named by what it sets and its choice, "Slope: 24 dB/oct", as a menu button picker
// is; its choice its value and its text (what assistive tools read of it while the list is
// closed), pressing it opens its list.
class NamedCombo : public QAccessibleWidget, public ShownText {
public:
    explicit NamedCombo(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (std::optional<QString> told = pickerText(combo(), combo().currentText(), t)) return *told;
        if (t == QAccessible::Value) return combo().currentText();
        // Unnamed, it reads as Qt reads it: by its choice.
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return combo().currentText();
        return QAccessibleWidget::text(t);
    }
    QString shownText() const override { return combo().currentText(); }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = combo().view()->isVisible();
        state.collapsed = !state.expanded;
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
        const QStringList own =
            takesToolRequests(combo()) ? QStringList{showMenuAction(), pressAction()} : QStringList();
        return own + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (!takesToolRequests(combo())) return;
        if (name == showMenuAction() || name == pressAction())
            combo().showPopup();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    QComboBox& combo() const { return *static_cast<QComboBox*>(widget()); }
};

// Asked with the most derived class name first, so it answers for every picker class and its
// list. A picker that takes typed text keeps Qt's element, which holds its field.
QAccessibleInterface* comboFactory(const QString&, QObject* object) {
    if (auto* combo = qobject_cast<QComboBox*>(object))
        return combo->isEditable() ? nullptr : new NamedCombo(combo);
    auto* view = qobject_cast<QAbstractItemView*>(object);
    QComboBox* picker = view ? pickerOf(view) : nullptr;
    return picker ? new PickerList(view, picker) : nullptr;
}

}  // namespace

void installComboAccessibility() {
    static const bool installed = (QAccessible::installFactory(comboFactory), true);
    Q_UNUSED(installed);
}

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

namespace {

class ScrollAreaElement : public QAccessibleWidget {
public:
    explicit ScrollAreaElement(QAbstractScrollArea* area) : QAccessibleWidget(area, QAccessible::Client) {}

    int childCount() const override { return int(parts().size()); }
    QAccessibleInterface* child(int index) const override {
        const QWidgetList shown = parts();
        return index >= 0 && index < shown.size() ? QAccessible::queryAccessibleInterface(shown.at(index))
                                                  : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || !child->object() || !child->object()->isWidgetType()) return -1;
        return int(parts().indexOf(static_cast<QWidget*>(child->object())));
    }

private:
    QWidgetList parts() const {
        auto* area = static_cast<QAbstractScrollArea*>(widget());
        QWidgetList shown;
        if (!area) return shown;
        if (area->viewport()) shown << area->viewport();
        for (QScrollBar* bar : {area->horizontalScrollBar(), area->verticalScrollBar()})
            if (bar && bar->isVisible()) shown << bar->parentWidget();
        if (QWidget* corner = area->cornerWidget(); corner && corner->isVisible()) shown << corner;
        return shown;
    }
};

// Asked only under the class names Qt itself gives its scroll area element to: a scroll area
// Qt knows better (a text edit, an item view) keeps Qt's element, made under its own name first.
QAccessibleInterface* scrollAreaFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("QAbstractScrollArea") && className != QLatin1String("QScrollArea"))
        return nullptr;
    auto* area = qobject_cast<QAbstractScrollArea*>(object);
    return area ? new ScrollAreaElement(area) : nullptr;
}

}  // namespace

void installScrollAreaAccessibility() {
    static const bool installed = (QAccessible::installFactory(scrollAreaFactory), true);
    Q_UNUSED(installed);
}
