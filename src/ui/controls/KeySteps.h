#pragma once

#include <Qt>

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
