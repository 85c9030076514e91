#pragma once

#include <QColor>
#include <QLabel>

// A short upper-case label in the full colour on a faint capsule of it. It is a label, so a
// screen reader reads the badge as the screen shows it.
class Tag : public QLabel {
    Q_OBJECT
public:
    Tag(const QString& text, const QColor& colour, QWidget* parent = nullptr);

    void setColor(const QColor& colour);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_colour;
};
