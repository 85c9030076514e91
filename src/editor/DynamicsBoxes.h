#pragma once

#include "link/DSPModel.h"
#include "link/ParamMap.h"
#include "ui/controls/PanelGroupBox.h"

class DynamicsMeters;
class KnobField;
class QAbstractButton;
class QLabel;
class TransferCurve;

// The panels of the Dynamics tab. Each keeps no device state: refresh() shows
// the stored settings, updateLive() the estimates for the current level, which
// the meter store drives about ten times a second.
class DynamicsPanel : public PanelGroupBox {
    Q_OBJECT
public:
    DynamicsPanel(const QString& title, DSPModel& model, int ch, QWidget* parent = nullptr);

    virtual void refresh() = 0;
    virtual void updateLive() = 0;
    QAbstractButton* onToggle() const { return m_on; }
    const QList<KnobField*>& knobs() const { return m_knobs; }
    DynamicsMeters* meters() const { return m_meters; }

protected:
    KnobField* addKnob(const QString& label, double lo, double hi, bool log,
                       std::optional<double> defaultValue, double step, const QString& format,
                       const QString& unit, std::function<void(double)> commit);
    // The compressor's and limiter's arrangement: switch and knobs, curve, meters.
    void layOutWithCurve(TransferCurve* curve);
    struct Blocks {
        ParamMap::Block settings;
        ParamMap::Block onSwitch;
    };
    // Shows the switch as `on` and the knobs lit for it, as far as they were read: settings or
    // a switch the device never reported are shown but cannot be edited, and say why. A switch
    // written through the settings needs them read too.
    void showSwitch(Blocks blocks, bool on, bool writtenWithSettings);
    struct Setting {
        float threshold;
        float level;
        bool on;
    };
    // Draws the curve of settings that were read, or the grid alone; true when the switch was
    // read too, so that the gain change and the output can be estimated.
    bool showCurve(TransferCurve* curve, Blocks blocks, Setting setting, std::function<float(float)> output);

    DSPModel& m_model;
    int m_ch;
    QAbstractButton* m_on;
    QList<KnobField*> m_knobs;
    DynamicsMeters* m_meters = nullptr;
};

class CompressorBox : public DynamicsPanel {
    Q_OBJECT
public:
    CompressorBox(DSPModel& model, int ch, QWidget* parent = nullptr);
    void refresh() override;
    void updateLive() override;
    TransferCurve* curve() const { return m_curve; }

private:
    void edit(const std::function<void(DSPModel::Compressor&)>& change);
    TransferCurve* m_curve;
};

class LimiterBox : public DynamicsPanel {
    Q_OBJECT
public:
    LimiterBox(DSPModel& model, int ch, QWidget* parent = nullptr);
    void refresh() override;
    void updateLive() override;
    TransferCurve* curve() const { return m_curve; }

private:
    void edit(const std::function<void(DSPModel::Limiter&)>& change);
    TransferCurve* m_curve;
};

class GateBox : public DynamicsPanel {
    Q_OBJECT
public:
    GateBox(DSPModel& model, int ch, QWidget* parent = nullptr);
    void refresh() override;
    void updateLive() override;
    void setOn(bool on);
    void setThreshold(double dB);
    QLabel* status() const { return m_status; }

private:
    bool isOn() const;
    float threshold() const;
    QLabel* m_status;
};
