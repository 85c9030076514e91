#include "designer/DesignerGraph.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "fir/FIRDesigner.h"
#include "platform/NumText.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Theme.h"

namespace {

constexpr double gridFrequencies[] = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};

// The largest measured level between 20 Hz and 20 kHz, which "normalise" moves to 0 dB.
double loudestInBand(const std::vector<Measurement::Point>& points) {
    std::optional<double> best;
    for (const Measurement::Point& p : points)
        if (p.hz >= 20 && p.hz <= 20000 && (!best || p.db > *best)) best = p.db;
    return best.value_or(0);
}

double wrapDegrees(double degrees) {
    double r = std::fmod(degrees, 360);
    if (r > 180) r -= 360;
    if (r < -180) r += 360;
    return r;
}

QString frequencyLabel(double hz) {
    if (hz < 1000) return numtext::format("%lld", qint64(hz));
    return numtext::format("%lldk", qint64(hz / 1000));
}

}  // namespace

DesignerGraph::DesignerGraph(Mode mode, double fMin, double fMax, double dbTop, double dbBottom,
                             QWidget* parent)
    : QWidget(parent), mode_(mode), fMin_(fMin), fMax_(fMax), dbTop_(dbTop), dbBottom_(dbBottom) {
    setMinimumSize(240, 120);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void DesignerGraph::setInputs(const std::optional<Measurement>& m, const FIRDesignerSettings& s,
                              const QList<float>& coeffs, bool showPhase) {
    m_ = m;
    s_ = s;
    coeffs_ = coeffs;
    showPhase_ = showPhase;
    curves_.reset();
    update();
}

double DesignerGraph::xPosition(double hz) const {
    return width() * std::log10(hz / fMin_) / std::log10(fMax_ / fMin_);
}

double DesignerGraph::yPosition(double db) const {
    if (std::isnan(db)) return height();
    return height() * (dbTop_ - std::min(std::max(db, dbBottom_), dbTop_)) / (dbTop_ - dbBottom_);
}

double DesignerGraph::phaseY(double degrees) const {
    if (!(degrees >= -180)) return height();
    return height() * (180 - std::min(degrees, 180.0)) / 360;
}

std::vector<double> DesignerGraph::curveFrequencies() const {
    std::vector<double> f(curvePoints);
    for (int i = 0; i < curvePoints; ++i) f[size_t(i)] = fMin_ * std::pow(fMax_ / fMin_, i / 240.0);
    return f;
}

const std::vector<DesignerGraph::Curve>& DesignerGraph::curves() const {
    if (!curves_) curves_ = computeCurves();
    return *curves_;
}

std::vector<DesignerGraph::Curve> DesignerGraph::computeCurves() const {
    const std::vector<double> f = curveFrequencies();
    const size_t n = f.size();
    std::vector<double> firDB(n), firDeg(n), target(n), speaker(n), measuredDeg(n);
    for (size_t i = 0; i < n; ++i) {
        const DBPhase response = FIRDesigner::response(coeffs_, f[i]);
        firDB[i] = response.db;
        firDeg[i] = response.deg;
        target[i] = s_.targetDB(f[i]);
    }
    if (m_) {
        const std::vector<double> phases = Measurement::unwrappedPhases(m_->points);
        const double maxDB = s_.normalise ? loudestInBand(m_->points) : 0;
        for (size_t i = 0; i < n; ++i) {
            const DBPhase measured = Measurement::interpolate(phases, m_->points, f[i]);
            speaker[i] = s_.offsetDB + (measured.db - maxDB);
            measuredDeg[i] = measured.deg;
        }
    }
    auto tinted = [](QColor colour, double opacity) { return Theme::withOpacity(colour, opacity); };
    const QColor orange = Theme::systemOrange();

    std::vector<Curve> out;
    if (mode_ == Mode::design) {
        if (m_) out.push_back({CurveKind::speaker, blue(), 1.5, false, speaker});
        out.push_back({CurveKind::target, green(), 1.5, false, target});
        out.push_back({CurveKind::fir, orange, 2, false, firDB});
        if (showPhase_) out.push_back({CurveKind::firPhase, tinted(yellow(), 0.8), 1.5, true, firDeg});
        return out;
    }
    out.push_back({CurveKind::target, tinted(green(), 0.7), 1.5, false, target});
    if (!m_) {
        out.push_back({CurveKind::fir, orange, 2, false, firDB});
        return out;
    }
    std::vector<double> result(n), resultDeg(n);
    for (size_t i = 0; i < n; ++i) {
        result[i] = speaker[i] + firDB[i];
        resultDeg[i] = wrapDegrees(measuredDeg[i] + firDeg[i]);
    }
    out.push_back({CurveKind::speaker, tinted(blue(), 0.35), 1.5, false, speaker});
    out.push_back({CurveKind::result, Qt::white, 2, false, result});
    if (showPhase_ && Measurement::hasPhase(m_->points))
        out.push_back({CurveKind::resultPhase, Theme::systemRed(), 1.5, true, resultDeg});
    return out;
}

QColor DesignerGraph::blue() {
    return QColor(10, 132, 255);
}
QColor DesignerGraph::green() {
    return QColor(48, 209, 88);
}
QColor DesignerGraph::yellow() {
    return QColor(255, 214, 10);
}

void DesignerGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The dark panel the graph sits on.
    Theme::fillRoundedRect(painter, rect(), panelRadius, Theme::black(0.85));
    paintGrid(painter);
    const std::vector<double> frequencies = curveFrequencies();
    for (const Curve& curve : curves()) paintCurve(painter, curve, frequencies);
}

void DesignerGraph::paintGrid(QPainter& painter) const {
    const double w = width();
    const double h = height();
    painter.setFont(Theme::font(Theme::caption2Px));
    auto label = [&](const QString& text, QPointF centre) {
        painter.setPen(Theme::systemGrey());
        const QRectF box(centre.x() - 30, centre.y() - 8, 60, 16);
        painter.drawText(box, Qt::AlignCenter, text);
    };
    for (double f : gridFrequencies) {
        const double x = xPosition(f);
        painter.setPen(QPen(Theme::white(0.08), 1));
        painter.drawLine(QPointF(x, 0), QPointF(x, h));
        label(frequencyLabel(f), QPointF(x, h - 8));
    }
    for (int k = 0; dbBottom_ + k * 10 <= dbTop_; ++k) {
        const double level = dbBottom_ + k * 10;
        const double y = yPosition(level);
        painter.setPen(QPen(Theme::white(level == 0 ? 0.3 : 0.08), 1));
        painter.drawLine(QPointF(0, y), QPointF(w, y));
        label(numtext::format("%lld", qint64(level)), QPointF(14, y));
    }
    // Below 144000 / taps Hz a FIR of this length corrects only weakly.
    const double weakEdge = s_.taps > 0 ? std::clamp(xPosition(144000.0 / s_.taps), 0.0, w) : w;
    painter.fillRect(QRectF(0, 0, weakEdge, h), Theme::white(0.04));
}

void DesignerGraph::paintCurve(QPainter& painter, const Curve& curve,
                               const std::vector<double>& frequencies) const {
    QPainterPath path;
    for (size_t i = 0; i < frequencies.size(); ++i) {
        const QPointF point(xPosition(frequencies[i]),
                            curve.phaseScale ? phaseY(curve.values[i]) : yPosition(curve.values[i]));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    painter.strokePath(path, QPen(curve.colour, curve.width));
}

// ---- legend ----------------------------------------------------------------------------

namespace {

class LegendChip : public QWidget {
public:
    explicit LegendChip(const QColor& colour) : colour_(colour) { setFixedSize(14, 3); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        Theme::fillRoundedRect(painter, rect(), 1, colour_);
    }

private:
    QColor colour_;
};

}  // namespace

DesignerLegend::DesignerLegend(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);
    addEntry(QStringLiteral("Speaker"), DesignerGraph::blue());
    addEntry(QStringLiteral("Target"), DesignerGraph::green());
    addEntry(QStringLiteral("FIR"), Theme::systemOrange());
    addEntry(QStringLiteral("Speaker × FIR"), Qt::white);
    addEntry(QStringLiteral("Phase (right scale)"), Theme::systemRed());
    phaseEntry_ = row->itemAt(row->count() - 1)->widget();
    phaseEntry_->hide();
}

void DesignerLegend::addEntry(const QString& label, const QColor& colour) {
    auto* entry = new QWidget;
    auto* pair = new QHBoxLayout(entry);
    pair->setContentsMargins(0, 0, 0, 0);
    pair->setSpacing(4);
    pair->addWidget(new LegendChip(colour), 0, Qt::AlignVCenter);
    auto* text = new PlainLabel(label);
    text->setFont(Theme::font(Theme::captionPx));
    pair->addWidget(text, 0, Qt::AlignVCenter);
    layout()->addWidget(entry);
}

void DesignerLegend::setShowPhase(bool on) {
    phaseEntry_->setVisible(on);
}

QStringList DesignerLegend::labels() const {
    QStringList shown;
    for (QLabel* label : findChildren<QLabel*>())
        if (!label->parentWidget()->isHidden()) shown.append(label->text());
    return shown;
}
