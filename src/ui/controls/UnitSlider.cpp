#include "ui/controls/UnitSlider.h"

#include <QStyleOptionSlider>
#include <QStylePainter>
#include <algorithm>
#include <cmath>

#include "ui/controls/ReadState.h"

UnitSlider::UnitSlider(Qt::Orientation orientation, std::function<QString(int)> valueText, QWidget* parent)
    : QSlider(orientation, parent), valueText_(std::move(valueText)) {
    setFocusPolicy(Qt::TabFocus);
}

int UnitSlider::toSteps(double units) const {
    return int(std::lround(std::clamp(units * stepsPerUnit_, double(minimum()), double(maximum()))));
}

void UnitSlider::setKnown(bool known) {
    if (known == known_) return;
    known_ = known;
    showReadState(*this, known);
    update();
}

void UnitSlider::paintEvent(QPaintEvent* event) {
    if (known_) return QSlider::paintEvent(event);
    QStylePainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderGroove;
    // The style fills the groove up to the handle's place: with no setting there is no fill.
    option.sliderPosition = option.sliderValue = option.minimum;
    painter.drawComplexControl(QStyle::CC_Slider, option);
}
