#include "ui/controls/Fader.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "link/FaderLaw.h"
#include "ui/controls/KeySteps.h"
#include "ui/controls/Palette.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/Theme.h"

namespace {

double roundToTenth(double db) {
    return std::round(db / 0.1) * 0.1;
}

QString markLabel(double mark) {
    const long long whole = static_cast<long long>(mark);
    return mark > 0 ? QStringLiteral("+%1").arg(whole) : QString::number(whole);
}

}  // namespace

Fader::Fader(double capH, double capW, QVector<double> marks, QWidget* parent)
    : QWidget(parent), m_capH(capH), m_capW(capW), m_marks(std::move(marks)), m_tint(Palette::inputBlue()) {
    setToolTip(QStringLiteral("Drag to set the level · double-click for 0 dB"));
    setAccessibleName(QStringLiteral("Gain"));
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void Fader::setDB(double db) {
    if (!m_known) {
        m_known = true;
        showReadState(*this, true);
        update();
    }
    if (db == m_db) return;
    m_db = db;
    updateAccessibleValue();
    update();
}

void Fader::showUnknown() {
    if (!m_known) return;
    m_known = false;
    showReadState(*this, false);
    update();
}

void Fader::setTint(const QColor& tint) {
    if (tint == m_tint) return;
    m_tint = tint;
    update();
}

void Fader::updateAccessibleValue() {
    // Assistive tools hear the new value; nothing is made when none listens.
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent event(this, m_db);
    QAccessible::updateAccessibility(&event);
}

double Fader::adjusted(int direction) const {
    return std::clamp(m_db + 0.5 * direction, minimumDB, maximumDB);
}

void Fader::step(int direction) {
    const double next = adjusted(direction);
    if (next != m_db) Q_EMIT gainEdited(next);
}

double Fader::yForDB(double db) const {
    return m_capH / 2 + travelHeight() * (1 - faderPosition(db));
}

double Fader::fillHeight() const {
    return std::max(0.0, travelHeight() * faderPosition(m_db));
}

void Fader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintMarks(painter);
    // A disabled fader keeps its scale but fades its travel; one whose gain is unknown
    // has no cap, since a cap at any place reads as a gain.
    if (!isEnabled()) painter.setOpacity(0.35);
    paintTrackAndFill(painter);
    if (m_known) paintCap(painter);
}

void Fader::paintMarks(QPainter& painter) const {
    const double labelWidth = width() - m_capW - 4;
    const double tickWidth = m_capW + 4;
    for (double mark : m_marks) {
        const bool unity = mark == 0;
        const double y = yForDB(mark);
        painter.setFont(Theme::monoFont(8, unity ? QFont::Bold : QFont::Normal));
        painter.setPen(unity ? Theme::primaryText() : Theme::secondaryText());
        painter.drawText(QRectF(0, y - 6, labelWidth, 12), Qt::AlignRight | Qt::AlignVCenter,
                         markLabel(mark));
        painter.fillRect(QRectF(trackX() - tickWidth / 2, y - 0.5, tickWidth, 1),
                         Theme::white(unity ? 0.45 : 0.15));
    }
}

void Fader::paintTrackAndFill(QPainter& painter) const {
    const double t = travelHeight();
    const QRectF track(trackX() - 3, m_capH / 2, 6, t);
    Theme::fillCapsule(painter, track, Palette::trackFill());
    painter.save();
    painter.setPen(QPen(Theme::white(0.06), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(Theme::capsule(track.adjusted(0.5, 0.5, -0.5, -0.5)));
    painter.restore();

    const double f = m_known ? fillHeight() : 0;
    if (f > 0)
        Theme::fillCapsule(painter, QRectF(trackX() - 2, m_capH / 2 + t - f, 4, f),
                           Theme::withOpacity(m_tint, 0.85));
}

void Fader::paintCap(QPainter& painter) const {
    const QRectF cap(trackX() - m_capW / 2, yForDB(m_db) - m_capH / 2, m_capW, m_capH);
    const QPainterPath shape = Theme::roundedRect(cap, 4);
    Theme::paintShadow(painter, shape, Theme::black(0.6), 3, 0, 2);
    QLinearGradient gradient(cap.topLeft(), cap.bottomLeft());
    gradient.setColorAt(0, Palette::makeGrey(0.82));
    gradient.setColorAt(0.5, Palette::makeGrey(0.52));
    gradient.setColorAt(1, Palette::makeGrey(0.7));
    painter.fillPath(shape, gradient);
    painter.fillRect(QRectF(cap.left(), cap.center().y() - 1, cap.width(), 2), Theme::black(0.75));
    Theme::strokeRoundedRectInside(painter, cap, 4, Theme::black(0.5));
}

void Fader::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    m_pressAt = event->position();
    m_startPos.reset();
}

void Fader::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressAt || !(event->buttons() & Qt::LeftButton)) return;
    const QPointF moved = event->position() - *m_pressAt;
    // A drag starts after one pixel of movement; from then on every step is
    // computed from the start, never from the previous step.
    if (!m_startPos && std::hypot(moved.x(), moved.y()) < 1) return;
    if (!m_startPos) m_startPos = faderPosition(m_db);
    const double t = travelHeight();
    if (t <= 0) return;
    Q_EMIT gainEdited(roundToTenth(faderDB(*m_startPos - moved.y() / t)));
}

void Fader::mouseReleaseEvent(QMouseEvent*) {
    m_pressAt.reset();
    m_startPos.reset();
}

void Fader::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Q_EMIT gainEdited(0);
    m_pressAt = event->position();
}

void Fader::keyPressEvent(QKeyEvent* event) {
    // The keyboard stands in for the accessibility adjustment: half a dB per step.
    if (const int direction = valueStep(event->key())) return step(direction);
    QWidget::keyPressEvent(event);
}
