#include "app/StatusChip.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QTimerEvent>
#include <QtMath>

#include "app/controls/Theme.h"

namespace {

// The chip's leading dot, optionally with a glow of its own colour.
class ChipDot : public QWidget {
public:
    ChipDot(const QColor& colour, bool glow, QWidget* parent)
        : QWidget(parent), m_colour(colour), m_glow(glow) {
        setFixedSize(8, 8);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF dot(0, 0, 8, 8);
        if (m_glow) {
            QColor halo = m_colour;
            halo.setAlphaF(0.35);
            painter.setPen(Qt::NoPen);
            painter.setBrush(halo);
            painter.drawEllipse(dot.adjusted(-0.5, -0.5, 0.5, 0.5));
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_colour);
        painter.drawEllipse(dot.adjusted(0.5, 0.5, -0.5, -0.5));
    }

private:
    QColor m_colour;
    bool m_glow;
};

}  // namespace

StatusChip::StatusChip(const QColor& colour, bool glow, QWidget* parent)
    : QWidget(parent), m_colour(colour), m_row(new QHBoxLayout(this)) {
    m_row->setContentsMargins(10, 5, 10, 5);
    m_row->setSpacing(8);
    m_row->addWidget(new ChipDot(colour, glow, this), 0, Qt::AlignVCenter);
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
