#pragma once

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
