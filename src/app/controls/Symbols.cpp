#include "app/controls/Symbols.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>

namespace {

// Every symbol is drawn on a 16 x 16 grid and scaled into its box.
constexpr double kGrid = 16;

QPen linePen(const QColor& colour, double width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void paintSliders(QPainter& p, const QColor& c) {
    p.setPen(linePen(c, 1.4));
    const double knobs[] = {10, 5, 8};
    for (int row = 0; row < 3; ++row) {
        const double y = 3.5 + row * 4.5;
        p.drawLine(QPointF(2, y), QPointF(14, y));
        p.setBrush(c);
        p.drawEllipse(QPointF(knobs[row], y), 1.6, 1.6);
    }
}

void paintSpeaker(QPainter& p, const QColor& c) {
    QPainterPath body;
    body.moveTo(1.5, 6);
    body.lineTo(4.5, 6);
    body.lineTo(8.5, 2.5);
    body.lineTo(8.5, 13.5);
    body.lineTo(4.5, 10);
    body.lineTo(1.5, 10);
    body.closeSubpath();
    p.fillPath(body, c);
}

void paintSymbolOnGrid(QPainter& p, Symbol symbol, const QColor& c) {
    p.setBrush(Qt::NoBrush);
    switch (symbol) {
        case Symbol::sliderHorizontal3:
            paintSliders(p, c);
            break;
        case Symbol::chevronDown:
            p.setPen(linePen(c, 2.2));
            p.drawPolyline(QPolygonF({QPointF(3, 5.5), QPointF(8, 10.5), QPointF(13, 5.5)}));
            break;
        case Symbol::minus:
            p.setPen(linePen(c, 2));
            p.drawLine(QPointF(3, 8), QPointF(13, 8));
            break;
        case Symbol::plus:
            p.setPen(linePen(c, 2));
            p.drawLine(QPointF(3, 8), QPointF(13, 8));
            p.drawLine(QPointF(8, 3), QPointF(8, 13));
            break;
        case Symbol::speakerSlashFill:
            paintSpeaker(p, c);
            p.setPen(linePen(c, 1.5));
            p.drawLine(QPointF(10.5, 5.5), QPointF(15, 10.5));
            p.drawLine(QPointF(15, 5.5), QPointF(10.5, 10.5));
            break;
        case Symbol::speakerWave2Fill:
            paintSpeaker(p, c);
            p.setPen(linePen(c, 1.3));
            p.drawArc(QRectF(6.5, 5, 5, 6), -60 * 16, 120 * 16);
            p.drawArc(QRectF(6, 2.5, 9, 11), -60 * 16, 120 * 16);
            break;
        case Symbol::arrowDownToLine:
            p.setPen(linePen(c, 1.6));
            p.drawLine(QPointF(8, 2), QPointF(8, 10.5));
            p.drawPolyline(QPolygonF({QPointF(4, 7), QPointF(8, 11), QPointF(12, 7)}));
            p.drawLine(QPointF(3, 14), QPointF(13, 14));
            break;
    }
}

}  // namespace

void paintSymbol(QPainter& painter, Symbol symbol, const QRectF& box, const QColor& colour) {
    const double side = std::min(box.width(), box.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    painter.scale(side / kGrid, side / kGrid);
    paintSymbolOnGrid(painter, symbol, colour);
    painter.restore();
}

QIcon symbolIcon(Symbol symbol, const QColor& colour, int px) {
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(px * scale, px * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paintSymbol(painter, symbol, QRectF(0, 0, px, px), colour);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
