#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QAbstractButton;
class QAction;
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

// Where a menu opened by keys starts: a menu of one choice (every entry in an exclusive
// group) on its current choice, so that Return at once keeps what is set; any other menu,
// and one with nothing chosen, on its first entry that can be chosen.
QAction* startingEntry(const QMenu& menu);

// A menu whose items carry no mark of the current choice (its button's face shows it) still
// opens on it: `current` is where it starts.
void setUnmarkedChoice(QMenu& menu, const QAction* current);

// Puts the keys, and with them an assistive tool's focus, on the menu's current choice, or
// without one on its first item that can be chosen.
void startAtCurrentItem(QMenu& menu);
