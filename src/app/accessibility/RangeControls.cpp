#include "app/accessibility/RangeControls.h"

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

#include "app/accessibility/Lifetime.h"
#include "app/accessibility/ToolRequests.h"
#include "app/controls/Encoder.h"
#include "app/controls/Fader.h"
#include "app/controls/UnitSlider.h"

namespace {

QString notReadText() {
    return QStringLiteral("Not read");
}

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

// A slider's steps are the unit it shows; a value it already has is no change and is not reported.
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
class ControlAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
    using T = Traits<Control>;

public:
    explicit ControlAccessible(Control* control) : QAccessibleWidget(control, T::role) {}

    Control& control() const { return *static_cast<Control*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // A setting never read has no value to tell, as it has none drawn.
    bool known() const { return T::known(control()) && !shownUnread(control()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return known() ? T::valueText(control()) : QString();
        if (t == QAccessible::Description && !known()) return notReadText();
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return known() ? QVariant(T::value(control())) : QVariant(); }
    // A control drawn disabled takes no value, as it takes no drag or key.
    void setCurrentValue(const QVariant& value) override {
        if (!takesToolRequests(control())) return;
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (ok && std::isfinite(v)) T::report(control(), T::settled(control(), v));
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

// Marks a container as a group; read once, when its accessible element is made.
constexpr char groupProperty[] = "accessibleGroup";

QAccessibleInterface* controlFactory(const QString& className, QObject* object) {
    if (object->isWidgetType() && object->property(groupProperty).toBool())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Grouping);
    if (className == QLatin1String("Fader"))
        if (auto* fader = qobject_cast<Fader*>(object)) return new ControlAccessible<Fader>(fader);
    if (className == QLatin1String("Encoder"))
        if (auto* knob = qobject_cast<Encoder*>(object)) return new ControlAccessible<Encoder>(knob);
    if (className == QLatin1String("UnitSlider"))
        if (auto* slider = qobject_cast<UnitSlider*>(object))
            return new ControlAccessible<UnitSlider>(slider);
    return nullptr;
}

// The name this convention gave a widget, so a later hint can replace it while a name
// given in code stays.
constexpr char hintNameProperty[] = "accessibleNameFromHint";

bool isNamedControl(const QWidget& widget) {
    if (qobject_cast<const QScrollBar*>(&widget)) return false;  // a pane's bars are not named anywhere
    return qobject_cast<const QAbstractButton*>(&widget) || qobject_cast<const QComboBox*>(&widget) ||
           qobject_cast<const QLineEdit*>(&widget) || qobject_cast<const QAbstractSpinBox*>(&widget) ||
           qobject_cast<const QAbstractSlider*>(&widget) || qobject_cast<const Encoder*>(&widget);
}

QString caption(const QWidget& widget) {
    const auto* button = qobject_cast<const QAbstractButton*>(&widget);
    return button ? button->text() : QString();
}

// The label laid out just before the widget, as a form's caption stands before its field.
const QLabel* labelBefore(const QLayout& layout, const QWidget& widget) {
    const QLabel* previous = nullptr;
    for (int i = 0; i < layout.count(); ++i) {
        QLayoutItem* item = layout.itemAt(i);
        if (item->widget() == &widget) return previous;
        if (const QLayout* inner = item->layout()) {
            if (const QLabel* found = labelBefore(*inner, widget)) return found;
            if (inner->indexOf(&widget) >= 0) return nullptr;
        }
        previous = qobject_cast<const QLabel*>(item->widget());
    }
    return nullptr;
}

// The caption in front of the widget, or in front of the composite it leads (a number field
// with its unit after it).
QString captionInFront(const QWidget& widget) {
    const QWidget* parent = widget.parentWidget();
    if (!parent || widget.isWindow() || !parent->layout()) return {};
    if (const QLabel* label = labelBefore(*parent->layout(), widget)) return label->text();
    const bool leadsComposite = parent->layout()->indexOf(&widget) == 0 && !parent->isWindow();
    const QWidget* outer = parent->parentWidget();
    if (!leadsComposite || !outer || !outer->layout()) return {};
    const QLabel* label = labelBefore(*outer->layout(), *parent);
    return label ? label->text() : QString();
}

// What the widget's hints say it is. The knob's own how-to names no knob in particular.
QString hintName(const QWidget& widget) {
    QString hint = widget.toolTip();
    if (hint == Encoder::helpText()) hint.clear();
    if (const auto* edit = qobject_cast<const QLineEdit*>(&widget); edit && hint.isEmpty())
        hint = edit->placeholderText();
    return hint.isEmpty() ? captionInFront(widget) : hint;
}

void nameFromHint(QWidget& widget) {
    if (!isNamedControl(widget)) return;
    const QString given = widget.property(hintNameProperty).toString();
    if (widget.accessibleName() != given) return;  // named in code
    const QString name = caption(widget).isEmpty() ? hintName(widget) : QString();
    if (name == given) return;
    widget.setProperty(hintNameProperty, name);
    widget.setAccessibleName(name);
}

// Hints are read when a widget is first polished (its caption and placeholder are set by
// then) and again whenever its tool tip changes.
class HintNames : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if ((event->type() == QEvent::Polish || event->type() == QEvent::ToolTipChange) &&
            watched->isWidgetType())
            nameFromHint(*static_cast<QWidget*>(watched));
        return false;
    }
};

}  // namespace

void nameControlsFromTheirHints(QApplication& application) {
    static QPointer<HintNames> filter;
    if (filter) return;
    filter = new HintNames(&application);
    application.installEventFilter(filter);
}

namespace {

constexpr char unreadProperty[] = "shownUnread";

}  // namespace

void showReadState(QWidget& control, bool read) {
    if (shownUnread(control) == !read) return;
    control.setProperty(unreadProperty, !read);
    // The description a tool reads beside the name; the hint (tool tip) stands for it again once read.
    control.setAccessibleDescription(read ? QString() : notReadText());
}

bool shownUnread(const QWidget& control) {
    return control.property(unreadProperty).toBool();
}

void enableIfRead(std::initializer_list<QWidget*> controls, bool read) {
    for (QWidget* control : controls) {
        control->setEnabled(read);
        showReadState(*control, read);
    }
}

void installControlAccessibility() {
    static const bool installed = (QAccessible::installFactory(controlFactory), true);
    Q_UNUSED(installed);
}

void announceValueChange(QWidget* control, double value) {
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent event(control, value);
    QAccessible::updateAccessibility(&event);
}

void announceFocusedChild(QWidget& widget) {
    if (!QAccessible::isActive()) return;
    QAccessibleInterface* element = QAccessible::queryAccessibleInterface(&widget);
    if (QAccessibleInterface* child = element ? element->focusChild() : nullptr) {
        QAccessibleEvent event(child, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

void nameAccessibleGroup(QWidget* container, const QString& name) {
    installControlAccessibility();
    markForAccessibility(*container, groupProperty);
    // Views call this on every refresh; a name is announced only when it changes.
    if (container->accessibleName() != name) container->setAccessibleName(name);
}
