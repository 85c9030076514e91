#include "console/NetworkPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "console/ConsoleWidgets.h"
#include "console/SeenHostList.h"
#include "console/TypedNumbers.h"
#include "diagnostics/TCPClient.h"
#include "diagnostics/UDPProbe.h"
#include "link/HexText.h"
#include "platform/NumText.h"
#include "ui/controls/FieldEdits.h"
#include "ui/controls/PanelGroupBox.h"
#include "ui/controls/PlainText.h"
#include "ui/controls/Theme.h"

namespace {

// A field with its title in front, as a form row shows it. The title names
// the field for assistive technology too, unless the form holds the title
// twice: then `spokenName` says which one it is.
QLineEdit* titledField(QBoxLayout& row, const QString& title, const QString& objectName, QWidget* parent,
                       int width = 0, const QString& spokenName = {}) {
    auto* label = new PlainLabel(title, parent);
    row.addWidget(label);
    auto* field = new QLineEdit(parent);
    new FieldEdits(*field);
    field->setObjectName(objectName);
    keepTyped(*field);
    label->setBuddy(field);
    if (!spokenName.isEmpty()) field->setAccessibleName(spokenName);
    if (width > 0) {
        field->setFixedWidth(width);
        row.addWidget(field);
    } else {
        row.addWidget(field, 1);
    }
    return field;
}

// The "Hex bytes" row of a section with its Send button. Both sections have
// one, so their spoken names carry the protocol ("UDP", "TCP").
template <typename Send>
QLineEdit* addHexSendRow(PanelGroupBox& box, const QString& protocol, const QString& objectName,
                         NetworkPanel* panel, Send send) {
    auto* row = new QHBoxLayout;
    row->addWidget(new PlainLabel(QStringLiteral("Hex bytes"), &box));
    QLineEdit* field = hexField(objectName, &box);
    field->setAccessibleName(protocol + QStringLiteral(" hex bytes"));
    row->addWidget(field, 1);
    auto* button = plainButton(QStringLiteral("Send"), &box);
    button->setAccessibleName(QStringLiteral("Send ") + protocol);
    QObject::connect(button, &QPushButton::clicked, panel, send);
    row->addWidget(button);
    box.contentLayout()->addLayout(row);
    return field;
}

}  // namespace

NetworkPanel::NetworkPanel(UDPProbe& udp, TCPClient& tcp, QWidget* parent)
    : QWidget(parent), udp_(udp), tcp_(tcp) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    outer->addWidget(scroll);
    auto* form = new QWidget(scroll);
    auto* sections = new QVBoxLayout(form);
    sections->setContentsMargins(tabPageMargin, tabPageMargin, tabPageMargin, tabPageMargin);
    sections->setSpacing(12);
    sections->addWidget(buildUDPSection());
    sections->addWidget(buildTCPSection());
    sections->addStretch(1);
    scroll->setWidget(form);

    connect(&udp_, &UDPProbe::listeningPortChanged, this, &NetworkPanel::updateListening);
    connect(&udp_, &UDPProbe::seenHostsChanged, this, &NetworkPanel::scheduleSeenHostsUpdate);
    connect(&tcp_, &TCPClient::stateChanged, this, &NetworkPanel::updateState);
    updateListening();
    updateSeenHosts();
    updateState();
}

PanelGroupBox* NetworkPanel::buildUDPSection() {
    auto* box = new PanelGroupBox(QStringLiteral("UDP discovery"), this);
    box->contentLayout()->setSpacing(8);

    auto* listenRow = new QHBoxLayout;
    listenPort_ =
        titledField(*listenRow, QStringLiteral("Listen port"), QStringLiteral("listenPort"), box, 110);
    listen_ = compactButton(QStringLiteral("Listen"), box);
    connect(listen_, &QPushButton::clicked, this, &NetworkPanel::listen);
    stop_ = compactButton(QStringLiteral("Stop"), box);
    connect(stop_, &QPushButton::clicked, &udp_, &UDPProbe::stop);
    listening_ = secondaryLabel(QString(), Theme::font(Theme::captionPx), box);
    // The row is the widest of the form; in a narrow tab this text gives way.
    listening_->setMinimumWidth(0);
    listening_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    listenRow->addWidget(listen_);
    listenRow->addWidget(stop_);
    listenRow->addWidget(listening_, 1);
    box->contentLayout()->addLayout(listenRow);

    auto* destinationRow = new QHBoxLayout;
    udpHost_ = titledField(*destinationRow, QStringLiteral("To"), QStringLiteral("udpHost"), box);
    FieldEdits::of(*udpHost_).show(QStringLiteral("255.255.255.255"));
    udpPort_ = titledField(*destinationRow, QStringLiteral("Port"), QStringLiteral("udpPort"), box, 70,
                           QStringLiteral("UDP port"));
    box->contentLayout()->addLayout(destinationRow);

    udpHex_ =
        addHexSendRow(*box, QStringLiteral("UDP"), QStringLiteral("udpHex"), this, &NetworkPanel::sendUDP);

    seenHosts_ = new SeenHostList(box);
    connect(seenHosts_, &SeenHostList::useForTCP, this, &NetworkPanel::useForTCP);
    box->contentLayout()->addWidget(seenHosts_);
    return box;
}

PanelGroupBox* NetworkPanel::buildTCPSection() {
    auto* box = new PanelGroupBox(QStringLiteral("TCP control"), this);
    box->contentLayout()->setSpacing(8);

    auto* addressRow = new QHBoxLayout;
    tcpHost_ = titledField(*addressRow, QStringLiteral("DSP IP address"), QStringLiteral("tcpHost"), box);
    tcpPort_ = titledField(*addressRow, QStringLiteral("Port"), QStringLiteral("tcpPort"), box, 70,
                           QStringLiteral("TCP port"));
    box->contentLayout()->addLayout(addressRow);
    // The buttons get their own row: beside the fields they would not fit
    // the tab's width.
    auto* connectRow = new QHBoxLayout;
    auto* connectButton = plainButton(QStringLiteral("Connect"), box);
    connect(connectButton, &QPushButton::clicked, this, &NetworkPanel::connectTCP);
    auto* disconnectButton = plainButton(QStringLiteral("Disconnect"), box);
    connect(disconnectButton, &QPushButton::clicked, &tcp_, &TCPClient::disconnect);
    connectRow->addWidget(connectButton);
    connectRow->addWidget(disconnectButton);
    connectRow->addStretch(1);
    box->contentLayout()->addLayout(connectRow);

    state_ = secondaryLabel(QString(), Theme::font(Theme::captionPx), box);
    box->contentLayout()->addWidget(state_);

    tcpHex_ =
        addHexSendRow(*box, QStringLiteral("TCP"), QStringLiteral("tcpHex"), this, &NetworkPanel::sendTCP);
    return box;
}

void NetworkPanel::listen() {
    if (const auto port = typednumbers::port(listenPort_->text())) udp_.listen(*port);
}

void NetworkPanel::sendUDP() {
    const auto bytes = parseHexBytes(udpHex_->text());
    const auto port = typednumbers::port(udpPort_->text());
    if (bytes && port) udp_.send(*bytes, udpHost_->text(), *port);
}

void NetworkPanel::useForTCP(const QString& sender) {
    FieldEdits::of(*tcpHost_).show(sender.section(u':', 0, 0));
}

void NetworkPanel::connectTCP() {
    if (const auto port = typednumbers::port(tcpPort_->text())) tcp_.connect(tcpHost_->text(), *port);
}

void NetworkPanel::sendTCP() {
    if (const auto bytes = parseHexBytes(tcpHex_->text())) tcp_.send(*bytes);
}

void NetworkPanel::updateListening() {
    const std::optional<quint16> port = udp_.listeningPort();
    QPushButton* shown = port ? stop_ : listen_;
    QPushButton* hidden = port ? listen_ : stop_;
    // The button that takes the clicked one's place takes its focus too: hiding a focused
    // button would hand the focus on down the form, to the destination field with its text
    // selected, where the next key would replace it.
    const bool hadFocus = hidden->window()->focusWidget() == hidden;
    shown->setVisible(true);
    if (hadFocus) shown->setFocus(Qt::OtherFocusReason);
    hidden->setVisible(false);
    listening_->setVisible(port.has_value());
    if (port) listening_->setText(QStringLiteral("listening on ") + numtext::format("%u", unsigned(*port)));
}

void NetworkPanel::scheduleSeenHostsUpdate() {
    if (seenHostsUpdateScheduled_) return;
    seenHostsUpdateScheduled_ = true;
    const qint64 wait = lastSeenHostsUpdate_.isValid()
                            ? std::max<qint64>(0, minimumSeenHostsIntervalMs - lastSeenHostsUpdate_.elapsed())
                            : 0;
    QTimer::singleShot(int(wait), this, &NetworkPanel::updateSeenHosts);
}

void NetworkPanel::updateSeenHosts() {
    seenHostsUpdateScheduled_ = false;
    lastSeenHostsUpdate_.start();
    seenHosts_->addNewSenders(udp_.seenHosts());
}

void NetworkPanel::updateState() {
    state_->setText(QStringLiteral("State: ") + tcp_.state());
}
