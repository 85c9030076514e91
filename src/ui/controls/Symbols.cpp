#include "ui/controls/Symbols.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <cmath>

#include "ui/controls/PlainText.h"

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

void paintWave(QPainter& p, const QColor& c, double left, double right, double mid, double amplitude) {
    p.setPen(linePen(c, 1.4));
    QPainterPath wave;
    wave.moveTo(left, mid);
    const int steps = 24;
    for (int i = 1; i <= steps; ++i) {
        const double x = left + (right - left) * i / steps;
        const double phase = 2 * 3.14159265358979 * 2 * i / steps;
        wave.lineTo(x, mid - amplitude * std::sin(phase));
    }
    p.drawPath(wave);
}

// An open tray with an arrow into it (down) or out of it (up).
void paintTrayArrow(QPainter& p, const QColor& c, bool down) {
    p.setPen(linePen(c, 1.4));
    p.drawPolyline(QPolygonF({QPointF(5, 6.5), QPointF(2.5, 6.5), QPointF(2.5, 14.5), QPointF(13.5, 14.5),
                              QPointF(13.5, 6.5), QPointF(11, 6.5)}));
    p.drawLine(QPointF(8, 1.5), QPointF(8, 10.5));
    if (down)
        p.drawPolyline(QPolygonF({QPointF(5, 7.5), QPointF(8, 10.5), QPointF(11, 7.5)}));
    else
        p.drawPolyline(QPolygonF({QPointF(5, 4.5), QPointF(8, 1.5), QPointF(11, 4.5)}));
}

// Bars of different heights, as a level trace.
void paintWaveformBars(QPainter& p, const QColor& c) {
    p.setPen(linePen(c, 1.4));
    const double heights[] = {3, 7, 11, 6, 9, 4};
    for (int i = 0; i < 6; ++i) {
        const double x = 2.5 + i * 2.2;
        p.drawLine(QPointF(x, 8 - heights[i] / 2), QPointF(x, 8 + heights[i] / 2));
    }
}

void paintPageSymbol(QPainter& p, Symbol symbol, const QColor& c) {
    switch (symbol) {
        case Symbol::sliderVertical3: {
            p.setPen(linePen(c, 1.4));
            const double knobs[] = {5, 10, 7};
            for (int column = 0; column < 3; ++column) {
                const double x = 3.5 + column * 4.5;
                p.drawLine(QPointF(x, 2), QPointF(x, 14));
                p.setBrush(c);
                p.drawEllipse(QPointF(x, knobs[column]), 1.6, 1.6);
            }
            break;
        }
        case Symbol::squareGrid3x3:
            p.setPen(linePen(c, 1.2));
            for (int row = 0; row < 3; ++row)
                for (int column = 0; column < 3; ++column)
                    p.drawRect(QRectF(2 + column * 4.3, 2 + row * 4.3, 3.4, 3.4));
            break;
        case Symbol::waveform:
            paintWave(p, c, 1.5, 14.5, 8, 5);
            break;
        case Symbol::squareStack3dUp:
            p.setPen(linePen(c, 1.3));
            for (int layer = 0; layer < 3; ++layer) {
                const double y = 3 + layer * 3.5;
                p.drawPolygon(
                    QPolygonF({QPointF(8, y), QPointF(14, y + 2.5), QPointF(8, y + 5), QPointF(2, y + 2.5)}));
            }
            break;
        case Symbol::waveformMagnifier:
            paintWave(p, c, 1, 10, 6.5, 4);
            p.setPen(linePen(c, 1.4));
            p.drawEllipse(QPointF(10.5, 10.5), 3, 3);
            p.drawLine(QPointF(12.7, 12.7), QPointF(15, 15));
            break;
        case Symbol::infoCircle:
            p.setPen(linePen(c, 1.3));
            p.drawEllipse(QPointF(8, 8), 6.3, 6.3);
            p.drawLine(QPointF(8, 7), QPointF(8, 11.5));
            p.setBrush(c);
            p.drawEllipse(QPointF(8, 4.6), 0.8, 0.8);
            break;
        case Symbol::terminal:
            p.setPen(linePen(c, 1.3));
            p.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 2, 2);
            p.drawPolyline(QPolygonF({QPointF(4.5, 6), QPointF(7, 8), QPointF(4.5, 10)}));
            p.drawLine(QPointF(8.5, 10.5), QPointF(11.5, 10.5));
            break;
        case Symbol::waveformPathEcg:
            p.setPen(linePen(c, 1.4));
            p.drawPolyline(QPolygonF({QPointF(1, 9), QPointF(4.5, 9), QPointF(6, 4), QPointF(8, 13),
                                      QPointF(10, 6), QPointF(11.5, 9), QPointF(15, 9)}));
            break;
        case Symbol::network:
            p.setPen(linePen(c, 1.2));
            p.drawEllipse(QPointF(8, 8), 6.3, 6.3);
            p.drawEllipse(QRectF(5, 1.7, 6, 12.6));
            p.drawLine(QPointF(1.7, 8), QPointF(14.3, 8));
            p.drawLine(QPointF(8, 1.7), QPointF(8, 14.3));
            break;
        case Symbol::cableConnector:
            p.setPen(linePen(c, 1.3));
            p.drawRoundedRect(QRectF(4, 5, 8, 6), 1.2, 1.2);
            p.drawLine(QPointF(6, 5), QPointF(6, 2));
            p.drawLine(QPointF(10, 5), QPointF(10, 2));
            p.drawLine(QPointF(8, 11), QPointF(8, 15));
            break;
        case Symbol::squareAndArrowDown:
            paintTrayArrow(p, c, true);
            break;
        case Symbol::squareAndArrowUp:
            paintTrayArrow(p, c, false);
            break;
        case Symbol::waveformPath:
            paintWaveformBars(p, c);
            break;
        default:
            break;
    }
}

void paintLock(QPainter& p, const QColor& c) {
    p.setPen(linePen(c, 1.6));
    p.drawArc(QRectF(5, 2, 6, 8), 0, 180 * 16);
    p.drawLine(QPointF(5, 6), QPointF(5, 7.5));
    p.drawLine(QPointF(11, 6), QPointF(11, 7.5));
    QPainterPath body;
    body.addRoundedRect(QRectF(3.5, 7.5, 9, 7), 1.5, 1.5);
    p.fillPath(body, c);
}

void paintWarning(QPainter& p, const QColor& c) {
    QPainterPath triangle;
    triangle.moveTo(8, 1.5);
    triangle.lineTo(15, 14);
    triangle.lineTo(1, 14);
    triangle.closeSubpath();
    QPainterPath mark;
    mark.addRoundedRect(QRectF(7.2, 5.5, 1.6, 5), 0.8, 0.8);
    mark.addEllipse(QPointF(8, 12), 0.9, 0.9);
    p.fillPath(triangle.subtracted(mark), c);
}

void paintHifiSpeaker(QPainter& p, const QColor& c) {
    p.setPen(linePen(c, 1.3));
    p.drawRoundedRect(QRectF(3.5, 1.5, 9, 13), 1.5, 1.5);
    p.drawEllipse(QPointF(8, 5), 1.3, 1.3);
    p.drawEllipse(QPointF(8, 10.5), 2.5, 2.5);
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
        case Symbol::arrowRight:
            p.setPen(linePen(c, 1.6));
            p.drawLine(QPointF(2.5, 8), QPointF(13, 8));
            p.drawPolyline(QPolygonF({QPointF(9, 4), QPointF(13, 8), QPointF(9, 12)}));
            break;
        case Symbol::arrowTurnDownRight:
            p.setPen(linePen(c, 1.6));
            p.drawPolyline(QPolygonF({QPointF(3.5, 2.5), QPointF(3.5, 10), QPointF(13, 10)}));
            p.drawPolyline(QPolygonF({QPointF(9.5, 6.5), QPointF(13, 10), QPointF(9.5, 13.5)}));
            break;
        case Symbol::lockFill:
            paintLock(p, c);
            break;
        case Symbol::exclamationTriangleFill:
            paintWarning(p, c);
            break;
        case Symbol::hifispeaker:
            paintHifiSpeaker(p, c);
            break;
        default:
            paintPageSymbol(p, symbol, c);
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

QLabel* symbolLabel(Symbol symbol, const QColor& colour, int px, QWidget* parent) {
    auto* label = new PlainLabel(parent);
    label->setPixmap(symbolIcon(symbol, colour, px).pixmap(px, px));
    return label;
}
