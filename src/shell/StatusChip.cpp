#include "shell/StatusChip.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QRadialGradient>
#include <QTimerEvent>
#include <QtMath>
#include <cmath>

#include "ui/controls/Theme.h"

namespace {

constexpr double kDot = 8;
constexpr double kGlowRadius = 4;
constexpr double kGlowOpacity = 0.9;
// From the dot's centre to where the glow has faded out.
constexpr double kGlowReach = kDot / 2 + 1.5 * kGlowRadius;

// The chip's leading dot. Its glow is painted by the chip, which has room for it.
class ChipDot : public QWidget {
public:
    ChipDot(const QColor& colour, QWidget* parent) : QWidget(parent), m_colour(colour) {
        setFixedSize(int(kDot), int(kDot));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_colour);
        painter.drawEllipse(QRectF(0, 0, kDot, kDot).adjusted(0.5, 0.5, -0.5, -0.5));
    }

private:
    QColor m_colour;
};

// A shadow of the dot blurred by the glow radius, as a radial falloff: a Gaussian blur
// of standard deviation radius / 2 across the dot's edge, so it fades out about one
// radius beyond it. Worked out once per chip, so a repaint fills one gradient rather
// than blurring anything.
QGradientStops glowStops(const QColor& colour) {
    const double dotRadius = kDot / 2;
    const double sigma = kGlowRadius / 2;
    QGradientStops stops;
    for (double r = 0; r < kGlowReach; r += 0.5) {
        QColor c = colour;
        c.setAlphaF(float(kGlowOpacity * 0.5 * std::erfc((r - dotRadius) / (sigma * M_SQRT2))));
        stops.append({r / kGlowReach, c});
    }
    QColor clear = colour;
    clear.setAlphaF(0);
    stops.append({1.0, clear});
    return stops;
}

}  // namespace

StatusChip::StatusChip(const QColor& colour, bool glow, QWidget* parent)
    : QWidget(parent),
      m_colour(colour),
      m_row(new QHBoxLayout(this)),
      m_dot(new ChipDot(colour, this)),
      m_glow(glow ? glowStops(colour) : QGradientStops()) {
    // The margins hold the glow: it fades out within them, inside the capsule.
    m_row->setContentsMargins(10, 5, 10, 5);
    m_row->setSpacing(8);
    m_row->addWidget(m_dot, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusChip::addWidget(QWidget* widget) {
    m_row->addWidget(widget, 0, Qt::AlignVCenter);
}

void StatusChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = rect();
    Theme::fillCapsule(painter, box, Theme::withOpacity(m_colour, 0.12));
    painter.setPen(QPen(Theme::withOpacity(m_colour, 0.3), 1));
    painter.setBrush(Qt::NoBrush);
    const QRectF inside = box.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.drawRoundedRect(inside, inside.height() / 2, inside.height() / 2);
    if (m_glow.isEmpty()) return;
    const QPointF centre = QRectF(m_dot->geometry()).center();
    QRadialGradient glow(centre, kGlowReach);
    glow.setStops(m_glow);
    painter.setPen(Qt::NoPen);
    painter.setBrush(glow);
    painter.drawEllipse(centre, kGlowReach, kGlowReach);
}

Spinner::Spinner(QWidget* parent) : QWidget(parent) {
    setFixedSize(sizeHint());
}

void Spinner::showEvent(QShowEvent*) {
    if (!m_timer) m_timer = startTimer(80);
}

void Spinner::hideEvent(QHideEvent*) {
    if (m_timer) killTimer(m_timer);
    m_timer = 0;
}

void Spinner::timerEvent(QTimerEvent*) {
    m_step = (m_step + 1) % 8;
    update();
}

void Spinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    for (int i = 0; i < 8; ++i) {
        const double angle = (i * 45.0) * M_PI / 180.0;
        const int age = (i - m_step + 8) % 8;
        painter.setPen(QPen(Theme::white(1.0 - age * 0.11), 1.5, Qt::SolidLine, Qt::RoundCap));
        const QPointF direction(std::sin(angle), -std::cos(angle));
        painter.drawLine(centre + direction * 2.5, centre + direction * 5.5);
    }
}
