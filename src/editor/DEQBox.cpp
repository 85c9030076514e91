#include "editor/DEQBox.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

#include "editor/DynamicsBoxes.h"
#include "editor/DynamicsEstimates.h"
#include "editor/DynamicsViews.h"
#include "editor/EQResponse.h"
#include "editor/EditorKit.h"
#include "link/MeterStore.h"
#include "platform/NumText.h"
#include "ui/accessibility/Names.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/FlowLayout.h"
#include "ui/controls/Palette.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/Theme.h"

namespace {

quint32 bandParam(int ch, int b) {
    return quint32(354 + 3 * ch + b);
}

double peakingDB(const DSPModel::DEQBand& band, double gain, double hz) {
    return EQResponse::peaking(double(band.freq), gain, band.q).dB(hz);
}

double signedMaximum(const DSPModel::DEQBand& band) {
    return dynamics::boosts(band.mode) ? band.maxGain : -band.maxGain;
}

float level(const DSPModel& model, int ch) {
    return model.meterStore().liveLevel(ch);
}

QString levelText(float dB) {
    return std::isnan(dB) ? QStringLiteral("unknown") : numtext::format("%.1f dB", double(dB));
}

}  // namespace

const std::array<QColor, 3>& DEQFrequencyGraph::bandColours() {
    static const std::array<QColor, 3> colours{Theme::systemOrange(), QColor(255, 55, 95),
                                               QColor(99, 230, 226)};
    return colours;
}

DEQFrequencyGraph::DEQFrequencyGraph(DSPModel& model, int ch, double fMin, double fMax, double dbRange,
                                     QWidget* parent)
    : QWidget(parent), m_model(model), m_ch(ch), m_fMin(fMin), m_fMax(fMax), m_dbRange(dbRange) {
    setFixedHeight(170);
    setMinimumWidth(300);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&model.meterStore(), &MeterStore::levelsChanged, this, qOverload<>(&QWidget::update));
    refresh();
}

double DEQFrequencyGraph::frequency(int i) const {
    return m_fMin * std::pow(m_fMax / m_fMin, double(i) / (curvePoints - 1));
}

void DEQFrequencyGraph::refresh() {
    for (int b = 0; b < 3; ++b) {
        m_bands[b] = m_model.deqBand(m_ch, b);
        m_known[b] = m_model.holds(bandParam(m_ch, b));
        m_areas[b].resize(curvePoints);
        for (int i = 0; i < curvePoints; ++i)
            m_areas[b][i] = peakingDB(m_bands[b], signedMaximum(m_bands[b]), frequency(i));
    }
    m_background.invalidate();
    update();
}

double DEQFrequencyGraph::xPosition(double hz) const {
    return width() * std::log10(hz / m_fMin) / std::log10(m_fMax / m_fMin);
}

double DEQFrequencyGraph::yPosition(double dB) const {
    const double half = height() / 2.0;
    return half - dB * half / m_dbRange;
}

QList<double> DEQFrequencyGraph::liveLevels(float x) const {
    if (std::isnan(x) || std::find(m_known.begin(), m_known.end(), false) != m_known.end()) return {};
    QList<double> levels(curvePoints, 0.0);
    for (const DSPModel::DEQBand& band : m_bands) {
        const float change = dynamics::deqGainChange(band, x);
        if (change == 0) continue;
        for (int i = 0; i < curvePoints; ++i) levels[i] += peakingDB(band, change, frequency(i));
    }
    for (double& value : levels) value = std::clamp(value, -m_dbRange, m_dbRange);
    return levels;
}

void DEQFrequencyGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    m_background.draw(painter, *this, [this](QPainter& cached) { paintBands(cached); });
    const QList<double> live = liveLevels(level(m_model, m_ch));
    QPainterPath line;
    for (int i = 0; i < live.size(); ++i) {
        const QPointF p(xPosition(frequency(i)), yPosition(live[i]));
        if (i == 0)
            line.moveTo(p);
        else
            line.lineTo(p);
    }
    painter.setPen(QPen(Qt::white, 2));
    painter.drawPath(line);
}

void DEQFrequencyGraph::paintBands(QPainter& painter) const {
    const double w = width();
    const double h = height();
    Theme::fillRoundedRect(painter, rect(), 8, Palette::trackFill());
    editorkit::paintFrequencyGrid(
        painter, [this](double hz) { return xPosition(hz); }, h);
    editorkit::paintLevelGrid(
        painter, [this](double dB) { return yPosition(dB); }, w, 0.3);
    for (int b = 0; b < 3; ++b) {
        if (!m_known[b]) continue;  // no area or marker for a band nobody reported
        const DSPModel::DEQBand& band = m_bands[b];
        const QColor colour = bandColours()[b];
        QPainterPath area(QPointF(xPosition(frequency(0)), yPosition(0)));
        for (int i = 0; i < curvePoints; ++i) area.lineTo(xPosition(frequency(i)), yPosition(m_areas[b][i]));
        area.lineTo(xPosition(frequency(curvePoints - 1)), yPosition(0));
        area.closeSubpath();
        painter.fillPath(area, Theme::withOpacity(colour, band.active ? 0.22 : 0.07));
        const double g = signedMaximum(band);
        const double x = xPosition(double(band.freq));
        QPen dash(Theme::withOpacity(colour, 0.8), 1, Qt::CustomDashLine, Qt::FlatCap);
        dash.setDashPattern({3, 3});
        painter.setPen(dash);
        painter.drawLine(QPointF(x, yPosition(0)), QPointF(x, yPosition(g)));
        painter.setFont(Theme::font(Theme::captionPx, QFont::Bold));
        painter.setPen(colour);
        const double y = yPosition(g) + (g >= 0 ? -9 : 9);
        painter.drawText(QRectF(x - 10, y - 8, 20, 16), Qt::AlignCenter, QString::number(b + 1));
    }
}

DEQBandPanel::DEQBandPanel(DSPModel& model, int ch, int band, QWidget* parent)
    : PanelGroupBox(QString(), parent),
      m_model(model),
      m_ch(ch),
      m_band(band),
      m_dot(new Disc(8)),
      m_summary(editorkit::label(QString(), Theme::monoFont(10), Theme::secondaryText())),
      m_active(editorkit::toggle(tr("Active"))),
      m_mode(new QComboBox),
      m_meters(new DynamicsMeters(true, 190, true)) {
    titleLabel()->hide();
    nameAccessibleGroup(this, numtext::format("Band %lld", qlonglong(band + 1)));
    auto* title = new QHBoxLayout;
    title->setSpacing(6);
    title->addWidget(m_dot, 0, Qt::AlignVCenter);
    title->addWidget(editorkit::label(numtext::format("Band %lld", qlonglong(band + 1)).toUpper(),
                                      Theme::capsFont(11, QFont::DemiBold, 0.6), Theme::secondaryText()));
    title->addStretch(1);
    title->addWidget(m_summary);
    contentLayout()->addLayout(title);

    for (DEQMode mode : DEQMode::allCases()) m_mode->addItem(mode.name());
    m_mode->setFixedWidth(130);
    m_mode->setToolTip(tr("What the band does, and on which side of the threshold"));
    m_active->setToolTip(tr("Band active"));
    auto* switches = new QHBoxLayout;
    switches->addWidget(m_active);
    switches->addStretch(1);
    switches->addWidget(m_mode);
    contentLayout()->addLayout(switches);

    using B = DSPModel::DEQBand;
    using editorkit::singleCommit;
    using editorkit::wholeCommit;
    addKnob(tr("Freq"), 20, 20000, true, std::nullopt, 1, "%.0f", "Hz",
            wholeCommit([this](int v) { edit([v](B& b) { b.freq = v; }); }));
    addKnob(tr("Q"), double(0.27f), 15, true, std::nullopt, 0.01, "%.2f", QString(),
            singleCommit([this](float v) { edit([v](B& b) { b.q = v; }); }));
    addKnob(tr("Threshold"), -90, 24, false, std::nullopt, 0.1, "%.1f", "dB",
            singleCommit([this](float v) { edit([v](B& b) { b.threshold = v; }); }));
    addKnob(tr("Ratio"), 1, 100, true, 1.0, 0.1, "%.1f", ":1",
            singleCommit([this](float v) { edit([v](B& b) { b.ratio = v; }); }));
    addKnob(tr("Max gain"), 0, 12, false, std::nullopt, 0.1, "%.1f", "dB",
            singleCommit([this](float v) { edit([v](B& b) { b.maxGain = v; }); }));
    addKnob(tr("Attack"), 1, 2895, true, std::nullopt, 1, "%.0f", "ms",
            wholeCommit([this](int v) { edit([v](B& b) { b.attack = v; }); }));
    addKnob(tr("Release"), 1, 2895, true, std::nullopt, 1, "%.0f", "ms",
            wholeCommit([this](int v) { edit([v](B& b) { b.release = v; }); }));
    auto* grid = new QGridLayout;
    grid->setSpacing(4);
    for (int i = 0; i < m_knobs.size(); ++i) grid->addWidget(m_knobs[i], i / 3, i % 3, Qt::AlignTop);
    auto* body = new QHBoxLayout;
    body->setSpacing(6);
    body->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    body->addWidget(m_meters, 0, Qt::AlignTop);
    body->addLayout(grid);
    contentLayout()->addLayout(body);

    connect(m_active, &QAbstractButton::toggled, this,
            [this](bool on) { edit([on](B& b) { b.active = on; }); });
    // As with every choice, the mode already chosen picked again writes nothing.
    connect(m_mode, &QComboBox::currentIndexChanged, this,
            [this](int index) { edit([index](B& b) { b.mode = DEQMode::allCases()[index]; }); });
    connect(&model.meterStore(), &MeterStore::levelsChanged, this, &DEQBandPanel::updateLive);
    refresh();
}

KnobField* DEQBandPanel::addKnob(const QString& label, double lo, double hi, bool log,
                                 std::optional<double> defaultValue, double step, const QString& format,
                                 const QString& unit, std::function<void(double)> commit) {
    auto* knob = new KnobField(label, {lo, hi, log, step}, false, defaultValue, format, unit,
                               DEQFrequencyGraph::bandColours()[m_band], 64);
    knob->setToolTip(label);
    connect(knob, &KnobField::committed, this, [commit = std::move(commit)](double v) { commit(v); });
    m_knobs.append(knob);
    return knob;
}

void DEQBandPanel::edit(const std::function<void(DSPModel::DEQBand&)>& change) {
    std::optional<DSPModel::Words> words = m_model.heldWords(bandParam(m_ch, m_band), 8);
    if (!words) return;
    DSPModel::DEQBand band = m_model.deqBand(m_ch, m_band);
    change(band);
    if (DSPModel::encodeDEQBand(*words, band)) m_model.write(bandParam(m_ch, m_band), *words);
}

void DEQBandPanel::refresh() {
    const DSPModel::DEQBand band = m_model.deqBand(m_ch, m_band);
    const QSignalBlocker blockActive(m_active);
    const QSignalBlocker blockMode(m_mode);
    // A band the device never reported shows no setting and cannot be edited, nor is it lit.
    const bool known = m_model.holds(bandParam(m_ch, m_band));
    const QColor colour =
        known && band.active ? DEQFrequencyGraph::bandColours()[m_band] : Theme::systemGrey();
    const QString why = m_model.unshowable(bandParam(m_ch, m_band)).value_or(QString());
    setToolTip(why);
    m_active->setChecked(known && band.active);
    m_mode->setCurrentIndex(known ? band.mode.rawValue() : -1);
    const QList<double> values{double(band.freq),   band.q,       band.threshold,
                               band.ratio,          band.maxGain, double(band.attack),
                               double(band.release)};
    for (int i = 0; i < m_knobs.size(); ++i) {
        m_knobs[i]->setValue(values[i]);
        if (!known) m_knobs[i]->showUnknown();
        m_knobs[i]->setTint(colour);
        enableIfRead({m_knobs[i]}, known, why);
    }
    enableIfRead({m_active, m_mode}, known, why);
    m_dot->setLook(colour);
    updateLive();
}

void DEQBandPanel::updateLive() {
    const DSPModel::DEQBand band = m_model.deqBand(m_ch, m_band);
    const float x = level(m_model, m_ch);
    const float change = dynamics::deqGainChange(band, x);
    const bool known = m_model.holds(bandParam(m_ch, m_band));
    const QColor colour = band.active ? DEQFrequencyGraph::bandColours()[m_band] : Theme::systemGrey();
    if (!known || std::isnan(change))
        m_summary->setText(QStringLiteral("—"));
    else
        m_summary->setText(band.active ? numtext::format("%+.1f dB @ %d Hz", double(change), int(band.freq))
                                       : QStringLiteral("bypassed"));
    editorkit::setTextColour(m_summary, !known || change == 0 ? Theme::secondaryText() : colour);
    m_meters->setReading({x, std::fabs(change), known && dynamics::boosts(band.mode), band.active,
                          known && band.active ? std::optional<float>(band.threshold) : std::nullopt, known});
}

DEQBox::DEQBox(DSPModel& model, int ch, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_ch(ch),
      m_graph(new DEQFrequencyGraph(model, ch, 17, 24000, 14)),
      m_help(editorkit::caption(QString())),
      m_gate(new GateBox(model, ch)) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(14);
    auto* first = new QHBoxLayout;
    first->setSpacing(14);
    first->setAlignment(Qt::AlignTop);
    auto* deqPanel = new PanelGroupBox(tr("Dynamic EQ"));
    deqPanel->contentLayout()->setSpacing(8);
    deqPanel->contentLayout()->setAlignment(Qt::AlignTop);  // the graph takes the panel's width
    deqPanel->contentLayout()->addWidget(m_graph);
    deqPanel->contentLayout()->addWidget(m_help);
    first->addWidget(deqPanel, 1, Qt::AlignTop);
    m_gate->setFixedWidth(300);
    first->addWidget(m_gate, 0, Qt::AlignTop);
    stack->addLayout(first);
    // The bands wrap onto another line where the tab is too narrow for all three.
    auto* second = new FlowLayout(14, 14);
    second->setTopAligned(true);
    for (int b = 0; b < 3; ++b) {
        m_bands[b] = new DEQBandPanel(model, ch, b);
        second->addWidget(m_bands[b]);
    }
    stack->addLayout(second);
    connect(&model.meterStore(), &MeterStore::levelsChanged, this, &DEQBox::updateLive);
    updateLive();
}

void DEQBox::refresh() {
    m_graph->refresh();
    for (DEQBandPanel* band : m_bands) band->refresh();
    m_gate->refresh();
}

void DEQBox::updateLive() {
    m_help->setText(
        QStringLiteral("Shaded: the most each band can boost or cut. White line: what the bands are "
                       "doing right now (from the input level ") +
        levelText(level(m_model, m_ch)) + QStringLiteral(")."));
}
