#pragma once

#include <QList>
#include <QWidget>

#include "link/CentralControl.h"

class Dialogs;
class KeptEdits;
class NumberField;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QPushButton;
class SegmentedPicker;

// A label with minus and plus buttons that steps an integer within a range; one spin button
// for assistive tools.
class Stepper : public QWidget {
    Q_OBJECT
public:
    Stepper(QString prefix, int lo, int hi, QWidget* parent = nullptr);

    void setValue(int value);
    int value() const { return m_value; }
    int minimum() const { return m_lo; }
    int maximum() const { return m_hi; }
    const QString& prefix() const { return m_prefix; }
    // Moves the value by `delta` into the range and reports it, as the buttons do.
    void step(int delta);
    QLabel* label() const { return m_label; }
    QPushButton* minusButton() const { return m_minus; }
    QPushButton* plusButton() const { return m_plus; }

Q_SIGNALS:
    void stepped(int value);

private:
    QString m_prefix;
    int m_lo;
    int m_hi;
    int m_value = 0;
    QLabel* m_label;
    QPushButton* m_minus;
    QPushButton* m_plus;
};

// The control-codes page: composes one request for an external control system and
// shows its code as hex text with a copy button. It never talks to the device.
class ControlCodesView : public QWidget {
    Q_OBJECT
public:
    static constexpr int copiedMilliseconds = 1500;

    // The command composed here outlives the page in `kept` (the window's), as typed text does.
    explicit ControlCodesView(Dialogs& dialogs, KeptEdits* kept = nullptr, QWidget* parent = nullptr);

    static QList<CentralControl::Control> controlChoices(CentralControl::Kind kind);
    // The channel count of a side: 4 inputs, 8 outputs.
    static int channelCount(CentralControl::Side side);

    const CentralControl::Request& request() const { return m_r; }
    bool copied() const { return m_copied; }
    QString codeText() const;
    void copyCode();

    SegmentedPicker* kindPicker() const { return m_kind; }
    QComboBox* controlPicker() const { return m_control; }
    QComboBox* sidePicker() const { return m_side; }
    QComboBox* channelPicker() const { return m_channel; }
    Stepper* sceneStepper() const { return m_scene; }
    Stepper* inputChannelStepper() const { return m_inputChannel; }
    Stepper* outputChannelStepper() const { return m_outputChannel; }
    QCheckBox* mutedToggle() const { return m_muted; }
    QCheckBox* onToggle() const { return m_on; }
    NumberField* gainField() const { return m_gain; }
    QComboBox* modePicker() const { return m_mode; }
    SegmentedPicker* directionPicker() const { return m_direction; }
    Stepper* stepStepper() const { return m_step; }
    QLabel* codeLabel() const { return m_code; }
    QPushButton* copyButton() const { return m_copy; }
    // Whether the editor row holding this control is shown.
    bool isRowShown(QWidget* control) const;

private:
    QWidget* buildEditor();
    void reserveRoom(QWidget& editor);
    QWidget* buildCodeRow();
    bool allowsAll() const;
    void setSide(CentralControl::Side side);
    void setGain(double value);
    void refresh();

    Dialogs& m_dialogs;
    KeptEdits* m_kept;
    CentralControl::Request m_r;
    bool m_copied = false;
    QFormLayout* m_form = nullptr;
    SegmentedPicker* m_kind = nullptr;
    QComboBox* m_control = nullptr;
    QComboBox* m_side = nullptr;
    QComboBox* m_channel = nullptr;
    Stepper* m_scene = nullptr;
    Stepper* m_inputChannel = nullptr;
    Stepper* m_outputChannel = nullptr;
    QCheckBox* m_muted = nullptr;
    QCheckBox* m_on = nullptr;
    NumberField* m_gain = nullptr;
    QComboBox* m_mode = nullptr;
    SegmentedPicker* m_direction = nullptr;
    Stepper* m_step = nullptr;
    QLabel* m_code = nullptr;
    QPushButton* m_copy = nullptr;
};
