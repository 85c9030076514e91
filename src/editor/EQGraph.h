#pragma once

#include <QList>
#include <QPointF>
#include <QWidget>
#include <optional>

#include "editor/EditorKit.h"

class DSPModel;

// The channel's EQ and filter response on a logarithmic frequency axis, with a
// numbered marker per band that a tap selects and a drag retunes. The curve is
// computed when the words change, so repaints (resizes, selection) are cheap.
class EQGraph : public QWidget {
    Q_OBJECT
public:
    EQGraph(DSPModel& model, int ch, double fMin, double fMax, double dbRange, QWidget* parent = nullptr);

    static constexpr int curvePoints = 301;

    void refresh();  // re-reads the words
    void setSelected(int band);
    int selected() const { return m_selected; }

    double xPosition(double hz) const;
    double yPosition(double dB) const;
    QPointF markerCentre(int band) const;
    double responseAt(double hz) const;  // from the words read at the last refresh
    // A curve is drawn only once every band and filter it sums was read.
    bool drawsCurve() const { return !m_levels.isEmpty(); }
    // The drag rule: retunes band b to the pointer position and selects it.
    void dragBand(int band, QPointF pointer);

Q_SIGNALS:
    void selectedChanged(int band);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Marker {
        double freq;
        double gain;
        bool on;
        bool read;  // the device reported the band
    };
    void select(int band);
    std::optional<int> markerAt(QPointF point) const;
    void paintGrid(QPainter& painter) const;
    void paintCurve(QPainter& painter) const;
    void paintMarkers(QPainter& painter) const;

    DSPModel& m_model;
    int m_ch;
    double m_fMin;
    double m_fMax;
    double m_dbRange;
    int m_selected = 0;
    QList<double> m_levels;  // the response at the curve's frequencies, not clamped; empty: no curve
    QList<Marker> m_markers;
    PaintCache m_background;  // frame, grid and curve
    std::optional<int> m_pressed;
    QPointF m_pressAt;
    bool m_dragging = false;
};
