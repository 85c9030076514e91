#include "ui/controls/FlatButton.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "ui/controls/Theme.h"

namespace {

constexpr double kSymbolGap = 3;

}  // namespace

FlatButton::FlatButton(const QString& text, const QFont& font, int height, QWidget* parent)
    : QAbstractButton(parent), m_height(height) {
    setText(text);
    setFont(font);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void FlatButton::setLook(const Look& look) {
    m_look = look;
    update();
}

void FlatButton::setSymbol(std::optional<Symbol> symbol, double px) {
    m_symbol = symbol;
    m_symbolPx = px;
    updateGeometry();
    update();
}

QSize FlatButton::sizeHint() const {
    const double symbol = m_symbol ? kSymbolGap + m_symbolPx : 0;
    return QSize(int(std::ceil(QFontMetricsF(font()).horizontalAdvance(text()) + symbol + 12)), m_height);
}

QSize FlatButton::minimumSizeHint() const {
    return QSize(10, m_height);
}

void FlatButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF face = rect();
    QColor fill = m_look.fill;
    if (isDown()) fill = fill.lighter(140);
    Theme::fillRoundedRect(painter, face, m_look.radius, fill);
    if (m_look.border.isValid()) Theme::strokeRoundedRectInside(painter, face, m_look.radius, m_look.border);

    const QColor ink = isEnabled() ? m_look.text : Theme::withOpacity(m_look.text, 0.4);
    // A face too narrow for its text shrinks the text (to 70 % at most) before cutting it.
    QFont textFont = font();
    const double symbolWidth = m_symbol ? kSymbolGap + m_symbolPx : 0;
    double textWidth = QFontMetricsF(textFont).horizontalAdvance(text());
    const double room = width() - 4 - symbolWidth;
    if (textWidth > room && textWidth > 0) {
        textFont.setPixelSize(qMax(1, int(textFont.pixelSize() * qMax(0.7, room / textWidth))));
        textWidth = QFontMetricsF(textFont).horizontalAdvance(text());
    }
    painter.setFont(textFont);
    painter.setPen(ink);
    const double left = face.center().x() - (textWidth + symbolWidth) / 2;
    painter.drawText(QRectF(left, 0, textWidth + 1, face.height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    if (m_symbol) {
        const QRectF box(left + textWidth + kSymbolGap, face.center().y() - m_symbolPx / 2, m_symbolPx,
                         m_symbolPx);
        paintSymbol(painter, *m_symbol, box, ink);
    }
}
