#pragma once

#include <QList>
#include <Qt>

class QAbstractButton;
class QEvent;
class QObject;

namespace arrowkeys {

// How far an arrow key moves along a row of choices: left and up go back, right and down
// go on; 0 for any other key.
inline int choiceStep(int key) {
    switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            return -1;
        case Qt::Key_Right:
        case Qt::Key_Down:
            return +1;
        default:
            return 0;
    }
}

// For a row of exclusive choices that watches its buttons' events, the keys of one radio
// group:
// - an arrow pressed on one of them presses the nearest enabled neighbour that way, with the
//   focus, as a click does, and stops at either end;
// - the row is one Tab stop: Tab reaches the chosen button (the first when none is chosen)
//   and leaves the row from there.
// True when the event was used up.
bool workChoiceRow(const QList<QAbstractButton*>& row, QObject* watched, QEvent* event);

}  // namespace arrowkeys
