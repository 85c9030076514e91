#pragma once

#include <QColor>
#include <QVector>
#include <QWidget>
#include <functional>
#include <optional>

class MeterBar;
class MeterTicks;
class QLabel;

// The segmented gain-change bar: a reduction grows down from the top, a boost
// up from the bottom.
class GRMeter : public QWidget {
    Q_OBJECT
public:
    explicit GRMeter(QWidget* parent = nullptr);

    void setState(float amount, bool boost, QVector<float> marks, bool active);
    static int segmentCount(double height);
    int litCount() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    float m_amount = 0;
    bool m_boost = false;
    QVector<float> m_marks;
    bool m_active = false;
};

// The static input-to-output curve of a dynamics block with its live point.
class TransferCurve : public QWidget {
    Q_OBJECT
public:
    using Output = std::function<float(float)>;
    explicit TransferCurve(QWidget* parent = nullptr);

    void setState(float threshold, float level, const QColor& tint, Output output, float lo = -60,
                  float hi = 24);
    // Settings never read draw only the grid: no threshold, no curve, no live point.
    void showUnknown();
    bool drawsCurve() const { return bool(m_output); }
    std::optional<QPointF> livePoint() const;
    QPointF point(float in, float out) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    float m_threshold = 0;
    float m_level = -90;
    QColor m_tint;
    Output m_output;
    float m_lo = -60;
    float m_hi = 24;
};

// IN, gain change and OUT of a dynamics block as bars with their values and scales.
class DynamicsMeters : public QWidget {
    Q_OBJECT
public:
    struct Reading {
        float input = -90;
        float gr = 0;  // a magnitude: reduction, or boost when `boost`
        bool boost = false;
        bool active = false;
        std::optional<float> threshold;
        // False where the settings behind GR and OUT were never read: they show "—".
        bool known = true;
    };

    DynamicsMeters(bool deqScale, double height, bool compact, QWidget* parent = nullptr);

    void setReading(const Reading& reading);
    const Reading& reading() const { return m_reading; }
    float shownChange() const;
    float outputLevel() const;
    QString inText() const;
    QString grText() const;
    QString outText() const;
    QString grCaption() const;
    GRMeter* grMeter() const { return m_grMeter; }
    // Centre of the threshold marker over the IN bar, or none when not drawn.
    std::optional<double> thresholdMarkerY() const;

    static QString helpText(bool boost);

private:
    QWidget* column(const QString& caption, QWidget* bars, QLabel** value, QLabel** captionLabel = nullptr);

    bool m_deqScale;
    double m_height;
    bool m_compact;
    Reading m_reading;
    MeterBar* m_inBar;
    MeterBar* m_outBar;
    GRMeter* m_grMeter;
    MeterTicks* m_reductionScale;
    MeterTicks* m_boostScale;
    QWidget* m_marker;
    QLabel* m_inValue = nullptr;
    QLabel* m_grValue = nullptr;
    QLabel* m_outValue = nullptr;
    QLabel* m_grCaption = nullptr;
};
