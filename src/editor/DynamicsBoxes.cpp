#include "editor/DynamicsBoxes.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <bit>
#include <cmath>
#include <limits>

#include "editor/DynamicsEstimates.h"
#include "editor/DynamicsViews.h"
#include "editor/EditorKit.h"
#include "link/MeterStore.h"
#include "link/ParamMap.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/Palette.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/Theme.h"

namespace {

QHBoxLayout* topRow(int spacing) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    row->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    return row;
}

QWidget* controlColumn(QWidget* toggle, QWidget* knobs, int width, int spacing) {
    auto* column = new QWidget;
    if (width > 0) column->setFixedWidth(width);
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(spacing);
    stack->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    stack->addWidget(toggle, 0, Qt::AlignLeft);
    if (knobs) stack->addWidget(knobs, 0, Qt::AlignLeft);
    return column;
}

}  // namespace

DynamicsPanel::DynamicsPanel(const QString& title, DSPModel& model, int ch, QWidget* parent)
    : PanelGroupBox(title, parent), m_model(model), m_ch(ch), m_on(editorkit::toggle(tr("On"))) {
    connect(&model.meterStore(), &MeterStore::levelsChanged, this, [this] { updateLive(); });
}

KnobField* DynamicsPanel::addKnob(const QString& label, double lo, double hi, bool log,
                                  std::optional<double> defaultValue, double step, const QString& format,
                                  const QString& unit, std::function<void(double)> commit) {
    auto* knob = new KnobField(label, {lo, hi, log, step}, false, defaultValue, format, unit,
                               Palette::channel(m_ch), 80);
    knob->setToolTip(label);
    connect(knob, &KnobField::committed, this, [commit = std::move(commit)](double v) { commit(v); });
    m_knobs.append(knob);
    return knob;
}

void DynamicsPanel::layOutWithCurve(TransferCurve* curve) {
    auto* knobs = new QWidget;
    auto* knobRow = topRow(2);
    knobs->setLayout(knobRow);
    for (KnobField* knob : m_knobs) knobRow->addWidget(knob);
    m_meters = new DynamicsMeters(false, 150, false);
    auto* row = topRow(16);
    row->addWidget(controlColumn(m_on, knobs, 410, 10));
    row->addWidget(curve);
    row->addWidget(m_meters);
    contentLayout()->addLayout(row);
}

void DynamicsPanel::showSwitch(Blocks blocks, bool on, bool writtenWithSettings) {
    const auto why = [this](ParamMap::Block block) {
        return m_model.unshowable(*ParamMap::param(block, m_ch)).value_or(QString());
    };
    const bool settings = m_model.holds(blocks.settings, m_ch);
    const bool settingsNeeded = writtenWithSettings && !settings;
    const bool onSwitch = !settingsNeeded && m_model.holds(blocks.onSwitch, m_ch);
    // A switch never read reads "on" in the table's zeros; it is shown neither on nor off, and
    // the knobs are not lit as if it were on.
    const bool shownOn = onSwitch && on;
    {
        const QSignalBlocker block(m_on);
        m_on->setChecked(shownOn);
    }
    for (KnobField* knob : m_knobs) {
        knob->setTint(editorkit::tint(m_ch, shownOn));
        if (!settings) knob->showUnknown();
        enableIfRead({knob}, settings, why(blocks.settings));
    }
    enableIfRead({m_on}, onSwitch, why(settingsNeeded ? blocks.settings : blocks.onSwitch));
}

bool DynamicsPanel::showCurve(TransferCurve* curve, Blocks blocks, Setting setting,
                              std::function<float(float)> output) {
    // A block whose switch was never read may be on or off: no curve says either.
    if (!m_model.holds(blocks.settings, m_ch) || !m_model.holds(blocks.onSwitch, m_ch)) {
        curve->showUnknown();
        return false;
    }
    curve->setState(setting.threshold, setting.level, editorkit::tint(m_ch, setting.on), std::move(output));
    return true;
}

CompressorBox::CompressorBox(DSPModel& model, int ch, QWidget* parent)
    : DynamicsPanel(tr("Compressor"), model, ch, parent), m_curve(new TransferCurve) {
    using C = DSPModel::Compressor;
    addKnob(tr("Threshold"), -90, 24, false, std::nullopt, 0.1, "%.1f", "dB",
            editorkit::singleCommit([this](float v) { edit([v](C& c) { c.threshold = v; }); }));
    addKnob(tr("Ratio"), 1, 100, true, 1.0, 0.1, "%.1f", ":1",
            editorkit::singleCommit([this](float v) { edit([v](C& c) { c.ratio = v; }); }));
    addKnob(tr("Attack"), 1, 2895, true, std::nullopt, 1, "%.0f", "ms",
            editorkit::wholeCommit([this](int v) { edit([v](C& c) { c.attack = v; }); }));
    addKnob(tr("Release"), 1, 2895, true, std::nullopt, 1, "%.0f", "ms",
            editorkit::wholeCommit([this](int v) { edit([v](C& c) { c.release = v; }); }));
    addKnob(tr("Knee"), 0, 30, false, 0.0, 1, "%.0f", "dB",
            editorkit::wholeCommit([this](int v) { edit([v](C& c) { c.knee = v; }); }));
    layOutWithCurve(m_curve);
    m_on->setToolTip(tr("Compressor on"));
    connect(m_on, &QAbstractButton::toggled, this, [this](bool on) { edit([on](C& c) { c.on = on; }); });
    refresh();
}

void CompressorBox::edit(const std::function<void(DSPModel::Compressor&)>& change) {
    DSPModel::Compressor c = m_model.compressor(m_ch);
    change(c);
    m_model.setCompressor(m_ch, c);
}

void CompressorBox::refresh() {
    const DSPModel::Compressor c = m_model.compressor(m_ch);
    const QList<double> values{c.threshold, c.ratio, double(c.attack), double(c.release), double(c.knee)};
    for (int i = 0; i < m_knobs.size(); ++i) m_knobs[i]->setValue(values[i]);
    // The switch is written through the settings, so it needs them too.
    showSwitch({ParamMap::Block::compressor(), ParamMap::Block::compressorOff()}, c.on, true);
    updateLive();
}

void CompressorBox::updateLive() {
    const DSPModel::Compressor c = m_model.compressor(m_ch);
    const float x = dynamics::channelLevel(m_model, m_ch);
    const bool known =
        showCurve(m_curve, {ParamMap::Block::compressor(), ParamMap::Block::compressorOff()},
                  {c.threshold, x, c.on}, [c](float v) { return v - dynamics::compressorReduction(c, v); });
    m_meters->setReading({x, dynamics::compressorReduction(c, x), false, c.on, std::nullopt, known});
}

LimiterBox::LimiterBox(DSPModel& model, int ch, QWidget* parent)
    : DynamicsPanel(tr("Limiter"), model, ch, parent), m_curve(new TransferCurve) {
    using L = DSPModel::Limiter;
    addKnob(tr("Threshold"), 0, 24, false, std::nullopt, 0.1, "%.1f", "dB",
            editorkit::singleCommit([this](float v) { edit([v](L& l) { l.threshold = v; }); }));
    addKnob(tr("Release"), 1, 2895, true, std::nullopt, 1, "%.0f", "ms",
            editorkit::wholeCommit([this](int v) { edit([v](L& l) { l.release = v; }); }));
    layOutWithCurve(m_curve);
    m_on->setToolTip(tr("Limiter on"));
    connect(m_on, &QAbstractButton::toggled, this, [this](bool on) { edit([on](L& l) { l.on = on; }); });
    refresh();
}

void LimiterBox::edit(const std::function<void(DSPModel::Limiter&)>& change) {
    DSPModel::Limiter l = m_model.limiter(m_ch);
    change(l);
    m_model.setLimiter(m_ch, l);
}

void LimiterBox::refresh() {
    const DSPModel::Limiter l = m_model.limiter(m_ch);
    m_knobs[0]->setValue(l.threshold);
    m_knobs[1]->setValue(double(l.release));
    showSwitch({ParamMap::Block::limiter(), ParamMap::Block::limiterOff()}, l.on, true);
    updateLive();
}

void LimiterBox::updateLive() {
    const DSPModel::Limiter l = m_model.limiter(m_ch);
    const float x = dynamics::channelLevel(m_model, m_ch);
    const float y = dynamics::limiterInput(m_model, m_ch, x);
    const bool known =
        showCurve(m_curve, {ParamMap::Block::limiter(), ParamMap::Block::limiterOff()},
                  {l.threshold, y, l.on}, [l](float v) { return v - dynamics::limiterReduction(l, v); });
    m_meters->setReading(
        {y, dynamics::limiterReduction(l, y), false, l.on, std::nullopt, known && !std::isnan(y)});
}

GateBox::GateBox(DSPModel& model, int ch, QWidget* parent)
    : DynamicsPanel(tr("Noise gate"), model, ch, parent), m_status(new PlainLabel) {
    m_status->setFont(Theme::font(Theme::captionPx, QFont::Bold));
    addKnob(tr("Threshold"), -90, 0, false, std::nullopt, 0.1, "%.1f", "dB",
            [this](double v) { setThreshold(v); });
    auto* column = controlColumn(m_on, nullptr, 0, 8);
    column->layout()->addWidget(m_status);
    column->layout()->addWidget(m_knobs[0]);
    m_meters = new DynamicsMeters(false, 130, false);
    auto* row = topRow(12);
    row->addWidget(column);
    row->addWidget(m_meters);
    contentLayout()->addLayout(row);
    m_on->setToolTip(tr("Gate on"));
    connect(m_on, &QAbstractButton::toggled, this, &GateBox::setOn);
    refresh();
}

bool GateBox::isOn() const {
    return m_model.words(*ParamMap::param(ParamMap::Block::gateOff(), m_ch), 1)[0] == 0;
}

float GateBox::threshold() const {
    return std::bit_cast<float>(m_model.words(*ParamMap::param(ParamMap::Block::gate(), m_ch), 6)[0]);
}

void GateBox::setOn(bool on) {
    m_model.write(*ParamMap::param(ParamMap::Block::gateOff(), m_ch), {on ? 0u : 1u});
}

void GateBox::setThreshold(double dB) {
    const float v = float(dB);
    if (std::isnan(v)) return;
    const quint32 number = *ParamMap::param(ParamMap::Block::gate(), m_ch);
    std::optional<DSPModel::Words> words = m_model.heldWords(number, 6);
    if (!words) return;
    (*words)[0] = std::bit_cast<quint32>(v <= -90 ? -90.0f : editorkit::roundToTenth(std::min(v, 0.0f)));
    m_model.write(number, *words);
}

void GateBox::refresh() {
    m_knobs[0]->setValue(threshold());
    showSwitch({ParamMap::Block::gate(), ParamMap::Block::gateOff()}, isOn(), false);
    updateLive();
}

void GateBox::updateLive() {
    const bool on = isOn();
    const float t = threshold();
    const float x = dynamics::channelLevel(m_model, m_ch);
    // Off needs only the switch; open or closed needs the threshold too.
    const bool known = m_model.holds(ParamMap::Block::gateOff(), m_ch) &&
                       (!on || m_model.holds(ParamMap::Block::gate(), m_ch));
    // Nor is it open or closed under a level that is no number.
    if (!known || (on && std::isnan(x))) {
        m_status->setText(QStringLiteral("—"));
        editorkit::setTextColour(m_status, Theme::secondaryText());
    } else if (!on) {
        m_status->setText(tr("Off"));
        editorkit::setTextColour(m_status, Theme::secondaryText());
    } else {
        const bool open = x >= t;
        m_status->setText(open ? tr("Open") : tr("Closed"));
        editorkit::setTextColour(m_status, open ? Palette::green() : Palette::red());
    }
    m_meters->setReading({x, dynamics::gateReduction(on, t, x), false, on, std::nullopt, known});
}
