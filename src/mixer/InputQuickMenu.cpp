#include "mixer/InputQuickMenu.h"

#include <QActionGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "link/DSPModel.h"
#include "ui/ChannelWords.h"
#include "ui/DeviceMoments.h"
#include "ui/ModelWatcher.h"
#include "ui/accessibility/Popups.h"
#include "ui/accessibility/SimpleWidgets.h"
#include "ui/controls/Palette.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Popover.h"
#include "ui/controls/ReadState.h"
#include "ui/controls/Theme.h"
#include "ui/input/ArrowKeys.h"
#include "ui/input/PopupFocus.h"

namespace {

const QList<InputSource> kPhysicalSources{InputSource::analog, InputSource::aes, InputSource::dante};

quint32 testRouting(int ch) {
    return quint32(346 + ch);
}
quint32 physicalSource(int ch) {
    return quint32(350 + ch);
}

QSet<quint32> inputParams(int ch) {
    return {channelwords::gainParam(ch), testRouting(ch), physicalSource(ch)};
}

// The source the device reported; none while either of its words is unread, when the
// table's zeros would name a source nobody chose.
std::optional<InputSource> reportedSource(const DSPModel& dsp, int ch) {
    if (!dsp.holds(testRouting(ch)) || !dsp.holds(physicalSource(ch))) return std::nullopt;
    return dsp.inputSource(ch);
}

// Choosing a source writes the test routing, the generator type and the physical source:
// until the device has reported all three, the choice is not offered.
bool sourceKnown(const DSPModel& dsp, int ch) {
    return reportedSource(dsp, ch) && dsp.holds(342);
}

// Polarity and mute share the gain block: unread, neither is shown set.
bool flagsKnown(const DSPModel& dsp, int ch) {
    return dsp.holds(channelwords::gainParam(ch));
}

QFrame* divider() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFixedHeight(1);
    line->setStyleSheet(QStringLiteral("background: rgba(255,255,255,0.12); border: none"));
    return line;
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

}  // namespace

PanelToggle::PanelToggle(const QString& title, QWidget* parent) : QAbstractButton(parent) {
    setText(title);
    setFocusPolicy(Qt::TabFocus);
    setCheckable(true);  // checked while lit, as assistive tools should tell
    setFixedHeight(34);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PanelToggle::setState(Symbol symbol, bool on, const QColor& tint, const QString& help) {
    m_symbol = symbol;
    m_on = on;
    setChecked(on);
    m_tint = tint;
    setToolTip(help);
    update();
}

void PanelToggle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) painter.setOpacity(0.4);
    Theme::fillRoundedRect(painter, rect(), 7, Theme::white(isDown() ? 0.08 : 0.04));
    painter.setFont(Theme::font(Theme::calloutPx));
    painter.setPen(Theme::primaryText());
    painter.drawText(rect().adjusted(10, 0, -40, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
    const QRectF box(width() - 10 - 26, (height() - 22) / 2.0, 26, 22);
    Theme::fillRoundedRect(painter, box, 5, m_on ? Theme::withOpacity(m_tint, 0.85) : Theme::white(0.08));
    paintSymbol(painter, m_symbol, box.adjusted(7, 5, -7, -5),
                m_on ? QColor(Qt::white) : Theme::secondaryText());
}

InputPanel::InputPanel(DSPModel& dsp, Navigator* navigator, int ch, QWidget* parent)
    : QWidget(parent),
      m_dsp(dsp),
      m_ch(ch),
      m_title(new PlainLabel),
      m_phase(new PanelToggle(QStringLiteral("Phase"))),
      m_mute(new PanelToggle(QStringLiteral("Mute"))),
      m_status(new PlainLabel),
      m_turnOff(new QPushButton(QStringLiteral("Turn off"))),
      m_settings(new QPushButton(QStringLiteral("Setting…"))) {
    makePopover(*this);
    setFixedWidth(290);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(16, 16, 16, 16);
    stack->setSpacing(12);

    auto* header = new QHBoxLayout;
    QLabel* icon = symbolLabel(Symbol::arrowDownToLine, Palette::inputBlue(), 16);
    m_title->setFont(Theme::headlineFont());
    header->addWidget(icon);
    header->addWidget(m_title, 1);
    stack->addLayout(header);
    stack->addWidget(divider());

    auto* toggles = new QHBoxLayout;
    toggles->setSpacing(8);
    toggles->addWidget(m_phase);
    toggles->addWidget(m_mute);
    stack->addLayout(toggles);
    connect(m_phase, &PanelToggle::clicked, this,
            [this] { m_dsp.setPolarity(m_ch, !channelwords::inverted(m_dsp, m_ch)); });
    connect(m_mute, &PanelToggle::clicked, this,
            [this] { m_dsp.setMute(m_ch, !channelwords::muted(m_dsp, m_ch)); });
    stack->addWidget(divider());

    auto* sourceCaption = new PlainLabel(QStringLiteral("Source"));
    sourceCaption->setFont(Theme::font(Theme::captionPx, QFont::DemiBold));
    setTextColour(sourceCaption, Theme::secondaryText());
    stack->addWidget(sourceCaption);
    auto* sources = new QHBoxLayout;
    sources->setSpacing(6);
    for (InputSource source : kPhysicalSources) {
        auto* button = new FlatButton(source.badge(), Theme::capsFont(11, QFont::ExtraBold, 0.5), 28);
        button->setFixedWidth(72);
        button->setCheckable(true);
        markAsExclusiveChoice(*button);
        button->installEventFilter(this);
        button->setToolTip(QStringLiteral("Use the ") + source.label() + QStringLiteral(" input"));
        connect(button, &FlatButton::clicked, this, [this, source] {
            // The current source chosen again writes nothing, and stays checked.
            if (source != m_dsp.inputSource(m_ch)) m_dsp.setInputSource(m_ch, source);
            refresh();
        });
        sources->addWidget(button);
        m_sources.append({source, button});
    }
    sources->addStretch();
    stack->addLayout(sources);
    stack->addWidget(divider());

    auto* testRow = new QHBoxLayout;
    auto* statusColumn = new QVBoxLayout;
    statusColumn->setSpacing(1);
    auto* testTitle = new PlainLabel(QStringLiteral("Test signal"));
    testTitle->setFont(Theme::font(Theme::calloutPx));
    m_status->setFont(Theme::font(Theme::captionPx));
    statusColumn->addWidget(testTitle);
    statusColumn->addWidget(m_status);
    // The status wraps rather than being cut where the buttons leave it little room;
    // a fixed width lets the panel's height follow the wrapped lines.
    m_status->setWordWrap(true);
    testRow->setSpacing(6);
    for (QPushButton* b : {m_turnOff, m_settings}) {
        b->setFont(Theme::font(Theme::calloutPx));
        b->ensurePolished();
    }
    const int buttons =
        m_turnOff->sizeHint().width() + m_settings->sizeHint().width() + 2 * testRow->spacing();
    m_status->setFixedWidth(290 - 2 * 16 - buttons);
    testRow->addLayout(statusColumn);
    testRow->addStretch();
    testRow->addWidget(m_turnOff);
    testRow->addWidget(m_settings);
    stack->addLayout(testRow);
    m_settings->setToolTip(QStringLiteral("Open Sources & test signal"));
    connect(m_turnOff, &QPushButton::clicked, this,
            [this] { m_dsp.setInputSource(m_ch, keptSource(m_dsp, m_ch)); });
    connect(m_settings, &QPushButton::clicked, this, [navigator = QPointer<Navigator>(navigator), ch] {
        // The keys go on to this input's source there, not to the first input's.
        if (navigator) navigator->showInputSource(ch);
    });

    QSet<quint32> watched = inputParams(ch);
    watched.insert(quint32(378 + ch));
    new ModelWatcher(
        dsp, watched, [this] { refresh(); }, this);
    refresh();
}

InputSource InputPanel::keptSource(const DSPModel& dsp, int ch) {
    const std::optional<InputSource> kept = InputSource::fromRaw(dsp.words(physicalSource(ch), 1)[0]);
    if (kept && *kept != InputSource::testSignal) return *kept;
    return InputSource::analog;
}

// The three sources are one choice: one Tab stop, where an arrow chooses the neighbouring
// source as a click does, and stops at either end.
bool InputPanel::eventFilter(QObject* watched, QEvent* event) {
    QList<QAbstractButton*> row;
    for (const auto& [source, button] : m_sources) row << button;
    return arrowkeys::workChoiceRow(row, watched, event) || QWidget::eventFilter(watched, event);
}

FlatButton* InputPanel::sourceButton(InputSource source) const {
    for (const auto& [s, button] : m_sources)
        if (s == source) return button;
    return nullptr;
}

void InputPanel::refresh() {
    const bool inverted = flagsKnown(m_dsp, m_ch) && channelwords::inverted(m_dsp, m_ch);
    const bool muted = channelwords::muted(m_dsp, m_ch);
    const std::optional<InputSource> source = reportedSource(m_dsp, m_ch);
    const bool testSignal = source == InputSource::testSignal;
    m_title->setText(channelwords::nameRead(m_dsp, m_ch)
                         ? QStringLiteral("Input · ") + channelwords::shownName(m_dsp, m_ch)
                         : channelwords::label(m_ch) + QStringLiteral(" · name ") + notReadText().toLower());
    if (accessibleName() != m_title->text()) setAccessibleName(m_title->text());
    const bool flagsRead = flagsKnown(m_dsp, m_ch);
    m_phase->setState(inverted ? Symbol::minus : Symbol::plus, inverted, Theme::systemOrange(),
                      !flagsRead ? QStringLiteral("Polarity not read")
                      : inverted ? QStringLiteral("Polarity inverted — click for normal")
                                 : QStringLiteral("Polarity normal — click to invert"));
    m_mute->setState(muted ? Symbol::speakerSlashFill : Symbol::speakerWave2Fill, muted && flagsRead,
                     Palette::red(),
                     !flagsRead ? QStringLiteral("Mute not read")
                     : muted    ? QStringLiteral("Muted — click to unmute")
                                : QStringLiteral("Click to mute"));
    for (const auto& [s, button] : m_sources) {
        const bool current = s == source;
        button->setChecked(current);
        button->setLook(
            current ? FlatButton::Look{Theme::withOpacity(Palette::green(), 0.85), QColor(), Qt::black, 6}
                    : FlatButton::Look{Theme::white(0.07), QColor(), Theme::secondaryText(), 6});
    }
    m_status->setText(testSignal ? QStringLiteral("On — the generator feeds this input")
                                 : QStringLiteral("Off"));
    setTextColour(m_status, testSignal ? Theme::systemOrange() : Theme::secondaryText());
    m_turnOff->setVisible(testSignal);
    enableIfRead({m_phase, m_mute}, flagsRead);
    const bool sourceSettable = sourceKnown(m_dsp, m_ch);
    for (const auto& [s, button] : m_sources) enableIfRead({button}, sourceSettable);
    m_turnOff->setEnabled(sourceSettable);
}

InputQuickMenu::InputQuickMenu(DSPModel& dsp, int ch, QWidget* parent)
    : FlatButton(QString(), Theme::capsFont(10, QFont::ExtraBold, 0.5), 21, parent), m_dsp(dsp), m_ch(ch) {
    makePopoverAnchor(*this);
    setAccessibleName(QStringLiteral("Source"));  // the face shows the choice, read as the value
    setSymbol(Symbol::chevronDown, 7);
    connect(this, &FlatButton::clicked, this, &InputQuickMenu::togglePanel);
    new ModelWatcher(
        dsp, inputParams(ch), [this] { refresh(); }, this);
    refresh();
}

void InputQuickMenu::refresh() {
    const std::optional<InputSource> source = reportedSource(m_dsp, m_ch);
    const QColor tint = source == InputSource::testSignal ? Theme::systemOrange() : Palette::inputBlue();
    setText(source ? source->badge() : QStringLiteral("—"));
    showReadState(*this, source.has_value());
    setLook({Theme::withOpacity(tint, 0.16), Theme::withOpacity(tint, 0.55), tint, 5});
    setToolTip(
        source == InputSource::testSignal
            ? QStringLiteral(
                  "Test signal is routed to this input. Click for phase, mute, source and test signal.")
            : QStringLiteral("Source: ") + (source ? source->label() : QStringLiteral("not read")) +
                  QStringLiteral(". Click for phase, mute and source."));
}

void InputQuickMenu::togglePanel() {
    if (m_panel && m_panel->isVisible()) {
        m_panel->close();
        return;
    }
    openPanel(true);
}

void InputQuickMenu::openPanel(bool userOpened) {
    // A popup closes itself on a click outside it, like a popover.
    m_panel = new InputPanel(m_dsp, m_navigator, m_ch, this);
    m_panel->setWindowFlags(Qt::Popup);
    m_panel->setAttribute(Qt::WA_DeleteOnClose);
    m_panel->setAutoFillBackground(true);
    m_panel->installEventFilter(this);
    // The user opened it on what the strip showed; the one opened at start is opened for the
    // device to come and follows its read-back.
    if (userOpened) closeWhenDeviceMovesOn(*m_panel, m_dsp);
    m_panel->adjustSize();
    showPopover(*m_panel, *this);
}

void InputQuickMenu::fitPanel() {
    m_panel->adjustSize();
    placePopover(*m_panel, *this);
}

bool InputQuickMenu::eventFilter(QObject* watched, QEvent* event) {
    // The panel's content follows the model while it is open (a read-back that ends after
    // it opened, the test signal routed to the input or away): its window, fitted to what
    // it showed when it opened, fits again to the lines it shows now.
    if (event->type() == QEvent::LayoutRequest && watched == m_panel) fitPanel();
    return FlatButton::eventFilter(watched, event);
}

void InputQuickMenu::showEvent(QShowEvent* event) {
    FlatButton::showEvent(event);
    if (m_shownOnce) return;
    m_shownOnce = true;
    // The panel of the input named exactly by its channel number opens a second after it appears.
    if (qEnvironmentVariable("TSL_INPUT_PANEL") == QString::number(m_ch) &&
        qEnvironmentVariableIsSet("TSL_INPUT_PANEL")) {
        QTimer::singleShot(1000, this, [this] {
            if (!m_panel || !m_panel->isVisible()) openPanel(false);
        });
    }
}

void addStripQuickMenuItems(QMenu& menu, DSPModel& dsp, int ch) {
    QAction* phase = menu.addAction(QStringLiteral("Phase invert (Ø)"));
    phase->setCheckable(true);
    phase->setChecked(flagsKnown(dsp, ch) && channelwords::inverted(dsp, ch));
    QObject::connect(phase, &QAction::triggered, &menu,
                     [&dsp, ch](bool checked) { dsp.setPolarity(ch, checked); });
    QAction* mute = menu.addAction(QStringLiteral("Mute"));
    mute->setCheckable(true);
    mute->setChecked(flagsKnown(dsp, ch) && channelwords::muted(dsp, ch));
    QObject::connect(mute, &QAction::triggered, &menu,
                     [&dsp, ch](bool checked) { dsp.setMute(ch, checked); });
    // Until the device has reported them, these settings are not offered.
    phase->setEnabled(flagsKnown(dsp, ch));
    mute->setEnabled(flagsKnown(dsp, ch));
    if (ch >= 4) return;
    const bool known = sourceKnown(dsp, ch);

    menu.addSeparator();
    menu.addSection(QStringLiteral("Source"));
    const std::optional<InputSource> current = reportedSource(dsp, ch);
    QList<InputSource> rows = kPhysicalSources;
    if (current == InputSource::testSignal) rows.append(InputSource::testSignal);
    auto* group = new QActionGroup(&menu);
    for (InputSource source : rows) {
        QAction* row = menu.addAction(source.label());
        row->setCheckable(true);
        row->setChecked(source == current);
        row->setEnabled(known);
        group->addAction(row);
        QObject::connect(row, &QAction::triggered, &menu, [&dsp, ch, source] {
            if (source != dsp.inputSource(ch)) dsp.setInputSource(ch, source);
        });
    }
}
