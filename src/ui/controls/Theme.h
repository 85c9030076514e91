#pragma once

#include <QColor>
#include <QFont>
#include <QPainterPath>

class QApplication;
class QBrush;
class QPainter;
class QRectF;

// The console's one dark look: fonts in pixels, the platform colours as fixed
// dark values, and the few painting helpers every control shares.
class Theme {
public:
    Theme() = delete;

    // Text styles, in pixels.
    static constexpr double bodyPx = 13;
    static constexpr double calloutPx = 12;
    static constexpr double captionPx = 10;
    static constexpr double caption2Px = 10;
    static constexpr double headlinePx = 13;

    // Fusion style, the dark palette and the UI font for the whole application.
    static void apply(QApplication& application);

    static QFont font(double px, QFont::Weight weight = QFont::Normal);
    static QFont monoFont(double px, QFont::Weight weight = QFont::Normal);
    // Upper-cased with a letter spacing in pixels: panel labels, headings, tags.
    static QFont capsFont(double px, QFont::Weight weight, double letterSpacing);
    static QFont headlineFont() { return font(headlinePx, QFont::DemiBold); }

    // Platform colours, fixed to their dark-appearance values.
    static QColor systemRed();
    static QColor systemOrange();
    static QColor systemGrey();
    static QColor systemPurple();
    static QColor primaryText();
    static QColor secondaryText();
    static QColor white(double opacity) { return QColor::fromRgbF(1, 1, 1, opacity); }
    static QColor black(double opacity) { return QColor::fromRgbF(0, 0, 0, opacity); }
    static QColor withOpacity(QColor colour, double opacity);

    // Shapes. Rounded rectangles and capsules are filled over the whole rect;
    // strokes lie inside the edge (the path is inset by half the line width).
    static QPainterPath roundedRect(const QRectF& rect, double radius);
    static QPainterPath capsule(const QRectF& rect);
    static void fillRoundedRect(QPainter& painter, const QRectF& rect, double radius, const QBrush& brush);
    static void strokeRoundedRectInside(QPainter& painter, const QRectF& rect, double radius,
                                        const QColor& colour, double width = 1);
    static void fillCapsule(QPainter& painter, const QRectF& rect, const QBrush& brush);
    // A soft drop shadow under a shape: a few widening translucent copies.
    static void paintShadow(QPainter& painter, const QPainterPath& shape, const QColor& colour, double radius,
                            double dx, double dy);
};
