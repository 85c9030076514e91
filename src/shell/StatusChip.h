#pragma once

#include <QColor>
#include <QGradient>
#include <QWidget>

class QHBoxLayout;

// A capsule in a state colour that starts with a coloured dot; the caller adds
// the label widgets.
class StatusChip : public QWidget {
    Q_OBJECT
public:
    StatusChip(const QColor& colour, bool glow, QWidget* parent = nullptr);

    void addWidget(QWidget* widget);
    QColor colour() const { return m_colour; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_colour;
    QHBoxLayout* m_row;
    QWidget* m_dot;
    QGradientStops m_glow;  // empty: no glow
};

// The smallest spinning progress indicator; it only animates while shown.
class Spinner : public QWidget {
    Q_OBJECT
public:
    explicit Spinner(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {12, 12}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int m_timer = 0;
    int m_step = 0;
    void timerEvent(QTimerEvent* event) override;
};
