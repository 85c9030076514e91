#pragma once

#include <QColor>
#include <QWidget>
#include <optional>

#include "ui/controls/ControlClock.h"

// The rotary knob. It maps its value to a position 0...1 on a linear or
// logarithmic scale, draws a 270-degree arc, and reports new values from a
// vertical drag, the scroll wheel, a double-click (back to the default) and
// the arrow keys. Every reported value is rounded to the step and clamped,
// except the default, which is reported as given. A click without movement
// reports nothing. The wheel turns the knob once the pointer has rested on it for
// a moment, in a scrolling pane too and with or without the focus; until then, and
// for inertia, the wheel goes on to the page, which scrolls. A knob that a scrolling page
// brings under a still pointer has not been rested on: its moment starts when the pointer
// moves.
class Encoder : public QWidget {
    Q_OBJECT
public:
    struct Scale {
        double lo = 0;
        double hi = 1;
        bool log = false;
        double quantum = 0.1;

        double norm(double value) const;
        double valueForNorm(double n) const;
    };

    Encoder(Scale scale, bool bipolar, std::optional<double> defaultValue, const QColor& tint, double size,
            QWidget* parent = nullptr);

    void setValue(double value);
    // Until the next setValue the knob shows no setting: no pointer, no arc, no value.
    void showUnknown();
    bool known() const { return m_known; }
    double value() const { return m_value; }
    void setTint(const QColor& tint);
    const Scale& scale() const { return m_scale; }
    double norm() const { return m_scale.norm(m_value); }
    void setClock(ControlClock clock) { m_clock = std::move(clock); }

    // The value one accessibility step up or down: a hundredth of the travel,
    // but always at least one step, so a coarse knob can still be adjusted.
    double adjusted(int direction) const;
    // Reports the value one step up or down; at the end of the range there is nothing to report.
    void step(int direction);

    static QString helpText();

Q_SIGNALS:
    void valueEdited(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool onKnob(const QPointF& point) const;
    void updateAccessibleValue();
    // The wheel's next step starts from the value shown.
    void resyncScroll();
    void forgetRestWhenPanesScroll();
    void restartRest();
    // The pointer is over the knob now; `moved`: it moved there, rather than the knob coming
    // under it.
    void pointerCame(bool moved);

    Scale m_scale;
    bool m_bipolar;
    std::optional<double> m_default;
    QColor m_tint;
    double m_size;
    double m_value = 0;
    bool m_known = true;
    ControlClock m_clock = steadyClock();
    std::optional<double> m_startNorm;  // set while the button is down on the knob
    bool m_dragged = false;             // the press has moved since
    QPointF m_pressAt;
    bool m_hovering = false;
    std::optional<double> m_restStart;       // since the pointer came; none until a still one moves
    QPoint m_stillAt;                        // where the pointer stood when the knob came
    std::optional<double> m_scrollNorm;      // unrounded, accumulates small wheel steps
    std::optional<double> m_scrollReported;  // the value the wheel reported last
};

// Fine adjustment: Option on the original platform; Alt or Shift here, since
// window managers take Alt-drag for themselves.
bool fineModifier(Qt::KeyboardModifiers modifiers);

class CompactNumberField;
class QLabel;

// A labelled knob: an upper-case caption, a 34-pixel knob and a typed field, in
// a column of fixed width. Typed numbers are clamped to the range, not rounded.
class KnobField : public QWidget {
    Q_OBJECT
public:
    KnobField(const QString& label, Encoder::Scale scale, bool bipolar, std::optional<double> defaultValue,
              const QString& format, const QString& unit, const QColor& tint, double width,
              QWidget* parent = nullptr);

    void setValue(double value);
    // The field shows "—" and the knob no pointer.
    void showUnknown();
    void setTint(const QColor& tint);
    Encoder* encoder() const { return m_encoder; }
    CompactNumberField* field() const { return m_field; }

    static double fieldWidth(double width, bool hasUnit);

Q_SIGNALS:
    void committed(double value);

protected:
    bool event(QEvent* event) override;

private:
    Encoder* m_encoder;
    CompactNumberField* m_field;
};
