#include "console/TrafficListAccessible.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QUuid>
#include <QWindow>

#include "console/TrafficListModel.h"
#include "console/TrafficListView.h"

namespace {

// One entry's row: a list item named by the entry's line of the text form.
class TrafficRow : public QAccessibleInterface {
public:
    TrafficRow(TrafficListView* list, const QModelIndex& index) : list_(list), index_(index) {}

    bool isValid() const override { return !list_.isNull() && index_.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_ ? list_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(list_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    int row() const { return index_.row(); }

    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? index_.data().toString() : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    // Only the part on screen; a row scrolled away has no place there.
    QRect rect() const override {
        if (!isValid() || !list_->isVisible()) return {};
        const QRect shown = list_->visualRect(index_) & list_->viewport()->rect();
        if (shown.isEmpty()) return {};
        return {list_->viewport()->mapToGlobal(shown.topLeft()), shown.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) return state;
        state.selectable = true;
        state.extSelectable = true;
        state.focusable = true;
        state.selected = list_->selectionModel()->isSelected(index_);
        state.focused = list_->hasFocus() && list_->currentIndex() == index_;
        state.invisible = rect().isEmpty();
        return state;
    }

private:
    QPointer<TrafficListView> list_;
    // Follows its entry while older ones are dropped; invalid once it is dropped itself.
    QPersistentModelIndex index_;
};

// The list: its rows on screen, top to bottom. A row's element is made when
// first asked for and kept until its entry leaves the list, so a row stays the
// same element while it scrolls.
class TrafficListElement : public QAccessibleWidget {
public:
    // The element can go before the list does (a page taken down drops its elements), so it
    // stops following the model when it goes.
    explicit TrafficListElement(TrafficListView* list) : QAccessibleWidget(list, QAccessible::List) {
        following_ = {
            QObject::connect(&model(), &QAbstractItemModel::rowsAboutToBeRemoved, list,
                             [this](const QModelIndex&, int first, int last) { forget(first, last); }),
            QObject::connect(&model(), &QAbstractItemModel::modelAboutToBeReset, list,
                             [this] { forget(0, model().rowCount() - 1); })};
    }
    ~TrafficListElement() override {
        for (const QMetaObject::Connection& connection : following_) QObject::disconnect(connection);
        for (const QAccessible::Id id : std::as_const(rows_)) QAccessible::deleteAccessibleInterface(id);
    }

    TrafficListView& list() const { return *static_cast<TrafficListView*>(widget()); }
    const TrafficListModel& model() const { return list().rows(); }

    int childCount() const override { return rowsOnScreen().count; }
    QAccessibleInterface* child(int index) const override {
        const Span shown = rowsOnScreen();
        return index >= 0 && index < shown.count ? row(shown.first + index) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto* row = dynamic_cast<const TrafficRow*>(child);
        if (!row || !row->isValid() || row->parent() != this) return -1;
        const Span shown = rowsOnScreen();
        const int index = row->row() - shown.first;
        return index >= 0 && index < shown.count ? index : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QModelIndex index = list().indexAt(list().viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? row(index.row()) : nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const QModelIndex current = list().currentIndex();
        return list().hasFocus() && current.isValid() ? row(current.row()) : nullptr;
    }

    TrafficRow* row(int row) const {
        const QUuid entry = model().entry(row).id;
        if (const auto found = rows_.constFind(entry); found != rows_.constEnd())
            return static_cast<TrafficRow*>(QAccessible::accessibleInterface(*found));
        auto* created = new TrafficRow(&list(), model().index(row));
        rows_.insert(entry, QAccessible::registerAccessibleInterface(created));
        return created;
    }

private:
    struct Span {
        int first = 0;
        int count = 0;
    };

    // Rows are laid out one below the other from the top row, which the view
    // finds from its scroll position; asking also brings its layout up to date.
    Span rowsOnScreen() const {
        const TrafficListView& view = list();
        if (!view.isVisible()) return {};
        const QModelIndex top = view.indexAt(QPoint(0, 0));
        if (!top.isValid()) return {};
        const QModelIndex bottom = view.indexAt(QPoint(0, view.viewport()->height() - 1));
        const int last = bottom.isValid() ? bottom.row() : model().rowCount() - 1;
        return {top.row(), last - top.row() + 1};
    }

    void forget(int first, int last) {
        if (rows_.isEmpty()) return;
        for (int row = first; row <= last; ++row) {
            if (const auto id = rows_.take(model().entry(row).id)) QAccessible::deleteAccessibleInterface(id);
        }
    }

    mutable QHash<QUuid, QAccessible::Id> rows_;
    QList<QMetaObject::Connection> following_;
};

QAccessibleInterface* trafficListFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TrafficListView"))
        if (auto* list = qobject_cast<TrafficListView*>(object)) return new TrafficListElement(list);
    return nullptr;
}

}  // namespace

void installTrafficListAccessibility() {
    static const bool installed = (QAccessible::installFactory(trafficListFactory), true);
    Q_UNUSED(installed);
}
