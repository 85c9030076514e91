#include "app/controls/UnitSlider.h"

#include <algorithm>
#include <cmath>

#include "app/controls/ControlAccessibility.h"

UnitSlider::UnitSlider(Qt::Orientation orientation, std::function<QString(int)> valueText, QWidget* parent)
    : QSlider(orientation, parent), valueText_(std::move(valueText)) {
    installControlAccessibility();
    setFocusPolicy(Qt::TabFocus);
}

int UnitSlider::toSteps(double units) const {
    return int(std::lround(std::clamp(units * stepsPerUnit_, double(minimum()), double(maximum()))));
}
