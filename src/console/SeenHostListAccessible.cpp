#include "console/SeenHostListAccessible.h"

#include <QAccessibleActionInterface>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWindow>

#include "console/SeenHostList.h"
#include "ui/accessibility/ToolRequests.h"

namespace {

const QString useForTCPText = QStringLiteral("Use for TCP");

QRect onScreen(const SeenHostList& list, const QRect& inViewport) {
    if (inViewport.isEmpty() || !list.isVisible()) return {};
    return {list.viewport()->mapToGlobal(inViewport.topLeft()), inViewport.size()};
}

// What the row and its button share: both stand for a part of the painted
// list, identified by the sender (rows are never removed, only moved down
// by new senders before them).
class SenderPart : public QAccessibleInterface {
public:
    SenderPart(SeenHostList* list, QString sender) : list_(list), sender_(std::move(sender)) {}

    bool isValid() const override { return !list_.isNull() && list_->rowOf(sender_) >= 0; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_ ? list_->window()->windowHandle() : nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

protected:
    QPointer<SeenHostList> list_;
    QString sender_;
};

class SenderRow;

// The "Use for TCP" button of one row.
class UseForTCPButton : public SenderPart, public QAccessibleActionInterface {
public:
    UseForTCPButton(SeenHostList* list, const QString& sender, SenderRow& row)
        : SenderPart(list, sender), row_(row) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    // The caption and the sender: every row has this button, and a listener
    // must hear which one.
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? useForTCPText + u' ' + sender_ : QString();
    }
    QRect rect() const override { return list_ ? onScreen(*list_, list_->useForTCPRect(sender_)) : QRect(); }
    QAccessible::Role role() const override { return QAccessible::Button; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.focusable = true;
        state.invisible = rect().isEmpty();
        state.focused = list_ && list_->hasFocus() && list_->currentSender() == sender_;
        return state;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && list_ && takesToolRequests(*list_)) list_->pressUseForTCP(sender_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    SenderRow& row_;
};

// One sender's row: a list item named by the sender, holding its button.
class SenderRow : public SenderPart {
public:
    // The button is the cache's: it may be deleted before the row when the cache goes at
    // exit, so the row knows it by its id, which then finds nothing.
    SenderRow(SeenHostList* list, const QString& sender)
        : SenderPart(list, sender),
          buttonId_(QAccessible::registerAccessibleInterface(new UseForTCPButton(list, sender, *this))) {}
    ~SenderRow() override { QAccessible::deleteAccessibleInterface(buttonId_); }

    UseForTCPButton* button() const {
        return static_cast<UseForTCPButton*>(QAccessible::accessibleInterface(buttonId_));
    }

    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(list_.data());
    }
    QAccessibleInterface* child(int index) const override { return index == 0 ? button() : nullptr; }
    QAccessibleInterface* childAt(int x, int y) const override {
        UseForTCPButton* shown = button();
        return shown && shown->rect().contains(x, y) ? shown : nullptr;
    }
    int childCount() const override { return button() ? 1 : 0; }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child == button() ? 0 : -1;
    }

    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? sender_ : QString(); }
    QRect rect() const override { return list_ ? onScreen(*list_, list_->rowRect(sender_)) : QRect(); }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.invisible = rect().isEmpty();
        return state;
    }

private:
    QAccessible::Id buttonId_;
};

QAccessibleInterface* UseForTCPButton::parent() const {
    return &row_;
}

// The list: one row element per sender, in the order shown. Row elements
// are made when first asked for and kept, so a row stays the same element
// while new senders arrive.
class SeenHostListElement : public QAccessibleWidget {
public:
    explicit SeenHostListElement(SeenHostList* list) : QAccessibleWidget(list, QAccessible::List) {}
    ~SeenHostListElement() override {
        for (const QAccessible::Id id : std::as_const(rows_)) QAccessible::deleteAccessibleInterface(id);
    }

    SeenHostList& list() const { return *static_cast<SeenHostList*>(widget()); }

    int childCount() const override { return int(list().senders().size()); }
    QAccessibleInterface* child(int index) const override {
        const QStringList senders = list().senders();
        return index >= 0 && index < senders.size() ? row(senders[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child || child->parent() != this) return -1;
        return list().rowOf(child->text(QAccessible::Name));
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QString sender =
            list().indexAt(list().viewport()->mapFromGlobal(QPoint(x, y))).data().toString();
        return sender.isEmpty() ? nullptr : row(sender);
    }
    QAccessibleInterface* focusChild() const override {
        const QString sender = list().currentSender();
        if (!list().hasFocus() || sender.isEmpty()) return nullptr;
        return row(sender)->button();
    }

    SenderRow* row(const QString& sender) const {
        if (const auto found = rows_.constFind(sender); found != rows_.constEnd())
            return static_cast<SenderRow*>(QAccessible::accessibleInterface(*found));
        auto* created = new SenderRow(&list(), sender);
        rows_.insert(sender, QAccessible::registerAccessibleInterface(created));
        return created;
    }

private:
    mutable QHash<QString, QAccessible::Id> rows_;
};

QAccessibleInterface* seenHostListFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("SeenHostList"))
        if (auto* list = qobject_cast<SeenHostList*>(object)) return new SeenHostListElement(list);
    return nullptr;
}

}  // namespace

void installSeenHostListAccessibility() {
    static const bool installed = (QAccessible::installFactory(seenHostListFactory), true);
    Q_UNUSED(installed);
}
