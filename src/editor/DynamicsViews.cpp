#include "editor/DynamicsViews.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <cmath>

#include "editor/DynamicsEstimates.h"
#include "editor/EditorKit.h"
#include "platform/NumText.h"
#include "ui/controls/Meters.h"
#include "ui/controls/Palette.h"
#include "ui/controls/Theme.h"

namespace {

const QVector<float> standardMarks{0, 2, 4, 6, 8, 10, 15, 20, 30};
const QVector<float> deqMarks{0, 1, 2, 3, 4, 6, 8, 10, 12};
const QVector<float> standardLabels{0, 4, 10, 20, 30};
const QVector<float> deqLabels{0, 3, 6, 12};
const QVector<float> inLabels{20, 12, 6, 0, -12, -24, -48};
const QVector<float> compactInLabels{20, 0, -24, -48};

QPen dashedPen(const QColor& colour, QVector<qreal> pattern) {
    QPen pen(colour, 1, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setDashPattern(pattern);
    pen.setMiterLimit(10);
    return pen;
}

}  // namespace

GRMeter::GRMeter(QWidget* parent) : QWidget(parent) {}

void GRMeter::setState(float amount, bool boost, QVector<float> marks, bool active) {
    m_amount = amount;
    m_boost = boost;
    m_marks = std::move(marks);
    m_active = active;
    update();
}

int GRMeter::segmentCount(double height) {
    return std::max(8, int(height / 4.5));
}

int GRMeter::litCount() const {
    if (!(m_amount > 0.05f)) return 0;
    return int(std::ceil(meterPosition(m_marks, m_amount) * segmentCount(height())));
}

void GRMeter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const double w = width();
    const double h = height();
    const int n = segmentCount(h);
    const int lit = m_active ? litCount() : 0;
    const QColor colour = m_boost ? Palette::green() : Theme::systemOrange();
    QPainterPath unlit;
    QPainterPath on;
    for (int k = 0; k < n; ++k) {
        const int row = m_boost ? n - 1 - k : k;
        QRectF segment(0, h / n * row + 0.5, w, h / n - 1.2);
        (k < lit ? on : unlit).addRect(segment);
    }
    painter.fillPath(unlit, Theme::withOpacity(colour, m_active ? 0.14 : 0.06));
    painter.fillPath(on, colour);
}

TransferCurve::TransferCurve(QWidget* parent) : QWidget(parent) {
    setMinimumSize(160, 170);
    setMaximumSize(260, 170);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TransferCurve::setState(float threshold, float level, const QColor& tint, Output output, float lo,
                             float hi) {
    m_threshold = threshold;
    m_level = level;
    m_tint = tint;
    m_output = std::move(output);
    m_lo = lo;
    m_hi = hi;
    update();
}

void TransferCurve::showUnknown() {
    m_output = nullptr;
    update();
}

QPointF TransferCurve::point(float in, float out) const {
    const double r = m_hi - m_lo;
    return {width() * (in - m_lo) / r, height() - height() * (std::clamp(out, m_lo, m_hi) - m_lo) / r};
}

std::optional<QPointF> TransferCurve::livePoint() const {
    if (!(m_level > m_lo) || !m_output) return std::nullopt;
    return point(m_level, m_output(m_level));
}

void TransferCurve::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double w = width();
    const double h = height();
    Theme::fillRoundedRect(painter, rect(), 8, Palette::trackFill());
    painter.setPen(QPen(Theme::white(0.06), 1));
    for (float v = m_lo; v <= m_hi; v += 12) {
        const QPointF p = point(v, v);
        painter.drawLine(QPointF(p.x(), 0), QPointF(p.x(), h));
        painter.drawLine(QPointF(0, p.y()), QPointF(w, p.y()));
    }
    painter.setPen(dashedPen(Theme::white(0.18), {3, 3}));
    painter.drawLine(point(m_lo, m_lo), point(m_hi, m_hi));
    if (m_output) {
        const double tx = point(m_threshold, m_threshold).x();
        painter.setPen(dashedPen(Theme::withOpacity(m_tint, 0.4), {2, 3}));
        painter.drawLine(QPointF(tx, 0), QPointF(tx, h));
        QPainterPath curve;
        for (int i = 0; i <= 120; ++i) {
            const float in = m_lo + (m_hi - m_lo) * float(i) / 120;
            const QPointF p = point(in, m_output(in));
            if (i == 0)
                curve.moveTo(p);
            else
                curve.lineTo(p);
        }
        painter.setPen(QPen(m_tint, 2));
        painter.drawPath(curve);
    }
    if (auto live = livePoint()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(*live, 4, 4);
    }
    painter.setFont(Theme::font(9));
    painter.setPen(Theme::systemGrey());
    painter.drawText(QRectF(w - 18 - 20, h - 9 - 8, 40, 16), Qt::AlignCenter, QStringLiteral("in →"));
    painter.drawText(QRectF(14 - 20, 9 - 8, 40, 16), Qt::AlignCenter, QStringLiteral("out"));
}

DynamicsMeters::DynamicsMeters(bool deqScale, double height, bool compact, QWidget* parent)
    : QWidget(parent),
      m_deqScale(deqScale),
      m_height(height),
      m_compact(compact),
      m_inBar(new MeterBar(true)),
      m_outBar(new MeterBar(true)),
      m_grMeter(new GRMeter),
      m_reductionScale(new MeterTicks(deqScale ? deqMarks : standardMarks,
                                      deqScale ? deqLabels : standardLabels, false, true, QString())),
      m_boostScale(new MeterTicks(deqScale ? deqMarks : standardMarks, deqScale ? deqLabels : standardLabels,
                                  false, false, QString())),
      m_marker(new QWidget) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(compact ? 2 : 4);
    row->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    auto* inScale =
        new MeterTicks(meterScaleMarks(), compact ? compactInLabels : inLabels, true, false, QString());
    auto* inBars = new QWidget;
    inBars->setFixedSize(16, int(height));
    m_inBar->setParent(inBars);
    m_inBar->setGeometry(3, 0, 10, int(height));
    m_marker->setParent(inBars);
    m_marker->setStyleSheet(QStringLiteral("background: white;"));
    m_marker->hide();
    auto* grScales = new QWidget;
    auto* grScaleStack = new QStackedLayout(grScales);
    grScaleStack->addWidget(m_reductionScale);
    grScaleStack->addWidget(m_boostScale);

    const int h = int(height);
    inScale->setFixedSize(16, h);
    m_grMeter->setFixedSize(10, h);
    grScales->setFixedSize(16, h);
    m_outBar->setFixedSize(10, h);
    row->addWidget(column(QString(), inScale, nullptr));
    row->addWidget(column(QStringLiteral("IN"), inBars, &m_inValue));
    row->addWidget(column(QStringLiteral("GR"), m_grMeter, &m_grValue, &m_grCaption));
    row->addWidget(column(QString(), grScales, nullptr));
    row->addWidget(column(QStringLiteral("OUT"), m_outBar, &m_outValue));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setReading({});
}

QWidget* DynamicsMeters::column(const QString& caption, QWidget* bars, QLabel** value,
                                QLabel** captionLabel) {
    auto* box = new QWidget;
    auto* stack = new QVBoxLayout(box);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(4);
    QLabel* title = editorkit::label(caption, Theme::font(9, QFont::Bold), Theme::secondaryText());
    title->setAlignment(Qt::AlignCenter);
    title->setFixedHeight(QFontMetrics(title->font()).height());
    if (captionLabel) *captionLabel = title;
    const bool scale = caption.isEmpty();
    QLabel* text = editorkit::label(QString(), Theme::monoFont(9), Theme::secondaryText());
    text->setAlignment(Qt::AlignCenter);
    text->setFixedWidth(scale ? 10 : (m_compact ? 30 : 36));
    if (value) *value = text;
    stack->addWidget(title, 0, Qt::AlignHCenter);
    stack->addWidget(bars, 0, Qt::AlignHCenter);
    stack->addWidget(text, 0, Qt::AlignHCenter);
    return box;
}

QString DynamicsMeters::helpText(bool boost) {
    return QStringLiteral("IN is the DSP's level for this channel. ") +
           (boost ? QStringLiteral("BOOST") : QStringLiteral("GR (gain reduction)")) +
           QStringLiteral(" and OUT are estimated from that level and these settings.");
}

float DynamicsMeters::shownChange() const {
    return m_reading.known && m_reading.active ? std::max(m_reading.gr, 0.0f) : 0.0f;
}

float DynamicsMeters::outputLevel() const {
    return m_reading.boost ? m_reading.input + shownChange() : m_reading.input - shownChange();
}

QString DynamicsMeters::inText() const {
    if (std::isnan(m_reading.input)) return QStringLiteral("—");
    return numtext::format("%.0f", double(std::max(m_reading.input, -60.0f)));
}

QString DynamicsMeters::outText() const {
    if (!m_reading.known) return QStringLiteral("—");
    return numtext::format("%.0f", double(std::max(outputLevel(), -60.0f)));
}

QString DynamicsMeters::grText() const {
    if (!m_reading.known) return QStringLiteral("—");
    if (!m_reading.active) return QStringLiteral("OFF");
    const float a = shownChange();
    if (a < 0.05f) return QStringLiteral("0.0");
    if (m_reading.boost) return numtext::format("+%.1f", double(a));
    return QStringLiteral("\u2212") + numtext::format("%.1f", double(a));
}

QString DynamicsMeters::grCaption() const {
    return m_reading.boost ? QStringLiteral("BOOST") : QStringLiteral("GR");
}

std::optional<double> DynamicsMeters::thresholdMarkerY() const {
    const std::optional<float> t = m_reading.threshold;
    if (!t || !(*t > -48 && *t < 20)) return std::nullopt;
    const double k = std::max(10 / 2.0, 3.0);
    const double s = m_height - k - 2;
    return m_height - s * meterPosition(meterScaleMarks(), *t);
}

void DynamicsMeters::setReading(const Reading& reading) {
    m_reading = reading;
    // Without an input level there is no output level or change to show either.
    if (std::isnan(reading.input)) m_reading.known = false;
    m_inBar->setLevel(std::isnan(reading.input) ? dynamics::mutedLevel : reading.input);
    m_outBar->setLevel(m_reading.known ? outputLevel() : dynamics::mutedLevel);
    m_grMeter->setState(shownChange(), reading.boost, m_deqScale ? deqMarks : standardMarks,
                        m_reading.known && reading.active);
    static_cast<QStackedLayout*>(m_reductionScale->parentWidget()->layout())
        ->setCurrentWidget(reading.boost ? m_boostScale : m_reductionScale);
    m_inValue->setText(inText());
    m_outValue->setText(outText());
    m_grValue->setText(grText());
    m_grCaption->setText(grCaption());
    setToolTip(helpText(reading.boost));
    if (auto y = thresholdMarkerY()) {
        m_marker->setGeometry(QRectF(0, *y - 0.75, 16, 1.5).toAlignedRect());
        m_marker->setToolTip(numtext::format("Threshold %.1f dB", double(*reading.threshold)));
        m_marker->show();
        m_marker->raise();
    } else {
        m_marker->hide();
    }
}
