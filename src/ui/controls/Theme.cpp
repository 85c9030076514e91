#include "ui/controls/Theme.h"

#include "ui/controls/Palette.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QStyleFactory>
#include <algorithm>

namespace {

constexpr const char* kUIFamily = "Inter";
constexpr const char* kMonoFamily = "DejaVu Sans Mono";

QPalette darkPalette() {
    QPalette palette;
    const QColor window = Palette::makeGrey(0.118);
    const QColor base = Palette::makeGrey(0.16);
    const QColor text = Theme::primaryText();
    const QColor highlight(10, 132, 255);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, Palette::makeGrey(0.2));
    palette.setColor(QPalette::ToolTipBase, Palette::makeGrey(0.22));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, Theme::secondaryText());
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, Palette::makeGrey(0.24));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Theme::systemRed());
    palette.setColor(QPalette::Light, Palette::makeGrey(0.3));
    palette.setColor(QPalette::Midlight, Palette::makeGrey(0.25));
    palette.setColor(QPalette::Mid, Palette::makeGrey(0.18));
    palette.setColor(QPalette::Dark, Palette::makeGrey(0.08));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, highlight);
    const QColor disabledText = Theme::white(0.3);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Text, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, Palette::makeGrey(0.3));
    return palette;
}

}  // namespace

void Theme::apply(QApplication& application) {
    application.setStyle(QStyleFactory::create("Fusion"));
    application.setPalette(darkPalette());
    application.setFont(font(bodyPx));
}

QFont Theme::font(double px, QFont::Weight weight) {
    QFont f(kUIFamily);
    f.setPixelSize(std::max(1, qRound(px)));
    f.setWeight(weight);
    // Fractional sizes (7.5 px labels) keep their size through the point size.
    if (px != qRound(px)) f.setPointSizeF(px * 72.0 / 96.0);
    return f;
}

QFont Theme::monoFont(double px, QFont::Weight weight) {
    QFont f = font(px, weight);
    f.setFamily(kMonoFamily);
    f.setStyleHint(QFont::Monospace);
    return f;
}

QFont Theme::capsFont(double px, QFont::Weight weight, double letterSpacing) {
    QFont f = font(px, weight);
    f.setCapitalization(QFont::AllUppercase);
    f.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return f;
}

QColor Theme::systemRed() {
    return QColor(255, 69, 58);
}
QColor Theme::systemOrange() {
    return QColor(255, 159, 10);
}
QColor Theme::systemPurple() {
    return QColor(191, 90, 242);
}
QColor Theme::systemGrey() {
    return QColor(152, 152, 157);
}
QColor Theme::primaryText() {
    return white(0.85);
}
QColor Theme::secondaryText() {
    return white(0.55);
}

QColor Theme::withOpacity(QColor colour, double opacity) {
    colour.setAlphaF(colour.alphaF() * opacity);
    return colour;
}

QPainterPath Theme::roundedRect(const QRectF& rect, double radius) {
    QPainterPath path;
    const double r = std::min({radius, rect.width() / 2, rect.height() / 2});
    path.addRoundedRect(rect, r, r);
    return path;
}

QPainterPath Theme::capsule(const QRectF& rect) {
    return roundedRect(rect, std::min(rect.width(), rect.height()) / 2);
}

void Theme::fillRoundedRect(QPainter& painter, const QRectF& rect, double radius, const QBrush& brush) {
    painter.fillPath(roundedRect(rect, radius), brush);
}

void Theme::strokeRoundedRectInside(QPainter& painter, const QRectF& rect, double radius,
                                    const QColor& colour, double width) {
    const double inset = width / 2;
    const QRectF inner = rect.adjusted(inset, inset, -inset, -inset);
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour, width));
    painter.drawPath(roundedRect(inner, std::max(0.0, radius - inset)));
    painter.restore();
}

void Theme::fillCapsule(QPainter& painter, const QRectF& rect, const QBrush& brush) {
    painter.fillPath(capsule(rect), brush);
}

void Theme::paintShadow(QPainter& painter, const QPainterPath& shape, const QColor& colour, double radius,
                        double dx, double dy) {
    const int layers = std::max(1, qRound(radius * 2));
    painter.save();
    painter.translate(dx, dy);
    QColor layer = colour;
    layer.setAlphaF(colour.alphaF() / layers);
    for (int i = layers; i >= 1; --i) {
        const double grow = radius * i / layers;
        painter.setPen(QPen(layer, grow * 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(shape);
    }
    painter.fillPath(shape, layer);
    painter.restore();
}
