#pragma once

#include <QAccessibleWidget>
#include <QList>
#include <QPointer>
#include <QWidget>

// A part of a widget that is no widget of its own (a list's row, a bar's tab), as assistive
// tools meet it: a child of the widget's element, with no children, and actions. What it
// reads and does is the subclass's.
class EntryAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    EntryAccessible(QWidget* owner, int index) : m_owner(owner), m_index(index) {}

    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}
    void* interface_cast(QAccessible::InterfaceType type) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

protected:
    QWidget* owner() const { return m_owner; }
    int index() const { return m_index; }

private:
    QPointer<QWidget> m_owner;
    int m_index;
};

// The element of a widget whose children are its entries: made when first asked for, kept
// registered while the element lives.
class EntryListAccessible : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;
    ~EntryListAccessible() override;

    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

protected:
    virtual EntryAccessible* makeEntry(int index) const = 0;

private:
    mutable QList<QAccessible::Id> m_entries;
};
