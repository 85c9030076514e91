#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Where a popover of `size` opens for an anchor (both in screen coordinates):
// centred below the anchor, above it when the available area has no room below,
// and always inside the available area, moved sideways or overlapping the
// anchor when it must.
QPoint popoverPosition(const QRect& anchor, const QSize& size, const QRect& available, int gap);

// Moves a popup window to its place beside the widget it belongs to, inside the
// available area of that widget's screen.
void placePopover(QWidget& popup, const QWidget& anchor, int gap = 4);
