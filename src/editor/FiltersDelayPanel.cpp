#include "editor/FiltersDelayPanel.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QComboBox>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <bit>
#include <cmath>

#include "editor/EditorKit.h"
#include "link/ParamMap.h"
#include "platform/Settings.h"
#include "ui/accessibility/Names.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/Palette.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/Theme.h"
#include "ui/input/PendingEdits.h"

namespace {

QString delayFormat(const QString& unit) {
    return unit == QStringLiteral("ms") ? QStringLiteral("%.2f") : QStringLiteral("%.3f");
}

QBoxLayout* groupLayout(QWidget* group, QWidget* toggle, QWidget* controls) {
    auto* layout = new QBoxLayout(QBoxLayout::LeftToRight, group);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(toggle);
    layout->addWidget(controls);
    return layout;
}

QWidget* controlRow(std::initializer_list<QWidget*> widgets) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    for (QWidget* widget : widgets) layout->addWidget(widget, 0, Qt::AlignVCenter);
    return row;
}

}  // namespace

double FiltersDelayPanel::unitFactor(const QString& unit) {
    if (unit == QStringLiteral("ft")) return 1.125;
    if (unit == QStringLiteral("m")) return 0.343;
    return 1.0;
}

FiltersDelayPanel::FiltersDelayPanel(DSPModel& model, Settings& settings, int ch, QWidget* parent)
    : QWidget(parent), m_model(model), m_settings(settings), m_ch(ch) {
    m_filters[0] = makeFilter(tr("High-pass"), *ParamMap::param(ParamMap::Block::highPass(), ch));
    m_filters[1] = makeFilter(tr("Low-pass"), *ParamMap::param(ParamMap::Block::lowPass(), ch));
    m_delayGroup = makeDelay();

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);
    for (QWidget* group : {m_filters[0].group, m_filters[1].group, m_delayGroup}) {
        if (group != m_filters[0].group) {
            auto* line = new QFrame;
            line->setFrameShape(QFrame::VLine);
            line->setFixedWidth(1);
            line->setStyleSheet(QStringLiteral("background: rgba(255,255,255,40); border: none;"));
            m_separators.append(line);
            row->addWidget(line, 0, Qt::AlignVCenter);
        }
        row->addWidget(group, 0, Qt::AlignVCenter);
    }
    row->addStretch(1);
    // The panel chooses its arrangement from the width it gets, so it must not
    // ask its container for the wide arrangement's width.
    row->setSizeConstraint(QLayout::SetNoConstraint);
    measure();

    connect(&settings, &Settings::changed, this, [this](const QString& key) {
        if (key == unitKey) showDelay();
    });
    refresh();
}

FiltersDelayPanel::FilterControls FiltersDelayPanel::makeFilter(const QString& title, quint32 number) {
    FilterControls c{number};
    c.group = new QWidget;
    nameAccessibleGroup(c.group, title);
    c.toggle = editorkit::toggle(title, true);
    c.knob = new Encoder({20, 22000, true, 1}, false, std::nullopt, Palette::channel(m_ch), 28);
    c.field = new CompactNumberField(QStringLiteral("%.0f"), QStringLiteral("Hz"), 52);
    c.field->setRange(20, 22000);
    c.slope = new QComboBox;
    for (FilterSlope slope : FilterSlope::allCases()) c.slope->addItem(slope.name());
    c.slope->setFixedWidth(80);
    c.slope->setToolTip(tr("Slope"));
    // The knob keeps its own help, how to turn it; what it sets is its spoken name.
    c.knob->setAccessibleName(title + tr(" frequency"));
    c.field->setToolTip(title + tr(" frequency"));
    c.layout = groupLayout(c.group, c.toggle, controlRow({c.knob, c.field, c.slope}));
    c.dim = new QGraphicsOpacityEffect(c.group);
    c.dim->setOpacity(0.6);
    c.group->setGraphicsEffect(c.dim);

    auto current = [this, number] { return DSPModel::decodeFilter(m_model.words(number, 2)); };
    connect(c.toggle, &QAbstractButton::toggled, this, [this, number, current](bool on) {
        DSPModel::Filter f = current();
        f.on = on;
        setFilter(number, f);
    });
    connect(c.knob, &Encoder::valueEdited, this, [this, number, current](double v) {
        DSPModel::Filter f = current();
        if (auto hz = editorkit::wholePart(v)) f.freq = *hz;
        setFilter(number, f);
    });
    connect(c.field, &CompactNumberField::committed, this, [this, number, current](double v) {
        DSPModel::Filter f = current();
        if (auto hz = editorkit::wholePart(std::clamp(v, 20.0, 22000.0))) f.freq = *hz;
        setFilter(number, f);
    });
    // A slope picked again is no change and writes nothing; refresh() sets the shown slope
    // under a signal blocker, so only the user's choice reaches here.
    connect(c.slope, &QComboBox::currentIndexChanged, this, [this, number, current](int index) {
        DSPModel::Filter f = current();
        f.slope = FilterSlope::allCases()[index];
        setFilter(number, f);
    });
    return c;
}

QWidget* FiltersDelayPanel::makeDelay() {
    auto* group = new QWidget;
    m_delayToggle = editorkit::toggle(tr("Delay"), true);
    m_delayKnob = new Encoder({0, 2000, false, 0.01}, false, 0.0, Palette::channel(m_ch), 28);
    m_delayKnob->setAccessibleName(tr("Delay"));
    m_fieldUnit = unit();
    m_delayField = makeDelayField(m_fieldUnit);
    m_unitPicker = new SegmentedPicker({QStringLiteral("ms"), QStringLiteral("ft"), QStringLiteral("m")}, {});
    m_unitPicker->setFixedWidth(96);
    m_delayLayout = groupLayout(group, m_delayToggle, controlRow({m_delayKnob, m_delayField, m_unitPicker}));
    group->setToolTip(tr("Delay, up to 2000 ms"));
    m_delayToggle->setToolTip(tr("Delay, up to 2000 ms"));

    connect(m_delayToggle, &QAbstractButton::toggled, this, &FiltersDelayPanel::setDelayOn);
    connect(m_delayKnob, &Encoder::valueEdited, this, &FiltersDelayPanel::setDelay);
    connect(m_unitPicker, &SegmentedPicker::chosen, this, [this](const QString& unit) {
        commitPendingEdits(m_delayField);  // typed in the unit it was typed in
        m_settings.setValue(unitKey, unit);
    });
    return group;
}

QString FiltersDelayPanel::unit() const {
    return m_settings.text(unitKey, QStringLiteral("ms"));
}

void FiltersDelayPanel::setFilter(quint32 number, const DSPModel::Filter& filter) {
    std::optional<DSPModel::Words> words = m_model.heldWords(number, 2);
    if (words && DSPModel::encodeFilter(*words, filter)) m_model.write(number, *words);
}

void FiltersDelayPanel::setDelayOn(bool on) {
    const quint32 number = *ParamMap::param(ParamMap::Block::delay(), m_ch);
    std::optional<DSPModel::Words> words = m_model.heldWords(number, 2);
    if (!words) return;
    (*words)[1] = on ? 0 : 1;
    m_model.write(number, *words);
}

void FiltersDelayPanel::setDelay(double ms) {
    const float v = float(ms);
    if (std::isnan(v)) return;  // the stored delay must stay a number
    const quint32 number = *ParamMap::param(ParamMap::Block::delay(), m_ch);
    std::optional<DSPModel::Words> words = m_model.heldWords(number, 2);
    if (!words) return;
    const float stored = v <= 0 ? 0.0f : std::round(std::min(v, 2000.0f) / 0.01f) * 0.01f;
    (*words)[0] = std::bit_cast<quint32>(stored);
    m_model.write(number, *words);
}

void FiltersDelayPanel::refresh() {
    for (FilterControls& c : m_filters) {
        const DSPModel::Filter f = DSPModel::decodeFilter(m_model.words(c.number, 2));
        const bool known = m_model.holds(c.number);
        const QSignalBlocker blockToggle(c.toggle);
        const QSignalBlocker blockSlope(c.slope);
        // A filter never read is neither on nor off, and has no frequency or slope to show.
        c.toggle->setChecked(known && f.on);
        c.knob->setTint(editorkit::tint(m_ch, f.on));
        c.knob->setValue(double(f.freq));
        c.field->setValue(double(f.freq));
        if (!known) {
            c.knob->showUnknown();
            c.field->showUnknown();
        }
        c.slope->setCurrentIndex(known ? f.slope.rawValue() : -1);
        c.dim->setEnabled(!f.on);
        enableIfRead({c.toggle, c.knob, c.field, c.slope}, known,
                     m_model.unshowable(c.number).value_or(QString()));
    }
    showDelay();
}

void FiltersDelayPanel::showDelay() {
    const DSPModel::Words words = m_model.words(*ParamMap::param(ParamMap::Block::delay(), m_ch), 2);
    const bool on = words[1] == 0;
    const float ms = std::bit_cast<float>(words[0]);
    const QString shownUnit = unit();
    const quint32 number = *ParamMap::param(ParamMap::Block::delay(), m_ch);
    const bool known = m_model.holds(number);
    const QSignalBlocker blockToggle(m_delayToggle);
    m_delayToggle->setChecked(known && on);
    m_delayKnob->setTint(editorkit::tint(m_ch, on));
    m_delayKnob->setValue(ms);
    if (!known) m_delayKnob->showUnknown();
    enableIfRead({m_delayToggle, m_delayKnob}, known, m_model.unshowable(number).value_or(QString()));
    m_unitPicker->setCurrent(shownUnit);
    if (shownUnit != m_fieldUnit) {
        // The field's format follows the unit, and a field's format is fixed.
        CompactNumberField* field = makeDelayField(shownUnit);
        editorkit::replaceControl(m_delayField, field);
        m_delayField = field;
        m_fieldUnit = shownUnit;
        measure();  // the field's width follows its widest text
    }
    m_delayField->setEnabled(known);
    m_delayField->setValue(double(ms) * unitFactor(shownUnit));
    if (!known) m_delayField->showUnknown();
}

CompactNumberField* FiltersDelayPanel::makeDelayField(const QString& shownUnit) {
    auto* field = new CompactNumberField(delayFormat(shownUnit), QString(), 52);
    field->setRange(0, 2000 * unitFactor(shownUnit));
    field->setToolTip(tr("Delay in ") + shownUnit);
    connect(field, &CompactNumberField::committed, this, [this, shownUnit](double typed) {
        setDelay(double(float(typed) / float(unitFactor(shownUnit))));
    });
    return field;
}

void FiltersDelayPanel::arrange(bool compact) {
    m_compact = compact;
    const auto direction = compact ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight;
    for (QBoxLayout* layout : {m_filters[0].layout, m_filters[1].layout, m_delayLayout}) {
        layout->setDirection(direction);
        layout->setSpacing(compact ? 6 : 8);
        layout->setAlignment(compact ? Qt::AlignLeft : Qt::AlignVCenter);
    }
    for (QFrame* line : m_separators) line->setFixedHeight(compact ? 52 : 28);
    // The row keeps each group's last size until the group says it changed.
    for (QWidget* group : {m_filters[0].group, m_filters[1].group, m_delayGroup}) group->updateGeometry();
}

// Both arrangements are measured with the fonts and styles the controls are shown
// with, which apply when they are polished; measured before, the wide row comes
// out far narrower than it is drawn and the compact one is never chosen.
void FiltersDelayPanel::measure() {
    for (QWidget* child : findChildren<QWidget*>()) {
        child->ensurePolished();
        child->updateGeometry();
        if (QLayout* own = child->layout()) own->invalidate();
    }
    QLayout* row = layout();
    arrange(true);
    row->invalidate();
    m_compactWidth = row->minimumSize().width();
    arrange(false);
    row->invalidate();
    m_wideWidth = row->sizeHint().width();
    arrange(width() < m_wideWidth);
    updateGeometry();
}

bool FiltersDelayPanel::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange ||
        event->type() == QEvent::FontChange)
        measure();
    return handled;
}

QSize FiltersDelayPanel::minimumSizeHint() const {
    return {m_compactWidth, QWidget::minimumSizeHint().height()};
}

void FiltersDelayPanel::resizeEvent(QResizeEvent* event) {
    const bool compact = event->size().width() < m_wideWidth;
    if (compact != m_compact) arrange(compact);
    QWidget::resizeEvent(event);
}
