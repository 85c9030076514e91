#include "app/controls/ControlAccessibility.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <algorithm>
#include <cmath>

#include "app/controls/Encoder.h"
#include "app/controls/Fader.h"

namespace {

// What differs between the fader and the knob; the accessible element is the same.
template <typename Control>
struct Traits;

template <>
struct Traits<Fader> {
    static constexpr QAccessible::Role role = QAccessible::Slider;
    static double value(const Fader& f) { return f.db(); }
    static double minimum(const Fader&) { return Fader::minimumDB; }
    static double maximum(const Fader&) { return Fader::maximumDB; }
    static double step(const Fader&) { return 0.1; }
    static QString valueText(const Fader& f) { return QString::asprintf("%.1f dB", f.db()); }
    static double adjusted(const Fader& f, int direction) { return f.adjusted(direction); }
    static double settled(const Fader&, double v) {
        return std::clamp(std::round(v / 0.1) * 0.1, Fader::minimumDB, Fader::maximumDB);
    }
    static void report(Fader& f, double v) { Q_EMIT f.gainEdited(v); }
};

template <>
struct Traits<Encoder> {
    static constexpr QAccessible::Role role = QAccessible::Dial;
    static double value(const Encoder& e) { return e.value(); }
    static double minimum(const Encoder& e) { return e.scale().lo; }
    static double maximum(const Encoder& e) { return e.scale().hi; }
    static double step(const Encoder& e) { return e.scale().quantum; }
    static QString valueText(const Encoder& e) { return QString::asprintf("%g", e.value()); }
    static double adjusted(const Encoder& e, int direction) { return e.adjusted(direction); }
    // A value set directly is rounded to the step and clamped, like every value the knob reports.
    static double settled(const Encoder& e, double v) { return e.scale().valueForNorm(e.scale().norm(v)); }
    static void report(Encoder& e, double v) { Q_EMIT e.valueEdited(v); }
};

template <typename Control>
class ControlAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
    using T = Traits<Control>;

public:
    explicit ControlAccessible(Control* control) : QAccessibleWidget(control, T::role) {}

    Control& control() const { return *static_cast<Control*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return T::valueText(control());
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return T::value(control()); }
    void setCurrentValue(const QVariant& value) override {
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (ok && std::isfinite(v)) T::report(control(), T::settled(control(), v));
    }
    QVariant maximumValue() const override { return T::maximum(control()); }
    QVariant minimumValue() const override { return T::minimum(control()); }
    QVariant minimumStepSize() const override { return T::step(control()); }

    QStringList actionNames() const override {
        return QStringList{increaseAction(), decreaseAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == increaseAction()) {
            T::report(control(), T::adjusted(control(), +1));
        } else if (name == decreaseAction()) {
            T::report(control(), T::adjusted(control(), -1));
        } else {
            QAccessibleWidget::doAction(name);
        }
    }
};

QAccessibleInterface* controlFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("Fader"))
        if (auto* fader = qobject_cast<Fader*>(object)) return new ControlAccessible<Fader>(fader);
    if (className == QLatin1String("Encoder"))
        if (auto* knob = qobject_cast<Encoder*>(object)) return new ControlAccessible<Encoder>(knob);
    return nullptr;
}

}  // namespace

void installControlAccessibility() {
    static const bool installed = (QAccessible::installFactory(controlFactory), true);
    Q_UNUSED(installed);
}

void announceValueChange(QWidget* control, double value) {
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent event(control, value);
    QAccessible::updateAccessibility(&event);
}
