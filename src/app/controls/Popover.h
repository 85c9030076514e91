#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QAbstractButton;
class QMenu;
class QWidget;

// Where a popover of `size` opens for an anchor (both in screen coordinates):
// centred below the anchor, above it when the available area has no room below,
// and always inside the available area, moved sideways or overlapping the
// anchor when it must.
QPoint popoverPosition(const QRect& anchor, const QSize& size, const QRect& available, int gap);

// Moves a popup window to its place beside the widget it belongs to, inside the
// available area of that widget's screen.
void placePopover(QWidget& popup, const QWidget& anchor, int gap = 4);

// A button that opens a popover, and the popover (a popup window, the anchor's child).
// Assistive tools find the anchor as a button with a popup whose one child, while it is
// open, is the popover; its actions click the button. Popup windows are no children of the
// application's element, so without this an open popover is nowhere in the tree. Each is
// called first thing in the widget's constructor: Qt makes a widget's element the first
// time anything about the widget changes, and keeps it.
void makePopoverAnchor(QAbstractButton& anchor);
void makePopover(QWidget& popup);

// Shows a popover in its place with the keyboard focus on its first control, as a menu
// takes the keys when it opens. When it closes, the window's focus is where it was before.
void showPopover(QWidget& popup, const QWidget& anchor, int gap = 4);

// Puts the keys, and with them an assistive tool's focus, on the menu's current choice, or
// without one on its first item that can be chosen.
void startAtCurrentItem(QMenu& menu);

// A menu that a button opens takes the keys as a popover does: opened from the keyboard it
// starts at its current choice. While open it is a child of the application's element (see
// ownMenu), and it is deleted with the button.
void makePopoverMenu(QMenu& menu, QAbstractButton& anchor);
