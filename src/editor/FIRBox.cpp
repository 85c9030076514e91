#include "editor/FIRBox.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "editor/EditorKit.h"
#include "editor/FIRResponseGraph.h"
#include "platform/NumText.h"
#include "platform/Settings.h"
#include "platform/Tasks.h"
#include "ui/ChannelWords.h"
#include "ui/DeviceMoments.h"
#include "ui/DeviceWork.h"
#include "ui/Dialogs.h"
#include "ui/FIRSendBar.h"
#include "ui/controls/FieldEdits.h"
#include "ui/controls/FlowLayout.h"
#include "ui/controls/NumberField.h"
#include "ui/controls/Palette.h"
#include "ui/controls/PanelGroupBox.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Symbols.h"
#include "ui/controls/Theme.h"
#include "ui/input/KeptEdits.h"

namespace {

constexpr double graphFMin = 17;
constexpr double graphFMax = 24000;

QVBoxLayout* stack(QWidget* owner, int spacing) {
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    // Top only: a left alignment would give wrapped captions their one-line width.
    layout->setAlignment(Qt::AlignTop);
    return layout;
}

QString tapsText(qsizetype count) {
    return numtext::counted(count, u"tap", u"taps");
}

}  // namespace

QString FIRBox::sourceText(Source source) {
    switch (source) {
        case Source::designer:
            return QStringLiteral("From FIR Designer");
        case Source::file:
            return QStringLiteral("From file");
        case Source::filter:
            return QStringLiteral("Simple filter");
    }
    return {};
}

FIRBox::FIRBox(const AppContext& context, int ch, QWidget* parent)
    : QWidget(parent), m_context(context), m_model(*context.model), m_ch(ch) {
    // The simple filter set up here and the file chosen wait for their upload like a typed name
    // does, so they outlive the tab, which every tab switch builds afresh.
    if (m_context.kept) {
        m_spec = m_context.kept->choice<FIRDesign::Spec>(keptKey(QStringLiteral("filter"))).value_or(m_spec);
        m_file = m_context.kept->choice<FIRFile::Loaded>(keptKey(QStringLiteral("file")));
    }
    // Not aligned to the top as the inner columns are: an aligned layout takes its one-line
    // height, and the panels below would cover the ones that wrapped.
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    // Side by side where the tab is wide enough, the new filter's panel under the stored one
    // where it is not, so the tab never scrolls sideways.
    auto* panels = new FlowLayout(14, 14);
    panels->setTopAligned(true);
    panels->setLastFillsLine(true);
    // Its content 300 wide, so the graph in it has its least width.
    PanelGroupBox* stored = buildStoredPanel();
    const QMargins frame = stored->contentsMargins() + stored->layout()->contentsMargins();
    stored->setFixedWidth(300 + frame.left() + frame.right());
    panels->addWidget(stored);
    panels->addWidget(buildLoadPanel());
    column->addLayout(panels);
    m_sendBar = new FIRSendBar(context);
    m_sendBar->onSent = [this] { startReadBack(); };
    column->addWidget(m_sendBar);

    connect(&m_model, &DSPModel::designedFIRChanged, this, &FIRBox::refresh);
    connect(context.settings, &Settings::changed, this, [this](const QString& key) {
        if (key == sourceKey) refresh();
    });
    refresh();
}

PanelGroupBox* FIRBox::buildStoredPanel() {
    auto* panel = new PanelGroupBox(tr("In the DSP now"));
    QVBoxLayout* content = panel->contentLayout();
    content->setSpacing(10);

    auto* header = new QHBoxLayout;
    auto* identity = new QVBoxLayout;
    identity->setSpacing(2);
    m_storedName = editorkit::label(QString(), Theme::headlineFont(), Theme::primaryText());
    m_status =
        editorkit::label(QString(), Theme::font(Theme::captionPx, QFont::Bold), Theme::secondaryText());
    identity->addWidget(m_storedName);
    identity->addWidget(m_status);
    header->addLayout(identity);
    header->addStretch(1);
    QPushButton* bypass = editorkit::toggleButton(tr("Bypass"));
    bypass->setToolTip(tr("Bypass this channel's FIR block"));
    connect(bypass, &QPushButton::toggled, this,
            [this](bool on) { m_model.write(quint32(391 + m_ch), {on ? 1u : 0u}, std::nullopt, false); });
    m_bypass = bypass;
    header->addWidget(bypass, 0, Qt::AlignTop);
    content->addLayout(header);

    m_storedText =
        editorkit::label(QString(), Theme::font(Theme::captionPx, QFont::Bold), Theme::primaryText());
    m_storedGraph = new FIRResponseGraph(graphFMin, graphFMax, 110);
    m_reading = editorkit::caption(tr("Reading the filter from the DSP…"));
    m_readFailedText = editorkit::caption(
        tr("The filter couldn't be read from the DSP. It is read again when this tab is shown again."));
    content->addWidget(m_storedText);
    content->addWidget(m_storedGraph);
    content->addWidget(m_reading);
    content->addWidget(m_readFailedText);
    content->addWidget(
        editorkit::caption(tr("The filter stored in this channel's FIR block. Turn bypass off to hear it.")));
    m_clearButton = new QPushButton(tr("Clear FIR…"));
    m_clearButton->setFocusPolicy(Qt::TabFocus);
    m_clearButton->setToolTip(tr("Replace this channel's FIR with the DSP's default pass-through"));
    connect(m_clearButton, &QPushButton::clicked, this,
            [this] { Dialogs::askLater(this, [this] { requestClear(); }); });
    content->addWidget(m_clearButton, 0, Qt::AlignLeft);
    m_clearText = editorkit::caption(QString());
    content->addWidget(m_clearText);
    return panel;
}

QWidget* FIRBox::buildLoadPanel() {
    auto* panel = new PanelGroupBox(tr("Load a new FIR"));
    auto* row = new QHBoxLayout;
    row->setSpacing(16);
    row->setAlignment(Qt::AlignTop);
    auto* left = new QWidget;
    left->setFixedWidth(340);
    QVBoxLayout* column = stack(left, 10);
    const QStringList sources{sourceText(Source::designer), sourceText(Source::file),
                              sourceText(Source::filter)};
    m_sourcePicker = new SegmentedPicker(sources, sources);
    m_sourcePicker->setFixedWidth(330);
    connect(m_sourcePicker, &SegmentedPicker::chosen, this,
            [this](const QString& value) { m_context.settings->setValue(sourceKey, value); });
    column->addWidget(m_sourcePicker);
    // Only the chosen source's controls are shown, and only they take room.
    m_sourceControls = {buildDesignerControls(), buildFileControls(), buildFilterControls()};
    for (QWidget* controls : m_sourceControls) column->addWidget(controls);
    auto* divider = new QFrame;
    divider->setFixedHeight(1);
    divider->setStyleSheet(QStringLiteral("background: rgba(255,255,255,40); border: none;"));
    column->addWidget(divider);
    m_name = new QLineEdit;
    m_name->setPlaceholderText(tr("Name (optional)"));
    m_name->setFixedWidth(240);
    m_name->setToolTip(tr("The name stored with the filter in the DSP"));
    auto* nameEdits = new FieldEdits(*m_name, [this](const QString&) { showPending(); });
    nameEdits->keepAs(keptKey(QStringLiteral("name")));
    nameEdits->takeNamesOnly();
    column->addWidget(m_name);
    m_offline = editorkit::caption(tr("Connect to the DSP to upload."));
    column->addWidget(m_offline);
    row->addWidget(left, 0, Qt::AlignTop);
    m_preview = new FIRResponseGraph(graphFMin, graphFMax, 230);
    row->addWidget(m_preview, 1, Qt::AlignTop);
    panel->contentLayout()->addLayout(row);
    return panel;
}

QWidget* FIRBox::buildDesignerControls() {
    auto* box = new QWidget;
    QVBoxLayout* column = stack(box, 10);
    m_nothingDesigned =
        editorkit::caption(tr("Nothing designed yet. Open FIR Designer in the sidebar, load a measurement "
                              "and build the correction — "
                              "it then appears here."));
    column->addWidget(m_nothingDesigned);
    m_designedInfo = new QWidget;
    QVBoxLayout* info = stack(m_designedInfo, 10);
    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(6);
    QLabel* symbol = symbolLabel(Symbol::waveformMagnifier, Theme::primaryText(), 16);
    m_designedName = editorkit::label(QString(), Theme::font(Theme::bodyPx), Theme::primaryText());
    nameRow->addWidget(symbol);
    nameRow->addWidget(m_designedName, 1);
    info->addLayout(nameRow);
    info->addWidget(
        editorkit::caption(tr("The latest result from the FIR Designer (speaker correction from a "
                              "measurement). To send it to several "
                              "channels at once, use Send to in the FIR Designer.")));
    column->addWidget(m_designedInfo);
    return box;
}

QWidget* FIRBox::buildFileControls() {
    auto* box = new QWidget;
    QVBoxLayout* column = stack(box, 10);
    auto* row = new QHBoxLayout;
    m_chooseFile = new QPushButton(tr("Choose file…"));
    m_chooseFile->setFocusPolicy(Qt::TabFocus);
    m_chooseFile->setToolTip(tr("Load FIR coefficients from a text, CSV or WAV file"));
    connect(m_chooseFile, &QPushButton::clicked, this, &FIRBox::importFile);
    m_fileName = editorkit::label(QString(), Theme::font(Theme::bodyPx), Theme::primaryText());
    row->addWidget(m_chooseFile);
    row->addWidget(m_fileName, 1);
    column->addLayout(row);
    m_fileNote = editorkit::caption(QString());
    editorkit::setTextColour(m_fileNote, Theme::systemOrange());
    m_fileErrorText = editorkit::caption(QString());
    editorkit::setTextColour(m_fileErrorText, Palette::red());
    column->addWidget(m_fileNote);
    column->addWidget(m_fileErrorText);
    column->addWidget(
        editorkit::caption(tr("Coefficient files from this app's FIR Designer, rePhase, REW, Smaart or "
                              "similar: .txt / .csv (one value "
                              "per line) or a mono .wav impulse, 48 kHz, up to 512 taps. (.QZ files from the "
                              "old Windows software are "
                              "encrypted and can't be read.)")));
    return box;
}

QWidget* FIRBox::buildFilterControls() {
    auto* box = new QWidget;
    QVBoxLayout* column = stack(box, 10);
    auto* kindRow = new QHBoxLayout;
    m_kind = new QComboBox;
    for (FIRDesign::Kind kind : FIRDesign::allKinds) m_kind->addItem(FIRDesign::label(kind));
    m_kind->setFixedWidth(260);
    m_kind->setToolTip(tr("Filter type"));
    connect(m_kind, &QComboBox::activated, this, [this](int index) {
        editSpec([index](FIRDesign::Spec& s) { s.kind = FIRDesign::allKinds[index]; });
    });
    kindRow->addWidget(editorkit::label(tr("Type"), Theme::font(Theme::bodyPx), Theme::primaryText()));
    kindRow->addWidget(m_kind);
    kindRow->addStretch(1);
    column->addLayout(kindRow);

    auto clamped = [](double v, double lo, double hi) {
        return std::isnan(v) ? std::nullopt : std::optional(std::clamp(v, lo, hi));
    };
    m_low = new NumberField(tr("Low"), QStringLiteral("Hz"), QStringLiteral("%.0f"));
    connect(m_low, &NumberField::committed, this, [this, clamped](double v) {
        if (auto hz = clamped(v, 20, 22000)) editSpec([hz](FIRDesign::Spec& s) { s.lowHz = *hz; });
    });
    m_high = new NumberField(tr("High"), QStringLiteral("Hz"), QStringLiteral("%.0f"));
    connect(m_high, &NumberField::committed, this, [this, clamped](double v) {
        if (auto hz = clamped(v, 20, 22000)) editSpec([hz](FIRDesign::Spec& s) { s.highHz = *hz; });
    });
    m_taps = new SegmentedPicker({QStringLiteral("256"), QStringLiteral("512")}, {});
    m_taps->setFixedWidth(160);
    connect(m_taps, &SegmentedPicker::chosen, this, [this](const QString& taps) {
        editSpec([n = taps.toInt()](FIRDesign::Spec& s) { s.taps = n; });
    });
    m_stopband = new NumberField(tr("Stopband"), QStringLiteral("dB"), QStringLiteral("%.0f"));
    connect(m_stopband, &NumberField::committed, this, [this, clamped](double v) {
        if (auto dB = clamped(v, 20, 140)) editSpec([dB](FIRDesign::Spec& s) { s.attenuationDB = *dB; });
    });
    m_low->setToolTip(tr("Lower edge of the filter, 20 to 22000 Hz"));
    m_high->setToolTip(tr("Upper edge of the filter, 20 to 22000 Hz"));
    m_stopband->setToolTip(tr("Stopband attenuation, 20 to 140 dB"));
    m_taps->setToolTip(tr("Filter length: more taps reach lower frequencies and add latency"));
    m_latency = editorkit::caption(QString());
    auto* tapsRow = new QHBoxLayout;
    tapsRow->addWidget(editorkit::label(tr("Taps"), Theme::font(Theme::bodyPx), Theme::primaryText()));
    tapsRow->addWidget(m_taps);
    tapsRow->addStretch(1);
    column->addWidget(m_low);
    column->addWidget(m_high);
    column->addLayout(tapsRow);
    column->addWidget(m_stopband);
    column->addWidget(m_latency);
    return box;
}

FIRBox::Source FIRBox::source() const {
    const QString stored = m_context.settings->text(sourceKey, sourceText(Source::designer));
    for (Source s : {Source::file, Source::filter})
        if (stored == sourceText(s)) return s;
    return Source::designer;
}

std::optional<FIRBox::Pending> FIRBox::pendingFilter() const {
    switch (source()) {
        case Source::designer:
            if (const auto& designed = m_model.designedFIR())
                return Pending{designed->coefficients, designed->name, {}};
            return std::nullopt;
        case Source::file:
            if (m_file) return Pending{m_file->coefficients, m_file->name, {}};
            return std::nullopt;
        case Source::filter:
            return Pending{FIRDesign::design(m_spec), FIRDesign::label(m_spec.kind),
                           FIRDesign::headerWords(DSPModel::firTarget(m_ch), m_spec)};
    }
    return std::nullopt;
}

FIRBox::Pending FIRBox::sendInput() const {
    Pending input = pendingFilter().value_or(Pending{});
    if (!m_name->text().isEmpty()) input.name = m_name->text();
    return input;
}

QString FIRBox::keptKey(const QString& what) const {
    return QStringLiteral("fir.%1.%2").arg(what).arg(m_ch);
}

void FIRBox::editSpec(const std::function<void(FIRDesign::Spec&)>& change) {
    change(m_spec);
    if (m_context.kept) m_context.kept->setChoice(keptKey(QStringLiteral("filter")), std::optional(m_spec));
    refresh();
}

void FIRBox::showPending() {
    const Pending input = sendInput();
    if (input.coefficients != m_previewCoefficients) {
        m_previewCoefficients = input.coefficients;
        m_preview->setCoefficients(input.coefficients);
    }
    m_sendBar->setCoefficients(input.coefficients);
    m_sendBar->setName(input.name);
    m_sendBar->setHeader(input.header);
}

void FIRBox::refresh() {
    const std::optional<DSPModel::Words> switchWords = m_model.heldWords(quint32(391 + m_ch), 1);
    const bool bypassed = switchWords && (*switchWords)[0] != 0;
    const QString name = m_model.firName(m_ch);
    const bool nameRead = m_model.holds(quint32(403 + m_ch));
    m_storedName->setText(!nameRead        ? QStringLiteral("—")
                          : name.isEmpty() ? tr("(unnamed)")
                                           : plaintext::oneLine(name));
    // A switch the device never reported is neither active nor bypassed as far as we know.
    m_status->setText(!switchWords ? QStringLiteral("—") : bypassed ? tr("Bypassed") : tr("Active"));
    editorkit::setTextColour(m_status, switchWords && !bypassed ? Palette::green() : Theme::secondaryText());
    {
        const QSignalBlocker block(m_bypass);
        m_bypass->setChecked(bypassed);
        m_bypass->setEnabled(switchWords.has_value());
    }
    const bool connected = m_model.connected();
    m_storedText->setVisible(m_live.has_value());
    // A filter read in part is no filter the block applies: it gets no response.
    const bool drawn = m_live && m_live->whole() && m_live->coefficients.size() >= 2;
    m_storedGraph->setVisible(drawn);
    if (m_live) {
        const qsizetype count = m_live->coefficients.size();
        m_storedText->setText(!m_live->whole()
                                  ? tr("%1 of %2 taps read").arg(m_live->received).arg(m_live->taps())
                              : count < 2 ? tr("Flat pass-through (no filter loaded)")
                                          : tapsText(count));
    }
    if (drawn && m_live->coefficients != m_storedCoefficients) {
        m_storedCoefficients = m_live->coefficients;
        m_storedGraph->setCoefficients(m_storedCoefficients);
    }
    m_reading->setVisible(!m_live && connected && !m_readFailed);
    m_readFailedText->setVisible(!m_live && connected && m_readFailed);
    m_clearButton->setText(m_clearing ? tr("Clearing…") : tr("Clear FIR…"));
    m_clearButton->setEnabled(!m_clearing && connected);
    m_clearText->setVisible(m_clearMessage.has_value());
    m_clearText->setText(m_clearMessage.value_or(QString()));

    const Source chosen = source();
    m_sourcePicker->setCurrent(m_context.settings->text(sourceKey, sourceText(Source::designer)));
    for (int i = 0; i < m_sourceControls.size(); ++i) m_sourceControls[i]->setVisible(i == int(chosen));
    const auto& designed = m_model.designedFIR();
    m_nothingDesigned->setVisible(!designed);
    m_designedInfo->setVisible(designed.has_value());
    if (designed)
        m_designedName->setText(plaintext::oneLine(designed->name) + QStringLiteral(" — ") +
                                tapsText(designed->coefficients.size()));
    m_fileName->setText(m_file ? plaintext::oneLine(m_file->name) + QStringLiteral(" — ") +
                                     tapsText(m_file->coefficients.size())
                               : QString());
    m_fileNote->setVisible(m_file && m_file->note);
    m_fileNote->setText(m_file && m_file->note ? *m_file->note : QString());
    m_fileErrorText->setVisible(m_fileError.has_value());
    m_fileErrorText->setText(m_fileError.value_or(QString()));
    {
        const QSignalBlocker block(m_kind);
        m_kind->setCurrentIndex(int(m_spec.kind) - 1);
    }
    m_low->setVisible(m_spec.kind == FIRDesign::Kind::highPass || m_spec.kind == FIRDesign::Kind::bandPass);
    m_high->setVisible(m_spec.kind == FIRDesign::Kind::bandPass || m_spec.kind == FIRDesign::Kind::lowPass);
    m_low->setValue(m_spec.lowHz);
    m_high->setValue(m_spec.highHz);
    m_stopband->setValue(m_spec.attenuationDB);
    m_taps->setCurrent(QString::number(m_spec.taps));
    m_latency->setText(numtext::format("Latency %.2f ms · works above ≈ %.0f Hz", m_spec.taps * 0.5 / 48,
                                       144000.0 / m_spec.taps));
    m_offline->setVisible(!connected);
    showPending();
}

void FIRBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    defaultSendTarget();
    startReadBack();
}

void FIRBox::defaultSendTarget() {
    if (FIRSendBar::loadTargets(*m_context.settings).isEmpty())
        FIRSendBar::saveTargets({m_ch}, *m_context.settings);
}

void FIRBox::startReadBack() {
    tasks::startTask([self = QPointer<FIRBox>(this)]() -> QCoro::Task<> {
        if (self) co_await self->readBack();
    });
}

QCoro::Task<> FIRBox::readBack() {
    tasks::TaskGuard<FIRBox> guard(this);
    if (!m_model.connected()) {
        m_live.reset();
        refresh();
        co_return;
    }
    m_readFailed = false;
    refresh();
    const std::optional<DSPModel::FIRReadBack> result = co_await m_model.readFIR(m_ch);
    if (!guard) co_return;
    m_live = result;
    // Only a read-back that was answered clears the failure; the tab's next showing
    // tries again.
    m_readFailed = !result;
    refresh();
}

void FIRBox::requestClear() {
    // The tab may go while a question is open, and the link it was asked on may close: each
    // answer finds both, or does nothing. Another device's channel is not this one.
    const AskedAt asked(m_model, this);
    if (m_context.work && !m_context.work->mayStartAnother(QStringLiteral("Clear the FIR anyway?"),
                                                           QStringLiteral("Clear Anyway")))
        return;
    if (asked.ended()) return;
    const bool confirmed = m_context.dialogs->confirm(
        tr("Clear the FIR on ") + channelwords::spokenName(m_model, m_ch) + QStringLiteral("?"),
        asked.consequence(tr("Replaces the stored filter with a flat pass-through.")), tr("Clear FIR"),
        tr("Cancel"), Dialogs::DefaultButton::cancel);
    if (!confirmed) return;
    asked.act([this] {
        m_clearing = true;
        m_clearMessage.reset();
        refresh();
        tasks::startTask([self = QPointer<FIRBox>(this)]() -> QCoro::Task<> {
            if (self) co_await self->clear();
        });
    });
}

QCoro::Task<> FIRBox::clear() {
    tasks::TaskGuard<FIRBox> guard(this);
    // A clear is an upload of the flat filter: quitting and other operations ask meanwhile.
    DeviceWork::Ticket uploading =
        m_context.work
            ? m_context.work->begin(
                  QStringLiteral("The flat FIR for %1").arg(channelwords::spokenName(m_model, m_ch)),
                  QStringLiteral("channels done"), 1)
            : DeviceWork::Ticket();
    const DSPModel::FIROutcome outcome = co_await m_model.putPassThrough(m_ch);
    uploading.setDone(1);
    uploading = DeviceWork::Ticket();
    if (!guard) co_return;
    m_clearing = false;
    m_clearMessage = outcome.done() ? tr("Cleared.") : outcome.sentence();
    refresh();
    co_await readBack();
}

void FIRBox::importFile() {
    const QString path = m_context.dialogs->chooseOpenFile(
        tr("Choose a FIR coefficient file"),
        {tr("Coefficient files (*.txt *.csv *.wav)"), tr("Plain text (*.txt)"),
         tr("Comma-separated text (*.csv)"), tr("WAV audio (*.wav)"), tr("All files (*)")});
    if (path.isEmpty()) return;
    const FIRFile::Result result = FIRFile::load(path);
    if (const auto* loaded = std::get_if<FIRFile::Loaded>(&result)) {
        m_file = *loaded;
        m_fileError.reset();
    } else {
        m_file.reset();
        m_fileError = FIRFile::errorMessage(std::get<FIRFile::LoadError>(result));
    }
    if (m_context.kept) m_context.kept->setChoice(keptKey(QStringLiteral("file")), m_file);
    refresh();
}
