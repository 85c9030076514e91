#include "editor/ChannelView.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <bit>

#include "editor/BandColumns.h"
#include "editor/DEQBox.h"
#include "editor/DynamicsBoxes.h"
#include "editor/EQGraph.h"
#include "editor/EditorKit.h"
#include "editor/FIRBox.h"
#include "editor/FiltersDelayPanel.h"
#include "link/DSPModel.h"
#include "link/ParamMap.h"
#include "platform/Settings.h"
#include "ui/ChannelWords.h"
#include "ui/DeviceMoments.h"
#include "ui/Dialogs.h"
#include "ui/ModelWatcher.h"
#include "ui/controls/Encoder.h"
#include "ui/controls/FlatButton.h"
#include "ui/controls/LiveMeters.h"
#include "ui/controls/Palette.h"
#include "ui/controls/PanelGroupBox.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Popover.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/Tag.h"
#include "ui/controls/Theme.h"
#include "ui/input/KeptEdits.h"
#include "ui/input/KeyboardFocus.h"
#include "ui/input/PendingEdits.h"
#include "ui/input/PopupFocus.h"

namespace {

// A widget that fills itself with one colour, in a rounded rectangle when asked.
class Fill : public QWidget {
public:
    Fill(QColor colour, double radius) : m_colour(std::move(colour)), m_radius(radius) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        Theme::fillRoundedRect(painter, rect(), m_radius, m_colour);
    }

private:
    QColor m_colour;
    double m_radius;
};

// The tabs in the picker's order.
const QStringList& tabOrder() {
    static const QStringList order{ChannelTab::eq, ChannelTab::fir, ChannelTab::dynamics};
    return order;
}

QSet<quint32> watchedParams(int ch) {
    QSet<quint32> params;
    for (const ParamMap::Block& block : ParamMap::blocks(ch))
        if (auto number = ParamMap::param(block, ch)) params.insert(*number);
    for (quint32 base : {378u, 391u, 403u}) params.insert(base + quint32(ch));
    return params;
}

}  // namespace

ChannelView::ChannelView(const AppContext& context, int ch, QWidget* parent)
    : QWidget(parent), m_context(context), m_model(*context.model), m_ch(ch) {
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addWidget(buildHeader());
    page->addWidget(buildTabPicker());
    auto* separator = new Fill(Palette::stroke(), 0);
    separator->setFixedHeight(1);
    page->addWidget(separator);
    m_area = new QScrollArea;
    m_area->setWidgetResizable(true);
    m_area->setFrameShape(QFrame::NoFrame);
    m_area->viewport()->installEventFilter(this);
    page->addWidget(m_area, 1);

    m_watcher = new ModelWatcher(
        m_model, watchedParams(ch), [this] { refresh(); }, this);
    connect(&m_model, &DSPModel::eqClipboardChanged, m_watcher, &ModelWatcher::schedule);
    connect(context.settings, &Settings::changed, this, [this](const QString& key) {
        if (key == ChannelTab::settingsKey) buildTabContent();
    });
    buildTabContent();
    refreshHeader();
}

QWidget* ChannelView::buildHeader() {
    auto* header = new Fill(Palette::panelFill(), 0);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(18, 12, 18, 12);
    row->setSpacing(12);
    const QColor accent = Palette::channel(m_ch);
    auto* bar = new Fill(accent, 2);
    bar->setFixedSize(4, 34);
    row->addWidget(bar, 0, Qt::AlignVCenter);

    auto* identity = new QVBoxLayout;
    identity->setSpacing(3);
    m_name = editorkit::label(QString(), Theme::font(22, QFont::Bold), Theme::primaryText());
    identity->addWidget(m_name);
    m_badgeRow = new QWidget;
    auto* badges = new QHBoxLayout(m_badgeRow);
    badges->setContentsMargins(0, 0, 0, 0);
    badges->setSpacing(6);
    m_kindTag = new Tag(ParamMap::isInput(m_ch) ? tr("Input") : tr("Output"), accent);
    m_groupTag = new Tag(QString(), Theme::secondaryText());
    m_firTag = new Tag(tr("FIR on"), Palette::green());
    for (Tag* tag : {m_kindTag, m_groupTag, m_firTag}) badges->addWidget(tag, 0, Qt::AlignVCenter);
    badges->addStretch(1);
    identity->addWidget(m_badgeRow);
    row->addLayout(identity);
    row->addStretch(1);

    m_meter = new LiveHorizontalMeter(*m_context.meters, m_ch);
    m_meter->setFixedSize(90, 6);
    row->addWidget(m_meter, 0, Qt::AlignVCenter);
    m_gain = new KnobField(tr("Gain"), {-60, 15, false, 0.1}, false, 0.0, QStringLiteral("%.1f"),
                           QStringLiteral("dB"), accent, 80);
    m_gain->setToolTip(
        tr("Channel gain: drag or scroll the knob, or type a value · double-click the knob for 0 dB"));
    connect(m_gain, &KnobField::committed, this, [this](double v) {
        if (!std::isnan(v)) m_model.setGain(m_ch, float(v));
    });
    row->addWidget(m_gain, 0, Qt::AlignVCenter);

    m_mute = new FlatButton(QStringLiteral("MUTE"), Theme::capsFont(11, QFont::Black, 0.6), 28);
    m_mute->setFixedWidth(64);
    m_mute->setToolTip(tr("Mute this channel"));
    // Checked while muted, so assistive tools read the state the red face shows; a click, Space
    // and an accessible toggle all flip it, and the flip is the write.
    m_mute->setCheckable(true);
    connect(m_mute, &QAbstractButton::toggled, this, [this](bool muted) { m_model.setMute(m_ch, muted); });
    row->addWidget(m_mute, 0, Qt::AlignVCenter);

    m_copyTo = new QToolButton;
    // A menu button before anything else, so assistive tools meet it as one.
    m_copyTo->setPopupMode(QToolButton::InstantPopup);
    m_copyTo->setMenu(new QMenu(m_copyTo));
    makePopoverMenu(*m_copyTo->menu(), *m_copyTo);
    closeWhenDeviceMovesOn(*m_copyTo->menu(), m_model);
    m_copyTo->setText(QStringLiteral("Copy to…"));
    m_copyTo->setFocusPolicy(Qt::TabFocus);
    m_copyTo->setStyleSheet(
        QStringLiteral("QToolButton { padding: 3px 10px; } "
                       "QToolButton::menu-indicator { image: none; width: 0; }"));
    m_copyTo->setToolTip(
        tr("Copies gain, EQ, filters, delay and dynamics to another channel of the same kind"));
    row->addWidget(m_copyTo, 0, Qt::AlignVCenter);
    return header;
}

QWidget* ChannelView::buildTabPicker() {
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 10, 0, 10);
    const QString dynamicsTitle = ParamMap::isInput(m_ch) ? tr("Gate & Dynamic EQ") : ChannelTab::dynamics;
    m_tabPicker = new SegmentedPicker(tabOrder(), {ChannelTab::eq, ChannelTab::fir, dynamicsTitle});
    m_tabPicker->showsPages();
    m_tabPicker->setMaximumWidth(460);
    m_tabPicker->setMinimumWidth(360);
    connect(m_tabPicker, &SegmentedPicker::chosen, this, &ChannelView::setTab);
    // As in every tab widget, Ctrl+PageDown and Ctrl+PageUp step through the tabs from
    // anywhere in the window while the page shows.
    for (auto [key, step] : {std::pair(Qt::Key_PageDown, 1), std::pair(Qt::Key_PageUp, -1)}) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | key), this);
        connect(shortcut, &QShortcut::activated, this, [this, step] { stepTab(step); });
    }
    row->addStretch(1);
    row->addWidget(m_tabPicker);
    row->addStretch(1);
    return box;
}

QString ChannelView::tab() const {
    return m_context.settings->text(ChannelTab::settingsKey, ChannelTab::eq);
}

void ChannelView::setTab(const QString& tab) {
    m_context.settings->setValue(ChannelTab::settingsKey, tab);
}

void ChannelView::stepTab(int step) {
    const int shown = std::max(int(tabOrder().indexOf(tab())), 0);  // text naming no tab shows the EQ tab
    const int count = int(tabOrder().size());
    setTab(tabOrder()[(shown + step + count) % count]);
}

void ChannelTab::applyStartTab(Settings& settings) {
    if (qEnvironmentVariableIsSet(environmentVariable))
        settings.setValue(settingsKey, qEnvironmentVariable(environmentVariable));
}

void ChannelView::buildTabContent() {
    // Typed text in the tab that goes away is committed first, as leaving the field would, or
    // kept for the tab's next build where only a button saves it; a keyboard user who was in
    // it, or on the picker, lands on the shown tab's segment instead of nowhere or on a
    // segment no longer chosen.
    QWidget* focus = QApplication::focusWidget();
    const bool focusInside =
        (m_content && m_content->isAncestorOf(focus)) || (m_tabPicker && m_tabPicker->isAncestorOf(focus));
    commitPendingEdits(m_content);
    if (m_content && m_context.kept) m_context.kept->takeFrom(*m_content);
    const QString shown = tab();
    m_tabPicker->setCurrent(shown);
    m_eqGraph = nullptr;
    m_bands = nullptr;
    m_filters = nullptr;
    m_toolbar.clear();
    m_content = new QWidget;
    auto* stack = new QVBoxLayout(m_content);
    stack->setContentsMargins(16, 16, 16, 16);
    stack->setSpacing(14);
    stack->setAlignment(Qt::AlignTop);
    // Panels side by side wrap where the tab is narrow; one panel alone is never squeezed.
    stack->setSizeConstraint(QLayout::SetMinimumSize);
    if (shown == ChannelTab::fir) {
        auto* box = new FIRBox(m_context, m_ch);
        stack->addWidget(box);
        m_refreshTab = [box] { box->refresh(); };
    } else if (shown == ChannelTab::dynamics && ParamMap::isInput(m_ch)) {
        auto* box = new DEQBox(m_model, m_ch);
        stack->addWidget(box);
        m_refreshTab = [box] { box->refresh(); };
    } else if (shown == ChannelTab::dynamics) {
        auto* compressor = new CompressorBox(m_model, m_ch);
        auto* limiter = new LimiterBox(m_model, m_ch);
        stack->addWidget(compressor);
        stack->addWidget(limiter);
        m_refreshTab = [compressor, limiter] {
            compressor->refresh();
            limiter->refresh();
        };
    } else {
        stack->addWidget(buildEQTab());
        m_refreshTab = [this] {
            m_eqGraph->refresh();
            m_bands->refresh();
            m_filters->refresh();
        };
    }
    stack->addStretch(1);
    m_area->setWidget(m_content);  // deletes the previous tab's content
    if (m_context.kept) m_context.kept->giveBack(*m_content);
    keyboardfocus::followInTabOrder(m_tabPicker, m_content);  // not after what the window made since
    if (focusInside) m_tabPicker->segment(std::max(int(tabOrder().indexOf(shown)), 0))->setFocus();
    fitGraph();
    refreshHeader();
}

QWidget* ChannelView::buildEQTab() {
    auto* tab = new QWidget;
    auto* stack = new QVBoxLayout(tab);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(14);

    auto* eqPanel = new PanelGroupBox(QString());
    eqPanel->titleLabel()->hide();
    auto* title = new QHBoxLayout;
    title->addWidget(editorkit::label(tr("Parametric EQ"), Theme::capsFont(11, QFont::DemiBold, 0.6),
                                      Theme::secondaryText()));
    title->addStretch(1);
    title->addWidget(buildEQToolbar());
    eqPanel->contentLayout()->setSpacing(10);
    eqPanel->contentLayout()->addLayout(title);
    m_eqGraph = new EQGraph(m_model, m_ch, 17, 24000, 18);
    m_eqGraph->setSelected(m_selectedBand);
    connect(m_eqGraph, &EQGraph::selectedChanged, this, &ChannelView::selectBand);
    eqPanel->contentLayout()->addWidget(m_eqGraph);
    m_filters = new FiltersDelayPanel(m_model, *m_context.settings, m_ch);
    eqPanel->contentLayout()->addWidget(m_filters);
    eqPanel->contentLayout()->setAlignment(Qt::AlignTop);
    stack->addWidget(eqPanel);

    auto* bandPanel = new PanelGroupBox(tr("Bands — drag or scroll a knob, or type a value"));
    m_bands = new BandColumns(m_model, m_ch);
    m_bands->setSelected(m_selectedBand);
    connect(m_bands, &BandColumns::selectedChanged, this, &ChannelView::selectBand);
    bandPanel->contentLayout()->addWidget(m_bands);
    stack->addWidget(bandPanel);
    return tab;
}

QWidget* ChannelView::buildEQToolbar() {
    auto* bar = new QWidget;
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    auto add = [&](const QString& title, const QString& help, std::function<void()> action) {
        auto* button = action ? new QPushButton(title) : editorkit::toggleButton(title);
        button->setFont(Theme::font(Theme::calloutPx));
        button->setFocusPolicy(Qt::TabFocus);
        button->setToolTip(help);
        if (action) connect(button, &QPushButton::clicked, this, std::move(action));
        row->addWidget(button);
        m_toolbar.append(button);
        return button;
    };
    add(tr("Copy"), tr("Copy this channel's EQ and filters"), [this] { m_model.copyEQ(m_ch); });
    add(tr("Paste"), tr("Paste EQ copied from a channel of the same kind"), [this] { pasteEQ(); });
    add(tr("Flat"), tr("Flat EQ: all bands 0 dB"), [this] { m_model.flatEQ(m_ch); });
    if (!ParamMap::isInput(m_ch)) {
        QPushButton* bypass = add(tr("Bypass"), tr("Bypass"), {});
        connect(bypass, &QPushButton::toggled, this, [this](bool on) { m_model.setEQBypass(m_ch, on); });
    }
    return bar;
}

void ChannelView::pasteEQ() {
    const QStringList leftAlone = m_model.pasteEQ(m_ch);
    if (leftAlone.isEmpty() || !m_context.dialogs) return;
    // The user chose to paste the whole EQ; what did not arrive is said, not silently dropped.
    QString parts = leftAlone.size() == 1 ? leftAlone.first()
                                          : leftAlone.first(leftAlone.size() - 1).join(QStringLiteral(", ")) +
                                                QStringLiteral(" and ") + leftAlone.last();
    parts[0] = parts[0].toUpper();
    const QString told = tr("%1 of %2 %3 never read from the DSP, so the paste left %4 as the DSP has %4.")
                             .arg(parts, channelwords::spokenName(m_model, m_ch),
                                  leftAlone.size() == 1 ? tr("was") : tr("were"),
                                  leftAlone.size() == 1 ? tr("it") : tr("them"));
    // Told once the button's handler has returned: the tab may be rebuilt while the alert is open.
    Dialogs::askLater(this, [dialogs = m_context.dialogs, told] {
        dialogs->alert(tr("Not all of the EQ was pasted."), told);
    });
}

QPushButton* ChannelView::toolbarButton(const QString& title) const {
    for (QPushButton* button : m_toolbar)
        if (button->text() == title) return button;
    return nullptr;
}

void ChannelView::selectBand(int band) {
    m_selectedBand = band;
    if (m_eqGraph) m_eqGraph->setSelected(band);
    if (m_bands) m_bands->setSelected(band);
}

void ChannelView::refresh() {
    refreshHeader();
    if (m_refreshTab) m_refreshTab();
}

void ChannelView::refreshHeader() {
    const DSPModel::Words gain = m_model.words(quint32(m_ch + 1), 2);
    const bool muted = gain[1] & 1;
    // The title names the channel even while its name is not read, and says so.
    m_name->setText(channelwords::spokenName(m_model, m_ch));
    const auto group = m_model.groupOf().constFind(m_ch);
    m_groupTag->setVisible(group != m_model.groupOf().constEnd());
    if (group != m_model.groupOf().constEnd()) m_groupTag->setText(tr("Group ") + QString::number(*group));
    // The tag claims an active FIR only when the device reported its switch.
    const std::optional<DSPModel::Words> firOff = m_model.heldWords(quint32(391 + m_ch), 1);
    m_firTag->setVisible(firOff && (*firOff)[0] == 0);
    m_meter->setMuted(muted);
    const bool gainKnown = m_model.holds(quint32(m_ch + 1));
    m_gain->setValue(std::bit_cast<float>(gain[0]));
    if (!gainKnown) m_gain->showUnknown();
    m_gain->setTint(muted ? Theme::systemGrey() : Palette::channel(m_ch));
    m_mute->setLook({muted ? Palette::red() : Theme::white(0.07), QColor(),
                     muted ? QColor(Qt::white) : Theme::secondaryText(), 6});
    {
        const QSignalBlocker block(m_mute);
        m_mute->setChecked(gainKnown && muted);
    }
    enableIfRead({m_gain, m_mute}, gainKnown, m_model.unshowable(quint32(m_ch + 1)).value_or(QString()));
    if (QPushButton* copy = toolbarButton(tr("Copy"))) copy->setEnabled(m_model.canCopyEQ(m_ch));
    if (QPushButton* paste = toolbarButton(tr("Paste"))) paste->setEnabled(m_model.canPasteEQ(m_ch));
    if (QPushButton* bypass = toolbarButton(tr("Bypass"))) {
        const QSignalBlocker block(bypass);
        bypass->setChecked(m_model.eqBypassed().contains(m_ch));
    }
    rebuildCopyMenu();
}

void ChannelView::rebuildCopyMenu() {
    QMenu* menu = m_copyTo->menu();
    menu->clear();
    for (int t = 0; t < ParamMap::channelCount; ++t) {
        if (t == m_ch || ParamMap::isInput(t) != ParamMap::isInput(m_ch)) continue;
        menu->addAction(plaintext::asTitle(channelwords::spokenName(m_model, t)), this,
                        [this, t] { m_model.copyChannelSettings(m_ch, t); });
    }
}

QList<Tag*> ChannelView::badges() const {
    QList<Tag*> shown;
    for (Tag* tag : {m_kindTag, m_groupTag, m_firTag})
        if (!tag->isHidden()) shown.append(tag);
    return shown;
}

int ChannelView::graphHeight(int tabAreaHeight) {
    return std::max(tabAreaHeight - 462, 150);
}

void ChannelView::fitGraph() {
    if (m_eqGraph) m_eqGraph->setFixedHeight(graphHeight(m_area->viewport()->height()));
}

bool ChannelView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_area->viewport() && event->type() == QEvent::Resize) fitGraph();
    return QWidget::eventFilter(watched, event);
}
