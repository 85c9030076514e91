#include "pages/SourcesView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>

#include "link/DSPModel.h"
#include "pages/PageKit.h"
#include "platform/NumText.h"
#include "ui/ChannelWords.h"
#include "ui/DeviceMoments.h"
#include "ui/Dialogs.h"
#include "ui/ModelWatcher.h"
#include "ui/accessibility/Names.h"
#include "ui/controls/CompactNumberField.h"
#include "ui/controls/NumberField.h"
#include "ui/controls/PanelGroupBox.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/SegmentedPicker.h"
#include "ui/controls/Symbols.h"
#include "ui/controls/Theme.h"
#include "ui/controls/UnitSlider.h"
#include "ui/input/ArrowKeys.h"

namespace {

constexpr quint32 generatorTypeParam = 342;
constexpr quint32 sineParam = 343;
constexpr double minLevel = -90;
constexpr double maxLevel = 0;
// The slider moves in the tenths of a dB the device stores: every position is a level it
// keeps, so a key that cannot move the slider (at an end of the range) sends nothing.
constexpr int tenths = 10;

UnitSlider* levelSlider(const QString& unit) {
    auto* slider = new UnitSlider(Qt::Horizontal, [unit](int level) {
        return numtext::format("%.1f ", double(level) / tenths) + unit;
    });
    slider->setStepsPerUnit(tenths);
    slider->setRange(int(minLevel) * tenths, int(maxLevel) * tenths);
    slider->setPageStep(tenths);  // a whole dB
    return slider;
}

QVBoxLayout* boxContent(PanelGroupBox* box, int spacing) {
    auto* stack = new QVBoxLayout;
    stack->setContentsMargins(6, 6, 6, 6);
    stack->setSpacing(spacing);
    stack->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    box->contentLayout()->addLayout(stack);
    return stack;
}

}  // namespace

SourcesView::SourcesView(DSPModel& model, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_dialogs(dialogs),
      m_refresh(new ModelWatcher(
          model, pagekit::paramRange(342, 353) + pagekit::paramRange(378, 381), [this] { refresh(); },
          this)) {
    pagekit::scrollingColumn(this, {buildInputs(), buildTestSignal()});

    refresh();
}

QWidget* SourcesView::buildInputs() {
    auto* box = new PanelGroupBox(QStringLiteral("Input sources"));
    QVBoxLayout* stack = boxContent(box, 12);
    QStringList values;
    QStringList labels;
    for (InputSource source : pickerOrder) {
        values.append(QString::number(values.size()));
        labels.append(source.label());
    }
    for (int input = 0; input < 4; ++input) {
        auto* row = new QHBoxLayout;
        auto* name = new PlainLabel;
        name->setFixedWidth(110);
        m_names.append(name);
        row->addWidget(name);
        auto* picker = new SegmentedPicker(values, labels);
        picker->setFixedWidth(380);
        connect(picker, &SegmentedPicker::chosen, this,
                [this, input](const QString& index) { choose(input, pickerOrder[index.toInt()]); });
        m_sourcePickers.append(picker);
        row->addWidget(picker);
        row->addStretch(1);
        stack->addLayout(row);
    }
    stack->addWidget(
        pagekit::secondaryLabel(QStringLiteral("Each input has its own source. The source button on every "
                                               "input strip in the Mixer sets it too."),
                                Theme::captionPx));
    return box;
}

QWidget* SourcesView::buildTestSignal() {
    auto* box = new PanelGroupBox(QStringLiteral("Test signal"));
    QVBoxLayout* stack = boxContent(box, 14);

    auto* warning = new QHBoxLayout;
    warning->setSpacing(6);
    warning->addWidget(symbolLabel(Symbol::exclamationTriangleFill, Theme::systemOrange(), 14));
    QLabel* warningText = pagekit::label(
        QStringLiteral("Test tones can be very loud. Turn amplifiers down before routing a test signal."),
        Theme::bodyPx, Theme::systemOrange());
    warningText->setWordWrap(false);
    warning->addWidget(warningText);
    warning->addStretch(1);
    stack->addLayout(warning);

    auto* pickerRow = new QHBoxLayout;
    pickerRow->setSpacing(12);
    pickerRow->addWidget(new PlainLabel(QStringLiteral("Generator feeding the test signal")));
    auto* group = new QButtonGroup(this);
    for (Generator g : Generator::allCases()) {
        auto* choice = new QRadioButton(g.name());
        group->addButton(choice, g.rawValue());
        choice->installEventFilter(this);
        m_generatorChoices.append(choice);
        pickerRow->addWidget(choice);
    }
    pickerRow->addStretch(1);
    connect(group, &QButtonGroup::idClicked, this, [this](int raw) {
        if (m_model.heldWords(generatorTypeParam, 1) != DSPModel::Words{quint32(raw)})
            m_model.write(generatorTypeParam, {quint32(raw)});
    });
    stack->addLayout(pickerRow);

    for (Generator g : Generator::allCases()) stack->addWidget(buildGeneratorRow(g));
    return box;
}

// The generators side by side answer every arrow as the segments do; a radio button alone
// would leave up and down to look for a neighbour above or below.
bool SourcesView::eventFilter(QObject* watched, QEvent* event) {
    const QList<QAbstractButton*> generators(m_generatorChoices.begin(), m_generatorChoices.end());
    return arrowkeys::workChoiceRow(generators, watched, event) || QWidget::eventFilter(watched, event);
}

QWidget* SourcesView::buildGeneratorRow(Generator g) {
    auto* rowWidget = new QWidget;
    nameAccessibleGroup(rowWidget, g.name());  // whose "Power" and level these are
    auto* row = new QHBoxLayout(rowWidget);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);
    auto* name = new PlainLabel(g.name());
    name->setFont(Theme::font(Theme::bodyPx, QFont::Bold));
    name->setFixedWidth(100);
    row->addWidget(name);

    const QString unit = QStringLiteral("dBu");
    GeneratorRow controls{new QCheckBox(QStringLiteral("Power")), levelSlider(unit),
                          new CompactNumberField(QStringLiteral("%.1f"), unit, 52)};
    controls.level->setRange(minLevel, maxLevel);
    controls.power->setFocusPolicy(Qt::TabFocus);
    connect(controls.power, &QCheckBox::toggled, this,
            [this, g](bool on) { m_model.setGenerator(g, std::nullopt, on); });
    controls.slider->setFixedWidth(200);
    controls.slider->setAccessibleName(QStringLiteral("Level"));
    controls.level->lineEdit()->setAccessibleName(QStringLiteral("Level"));
    connect(controls.slider, &QSlider::valueChanged, this, [this, g, slider = controls.slider](int level) {
        m_model.setGenerator(g, float(slider->toUnits(level)), std::nullopt);
    });
    connect(controls.level, &CompactNumberField::committed, this,
            [this, g](double value) { m_model.setGenerator(g, float(value), std::nullopt); });
    row->addWidget(controls.power);
    row->addWidget(controls.slider);
    row->addWidget(controls.level);
    m_generatorRows.append(controls);

    if (g == Generator::sine) {
        m_frequency = new NumberField(QStringLiteral("Freq"), QStringLiteral("Hz"), QStringLiteral("%.0f"));
        connect(m_frequency, &NumberField::committed, this, [this](double hz) {
            if (std::isnan(hz)) return;
            // Whole hertz toward zero; the bound keeps the conversion defined, the model clamps.
            m_model.setSineFrequency(qint64(std::clamp(std::trunc(hz), -1e9, 1e9)));
        });
        row->addWidget(m_frequency);
    }
    row->addStretch(1);
    return rowWidget;
}

Generator SourcesView::shownGenerator(quint32 word) {
    if (word == 1) return Generator::pink;
    if (word == 2) return Generator::white;
    return Generator::sine;
}

void SourcesView::choose(int input, InputSource source) {
    if (source != InputSource::testSignal) {
        m_model.setInputSource(input, source);
        return;
    }
    // The picker must keep showing the model's source until the user agrees.
    refresh();
    // Asked once the picker's handler has returned, as every question is; a tone agreed to for
    // one device never plays on another that took the link meanwhile.
    Dialogs::askLater(this, [this, input] {
        const AskedAt asked(m_model, this);
        if (m_dialogs.confirm(QStringLiteral("Route the test signal to this input?"),
                              asked.consequence(QStringLiteral(
                                  "Make sure your amplifiers are turned down. The tone will play through "
                                  "every output this input is routed to.")),
                              QStringLiteral("Route test signal"), QStringLiteral("Cancel")))
            asked.act([&] { m_model.setInputSource(input, InputSource::testSignal); });
    });
}

void SourcesView::refresh() {
    for (int input = 0; input < 4; ++input) {
        m_names[input]->setText(channelwords::shownName(m_model, input));
        m_names[input]->setToolTip(
            channelwords::nameRead(m_model, input) ? QString() : channelwords::spokenName(m_model, input));
        // Four pickers offer the same sources: each is its input's group.
        nameAccessibleGroup(m_sourcePickers[input], channelwords::spokenName(m_model, input));
        const InputSource source = m_model.inputSource(input);
        const auto* at = std::find(std::begin(pickerOrder), std::end(pickerOrder), source.rawValue());
        // Settings the device never reported show no choice and cannot be edited.
        const bool sourceRead = m_model.holds(346 + quint32(input)) && m_model.holds(350 + quint32(input));
        m_sourcePickers[input]->setCurrent(sourceRead ? QString::number(at - std::begin(pickerOrder))
                                                      : QString());
        const bool typeRead = m_model.holds(generatorTypeParam);
        m_sourcePickers[input]->setAvailable(
            sourceRead && typeRead,
            !sourceRead ? QStringLiteral("source not read") : QStringLiteral("test signal type not read"));
        for (int i = 0; QPushButton* segment = m_sourcePickers[input]->segment(i); ++i)
            showReadState(*segment, sourceRead);
    }
    showGeneratorChoice();
    for (Generator g : Generator::allCases()) {
        const GeneratorRow& row = m_generatorRows[g.rawValue()];
        const QSignalBlocker blockPower(row.power);
        const float level = m_model.generatorLevel(g);
        const bool known = m_model.holds(g.parameter());
        row.power->setChecked(known && m_model.generatorIsOn(g));
        if (std::isfinite(level)) {
            const QSignalBlocker blockSlider(row.slider);
            row.slider->setValue(row.slider->toSteps(level));
        }
        row.slider->setKnown(known);
        row.slider->setToolTip(m_model.unshowable(g.parameter()).value_or(QString()));
        row.level->setValue(level);
        if (!known) row.level->showUnknown();
        enableIfRead({row.power, row.slider, row.level}, known,
                     m_model.unshowable(g.parameter()).value_or(QString()));
    }
    m_frequency->setValue(double(m_model.words(sineParam, 3)[0]));
    if (!m_model.holds(sineParam)) m_frequency->showUnknown();
    m_frequency->setEnabled(m_model.holds(sineParam));
    m_frequency->setToolTip(m_model.unshowable(sineParam).value_or(QString()));
}

void SourcesView::showGeneratorChoice() {
    const std::optional<DSPModel::Words> type = m_model.heldWords(generatorTypeParam, 1);
    QButtonGroup* group = m_generatorChoices.first()->group();
    // An exclusive group keeps one button checked; a type never read has none to show.
    group->setExclusive(false);
    const std::optional<Generator> fed = type ? std::optional(shownGenerator((*type)[0])) : std::nullopt;
    for (QRadioButton* choice : m_generatorChoices) {
        choice->setChecked(fed && choice == m_generatorChoices[fed->rawValue()]);
        enableIfRead({choice}, type.has_value());
    }
    group->setExclusive(true);
}
