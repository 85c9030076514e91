#pragma once

#include <QWidget>
#include <array>

#include "editor/EditorKit.h"
#include "link/DSPModel.h"
#include "ui/controls/PanelGroupBox.h"

class Disc;
class DynamicsMeters;
class GateBox;
class KnobField;
class QAbstractButton;
class QComboBox;
class QLabel;

// The three dynamic-EQ bands: the most each can boost or cut, shaded, and
// white, what they do at the channel's current level.
class DEQFrequencyGraph : public QWidget {
    Q_OBJECT
public:
    DEQFrequencyGraph(DSPModel& model, int ch, double fMin, double fMax, double dbRange,
                      QWidget* parent = nullptr);

    static constexpr int curvePoints = 301;
    static const std::array<QColor, 3>& bandColours();

    void refresh();  // the bands' words changed
    double xPosition(double hz) const;
    double yPosition(double dB) const;
    // The live line's levels at the curve's frequencies, for the level given; none while
    // a band was never read, since its part of the line is unknown.
    QList<double> liveLevels(float level) const;
    bool bandKnown(int b) const { return m_known[b]; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double frequency(int i) const;
    void paintBands(QPainter& painter) const;  // grid, shaded areas, markers

    DSPModel& m_model;
    int m_ch;
    double m_fMin;
    double m_fMax;
    double m_dbRange;
    std::array<DSPModel::DEQBand, 3> m_bands{};
    std::array<bool, 3> m_known{};
    std::array<QList<double>, 3> m_areas;  // each band's response at its largest change
    PaintCache m_background;
};

// One band's panel: switch, mode, meters and seven knobs.
class DEQBandPanel : public PanelGroupBox {
    Q_OBJECT
public:
    DEQBandPanel(DSPModel& model, int ch, int band, QWidget* parent = nullptr);

    void refresh();
    void updateLive();
    void edit(const std::function<void(DSPModel::DEQBand&)>& change);

    QAbstractButton* activeToggle() const { return m_active; }
    QComboBox* modePicker() const { return m_mode; }
    QLabel* summary() const { return m_summary; }
    const QList<KnobField*>& knobs() const { return m_knobs; }
    DynamicsMeters* meters() const { return m_meters; }

private:
    KnobField* addKnob(const QString& label, double lo, double hi, bool log,
                       std::optional<double> defaultValue, double step, const QString& format,
                       const QString& unit, std::function<void(double)> commit);

    DSPModel& m_model;
    int m_ch;
    int m_band;
    Disc* m_dot;
    QLabel* m_summary;
    QAbstractButton* m_active;
    QComboBox* m_mode;
    QList<KnobField*> m_knobs;
    DynamicsMeters* m_meters;
};

// The Dynamics tab of an input channel: the dynamic EQ and the noise gate.
class DEQBox : public QWidget {
    Q_OBJECT
public:
    DEQBox(DSPModel& model, int ch, QWidget* parent = nullptr);

    void refresh();
    DEQFrequencyGraph* graph() const { return m_graph; }
    DEQBandPanel* band(int b) const { return m_bands[b]; }
    GateBox* gate() const { return m_gate; }
    QLabel* help() const { return m_help; }

private:
    void updateLive();

    DSPModel& m_model;
    int m_ch;
    DEQFrequencyGraph* m_graph;
    QLabel* m_help;
    GateBox* m_gate;
    std::array<DEQBandPanel*, 3> m_bands{};
};
