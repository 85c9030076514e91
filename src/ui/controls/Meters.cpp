#include "ui/controls/Meters.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>

#include "ui/controls/Palette.h"
#include "ui/controls/Theme.h"

const QVector<float>& meterScaleMarks() {
    static const QVector<float> marks{-48, -40, -30, -24, -18, -12, -6, 0, 6, 12, 20};
    return marks;
}

double meterPosition(const QVector<float>& marks, float value) {
    const qsizetype n = marks.size();
    // A level that is no number is no level: nothing is drawn.
    if (n == 0 || std::isnan(value)) return 0;
    if (value <= marks[0]) return 0;
    if (marks[n - 1] <= value) return 1;
    for (qsizetype i = 1; i < n; ++i) {
        if (value <= marks[i]) {
            const float f = (value - marks[i - 1]) / (marks[i] - marks[i - 1]);
            return (double(i - 1) + double(f)) / double(n - 1);
        }
    }
    return 1;
}

MeterBand meterBand(float dBu) {
    if (dBu >= 14) return MeterBand::red;
    if (dBu >= 6) return MeterBand::amber;
    return MeterBand::green;
}

QColor meterBandColor(MeterBand band) {
    switch (band) {
        case MeterBand::red:
            return Theme::systemRed();
        case MeterBand::amber:
            return Palette::makeRGB(1.0, 0.78, 0.1);
        case MeterBand::green:
            break;
    }
    return Palette::green();
}

namespace {

long roundHalfAway(double x) {
    return std::lround(x);
}

}  // namespace

MeterBar::MeterBar(bool showClip, QWidget* parent)
    : QWidget(parent), m_showClip(showClip), m_last(m_clock()) {
    setToolTip(QStringLiteral(
        "Level, dBu. Green below +6, amber +6 to +14, red above +14; the top light shows clipping (+20 dBu "
        "maximum)."));
    // A beat longer than the store's 100 ms updates: while levels arrive they
    // drive the display, and the tick only carries on when they stop or repeat.
    m_tick.setInterval(120);
    connect(&m_tick, &QTimer::timeout, this, [this] { advance(false); });
}

void MeterBar::setBackdrop(const QColor& colour) {
    m_backdrop = colour;
    setAttribute(Qt::WA_OpaquePaintEvent, colour.alpha() == 255);
    m_litSegments = QImage();
    m_darkSegments = QImage();
    update();
}

void MeterBar::setLevel(float dBu) {
    if (dBu == m_level) return;
    m_level = dBu;
    advance(true);
}

void MeterBar::advance(bool changed) {
    const float level = m_level;
    const double now = m_clock();
    const float dt = float(now - m_last);
    m_last = now;
    m_shown = std::max(level, m_shown - std::min(dt, 1.0f) * 20);
    if (m_peak <= level || now - m_peakTime > 1.5) {
        m_peak = level;
        m_peakTime = now;
    }
    // Only a new level clips: one that merely stays up lets the light go out.
    if (changed && level >= 19.5f) m_clipTime = now;
    if (m_shown > level || m_peak > level || clipLit()) {
        if (changed || !m_tick.isActive()) m_tick.start();
    } else {
        m_tick.stop();
    }
    // The clip light's state moves with the clock: compare with what was painted.
    const Look shown = look();
    if (shown != m_painted) update(changedArea(m_painted, shown));
}

QRectF MeterBar::segmentRows(int from, int to) const {
    const double pitch = segments(width(), height(), m_showClip).pitch;
    return QRectF(0, height() - pitch * to, width(), pitch * (to - from));
}

// Pending areas add up until the next frame, and each is measured from what was last
// painted, so several steps between two frames still cover everything they moved.
QRect MeterBar::changedArea(const Look& from, const Look& to) const {
    QRectF area;
    if (from.lit != to.lit) area |= segmentRows(std::min(from.lit, to.lit), std::max(from.lit, to.lit));
    if (from.peak != to.peak) {
        if (from.peak >= 0) area |= segmentRows(from.peak, from.peak + 1);
        if (to.peak >= 0) area |= segmentRows(to.peak, to.peak + 1);
    }
    if (from.clip != to.clip)
        area |= QRectF(0, 0, width(), segments(width(), height(), m_showClip).clipHeight);
    // Whole pixels, one more on each side for the antialiased edges of the segments.
    return area.toAlignedRect().adjusted(0, -1, 0, 1) & rect();
}

MeterBar::Look MeterBar::look() const {
    const int n = segments(width(), height(), m_showClip).count;
    const int peak = m_peak > -48 ? peakIndex(n) : -1;
    return {litCount(n), peak, m_showClip && clipLit()};
}

MeterBar::Segments MeterBar::segments(double width, double height, bool showClip) {
    Segments s{};
    s.clipHeight = showClip ? std::max(width / 2, 3.0) : 0;
    s.area = showClip ? height - s.clipHeight - 2 : height;
    s.count = std::max(12, int(s.area / 4.5));
    s.pitch = s.area / s.count;
    return s;
}

float MeterBar::segmentValue(int i, int n) {
    const QVector<float>& m = meterScaleMarks();
    const double t = (i + 0.5) / n;
    const float x = t <= 0 ? 0.0f : float(std::min(t, 1.0) * 10);
    const int k = std::min(int(x), 9);
    return m[k] + (m[k + 1] - m[k]) * (x - float(k));
}

int MeterBar::litCount(int segmentCount) const {
    return int(roundHalfAway(meterPosition(meterScaleMarks(), m_shown) * segmentCount));
}

int MeterBar::peakIndex(int segmentCount) const {
    return int(roundHalfAway(meterPosition(meterScaleMarks(), m_peak) * segmentCount)) - 1;
}

bool MeterBar::clipLit() const {
    return m_clock() - m_clipTime < 2.0;
}

// Filling sixty antialiased segment paths on every meter tick was most of the idle
// window's cost; the two images are drawn once per size and a tick only copies rows.
const QImage& MeterBar::segmentImage(const Segments& s, bool lit) {
    QImage& image = lit ? m_litSegments : m_darkSegments;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (image.size() == pixels && image.devicePixelRatio() == ratio) return image;
    // On a backdrop the rows are opaque and a frame only copies them.
    image = QImage(pixels,
                   m_backdrop.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(m_backdrop);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Three paths, one per colour band, filled in band order.
    std::array<QPainterPath, 3> paths;
    for (int i = 0; i < s.count; ++i) {
        const int band = int(meterBand(segmentValue(i, s.count)));
        paths[size_t(band)].addRect(QRectF(0, height() - s.pitch * (i + 1) + 0.5, width(), s.pitch - 1.2));
    }
    for (int band = 0; band < 3; ++band) {
        const QColor colour = meterBandColor(MeterBand(band));
        painter.fillPath(paths[size_t(band)], lit ? colour : Theme::withOpacity(colour, 0.1));
    }
    return image;
}

void MeterBar::drawSegmentRows(QPainter& painter, const QImage& image, double top, double bottom) const {
    const QRectF target = QRectF(0, top, width(), bottom - top) & QRectF(painter.clipBoundingRect());
    if (target.isEmpty()) return;
    const qreal ratio = image.devicePixelRatio();
    painter.drawImage(target, image, QRectF(target.topLeft() * ratio, target.size() * ratio));
}

void MeterBar::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRect(event->rect());
    const double w = width();
    const double h = height();
    const Segments s = segments(w, h, m_showClip);
    if (m_showClip && event->rect().top() < s.clipHeight + 2) {
        painter.fillRect(QRectF(0, 0, w, s.clipHeight + 2), m_backdrop);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor red = meterBandColor(MeterBand::red);
        Theme::fillRoundedRect(painter, QRectF(0, 0, w, s.clipHeight), 1,
                               clipLit() ? red : Theme::withOpacity(red, 0.15));
    }
    m_painted = look();
    const int lit = litCount(s.count);
    const int peak = peakIndex(s.count);
    // Segment i spans h - pitch * (i + 1) to h - pitch * i; the cuts fall in the gaps.
    const double cut = h - s.pitch * lit;
    drawSegmentRows(painter, segmentImage(s, false), 0, cut);
    drawSegmentRows(painter, segmentImage(s, true), cut, h);
    if (peak >= lit && m_peak > -48)
        drawSegmentRows(painter, segmentImage(s, true), h - s.pitch * (peak + 1), h - s.pitch * peak);
}

MeterTicks::MeterTicks(QVector<float> marks, QVector<float> labels, bool clipSpace, bool downward,
                       QString prefix, QWidget* parent)
    : QWidget(parent),
      m_marks(std::move(marks)),
      m_labels(std::move(labels)),
      m_clipSpace(clipSpace),
      m_downward(downward),
      m_prefix(std::move(prefix)) {
    setFixedWidth(16);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

QVector<MeterTicks::Label> MeterTicks::labelsForHeight(double height) const {
    const double inset = m_clipSpace ? 7 : 0;
    const double span = height - inset;
    QVector<Label> out;
    for (float v : m_labels) {
        const double p = meterPosition(m_marks, v);
        double y = inset + span * (m_downward ? p : 1 - p);
        y = std::min(std::max(y, 5.0), height - 5);
        const long long whole = static_cast<long long>(std::abs(v));
        QString text;
        if (v == 0) {
            text = QStringLiteral("0");
        } else if (m_downward) {
            text = m_prefix + QString::number(whole);
        } else if (v > 0) {
            text = (m_prefix.isEmpty() ? QStringLiteral("+") : m_prefix) + QString::number(whole);
        } else {
            text = QChar(0x2212) + QString::number(whole);
        }
        out.append({text, y});
    }
    return out;
}

void MeterTicks::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(Theme::monoFont(7.5));
    painter.setPen(Theme::secondaryText());
    for (const Label& label : labelsForHeight(height())) {
        painter.drawText(QRectF(-8, label.y - 6, width() + 16, 12), Qt::AlignCenter, label.text);
    }
}

HorizontalMeter::HorizontalMeter(QWidget* parent) : QWidget(parent) {}

void HorizontalMeter::setLevel(float dBu) {
    if (dBu == m_level) return;
    const Look before = look();
    m_level = dBu;
    if (look() != before) update();
}

void HorizontalMeter::setBackdrop(const QColor& colour) {
    if (colour == m_backdrop) return;
    m_backdrop = colour;
    setAttribute(Qt::WA_OpaquePaintEvent, colour.alpha() == 255);
    update();
}

HorizontalMeter::Look HorizontalMeter::look() const {
    const double p = meterPosition(meterScaleMarks(), m_level);
    return {int(std::lround(p * width() * devicePixelRatioF())), meterBand(m_level)};
}

void HorizontalMeter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_backdrop);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF full = rect();
    Theme::fillCapsule(painter, full, Theme::white(0.08));
    const Look shown = look();
    if (shown.fill > 0) {
        Theme::fillCapsule(painter, QRectF(0, 0, shown.fill / devicePixelRatioF(), full.height()),
                           meterBandColor(shown.band));
    }
}
