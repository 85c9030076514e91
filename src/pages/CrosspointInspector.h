#pragma once

#include <QWidget>

#include <optional>

class CompactNumberField;
class DSPModel;
class Encoder;
class QCheckBox;
class QLabel;

// The panel beside the routing grids: the selected crosspoint's caption, its on
// switch and its level as a knob and a typed field. Holds no device value; it shows
// the model's words for whatever the page has selected.
class CrosspointInspector : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 200;
    static constexpr double minLevel = -60;
    static constexpr double maxLevel = 12;

    explicit CrosspointInspector(DSPModel& model, QWidget* parent = nullptr);

    void setSelected(std::optional<quint32> selected);
    std::optional<quint32> selected() const { return m_selected; }
    // Redraws from the model's table.
    void refresh();

    // The edits, each on one crosspoint; the other half of its words stays as stored.
    static void setConnected(DSPModel& model, quint32 crosspoint, bool on);
    static void setLevel(DSPModel& model, quint32 crosspoint, double level);
    static void setTypedLevel(DSPModel& model, quint32 crosspoint, double level);

    QLabel* emptyHint() const { return m_emptyHint; }
    QLabel* caption() const { return m_caption; }
    QCheckBox* connectedToggle() const { return m_connected; }
    Encoder* knob() const { return m_knob; }
    CompactNumberField* levelField() const { return m_field; }

private:
    QWidget* buildSelectedPart();

    DSPModel& m_model;
    std::optional<quint32> m_selected;
    QLabel* m_emptyHint;
    QWidget* m_selectedPart;
    QLabel* m_caption = nullptr;
    QCheckBox* m_connected = nullptr;
    Encoder* m_knob = nullptr;
    CompactNumberField* m_field = nullptr;
};
