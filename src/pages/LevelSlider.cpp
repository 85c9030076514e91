#include "pages/LevelSlider.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

#include <cmath>

#include "platform/NumText.h"

namespace {

// The level slider for assistive tools: its value is the level in its unit, and its
// increase and decrease actions are its arrow keys.
class LevelSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit LevelSliderAccessible(LevelSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return numtext::format("%.1f ", slider().level()) + slider().unit();
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return slider().level(); }
    void setCurrentValue(const QVariant& value) override {
        bool ok = false;
        const double level = value.toDouble(&ok);
        if (ok && slider().isEnabled()) slider().moveTo(level);
    }
    QVariant maximumValue() const override { return slider().maximumLevel(); }
    QVariant minimumValue() const override { return slider().minimumLevel(); }
    QVariant minimumStepSize() const override { return slider().levelStep(); }

    QStringList actionNames() const override {
        return QStringList{increaseAction(), decreaseAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (!slider().isEnabled()) return;
        if (name == increaseAction())
            slider().triggerAction(QAbstractSlider::SliderSingleStepAdd);
        else if (name == decreaseAction())
            slider().triggerAction(QAbstractSlider::SliderSingleStepSub);
        else
            QAccessibleWidget::doAction(name);
    }

private:
    LevelSlider& slider() const { return *static_cast<LevelSlider*>(widget()); }
};

QAccessibleInterface* levelSliderFactory(const QString& className, QObject* object) {
    auto* slider = className == QLatin1String("LevelSlider") ? qobject_cast<LevelSlider*>(object) : nullptr;
    return slider ? new LevelSliderAccessible(slider) : nullptr;
}

}  // namespace

LevelSlider::LevelSlider(double minimum, double maximum, QString unit, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), m_unit(std::move(unit)) {
    // Before anything asks for this widget's accessible element, which is then kept.
    static const bool accessible = (QAccessible::installFactory(levelSliderFactory), true);
    Q_UNUSED(accessible);
    setRange(int(std::lround(minimum * perDB)), int(std::lround(maximum * perDB)));
    setSingleStep(1);
    setPageStep(perDB);
    connect(this, &QSlider::valueChanged, this, [this] { Q_EMIT levelEdited(level()); });
}

int LevelSlider::position(double level) const {
    // Clamped before rounding: a level far outside has no integer position.
    return int(std::lround(std::clamp(level, minimumLevel(), maximumLevel()) * perDB));
}

void LevelSlider::showLevel(double level) {
    if (!std::isfinite(level)) return;
    const QSignalBlocker block(this);
    setValue(position(level));
}

void LevelSlider::moveTo(double level) {
    if (std::isfinite(level)) setValue(position(level));
}
