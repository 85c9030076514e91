#pragma once

#include <optional>

class QApplication;
class QObject;
class QWidget;

// Qt's accessibility cache drops an object's element when the object emits destroyed(), and a
// widget emits it before it deletes its children: anything asked of the widget while its
// children go (a focus or hide event on its way to the desktop's bridge) would otherwise make
// an element that nothing removes, keyed by an address the next widget takes. A widget is
// picked out for its own element by a mark (a dynamic property); the mark goes with destroyed(),
// so no element is made for a widget on its way out. Idempotent.
void markForAccessibility(QObject& object, const char* mark);

// A part of the window taken down (a page left, a control replaced) lives on until the event
// loop deletes it. Until then assistive tools may still hold its elements: they are dropped
// from the cache, so a request on one finds nothing, and the part is disabled, so nothing
// reached by walking the tree again acts or writes.
void retireFromAccessibility(QWidget& part);

// An element with an interface that only some states of its control can give (a value once
// the setting is read, editing while the field takes text). An assistive client learns an
// element's interfaces once and keeps them, so the element gives what it first told for its
// whole life; when its control's state asks for another set, the element is replaced by a
// new one and the tree announces the change (the old one removed, the new one added), so a
// running screen reader drops the old element and learns the new one.
class RenewableElement {
public:
    explicit RenewableElement(QWidget& control);
    virtual ~RenewableElement();
    RenewableElement(const RenewableElement&) = delete;
    RenewableElement& operator=(const RenewableElement&) = delete;

    // The element told one set and its control's state now asks for the other.
    bool outgrown() const { return m_told && *m_told != givesNow(); }

protected:
    // Whether the element gives its state's interface: fixed the first time anyone asks.
    bool gives() const;
    // Whether the control's present state gives the interface.
    virtual bool givesNow() const = 0;

private:
    QWidget& m_control;
    mutable std::optional<bool> m_told;
};

// Watches each control with a renewable element, from the element's making, for the changes of
// state that can change its set (enabled, read-only, read or not, shown) and renews the outgrown
// elements once the event loop has finished the change (a tool's request may be what changed
// it). Idempotent; made before any element is.
void renewOutgrownElements(QApplication& application);
