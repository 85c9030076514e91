#include "ui/controls/Encoder.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "ui/controls/CompactNumberField.h"
#include "ui/controls/KeySteps.h"
#include "ui/controls/Palette.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/Theme.h"

namespace {

constexpr double kArcStartDegrees = 135;  // lower left, clockwise from +x with y down
constexpr double kArcSweepDegrees = 270;
constexpr double kDragSpan = 160;  // pixels of vertical drag for the whole travel
constexpr double kFine = 0.2;
constexpr double kScrollIgnoreSeconds = 0.35;

double clampTo(double v, double lo, double hi) {
    return v <= lo ? lo : (v > hi ? hi : v);
}

// Qt's arcs run counter-clockwise from +x in sixteenths of a degree.
int qtAngle(double clockwiseDegrees) {
    return qRound(-clockwiseDegrees * 16);
}

}  // namespace

bool fineModifier(Qt::KeyboardModifiers modifiers) {
    return modifiers & (Qt::AltModifier | Qt::ShiftModifier);
}

double Encoder::Scale::norm(double value) const {
    const double v = clampTo(value, lo, hi);
    return log ? std::log(v / lo) / std::log(hi / lo) : (v - lo) / (hi - lo);
}

double Encoder::Scale::valueForNorm(double n) const {
    const double t = clampTo(n, 0, 1);
    double v = log ? lo * std::pow(hi / lo, t) : lo + t * (hi - lo);
    v = quantum * std::round(v / quantum);
    return clampTo(v, lo, hi);
}

Encoder::Encoder(Scale scale, bool bipolar, std::optional<double> defaultValue, const QColor& tint,
                 double size, QWidget* parent)
    : QWidget(parent),
      m_scale(scale),
      m_bipolar(bipolar),
      m_default(defaultValue),
      m_tint(tint),
      m_size(size) {
    setFixedSize(qRound(size), qRound(size));
    setToolTip(helpText());
    // A click gives the knob the focus, for the arrow keys; the wheel needs no focus.
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    // A pointer moved onto a knob that a scroll brought under it gets no enter event; its
    // moves are what tell the knob that the pointer is over it.
    setMouseTracking(true);
}

QString Encoder::helpText() {
    return QStringLiteral("Drag up/down or scroll to turn · Shift for fine · double-click to reset");
}

void Encoder::setValue(double value) {
    if (!m_known) {
        m_known = true;
        showReadState(*this, true);
        update();
    }
    if (value == m_value) return;
    // The wheel works on its own unrounded position while the values it reports come
    // back; any other value (a drag, a double-click, typing, another view, the device)
    // moves that position to the value shown.
    const bool fromWheel = m_scrollReported && std::abs(value - *m_scrollReported) <=
                                                   1e-6 * std::max(1.0, std::abs(*m_scrollReported));
    if (!fromWheel) resyncScroll();
    m_value = value;
    updateAccessibleValue();
    update();
}

void Encoder::setTint(const QColor& tint) {
    if (tint == m_tint) return;
    m_tint = tint;
    update();
}

void Encoder::showUnknown() {
    if (!m_known) return;
    m_known = false;
    showReadState(*this, false);
    update();
}

void Encoder::resyncScroll() {
    m_scrollNorm.reset();
    m_scrollReported.reset();
}

void Encoder::updateAccessibleValue() {
    // Assistive tools hear the new value; nothing is made when none listens.
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent event(this, m_value);
    QAccessible::updateAccessibility(&event);
}

double Encoder::adjusted(int direction) const {
    const double current = m_scale.valueForNorm(norm());
    const double next = m_scale.valueForNorm(norm() + 0.01 * direction);
    if (next != current) return next;
    const double q = m_scale.quantum;
    return clampTo(q * std::round((current + direction * q) / q), m_scale.lo, m_scale.hi);
}

void Encoder::step(int direction) {
    const double next = adjusted(direction);
    if (next != m_value) Q_EMIT valueEdited(next);
}

bool Encoder::onKnob(const QPointF& point) const {
    const QPointF d = point - QPointF(m_size / 2, m_size / 2);
    return std::hypot(d.x(), d.y()) <= m_size / 2;
}

void Encoder::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A knob whose setting is unknown stays visible but faded, like other disabled controls.
    if (!isEnabled()) painter.setOpacity(0.35);
    const double s = m_size;
    const QRectF ring(1.5, 1.5, s - 3, s - 3);
    const double n = norm();

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Theme::white(0.12), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(ring, qtAngle(kArcStartDegrees), qtAngle(kArcSweepDegrees));

    const double from = std::min(m_bipolar ? 0.5 : 0.0, n);
    const double to = std::max(m_bipolar ? 0.5 : 0.0, n);
    if (m_known && to > from) {
        painter.setPen(QPen(m_tint, 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(ring, qtAngle(kArcStartDegrees + from * kArcSweepDegrees),
                        qtAngle((to - from) * kArcSweepDegrees));
    }

    const QRectF body(6, 6, s - 12, s - 12);
    QPainterPath disc;
    disc.addEllipse(body);
    Theme::paintShadow(painter, disc, Theme::black(0.5), 1.5, 0, 1);
    QLinearGradient gradient(body.topLeft(), body.bottomLeft());
    gradient.setColorAt(0, Palette::makeGrey(0.34));
    gradient.setColorAt(1, Palette::makeGrey(0.17));
    painter.fillPath(disc, gradient);
    painter.setPen(QPen(Theme::black(0.6), 1));
    painter.drawEllipse(body.adjusted(0.5, 0.5, -0.5, -0.5));

    // A pointer at the bottom of the travel would read as a setting nobody reported.
    if (!m_known) return;
    painter.save();
    painter.translate(s / 2, s / 2);
    painter.rotate(kArcStartDegrees + 90 + kArcSweepDegrees * n);
    const double pointerH = 0.22 * s;
    const bool active = m_hovering || m_startNorm.has_value();
    Theme::fillCapsule(painter, QRectF(-1, -0.2 * s - pointerH / 2, 2, pointerH),
                       active ? m_tint : Theme::white(0.85));
    painter.restore();
}

void Encoder::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !onKnob(event->position()))
        return QWidget::mousePressEvent(event);
    m_pressAt = event->position();
    m_startNorm = norm();
    m_dragged = false;
    update();
    // Nothing is reported yet: a click that does not move is not an edit, so it never
    // rounds the value to the step or writes it to the channel and its group.
}

void Encoder::mouseMoveEvent(QMouseEvent* event) {
    // A move of a knob's own pointer, or the first over a knob that came under a still one.
    if (!m_hovering || (!m_restStart && event->globalPosition().toPoint() != m_stillAt)) pointerCame(true);
    if (!m_startNorm) return;
    const double dy = event->position().y() - m_pressAt.y();
    if (dy == 0 && !m_dragged) return;
    m_dragged = true;
    const double k = fineModifier(QApplication::keyboardModifiers() | event->modifiers()) ? kFine : 1.0;
    Q_EMIT valueEdited(m_scale.valueForNorm(*m_startNorm + k * (-dy / kDragSpan)));
}

void Encoder::mouseReleaseEvent(QMouseEvent*) {
    if (m_dragged) resyncScroll();
    m_startNorm.reset();
    m_dragged = false;
    update();
}

void Encoder::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !onKnob(event->position())) return;
    m_pressAt = event->position();
    m_startNorm = norm();
    m_dragged = false;
    if (!m_default) return;
    resyncScroll();
    Q_EMIT valueEdited(*m_default);
}

void Encoder::enterEvent(QEnterEvent*) {
    pointerCame(true);
}

void Encoder::pointerCame(bool moved) {
    m_hovering = true;
    resyncScroll();
    m_restStart = moved ? std::optional(m_clock()) : std::nullopt;
    m_stillAt = QCursor::pos();
    forgetRestWhenPanesScroll();
    update();
}

void Encoder::forgetRestWhenPanesScroll() {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        auto* pane = qobject_cast<QAbstractScrollArea*>(w);
        if (!pane) continue;
        for (QScrollBar* bar : {pane->verticalScrollBar(), pane->horizontalScrollBar()})
            connect(bar, &QScrollBar::valueChanged, this, &Encoder::restartRest, Qt::UniqueConnection);
    }
}

// A pane that scrolls moves the knob away from under the pointer, or under it, without a
// leave or enter event. A knob the page brought under a still pointer has not been rested on:
// its rest starts once the pointer moves.
void Encoder::restartRest() {
    if (m_hovering) leaveEvent(nullptr);
    if (isVisible() && rect().contains(mapFromGlobal(QCursor::pos()))) pointerCame(false);
}

void Encoder::leaveEvent(QEvent*) {
    m_hovering = false;
    resyncScroll();
    update();
}

void Encoder::wheelEvent(QWheelEvent* event) {
    // Without an enter or a move first, the knob came under a still pointer by scrolling.
    if (!m_hovering) pointerCame(false);
    // Inertia, and a page scrolling past under a resting pointer, go to the page; so does
    // every turn over a knob the page brought under the pointer, until the pointer moves onto
    // it and rests: the last turns of a page scrolled to its end are still meant for the page.
    if (event->phase() == Qt::ScrollMomentum || !m_restStart ||
        m_clock() - *m_restStart <= kScrollIgnoreSeconds) {
        event->ignore();
        return;
    }
    const bool fine = fineModifier(event->modifiers());
    // Some desktops turn a wheel held with Alt or Shift sideways; it still turns the knob finely.
    const auto vertical = [fine](QPoint delta) { return delta.y() == 0 && fine ? delta.x() : delta.y(); };
    double d;
    if (!event->pixelDelta().isNull()) {
        d = vertical(event->pixelDelta()) / 300.0;
    } else {
        // A notch (120 eighths of a degree) is one step of a sixtieth of the travel, whatever
        // the desktop's lines per notch; a high-resolution wheel sends parts of a notch.
        d = vertical(event->angleDelta()) / 120.0 / 60.0;
    }
    // A sideways swipe is meant for the page, not for the knob.
    if (d == 0) {
        event->ignore();
        return;
    }
    const double k = fine ? kFine : 1.0;
    const double n = clampTo(m_scrollNorm.value_or(norm()) + d * k, 0, 1);
    m_scrollNorm = n;
    event->accept();
    // At the end of the travel, or a part of a notch short of the next step, the value stays
    // and nothing is written again.
    const double reported = m_scale.valueForNorm(n);
    if (reported == m_value) return;
    m_scrollReported = reported;
    Q_EMIT valueEdited(reported);
}

void Encoder::keyPressEvent(QKeyEvent* event) {
    if (const int direction = valueStep(event->key())) return step(direction);
    QWidget::keyPressEvent(event);
}

double KnobField::fieldWidth(double width, bool hasUnit) {
    return std::min(width - (hasUnit ? 20 : 8), 52.0);
}

KnobField::KnobField(const QString& label, Encoder::Scale scale, bool bipolar,
                     std::optional<double> defaultValue, const QString& format, const QString& unit,
                     const QColor& tint, double width, QWidget* parent)
    : QWidget(parent),
      m_encoder(new Encoder(scale, bipolar, defaultValue, tint, 34)),
      m_field(new CompactNumberField(format, unit, fieldWidth(width, !unit.isEmpty()))) {
    auto* caption = new PlainLabel(label);
    caption->setFont(Theme::capsFont(9, QFont::DemiBold, 0));
    QPalette palette = caption->palette();
    palette.setColor(QPalette::WindowText, Theme::secondaryText());
    caption->setPalette(palette);
    caption->setAlignment(Qt::AlignCenter);
    m_encoder->setAccessibleName(label);
    m_field->lineEdit()->setAccessibleName(label);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(3);
    column->addWidget(caption, 0, Qt::AlignHCenter);
    column->addWidget(m_encoder, 0, Qt::AlignHCenter);
    column->addWidget(m_field, 0, Qt::AlignHCenter);
    m_field->setRange(scale.lo, scale.hi);
    setFixedWidth(std::max(qRound(width), m_field->sizeHint().width()));

    connect(m_encoder, &Encoder::valueEdited, this, &KnobField::committed);
    connect(m_field, &CompactNumberField::committed, this,
            [this, scale](double typed) { Q_EMIT committed(clampTo(typed, scale.lo, scale.hi)); });
}

// The control's help is its field's too, so it is shown over the typed value and read with
// it; the knob keeps its own how-to, as it is worked differently.
bool KnobField::event(QEvent* event) {
    if (event->type() == QEvent::ToolTipChange) m_field->setToolTip(ownToolTip(*this));
    return QWidget::event(event);
}

void KnobField::setValue(double value) {
    m_encoder->setValue(value);
    m_field->setValue(value);
}

void KnobField::showUnknown() {
    m_encoder->showUnknown();
    m_field->showUnknown();
}

void KnobField::setTint(const QColor& tint) {
    m_encoder->setTint(tint);
}
