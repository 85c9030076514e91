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

private:
    std::function<QString(int)> valueText_;
};
