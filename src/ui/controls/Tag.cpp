#include "ui/controls/Tag.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "ui/controls/Theme.h"

namespace {

constexpr double kPadX = 6;
constexpr double kPadY = 2;

QFont tagFont() {
    return Theme::capsFont(9, QFont::Bold, 0.5);
}

}  // namespace

Tag::Tag(const QString& text, const QColor& colour, QWidget* parent) : QLabel(parent), m_colour(colour) {
    setTextFormat(Qt::PlainText);
    setText(text);
    setFont(tagFont());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Tag::setColor(const QColor& colour) {
    m_colour = colour;
    update();
}

QSize Tag::sizeHint() const {
    const QFontMetricsF metrics(font());
    return QSize(int(std::ceil(metrics.horizontalAdvance(text()) + 2 * kPadX)),
                 int(std::ceil(metrics.height() + 2 * kPadY)));
}

void Tag::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Theme::fillCapsule(painter, rect(), Theme::withOpacity(m_colour, 0.18));
    painter.setPen(m_colour);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, text());
}
