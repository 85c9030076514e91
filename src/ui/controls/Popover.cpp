#include "ui/controls/Popover.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

// The start of a span of `length` inside [low, high), as close to `wanted` as it fits.
int clampSpan(int wanted, int length, int low, int high) {
    return std::max(low, std::min(wanted, high - length));
}

}  // namespace

QPoint popoverPosition(const QRect& anchor, const QSize& size, const QRect& available, int gap) {
    const int right = available.left() + available.width();
    const int bottom = available.top() + available.height();
    const int x =
        clampSpan(anchor.left() + (anchor.width() - size.width()) / 2, size.width(), available.left(), right);
    const int below = anchor.top() + anchor.height() + gap;
    const int above = anchor.top() - gap - size.height();
    int y = below;
    if (below + size.height() > bottom) {
        // No room below: above when it fits there, else on the side with more room.
        const bool aboveFits = above >= available.top();
        const bool moreRoomAbove = anchor.top() - available.top() > bottom - (anchor.top() + anchor.height());
        y = aboveFits || moreRoomAbove ? above : below;
    }
    return {x, clampSpan(y, size.height(), available.top(), bottom)};
}

void placePopover(QWidget& popup, const QWidget& anchor, int gap) {
    const QRect anchorRect(anchor.mapToGlobal(QPoint(0, 0)), anchor.size());
    QScreen* screen = anchor.screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(anchorRect.topLeft(), popup.size());
    popup.move(popoverPosition(anchorRect, popup.size(), available, gap));
}

namespace {

constexpr char unmarkedChoiceProperty[] = "unmarkedChoice";

}  // namespace

void setUnmarkedChoice(QMenu& menu, const QAction* current) {
    for (QAction* action : menu.actions()) action->setProperty(unmarkedChoiceProperty, action == current);
}

QAction* startingEntry(const QMenu& menu) {
    for (QAction* action : menu.actions())
        if (action->property(unmarkedChoiceProperty).toBool() && action->isEnabled() && action->isVisible())
            return action;
    QAction* first = nullptr;
    QAction* chosen = nullptr;
    for (QAction* action : menu.actions()) {
        if (!action->isEnabled() || !action->isVisible() || action->isSeparator()) continue;
        if (!first) first = action;
        const QActionGroup* choices = action->actionGroup();
        if (!choices || !choices->isExclusive()) return first;  // not a menu of one choice
        if (action->isChecked()) chosen = action;
    }
    return chosen ? chosen : first;
}

void startAtCurrentItem(QMenu& menu) {
    if (QAction* start = startingEntry(menu)) menu.setActiveAction(start);
}
