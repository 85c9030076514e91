#pragma once

#include <QSlider>

#include <functional>

// A slider whose steps are already the unit it shows beside it (whole dB, say): assistive
// tools read its value as the text shown, and its increase and decrease actions step it as
// the arrow keys do. Like every slider, it reports nothing when a step leaves it where it is.
class UnitSlider : public QSlider {
    Q_OBJECT
public:
    UnitSlider(Qt::Orientation orientation, std::function<QString(int)> valueText, QWidget* parent = nullptr);

    QString valueText() const { return valueText_(value()); }

    // How many of the slider's steps make one unit: 10 for a level in tenths of a dB, which
    // assistive tools still read and set in dB. One unless set.
    void setStepsPerUnit(int steps) { stepsPerUnit_ = steps; }
    double toUnits(int steps) const { return double(steps) / stepsPerUnit_; }
    // The nearest position within the range.
    int toSteps(double units) const;

    // A slider whose setting was never read draws its groove alone and tells no value.
    void setKnown(bool known);
    bool known() const { return known_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<QString(int)> valueText_;
    int stepsPerUnit_ = 1;
    bool known_ = true;
};
