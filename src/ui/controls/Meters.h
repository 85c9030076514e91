#pragma once

#include <QColor>
#include <QImage>
#include <QTimer>
#include <QVector>
#include <QWidget>
#include <limits>

#include "ui/controls/ControlClock.h"

// The meter scale in dBu: eleven marks, evenly spaced on screen.
const QVector<float>& meterScaleMarks();

// The 0...1 position of a level over ascending marks, linear inside each
// interval. An empty list gives 0, and so does a level that is not a number: no level is drawn.
double meterPosition(const QVector<float>& marks, float value);

// Colours of the level bands: green below +6, amber to +14, red above.
enum class MeterBand { green, amber, red };
MeterBand meterBand(float dBu);
QColor meterBandColor(MeterBand band);

// The segmented vertical level bar with ballistics: the display falls at
// 20 dB/s and jumps up at once, a peak is held for 1.5 s, and the clip light
// stays lit for 2 s after a level of +19.5 dBu or more. A level that stays the
// same runs nothing, but while the display still falls, a peak is held or the
// clip light is lit, a tick of its own carries on.
//
// Levels move ten times a second on every strip, so a step repaints only the
// segments, peak and clip light it changed. Given the colour behind it, the bar
// paints opaque: nothing under it is drawn again.
class MeterBar : public QWidget {
    Q_OBJECT
public:
    explicit MeterBar(bool showClip, QWidget* parent = nullptr);

    // The flat colour the bar stands on; from then on it paints every pixel itself.
    void setBackdrop(const QColor& colour);

    // Runs the ballistics when the level differs from the last one, then repaints.
    void setLevel(float dBu);
    // Whether the bar still changes over time without a new level.
    bool settling() const { return m_tick.isActive(); }
    float level() const { return m_level; }
    void setClock(ControlClock clock) {
        m_clock = std::move(clock);
        m_last = m_clock();
    }

    struct Segments {
        double clipHeight;  // 0 without the clip light
        double area;        // height of the segment area
        int count;
        double pitch;
    };
    static Segments segments(double width, double height, bool showClip);
    // The scale value at the centre of segment i of n.
    static float segmentValue(int i, int n);

    float shownLevel() const { return m_shown; }
    float peakLevel() const { return m_peak; }
    int litCount(int segmentCount) const;
    int peakIndex(int segmentCount) const;
    bool clipLit() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // One step of the ballistics toward the current level; `changed` when the level is new.
    void advance(bool changed);
    struct Look {
        int lit;
        int peak;
        bool clip;
        bool operator==(const Look&) const = default;
    };
    Look look() const;
    // The part of the bar that differs between two looks.
    QRect changedArea(const Look& from, const Look& to) const;
    QRectF segmentRows(int from, int to) const;

    // The segment column drawn once per size, all lit or all dark.
    const QImage& segmentImage(const Segments& s, bool lit);
    void drawSegmentRows(QPainter& painter, const QImage& image, double top, double bottom) const;

    bool m_showClip;
    QColor m_backdrop = Qt::transparent;
    QImage m_litSegments;
    QImage m_darkSegments;
    ControlClock m_clock = steadyClock();
    float m_level = std::numeric_limits<float>::quiet_NaN();
    float m_shown = -90;
    double m_last;
    float m_peak = -90;
    double m_peakTime = -std::numeric_limits<double>::infinity();
    double m_clipTime = -std::numeric_limits<double>::infinity();
    QTimer m_tick;
    Look m_painted{};
};

// Scale labels beside a meter; always 16 pixels wide.
class MeterTicks : public QWidget {
    Q_OBJECT
public:
    MeterTicks(QVector<float> marks, QVector<float> labels, bool clipSpace, bool downward, QString prefix,
               QWidget* parent = nullptr);

    struct Label {
        QString text;
        double y;
    };
    QVector<Label> labelsForHeight(double height) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVector<float> m_marks;
    QVector<float> m_labels;
    bool m_clipSpace;
    bool m_downward;
    QString m_prefix;
};

// The thin horizontal bar of the sidebar rows and the channel header. It repaints
// only when its fill gains or loses a pixel or changes colour.
class HorizontalMeter : public QWidget {
    Q_OBJECT
public:
    explicit HorizontalMeter(QWidget* parent = nullptr);
    void setLevel(float dBu);
    float level() const { return m_level; }
    // As for the level bar: the flat colour under the meter, which it then paints itself.
    void setBackdrop(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Look {
        int fill;  // device pixels
        MeterBand band;
        bool operator==(const Look&) const = default;
    };
    Look look() const;

    float m_level = -90;
    QColor m_backdrop = Qt::transparent;
};
