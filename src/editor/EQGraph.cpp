#include "editor/EQGraph.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <bit>
#include <cmath>

#include "editor/EQResponse.h"
#include "editor/EditorKit.h"
#include "link/DSPModel.h"
#include "link/ParamMap.h"
#include "ui/controls/Palette.h"
#include "ui/controls/Theme.h"

namespace {}  // namespace

EQGraph::EQGraph(DSPModel& model, int ch, double fMin, double fMax, double dbRange, QWidget* parent)
    : QWidget(parent), m_model(model), m_ch(ch), m_fMin(fMin), m_fMax(fMax), m_dbRange(dbRange) {
    setMinimumSize(200, 100);
    setToolTip(
        tr("Drag a numbered marker to change its band's frequency and gain; click it to select the band"));
    refresh();
}

void EQGraph::refresh() {
    const EQResponse response = EQResponse::read(m_model, m_ch);
    m_levels.clear();
    if (response.complete()) {
        m_levels.resize(curvePoints);
        for (int i = 0; i < curvePoints; ++i)
            m_levels[i] = response.at(m_fMin * std::pow(m_fMax / m_fMin, double(i) / (curvePoints - 1)));
    }
    const int count = ParamMap::isInput(m_ch) ? ParamMap::inputEQBands : ParamMap::outputEQBands;
    m_markers.clear();
    for (int b = 0; b < count; ++b) {
        const quint32 number = ParamMap::eqBandParam(m_ch, b);
        const DSPModel::Words w = m_model.words(number, 4);
        m_markers.append(
            {double(w[0]), double(std::bit_cast<float>(w[1])), !(w[3] & 0x100), m_model.holds(number)});
    }
    m_background.invalidate();
    update();
}

double EQGraph::responseAt(double hz) const {
    return EQResponse::read(m_model, m_ch).at(hz);
}

void EQGraph::setSelected(int band) {
    if (band == m_selected) return;
    m_selected = band;
    update();
}

void EQGraph::select(int band) {
    setSelected(band);
    Q_EMIT selectedChanged(band);
}

double EQGraph::xPosition(double hz) const {
    return width() * std::log10(hz / m_fMin) / std::log10(m_fMax / m_fMin);
}

double EQGraph::yPosition(double dB) const {
    const double half = height() / 2.0;
    return half - dB * half / m_dbRange;
}

QPointF EQGraph::markerCentre(int band) const {
    const Marker& m = m_markers[band];
    return {xPosition(std::max(m.freq, 20.0)), yPosition(m.gain)};
}

void EQGraph::dragBand(int band, QPointF pointer) {
    select(band);
    if (width() <= 0 || height() <= 0) return;  // no plot to map the pointer onto
    const quint32 number = ParamMap::eqBandParam(m_ch, band);
    // A band the device never reported has no Q or type to keep: it is not dragged.
    std::optional<DSPModel::Words> held = m_model.heldWords(number, 4);
    if (!held) return;
    DSPModel::Words& words = *held;
    const double w = width();
    const double half = height() / 2.0;
    const double u = std::clamp(pointer.x(), 0.0, w) / w;
    const double f = m_fMin * std::pow(m_fMax / m_fMin, u);
    DSPModel::Band edited;
    edited.freq = std::clamp<qint64>(qint64(f), 20, 22000);
    edited.gain = float(std::clamp(m_dbRange * (half - pointer.y()) / half, -m_dbRange, m_dbRange));
    edited.q = std::bit_cast<float>(words[2]);
    edited.type = words[3] & 0xFF;
    edited.on = !(words[3] & 0x100);
    if (DSPModel::encodeBand(words, edited)) m_model.write(number, words);
}

std::optional<int> EQGraph::markerAt(QPointF point) const {
    // The selected marker is drawn on top, so it is hit first.
    if (m_selected < m_markers.size() && m_markers[m_selected].read &&
        QLineF(point, markerCentre(m_selected)).length() <= 9)
        return m_selected;
    for (int b = int(m_markers.size()) - 1; b >= 0; --b)
        if (m_markers[b].read && QLineF(point, markerCentre(b)).length() <= 7.5) return b;
    return std::nullopt;
}

void EQGraph::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton ? markerAt(event->position()) : std::nullopt;
    m_pressAt = event->position();
    m_dragging = false;
}

void EQGraph::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed) return;
    if (!m_dragging && QLineF(m_pressAt, event->position()).length() < 10) return;
    m_dragging = true;
    dragBand(*m_pressed, event->position());
}

void EQGraph::mouseReleaseEvent(QMouseEvent*) {
    if (m_pressed && !m_dragging) select(*m_pressed);
    m_pressed.reset();
    m_dragging = false;
}

void EQGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_background.draw(painter, *this, [this](QPainter& cached) {
        const QPainterPath frame = Theme::roundedRect(rect(), 8);
        cached.fillPath(frame, Palette::trackFill());
        cached.setClipPath(frame);
        paintGrid(cached);
        paintCurve(cached);
    });
    painter.setClipPath(Theme::roundedRect(rect(), 8));
    paintMarkers(painter);
}

void EQGraph::paintGrid(QPainter& painter) const {
    const double w = width();
    const double h = height();
    editorkit::paintFrequencyGrid(
        painter, [this](double hz) { return xPosition(hz); }, h);
    editorkit::paintLevelGrid(
        painter, [this](double dB) { return yPosition(dB); }, w, 0.25);
}

void EQGraph::paintCurve(QPainter& painter) const {
    if (m_levels.isEmpty()) return;
    QPainterPath curve;
    for (int i = 0; i < m_levels.size(); ++i) {
        const double hz = m_fMin * std::pow(m_fMax / m_fMin, double(i) / (curvePoints - 1));
        // A band at 0 Hz can give 0/0 at the lowest points; such a point is drawn at 0 dB.
        const double level = std::isnan(m_levels[i]) ? 0 : std::clamp(m_levels[i], -m_dbRange, m_dbRange);
        const QPointF point(xPosition(hz), yPosition(level));
        if (i == 0)
            curve.moveTo(point);
        else
            curve.lineTo(point);
    }
    QPainterPath fill = curve;
    fill.lineTo(width(), yPosition(0));
    fill.lineTo(0, yPosition(0));
    fill.closeSubpath();
    const QColor colour = Palette::channel(m_ch);
    painter.fillPath(fill, Theme::withOpacity(colour, 0.16));
    painter.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(curve);
}

void EQGraph::paintMarkers(QPainter& painter) const {
    const QColor colour = Palette::channel(m_ch);
    painter.setFont(Theme::font(8, QFont::Bold));
    auto paintOne = [&](int b) {
        const bool selected = b == m_selected;
        const double d = selected ? 18 : 15;
        const QPointF centre = markerCentre(b);
        const QRectF box(centre.x() - d / 2, centre.y() - d / 2, d, d);
        QPainterPath circle;
        circle.addEllipse(box);
        if (selected) Theme::paintShadow(painter, circle, colour, 5, 0, 0);
        const QColor fill = selected          ? QColor(Qt::white)
                            : m_markers[b].on ? colour
                                              : Theme::withOpacity(Theme::systemGrey(), 0.6);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawEllipse(box);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Theme::black(0.5), 1));
        painter.drawEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
        painter.setPen(Qt::black);
        painter.drawText(box, Qt::AlignCenter, QString::number(b + 1));
    };
    // A band the device never reported has no place on the graph.
    for (int b = 0; b < m_markers.size(); ++b)
        if (b != m_selected && m_markers[b].read) paintOne(b);
    if (m_selected < m_markers.size() && m_markers[m_selected].read) paintOne(m_selected);
}
