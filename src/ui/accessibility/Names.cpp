#include "ui/accessibility/Names.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>

#include "ui/accessibility/Lifetime.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/PanelGroupBox.h"
#include "ui/controls/ReadState.h"

namespace {

// Marks a container as a group; read once, when its accessible element is made.
constexpr char groupProperty[] = "accessibleGroup";

QAccessibleInterface* groupFactory(const QString&, QObject* object) {
    if (!object->isWidgetType()) return nullptr;
    // A panel's class is gone once it is on its way out, so no element is made for it then.
    if (object->property(groupProperty).toBool() || qobject_cast<PanelGroupBox*>(object))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Grouping);
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

// What the widget's hints say it is: its own hint, never the reason it shows no setting. The
// knob's own how-to names no knob in particular.
QString hintName(const QWidget& widget) {
    QString hint = ownToolTip(widget);
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

void installGroupAccessibility() {
    static const bool installed = (QAccessible::installFactory(groupFactory), true);
    Q_UNUSED(installed);
}

void nameControlsFromTheirHints(QApplication& application) {
    static QPointer<HintNames> filter;
    if (filter) return;
    filter = new HintNames(&application);
    application.installEventFilter(filter);
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
    installGroupAccessibility();
    markForAccessibility(*container, groupProperty);
    // Views call this on every refresh; a name is announced only when it changes.
    if (container->accessibleName() != name) container->setAccessibleName(name);
}
