#include "pages/ControlCodesView.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

#include "pages/PageKit.h"
#include "ui/Dialogs.h"
#include "ui/accessibility/RangeControls.h"
#include "ui/accessibility/ToolRequests.h"
#include "ui/controls/NumberField.h"
#include "ui/controls/PanelGroupBox.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/SegmentedPicker.h"
#include "ui/controls/Theme.h"
#include "ui/input/KeptEdits.h"

using Control = CentralControl::Control;
using Kind = CentralControl::Kind;
using Side = CentralControl::Side;

namespace {

const QString keptRequestKey = QStringLiteral("codes.request");

// Shows the entry whose data is `value`, or nothing when the list has none.
void showChoice(QComboBox* picker, int value) {
    const QSignalBlocker block(picker);
    picker->setCurrentIndex(picker->findData(value));
}

// A stepper is one spin button for assistive tools: named by what it changes, with its value,
// its range, and steps that are its buttons' clicks. The buttons stay inside it.
class StepperAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit StepperAccessible(Stepper* stepper) : QAccessibleWidget(stepper, QAccessible::SpinBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return stepper().prefix().trimmed();
        if (t == QAccessible::Value) return QString::number(stepper().value());
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.focused = stepper().minusButton()->hasFocus() || stepper().plusButton()->hasFocus();
        return state;
    }

    QVariant currentValue() const override { return stepper().value(); }
    void setCurrentValue(const QVariant& value) override {
        bool ok = false;
        const int wanted = value.toInt(&ok);
        if (ok && takesToolRequests(stepper())) stepper().step(wanted - stepper().value());
    }
    QVariant maximumValue() const override { return stepper().maximum(); }
    QVariant minimumValue() const override { return stepper().minimum(); }
    QVariant minimumStepSize() const override { return 1; }

    QStringList actionNames() const override {
        const QStringList steps =
            takesToolRequests(stepper()) ? QStringList{increaseAction(), decreaseAction()} : QStringList();
        return steps + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if ((name == increaseAction() || name == decreaseAction()) && !takesToolRequests(stepper())) return;
        if (name == increaseAction())
            stepper().plusButton()->click();
        else if (name == decreaseAction())
            stepper().minusButton()->click();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    Stepper& stepper() const { return *static_cast<Stepper*>(widget()); }
};

QAccessibleInterface* stepperFactory(const QString& className, QObject* object) {
    auto* stepper = className == QLatin1String("Stepper") ? qobject_cast<Stepper*>(object) : nullptr;
    return stepper ? new StepperAccessible(stepper) : nullptr;
}

}  // namespace

Stepper::Stepper(QString prefix, int lo, int hi, QWidget* parent)
    : QWidget(parent),
      m_prefix(std::move(prefix)),
      m_lo(lo),
      m_hi(hi),
      m_label(new PlainLabel),
      m_minus(pagekit::button(QStringLiteral("−"))),
      m_plus(pagekit::button(QStringLiteral("+"))) {
    // Before anything asks for this widget's accessible element, which is then kept.
    static const bool accessible = (QAccessible::installFactory(stepperFactory), true);
    Q_UNUSED(accessible);
    // Focus given to the stepper (by an assistive tool) goes to its first button; Tab still
    // stops at each button, as it passes a widget whose focus goes elsewhere.
    setFocusPolicy(Qt::TabFocus);
    setFocusProxy(m_minus);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_label);
    row->addStretch(1);
    // Several steppers share a form: each button is named by what it changes.
    const QString name = m_prefix.trimmed();
    m_minus->setAccessibleName(name + QStringLiteral(" −"));
    m_plus->setAccessibleName(name + QStringLiteral(" +"));
    for (QPushButton* button : {m_minus, m_plus}) {
        button->setFixedSize(26, 22);
        row->addWidget(button);
    }
    connect(m_minus, &QPushButton::clicked, this, [this] { step(-1); });
    connect(m_plus, &QPushButton::clicked, this, [this] { step(1); });
    setValue(lo);
}

void Stepper::setValue(int value) {
    m_value = value;
    m_label->setText(m_prefix + QString::number(value));
    announceValueChange(this, value);
}

void Stepper::step(int delta) {
    // A value outside the range (kept from another control's rows) steps back into it.
    const int next = std::clamp(m_value + delta, m_lo, m_hi);
    if (next == m_value) return;
    setValue(next);
    Q_EMIT stepped(next);
}

ControlCodesView::ControlCodesView(Dialogs& dialogs, KeptEdits* kept, QWidget* parent)
    : QWidget(parent), m_dialogs(dialogs), m_kept(kept) {
    if (m_kept) m_r = m_kept->choice<CentralControl::Request>(keptRequestKey).value_or(m_r);
    QWidget* editor = buildEditor();
    pagekit::scrollingColumn(
        this, {pagekit::secondaryLabel(
                   QStringLiteral("Codes for third-party control systems (RS232 or TCP). Pick what "
                                  "you want to do; copy the code into the control system."),
                   Theme::bodyPx),
               editor, buildCodeRow()});
    reserveRoom(*editor);
    refresh();
}

// A choice shows and hides rows of the form. The room every choice needs is kept, so that what
// stays shown stays where it was, under the pointer that just chose: the captions' column is
// as wide as its widest caption, and the form as tall as its tallest set of rows.
void ControlCodesView::reserveRoom(QWidget& editor) {
    int widest = 0;
    QList<QWidget*> captions;
    for (int row = 0; row < m_form->rowCount(); ++row)
        if (QLayoutItem* item = m_form->itemAt(row, QFormLayout::LabelRole); item && item->widget()) {
            captions.append(item->widget());
            widest = std::max(widest, item->widget()->sizeHint().width());
        }
    for (QWidget* caption : captions) caption->setMinimumWidth(widest);

    const CentralControl::Request chosen = m_r;
    int tallest = 0;
    for (Kind kind : {Kind::read, Kind::set}) {
        for (Control control : controlChoices(kind)) {
            m_r.kind = kind;
            m_r.control = control;
            refresh();
            // Rows shown or hidden before the page is shown leave the layouts' sizes cached.
            for (QObject* layout = m_form; qobject_cast<QLayout*>(layout); layout = layout->parent())
                static_cast<QLayout*>(layout)->invalidate();
            tallest = std::max(tallest, editor.sizeHint().height());
        }
    }
    m_r = chosen;
    editor.setMinimumHeight(tallest);
}

QWidget* ControlCodesView::buildEditor() {
    auto* box = new PanelGroupBox(QStringLiteral("Command"));
    m_form = new QFormLayout;
    m_form->setHorizontalSpacing(24);
    m_form->setVerticalSpacing(8);
    m_form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    box->contentLayout()->addLayout(m_form);

    const QStringList kinds{CentralControl::rawValue(Kind::read), CentralControl::rawValue(Kind::set)};
    m_kind = new SegmentedPicker(kinds, kinds);
    m_kind->setFixedWidth(240);
    connect(m_kind, &SegmentedPicker::chosen, this, [this](const QString& raw) {
        m_r.kind = CentralControl::kindFromRaw(raw).value_or(Kind::read);
        refresh();
    });
    m_form->addRow(new PlainLabel(QStringLiteral("Type")), m_kind);

    const auto captionedPicker = [this](const QString& caption) {
        auto* picker = new QComboBox;
        // Its choices change with the request: it is as wide as the longest it holds now.
        picker->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        picker->setAccessibleName(caption);
        m_form->addRow(new PlainLabel(caption), picker);
        return picker;
    };
    m_control = captionedPicker(QStringLiteral("Control"));
    connect(m_control, &QComboBox::activated, this, [this](int index) {
        m_r.control = Control(m_control->itemData(index).toInt());
        refresh();
    });

    m_side = captionedPicker(QStringLiteral("Input/Output"));
    for (Side side : CentralControl::allSides()) m_side->addItem(CentralControl::label(side), int(side));
    connect(m_side, &QComboBox::activated, this,
            [this](int index) { setSide(Side(m_side->itemData(index).toInt())); });

    m_channel = captionedPicker(QStringLiteral("Channel"));
    connect(m_channel, &QComboBox::activated, this, [this](int index) {
        m_r.channel = m_channel->itemData(index).toInt();
        refresh();
    });

    const auto stepper = [this](const QString& prefix, int lo, int hi, int CentralControl::Request::*field) {
        auto* result = new Stepper(prefix, lo, hi);
        result->setFixedWidth(240);
        connect(result, &Stepper::stepped, this, [this, field](int value) {
            m_r.*field = value;
            refresh();
        });
        m_form->addRow(result);
        return result;
    };
    m_scene = stepper(QStringLiteral("Scene "), 1, 30, &CentralControl::Request::scene);
    m_inputChannel = stepper(QStringLiteral("Input channel "), 1, 4, &CentralControl::Request::channel);
    m_outputChannel = stepper(QStringLiteral("Output channel "), 1, 8, &CentralControl::Request::outChannel);

    const auto toggle = [this](const QString& label, bool CentralControl::Request::*field) {
        auto* result = new QCheckBox(label);
        result->setFocusPolicy(Qt::TabFocus);
        connect(result, &QCheckBox::toggled, this, [this, field](bool on) {
            m_r.*field = on;
            refresh();
        });
        m_form->addRow(result);
        return result;
    };
    m_muted = toggle(QStringLiteral("Muted"), &CentralControl::Request::mute);
    m_on = toggle(QStringLiteral("On"), &CentralControl::Request::on);

    // Captioned in the form's column, so its field lines up with the pickers above it.
    m_gain = new NumberField(QString(), QStringLiteral("dB"), QStringLiteral("%.1f"));
    connect(m_gain, &NumberField::committed, this, &ControlCodesView::setGain);
    auto* gainCaption = new PlainLabel(QStringLiteral("Gain"));
    gainCaption->setBuddy(m_gain->lineEdit());  // which names the field for assistive tools
    m_form->addRow(gainCaption, m_gain);

    m_mode = captionedPicker(QStringLiteral("Mode"));
    for (CentralControl::InputMode mode : CentralControl::allInputModes())
        m_mode->addItem(CentralControl::label(mode), int(mode));
    connect(m_mode, &QComboBox::activated, this, [this](int index) {
        m_r.mode = CentralControl::InputMode(m_mode->itemData(index).toInt());
        refresh();
    });

    const QStringList directions{QStringLiteral("Increase"), QStringLiteral("Decrease")};
    m_direction = new SegmentedPicker(directions, directions);
    m_direction->setFixedWidth(240);
    connect(m_direction, &SegmentedPicker::chosen, this, [this](const QString& direction) {
        m_r.increase = direction == QStringLiteral("Increase");
        refresh();
    });
    m_form->addRow(new PlainLabel(QStringLiteral("Direction")), m_direction);
    m_step = stepper(QStringLiteral("Step "), 0, 255, &CentralControl::Request::stepSize);
    return box;
}

QWidget* ControlCodesView::buildCodeRow() {
    auto* box = new PanelGroupBox(QStringLiteral("Code"));
    auto* row = new QHBoxLayout;
    m_code = new PlainLabel;
    m_code->setFont(Theme::monoFont(pagekit::title3Px));
    m_code->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(m_code);
    row->addStretch(1);
    m_copy = pagekit::button(QStringLiteral("Copy"));
    connect(m_copy, &QPushButton::clicked, this, &ControlCodesView::copyCode);
    row->addWidget(m_copy);
    box->contentLayout()->addLayout(row);
    return box;
}

QList<Control> ControlCodesView::controlChoices(Kind kind) {
    QList<Control> choices;
    for (Control control : CentralControl::allControls()) {
        const bool excluded = kind == Kind::read ? control == Control::step
                                                 : control == Control::allMute || control == Control::allGain;
        if (!excluded) choices.append(control);
    }
    return choices;
}

int ControlCodesView::channelCount(Side side) {
    return side == Side::input ? 4 : 8;
}

bool ControlCodesView::allowsAll() const {
    return m_r.control == Control::step || m_r.kind == Kind::set;
}

void ControlCodesView::setSide(Side side) {
    m_r.side = side;
    m_r.channel = std::min(m_r.channel, channelCount(side));
    refresh();
}

void ControlCodesView::setGain(double value) {
    // "nan" reads as a number; the composer needs a finite gain, so it counts as no number.
    if (std::isnan(value)) return;
    m_r.gainDB = value <= -60 ? -60 : value > 15 ? 15 : value;
    refresh();
}

QString ControlCodesView::codeText() const {
    return CentralControl::hexString(CentralControl::code(m_r));
}

void ControlCodesView::copyCode() {
    m_dialogs.copyText(codeText());
    m_copied = true;
    refresh();
    // Each copy schedules its own reset; an earlier one is not pushed back.
    QTimer::singleShot(copiedMilliseconds, this, [this] {
        m_copied = false;
        refresh();
    });
}

bool ControlCodesView::isRowShown(QWidget* control) const {
    int row = -1;
    QFormLayout::ItemRole role;
    m_form->getWidgetPosition(control, &row, &role);
    return row >= 0 && m_form->isRowVisible(row);
}

void ControlCodesView::refresh() {
    // Every change of the command comes here to be shown, and is kept for the page's next build.
    if (m_kept) m_kept->setChoice(keptRequestKey, std::optional(m_r));
    const bool set = m_r.kind == Kind::set;
    const Control c = m_r.control;
    const bool sideAndChannel = c == Control::mute || c == Control::gain || c == Control::step;
    const bool inputChannel = c == Control::matrix || c == Control::inputMode;
    const QList<std::pair<QWidget*, bool>> rows = {
        {m_side, sideAndChannel || c == Control::allMute || c == Control::allGain},
        {m_channel, sideAndChannel},
        {m_scene, set && c == Control::scene},
        {m_inputChannel, inputChannel},
        {m_outputChannel, c == Control::matrix},
        {m_muted, set && c == Control::mute},
        {m_on, set && c == Control::matrix},
        {m_gain, set && c == Control::gain},
        {m_mode, set && c == Control::inputMode},
        {m_direction, c == Control::step},
        {m_step, c == Control::step},
    };
    for (const auto& [control, shown] : rows) m_form->setRowVisible(control, shown);

    m_kind->setCurrent(CentralControl::rawValue(m_r.kind));
    {
        const QSignalBlocker block(m_control);
        m_control->clear();
        for (Control choice : controlChoices(m_r.kind))
            m_control->addItem(CentralControl::rawValue(choice), int(choice));
    }
    showChoice(m_control, int(c));
    showChoice(m_side, int(m_r.side));
    {
        const QSignalBlocker block(m_channel);
        m_channel->clear();
        if (allowsAll()) m_channel->addItem(QStringLiteral("All"), 0);
        for (int ch = 1; ch <= channelCount(m_r.side); ++ch) m_channel->addItem(QString::number(ch), ch);
    }
    showChoice(m_channel, m_r.channel);
    m_scene->setValue(m_r.scene);
    m_inputChannel->setValue(m_r.channel);
    m_outputChannel->setValue(m_r.outChannel);
    for (auto [toggle, on] : {std::pair{m_muted, m_r.mute}, std::pair{m_on, m_r.on}}) {
        const QSignalBlocker block(toggle);
        toggle->setChecked(on);
    }
    m_gain->setValue(m_r.gainDB);
    showChoice(m_mode, int(m_r.mode));
    m_direction->setCurrent(m_r.increase ? QStringLiteral("Increase") : QStringLiteral("Decrease"));
    m_step->setValue(m_r.stepSize);

    m_code->setText(codeText());
    m_copy->setText(m_copied ? QStringLiteral("Copied") : QStringLiteral("Copy"));
}
