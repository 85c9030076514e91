#pragma once

#include <QColor>
#include <QIcon>

class QLabel;
class QPainter;
class QRectF;
class QWidget;

// Our own small set of symbols, painted as paths: symbol fonts are not
// reliable on every desktop.
enum class Symbol {
    sliderHorizontal3,
    chevronDown,
    minus,
    plus,
    speakerSlashFill,
    speakerWave2Fill,
    arrowDownToLine,
    sliderVertical3,
    squareGrid3x3,
    waveform,
    squareStack3dUp,
    waveformMagnifier,
    infoCircle,
    terminal,
    waveformPathEcg,
    network,
    cableConnector,
    squareAndArrowDown,
    squareAndArrowUp,
    waveformPath,
    arrowRight,
    arrowTurnDownRight,
    lockFill,
    exclamationTriangleFill,
    hifispeaker,
};

// Paints the symbol centred in the box, scaled to its smaller side.
void paintSymbol(QPainter& painter, Symbol symbol, const QRectF& box, const QColor& colour);

QIcon symbolIcon(Symbol symbol, const QColor& colour, int px);

// A label showing the symbol at px × px, as an icon beside a text.
QLabel* symbolLabel(Symbol symbol, const QColor& colour, int px, QWidget* parent = nullptr);
