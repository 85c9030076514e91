#include "ui/controls/Palette.h"

QColor Palette::makeRGB(double red, double green, double blue) {
    return QColor::fromRgbF(red, green, blue, 1.0);
}

QColor Palette::makeGrey(double white) {
    return makeRGB(white, white, white);
}

const QColor& Palette::green() {
    static const QColor colour = makeRGB(0.25, 0.78, 0.42);
    return colour;
}

const QColor& Palette::red() {
    static const QColor colour = makeRGB(0.95, 0.27, 0.25);
    return colour;
}

const QColor& Palette::inputBlue() {
    static const QColor colour = makeRGB(0.3, 0.68, 1.0);
    return colour;
}

const QColor& Palette::outputAmber() {
    static const QColor colour = makeRGB(1.0, 0.64, 0.2);
    return colour;
}

const QColor& Palette::stroke() {
    static const QColor colour = QColor::fromRgbF(1.0, 1.0, 1.0, 0.07);
    return colour;
}

const QColor& Palette::panelFill() {
    static const QColor colour = makeGrey(0.135);
    return colour;
}

const QColor& Palette::trackFill() {
    static const QColor colour = makeGrey(0.065);
    return colour;
}
