#include "editor/FIRResponseGraph.h"

#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cmath>
#include <numbers>

#include "editor/EditorKit.h"
#include "ui/controls/Palette.h"
#include "ui/controls/Theme.h"

FIRResponseGraph::FIRResponseGraph(double fMin, double fMax, double height, QWidget* parent)
    : QWidget(parent), m_fMin(fMin), m_fMax(fMax) {
    setMinimumWidth(300);
    setFixedHeight(int(height));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCoefficients({});
}

double FIRResponseGraph::frequency(int i) const {
    return m_fMin * std::pow(m_fMax / m_fMin, double(i) / (curvePoints - 1));
}

double FIRResponseGraph::levelAt(const QList<float>& coefficients, double hz) {
    const double w = 2 * std::numbers::pi * hz / 48000;
    double re = 0;
    double im = 0;
    for (qsizetype n = 0; n < coefficients.size(); ++n) {
        re += double(coefficients[n]) * std::cos(w * double(n));
        im -= double(coefficients[n]) * std::sin(w * double(n));
    }
    return 20 * std::log10(std::max(std::hypot(re, im), 1e-9));
}

void FIRResponseGraph::setCoefficients(const QList<float>& coefficients) {
    m_levels.resize(curvePoints);
    for (int i = 0; i < curvePoints; ++i) m_levels[i] = levelAt(coefficients, frequency(i));
    update();
}

double FIRResponseGraph::xPosition(double hz) const {
    return width() * std::log10(hz / m_fMin) / std::log10(m_fMax / m_fMin);
}

double FIRResponseGraph::yPosition(double dB) const {
    double t = dB / -60;
    t = std::isnan(t) ? 0 : std::clamp(t, 0.0, 1.0);
    return 10 + t * (height() - 30);
}

void FIRResponseGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double h = height();
    Theme::fillRoundedRect(painter, rect(), 8, Palette::trackFill());
    editorkit::paintFrequencyGrid(
        painter, [this](double hz) { return xPosition(hz); }, h);
    for (int dB : {0, -20, -40})
        painter.drawText(QRectF(14 - 20, yPosition(dB) + 7 - 8, 40, 16), Qt::AlignCenter,
                         QString::number(dB));
    QPainterPath curve;
    for (int i = 0; i < curvePoints; ++i) {
        const QPointF p(xPosition(frequency(i)), yPosition(m_levels[i]));
        if (i == 0)
            curve.moveTo(p);
        else
            curve.lineTo(p);
    }
    painter.setPen(QPen(Palette::green(), 2));
    painter.drawPath(curve);
}
