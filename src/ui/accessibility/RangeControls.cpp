#include "ui/accessibility/RangeControls.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "ui/accessibility/Lifetime.h"
#include "ui/accessibility/ToolRequests.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/Fader.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/UnitSlider.h"

namespace {

// What differs between the fader and the knob; the accessible element is the same.
template <typename Control>
struct Traits;

template <>
struct Traits<Fader> {
    static constexpr QAccessible::Role role = QAccessible::Slider;
    static bool known(const Fader& f) { return f.known(); }
    static double value(const Fader& f) { return f.db(); }
    static double minimum(const Fader&) { return Fader::minimumDB; }
    static double maximum(const Fader&) { return Fader::maximumDB; }
    static double step(const Fader&) { return 0.1; }
    static QString valueText(const Fader& f) { return QString::asprintf("%.1f dB", f.db()); }
    static void step(Fader& f, int direction) { f.step(direction); }
    static double settled(const Fader&, double v) {
        return std::clamp(std::round(v / 0.1) * 0.1, Fader::minimumDB, Fader::maximumDB);
    }
    static void report(Fader& f, double v) { Q_EMIT f.gainEdited(v); }
};

template <>
struct Traits<Encoder> {
    static constexpr QAccessible::Role role = QAccessible::Dial;
    static bool known(const Encoder& e) { return e.known(); }
    static double value(const Encoder& e) { return e.value(); }
    static double minimum(const Encoder& e) { return e.scale().lo; }
    static double maximum(const Encoder& e) { return e.scale().hi; }
    static double step(const Encoder& e) { return e.scale().quantum; }
    static QString valueText(const Encoder& e) { return QString::asprintf("%g", e.value()); }
    static void step(Encoder& e, int direction) { e.step(direction); }
    // A value set directly is rounded to the step and clamped, like every value the knob reports.
    static double settled(const Encoder& e, double v) { return e.scale().valueForNorm(e.scale().norm(v)); }
    static void report(Encoder& e, double v) { Q_EMIT e.valueEdited(v); }
};

// A slider's steps are the unit it shows.
template <>
struct Traits<UnitSlider> {
    static constexpr QAccessible::Role role = QAccessible::Slider;
    static bool known(const UnitSlider& s) { return s.known(); }
    static double value(const UnitSlider& s) { return s.toUnits(s.value()); }
    static double minimum(const UnitSlider& s) { return s.toUnits(s.minimum()); }
    static double maximum(const UnitSlider& s) { return s.toUnits(s.maximum()); }
    static double step(const UnitSlider& s) { return s.toUnits(s.singleStep()); }
    static QString valueText(const UnitSlider& s) { return s.valueText(); }
    // A step as the arrow keys take it.
    static void step(UnitSlider& s, int direction) {
        s.triggerAction(direction > 0 ? QAbstractSlider::SliderSingleStepAdd
                                      : QAbstractSlider::SliderSingleStepSub);
    }
    static double settled(const UnitSlider& s, double v) { return s.toUnits(s.toSteps(v)); }
    static void report(UnitSlider& s, double v) { s.setValue(s.toSteps(v)); }
};

template <typename Control>
class ControlAccessible : public QAccessibleWidget,
                          public QAccessibleValueInterface,
                          public RenewableElement {
    using T = Traits<Control>;

public:
    explicit ControlAccessible(Control* control)
        : QAccessibleWidget(control, T::role), RenewableElement(*control) {}

    Control& control() const { return *static_cast<Control*>(widget()); }

    // A setting never read has no value at all, not a value of nothing: a tool asking for one
    // would read 0, which may lie outside the range and is not what the device holds. The
    // element of a knob read since is replaced by one with a value.
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return gives() ? static_cast<QAccessibleValueInterface*>(this) : nullptr;
        return QAccessibleWidget::interface_cast(type);
    }
    bool givesNow() const override { return known(); }

    // A setting never read has no value to tell, as it has none drawn.
    bool known() const { return T::known(control()) && !shownUnread(control()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return known() ? T::valueText(control()) : QString();
        if (t == QAccessible::Description && !known()) return unreadDescription(control());
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return known() ? QVariant(T::value(control())) : QVariant(); }
    // A control drawn disabled takes no value, as it takes no drag or key.
    // The value it already shows is no change, as the choice already made in a menu is none.
    void setCurrentValue(const QVariant& value) override {
        if (!takesToolRequests(control()) || !known()) return;
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (!ok || !std::isfinite(v)) return;
        const double settled = T::settled(control(), v);
        if (settled != T::settled(control(), T::value(control()))) T::report(control(), settled);
    }
    QVariant maximumValue() const override { return T::maximum(control()); }
    QVariant minimumValue() const override { return T::minimum(control()); }
    QVariant minimumStepSize() const override { return T::step(control()); }

    QStringList actionNames() const override {
        const QStringList steps =
            takesToolRequests(control()) ? QStringList{increaseAction(), decreaseAction()} : QStringList();
        return steps + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (!takesToolRequests(control())) return;
        if (name == increaseAction()) {
            T::step(control(), +1);
        } else if (name == decreaseAction()) {
            T::step(control(), -1);
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
    if (className == QLatin1String("UnitSlider"))
        if (auto* slider = qobject_cast<UnitSlider*>(object))
            return new ControlAccessible<UnitSlider>(slider);
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
