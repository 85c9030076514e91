#pragma once

#include <QColor>
#include <QWidget>

// A short upper-case label in the full colour on a faint capsule of it.
class Tag : public QWidget {
    Q_OBJECT
public:
    Tag(const QString& text, const QColor& colour, QWidget* parent = nullptr);

    void setText(const QString& text);
    void setColor(const QColor& colour);
    QString text() const { return m_text; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QColor m_colour;
};
