#pragma once

#include <QList>
#include <QWidget>

class CompactNumberField;
class FIRDesignerView;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QVBoxLayout;
class SegmentedPicker;

// The four panels of the designer's left pane. Each shows the view's state when the view
// reports a change and hands every edit to one of the view's setters; none keeps state.

class ImportStep : public QWidget {
    Q_OBJECT
public:
    explicit ImportStep(FIRDesignerView& view, QWidget* parent = nullptr);
    void refresh();

    QLabel* summary;
    QPushButton* loadButton;
    QPushButton* pasteButton;
    QPushButton* clearButton;
    QCheckBox* normalise;
    QSlider* offset;
    QLabel* offsetValue;

private:
    FIRDesignerView& view_;
};

// One of the target's EQ bands: on, type, frequency, Q and gain.
class BandRow : public QWidget {
    Q_OBJECT
public:
    BandRow(FIRDesignerView& view, int index, QWidget* parent = nullptr);
    void refresh();
    double opacity() const;

    QCheckBox* on;
    QComboBox* type;
    CompactNumberField* hz;
    CompactNumberField* q;
    CompactNumberField* db;

private:
    FIRDesignerView& view_;
    int index_;
};

class TargetStep : public QWidget {
    Q_OBJECT
public:
    explicit TargetStep(FIRDesignerView& view, QWidget* parent = nullptr);
    void refresh();

    QCheckBox* bypass;
    QPushButton* reset;
    QCheckBox* hpOn;
    QComboBox* hpSlope;
    CompactNumberField* hpHz;
    QCheckBox* lpOn;
    QComboBox* lpSlope;
    CompactNumberField* lpHz;
    QList<BandRow*> bands;

private:
    FIRDesignerView& view_;
    QVBoxLayout* bandStack_;
};

class CorrectionStep : public QWidget {
    Q_OBJECT
public:
    explicit CorrectionStep(FIRDesignerView& view, QWidget* parent = nullptr);
    void refresh();

    QCheckBox* magOn;
    CompactNumberField* magMin;
    CompactNumberField* magMax;
    QCheckBox* aroundAverage;
    CompactNumberField* maxBoost;
    QCheckBox* phaseOn;
    CompactNumberField* phaseMin;
    CompactNumberField* phaseMax;
    QWidget* warning;
    QLabel* warningText;

private:
    FIRDesignerView& view_;
};

class GenerateStep : public QWidget {
    Q_OBJECT
public:
    explicit GenerateStep(FIRDesignerView& view, QWidget* parent = nullptr);
    void refresh();

    SegmentedPicker* taps;
    QPushButton* taps256;
    QPushButton* taps512;
    QLabel* latency;
    QLineEdit* name;
    QPushButton* exportButton;
    QPushButton* undoButton;
    QLabel* status;
    QLabel* unusable;

private:
    FIRDesignerView& view_;
};

// Small pieces the panels share.
namespace designerui {

QLabel* label(const QString& text, double px, bool secondary = false);
QCheckBox* checkBox(const QString& text, bool bold = false);
QPushButton* button(const QString& text);
QWidget* divider();
// Shows a value in a field unless it already shows it (a refresh must not disturb typing).
void showValue(CompactNumberField* field, double value);
// A frequency range: "From" [field] "to" [field].
QWidget* rangeRow(const QString& title, CompactNumberField* from, CompactNumberField* to);

}  // namespace designerui
