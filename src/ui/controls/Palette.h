#pragma once

#include <QColor>

// The console's seven shared colours. Each is built once on first use and
// then shared; none ever changes.
struct Palette {
    static const QColor& green();
    static const QColor& red();
    static const QColor& inputBlue();
    static const QColor& outputAmber();
    static const QColor& stroke();
    static const QColor& panelFill();
    static const QColor& trackFill();

    // An opaque sRGB colour from components 0...1.
    static QColor makeRGB(double red, double green, double blue);
    // An opaque sRGB grey: red = green = blue = the white level.
    static QColor makeGrey(double white);

    // Inputs (0-3) are blue, outputs (4-11) amber.
    static const QColor& channel(int ch) { return ch < 4 ? inputBlue() : outputAmber(); }
};
