#pragma once

#include <QColor>
#include <QVector>
#include <QWidget>
#include <optional>

// The vertical gain fader: a dB scale, a recessed track, a fill up to the cap
// and the cap. It shows the gain it is given and reports every new gain the
// user asks for; the owner stores it and sets the gain back.
class Fader : public QWidget {
    Q_OBJECT
public:
    Fader(double capH, double capW, QVector<double> marks, QWidget* parent = nullptr);

    static constexpr double minimumDB = -60;
    static constexpr double maximumDB = 15;

    void setDB(double db);
    // Until the next setDB the fader shows no gain: no cap, no fill, no value.
    void showUnknown();
    bool known() const { return m_known; }
    double db() const { return m_db; }
    void setTint(const QColor& tint);
    QColor tint() const { return m_tint; }

    // Geometry of the current size, in pixels from the top left.
    double travelHeight() const { return height() - m_capH; }
    double trackX() const { return width() - m_capW / 2 - 1; }
    double yForDB(double db) const;
    // Height of the level fill below the cap.
    double fillHeight() const;
    // The gain one key or accessibility step up or down: half a dB, clamped, not rounded.
    double adjusted(int direction) const;
    // Reports the gain one step up or down; at the end of the range there is nothing to report.
    void step(int direction);

Q_SIGNALS:
    void gainEdited(double db);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void paintMarks(QPainter& painter) const;
    void paintTrackAndFill(QPainter& painter) const;
    void paintCap(QPainter& painter) const;
    void updateAccessibleValue();

    double m_capH;
    double m_capW;
    QVector<double> m_marks;
    double m_db = 0;
    bool m_known = true;
    QColor m_tint;
    std::optional<QPointF> m_pressAt;  // where the button went down
    std::optional<double> m_startPos;  // travel at the start of the current drag
};
