#include "app/controls/UnitSlider.h"

#include "app/controls/ControlAccessibility.h"

UnitSlider::UnitSlider(Qt::Orientation orientation, std::function<QString(int)> valueText, QWidget* parent)
    : QSlider(orientation, parent), valueText_(std::move(valueText)) {
    installControlAccessibility();
    setFocusPolicy(Qt::TabFocus);
}
