#include "pages/CrosspointInspector.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "link/DSPModel.h"
#include "pages/PageKit.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/Theme.h"
#include "ui/input/PendingEdits.h"

CrosspointInspector::CrosspointInspector(DSPModel& model, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_emptyHint(pagekit::secondaryLabel(QStringLiteral("Click a square in a grid to edit its level."),
                                          Theme::bodyPx)) {
    setFixedWidth(width);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(14, 14, 14, 14);
    stack->setSpacing(12);
    auto* heading = new PlainLabel(QStringLiteral("Selected route"));
    heading->setFont(Theme::headlineFont());
    stack->addWidget(heading);
    stack->addWidget(m_emptyHint);
    m_selectedPart = buildSelectedPart();
    stack->addWidget(m_selectedPart);
    stack->addStretch(1);
    refresh();
}

QWidget* CrosspointInspector::buildSelectedPart() {
    auto* part = new QWidget;
    auto* stack = new QVBoxLayout(part);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);

    m_caption = new PlainLabel;
    m_caption->setFont(pagekit::title3Font());
    stack->addWidget(m_caption);

    m_connected = new QCheckBox(QStringLiteral("Connected"));
    m_connected->setFocusPolicy(Qt::TabFocus);
    connect(m_connected, &QCheckBox::toggled, this, [this](bool on) {
        if (m_selected) setConnected(m_model, *m_selected, on);
    });
    stack->addWidget(m_connected);

    auto* level = new QWidget;
    level->setToolTip(
        QStringLiteral("Drag up/down or scroll to turn · Shift for fine · double-click the knob for 0 dB · "
                       "or type a level"));
    auto* levelStack = new QVBoxLayout(level);
    levelStack->setContentsMargins(0, 0, 0, 0);
    levelStack->setSpacing(6);
    levelStack->setAlignment(Qt::AlignHCenter);
    auto* levelLabel = pagekit::label(QStringLiteral("LEVEL"), 10, Theme::secondaryText(), QFont::DemiBold);
    levelLabel->setWordWrap(false);
    levelStack->addWidget(levelLabel, 0, Qt::AlignHCenter);
    m_knob = new Encoder(Encoder::Scale{minLevel, maxLevel, false, 0.1}, false, 0.0, pagekit::accent(), 72);
    connect(m_knob, &Encoder::valueEdited, this, [this](double value) {
        if (m_selected) setLevel(m_model, *m_selected, value);
    });
    m_knob->setAccessibleName(QStringLiteral("Level"));
    levelStack->addWidget(m_knob, 0, Qt::AlignHCenter);
    m_field = new CompactNumberField(QStringLiteral("%.1f"), QStringLiteral("dB"), 52);
    m_field->setRange(minLevel, maxLevel);
    m_field->lineEdit()->setAccessibleName(QStringLiteral("Level"));
    connect(m_field, &CompactNumberField::committed, this, [this](double value) {
        if (m_selected) setTypedLevel(m_model, *m_selected, value);
    });
    levelStack->addWidget(m_field, 0, Qt::AlignHCenter);
    stack->addWidget(level);

    stack->addWidget(pagekit::secondaryLabel(
        QStringLiteral("Range −60 to +12 dB. Double-click a square to switch the route on or off."),
        Theme::captionPx));
    return part;
}

void CrosspointInspector::setSelected(std::optional<quint32> selected) {
    if (selected == m_selected) return;
    // A level typed for the crosspoint that was selected belongs to that one.
    commitPendingEdits(this);
    m_selected = selected;
    // Typing the link took away stays this device's until it comes back (KeptEdits).
    keepTyping(*m_field, selected ? QStringLiteral("routing.level.%1").arg(*selected) : QString());
    refresh();
}

void CrosspointInspector::refresh() {
    const auto location = m_selected ? ParamMap::gridLocation(*m_selected) : std::nullopt;
    m_emptyHint->setVisible(!location);
    m_selectedPart->setVisible(location.has_value());
    if (!location) return;
    const DSPModel::Crosspoint point = m_model.crosspoint(*m_selected);
    m_caption->setText(location->grid->caption(location->row, location->col));
    const QSignalBlocker blockToggle(m_connected);
    const QSignalBlocker blockKnob(m_knob);
    const QSignalBlocker blockField(m_field);
    const bool known = m_model.holds(*m_selected);
    m_connected->setChecked(known && point.on);
    m_knob->setValue(point.level);
    m_knob->setTint(point.on ? pagekit::accent() : Theme::systemGrey());
    m_field->setValue(point.level);
    if (!known) {
        m_knob->showUnknown();
        m_field->showUnknown();
    }
    enableIfRead({m_connected, m_knob, m_field}, known, m_model.unshowable(*m_selected).value_or(QString()));
}

void CrosspointInspector::setConnected(DSPModel& model, quint32 crosspoint, bool on) {
    std::optional<DSPModel::Words> words = model.heldWords(crosspoint, 2);
    if (words && DSPModel::encodeCrosspoint(*words, on, std::nullopt)) model.write(crosspoint, *words);
}

void CrosspointInspector::setLevel(DSPModel& model, quint32 crosspoint, double level) {
    std::optional<DSPModel::Words> words = model.heldWords(crosspoint, 2);
    if (words && DSPModel::encodeCrosspoint(*words, std::nullopt, float(level)))
        model.write(crosspoint, *words);
}

void CrosspointInspector::setTypedLevel(DSPModel& model, quint32 crosspoint, double level) {
    setLevel(model, crosspoint, std::clamp(level, minLevel, maxLevel));
}
