#pragma once

#include <Qt>

namespace arrowkeys {

// How far an arrow key moves a value (the fader, a knob): up and right raise it, down and
// left lower it; 0 for any other key.
inline int valueStep(int key) {
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Right:
            return +1;
        case Qt::Key_Down:
        case Qt::Key_Left:
            return -1;
        default:
            return 0;
    }
}

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

}  // namespace arrowkeys
