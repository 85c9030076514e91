#include "shell/StatusBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "link/DSPConnection.h"
#include "link/DSPModel.h"
#include "pages/NetworkConnectView.h"
#include "shell/StatusChip.h"
#include "ui/DeviceWork.h"
#include "ui/Dialogs.h"
#include "ui/accessibility/Lifetime.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/Palette.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Popover.h"
#include "ui/controls/Symbols.h"
#include "ui/controls/Theme.h"
#include "ui/input/KeyboardFocus.h"
#include "ui/input/PopupFocus.h"

namespace {

bool isNetworkTransport(const QString& transport) {
    return transport.startsWith(QLatin1String("Network"));
}

QLabel* inSecondaryColour(QLabel* label) {
    label->setStyleSheet(QStringLiteral("color: %1").arg(Theme::secondaryText().name(QColor::HexArgb)));
    return label;
}

QLabel* boldLabel(const QString& text, QWidget* parent) {
    auto* label = new PlainLabel(text, parent);
    label->setFont(Theme::font(Theme::calloutPx, QFont::Bold));
    return label;
}

}  // namespace

StatusBar::StatusBar(DSPModel& model, DSPConnection& link, Settings& settings, QWidget* parent,
                     DeviceWork* work)
    : QWidget(parent),
      m_model(model),
      m_link(link),
      m_settings(settings),
      m_row(new QHBoxLayout(this)),
      m_work(work) {
    m_row->setContentsMargins(16, 9, 16, 9);
    m_row->setSpacing(12);
    setFont(Theme::font(Theme::calloutPx));
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&model, &DSPModel::demoChanged, this, &StatusBar::queueRebuild);
    connect(&link, &DSPConnection::statusChanged, this, &StatusBar::queueRebuild);
    connect(&link, &DSPConnection::deviceNameChanged, this, &StatusBar::queueRebuild);
    connect(&link, &DSPConnection::firmwareChanged, this, &StatusBar::queueRebuild);
    connect(&link, &DSPConnection::transportChanged, this, &StatusBar::queueRebuild);
    connect(&model, &DSPModel::loadingChanged, this, [this] {
        // Progress steps only move the bar; its appearance and end rebuild the row.
        if (m_model.loading().has_value() == (m_progress != nullptr)) {
            updateProgress();
        } else {
            queueRebuild();
        }
    });
    if (m_work) connect(m_work, &DeviceWork::changed, this, &StatusBar::updateWorkProgress);
    rebuild();
}

// Several of these often change in one turn (a connection ends the demo and starts the
// read-back): one rebuild for all of them.
void StatusBar::queueRebuild() {
    if (m_rebuildQueued) return;
    m_rebuildQueued = true;
    QTimer::singleShot(0, this, [this] { rebuild(); });
}

QString StatusBar::connectionTitle(const QString& transport) {
    return transport.isEmpty() ? QStringLiteral("Connection") : transport;
}

QString StatusBar::deviceLabel(const QString& deviceName, const QString& statusModel) {
    return plaintext::oneLine(deviceName.isEmpty() ? statusModel : deviceName);
}

void StatusBar::rebuild() {
    m_rebuildQueued = false;
    // A control of the row that had the keys (the connection menu's button, after a choice
    // in its menu) hands them to the one that replaces it.
    const keyboardfocus::FocusReturn focus(*this);
    // The old row goes and the new one comes in this very turn: children added to
    // a visible bar stay hidden until a later turn, and a frame painted in between
    // would show an empty, lower bar with the page moved up under it.
    while (QLayoutItem* item = m_row->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            retireFromAccessibility(*widget);
            widget->deleteLater();
        }
        delete item;
    }
    m_menuButton = nullptr;
    m_progress = nullptr;
    m_workProgress.clear();
    if (m_model.demo()) {
        addDemoState();
    } else {
        addLinkState();
    }
    addWorkProgress();
    for (int i = 0; i < m_row->count(); ++i) {
        QWidget* widget = m_row->itemAt(i)->widget();
        if (widget && !widget->testAttribute(Qt::WA_WState_ExplicitShowHide)) widget->show();
    }
    focus.restore();
}

void StatusBar::addDemoState() {
    auto* chip = new StatusChip(Theme::systemPurple(), true, this);
    chip->addWidget(boldLabel(QStringLiteral("Demo device"), chip));
    m_row->addWidget(chip);
    m_row->addWidget(secondaryText(QStringLiteral("Changes stay in the app and are not sent to any DSP.")));
    m_row->addStretch(1);
    auto* exit = new QPushButton(QStringLiteral("Exit demo"), this);
    exit->setToolTip(QStringLiteral("Leave the demo device"));
    connect(exit, &QPushButton::clicked, &m_model, &DSPModel::exitDemo);
    m_row->addWidget(exit);
}

void StatusBar::addLinkState() {
    const DSPConnection::Status& status = m_link.status();
    if (status.isSearching()) {
        auto* chip = new StatusChip(Theme::systemGrey(), false, this);
        chip->addWidget(new Spinner(chip));
        chip->addWidget(new PlainLabel(QStringLiteral("Looking for the DSP"), chip));
        m_row->addWidget(chip);
        m_row->addWidget(secondaryText(QStringLiteral("Connect it with USB, or over the network.")));
        m_row->addStretch(1);
        addConnectionMenu();
        auto* demo = new QPushButton(QStringLiteral("Try the demo device"), this);
        demo->setToolTip(QStringLiteral("Work with a simulated DSP"));
        connect(demo, &QPushButton::clicked, &m_model, &DSPModel::enterDemo);
        m_row->addWidget(demo);
    } else if (status.isConnected()) {
        auto* chip = new StatusChip(Palette::green(), true, this);
        chip->addWidget(boldLabel(deviceLabel(m_link.deviceName(), status.text()), chip));
        if (const auto& firmware = m_link.firmware()) {
            auto* version = new PlainLabel(QStringLiteral("fw ") + *firmware, chip);
            version->setFont(Theme::monoFont(Theme::calloutPx));
            chip->addWidget(inSecondaryColour(version));
        }
        m_row->addWidget(chip);
        m_row->addStretch(1);
        addConnectionMenu();
    } else {
        auto* chip = new StatusChip(Theme::systemOrange(), true, this);
        chip->addWidget(boldLabel(QStringLiteral("Not connected"), chip));
        m_row->addWidget(chip);
        // The message takes all the room up to the menu, and is cut only where that is too little.
        m_row->addWidget(inSecondaryColour(new ElidedLabel(status.text(), this)), 1);
        addConnectionMenu();
    }
    addProgress();
}

void StatusBar::addConnectionMenu() {
    const QString& transport = m_link.transport();
    m_menuButton = new QToolButton(this);
    m_menuButton->setText(connectionTitle(transport));
    m_menuButton->setIcon(symbolIcon(isNetworkTransport(transport) ? Symbol::network : Symbol::cableConnector,
                                     Theme::primaryText(), 14));
    m_menuButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_menuButton->setAutoRaise(true);
    m_menuButton->setPopupMode(QToolButton::InstantPopup);
    m_menuButton->setToolTip(QStringLiteral("How the app reaches the DSP"));
    m_menuButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* menu = new QMenu(m_menuButton);
    fillConnectionMenu(menu);
    // The link can start or drop its network connection without a status change: the
    // items follow the link as it is when the menu opens.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { fillConnectionMenu(menu); });
    m_menuButton->setMenu(menu);
    makePopoverMenu(*menu, *m_menuButton);
    m_row->addWidget(m_menuButton);
}

void StatusBar::fillConnectionMenu(QMenu* menu) {
    menu->clear();
    QAction* network = menu->addAction(QStringLiteral("Connect over network…"));
    network->setEnabled(!m_link.isOffline());
    // The menu and its items go when the row is rebuilt, also while a question asked for one
    // of them is open: the questions are asked after the item's handler has returned.
    connect(network, &QAction::triggered, this, [this] {
        Dialogs::askLater(this, [this, self = QPointer<StatusBar>(this)] {
            if (m_work && !m_work->mayChangeConnection()) return;
            if (!self) return;
            auto* sheet = new NetworkConnectView(m_link, m_settings, {}, window());
            sheet->setAttribute(Qt::WA_DeleteOnClose);
            sheet->open();
        });
    });
    // While a network host is used, also while it cannot be reached and the link retries,
    // the way back to USB and to the demo device stays open.
    if (!m_link.hasNetworkLink()) return;
    QAction* usb = menu->addAction(QStringLiteral("Use USB instead"));
    connect(usb, &QAction::triggered, this, [this] {
        Dialogs::askLater(this, [this, self = QPointer<StatusBar>(this)] {
            if ((!m_work || m_work->mayChangeConnection()) && self) m_link.disconnectNetwork(true);
        });
    });
    if (!m_model.connected()) {
        QAction* demo = menu->addAction(QStringLiteral("Try the demo device"));
        connect(demo, &QAction::triggered, &m_model, &DSPModel::enterDemo);
    }
}

void StatusBar::addProgress() {
    if (!m_model.loading()) return;
    m_row->addWidget(secondaryText(QStringLiteral("Reading settings…")));
    m_progress = new QProgressBar(this);
    m_progress->setAccessibleName(QStringLiteral("Reading settings"));
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    m_progress->setFixedWidth(140);
    m_progress->setFixedHeight(6);
    m_row->addWidget(m_progress);
    updateProgress();
}

void StatusBar::updateProgress() {
    if (m_progress && m_model.loading()) m_progress->setValue(qRound(*m_model.loading() * 1000));
}

// A send shows how far it got, so the user knows how long the device is still being written,
// and after a lost link how much of it the device holds. It comes before the connection menu,
// which keeps its place at the end of the row while a send begins and ends.
void StatusBar::addWorkProgress() {
    if (!m_work) return;
    int at = m_menuButton ? m_row->indexOf(m_menuButton) : m_row->count();
    for (const DeviceWork::Operation& operation : m_work->running()) {
        auto* label = new PlainLabel(plaintext::oneLine(DeviceWork::progressText(operation)), this);
        inSecondaryColour(label);
        auto* bar = new QProgressBar(this);
        bar->setAccessibleName(plaintext::oneLine(operation.subject));
        bar->setRange(0, std::max(operation.total, 1));
        bar->setValue(operation.done);
        bar->setTextVisible(false);
        bar->setFixedWidth(140);
        bar->setFixedHeight(6);
        m_row->insertWidget(at++, label);
        m_row->insertWidget(at++, bar);
        m_workProgress.append({label, bar});
    }
    // A send a lost link cut short says how far it came, in the line its progress took.
    if (!m_work->cutShortNote().isEmpty())
        m_row->insertWidget(at, secondaryText(plaintext::oneLine(m_work->cutShortNote())));
}

void StatusBar::updateWorkProgress() {
    const QList<DeviceWork::Operation>& running = m_work->running();
    // Progress steps only change the texts and bars; an operation that begins or ends
    // rebuilds the row.
    if (running.size() != m_workProgress.size()) {
        queueRebuild();
        return;
    }
    for (qsizetype i = 0; i < running.size(); ++i) {
        m_workProgress[i].first->setText(plaintext::oneLine(DeviceWork::progressText(running[i])));
        m_workProgress[i].second->setValue(running[i].done);
    }
}

QWidget* StatusBar::secondaryText(const QString& text) {
    return inSecondaryColour(new PlainLabel(text, this));
}

void StatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Palette::panelFill());
}
