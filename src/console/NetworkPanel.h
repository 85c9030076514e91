#pragma once

#include <QElapsedTimer>
#include <QWidget>

class PanelGroupBox;
class QBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class SeenHostList;
class TCPClient;
class UDPProbe;

// The Network tab: UDP discovery (listen, send, the hosts heard from) and a
// raw TCP connection. Invalid input makes a button do nothing; no control is
// ever disabled. Senders can arrive hundreds of times a second: their rows are
// brought up to date at most once per screen refresh.
class NetworkPanel : public QWidget {
    Q_OBJECT
public:
    NetworkPanel(UDPProbe& udp, TCPClient& tcp, QWidget* parent = nullptr);

    QLineEdit* listenPortField() const { return listenPort_; }
    QLineEdit* udpHostField() const { return udpHost_; }
    QLineEdit* udpPortField() const { return udpPort_; }
    QLineEdit* udpHexField() const { return udpHex_; }
    QLineEdit* tcpHostField() const { return tcpHost_; }
    QLineEdit* tcpPortField() const { return tcpPort_; }
    QLineEdit* tcpHexField() const { return tcpHex_; }
    QPushButton* listenButton() const { return listen_; }
    QPushButton* stopButton() const { return stop_; }
    QLabel* listeningText() const { return listening_; }
    QLabel* stateText() const { return state_; }
    // The sender rows, in the order shown.
    SeenHostList* seenHostList() const { return seenHosts_; }

    void listen();
    void sendUDP();
    void useForTCP(const QString& sender);
    void connectTCP();
    void sendTCP();

    static constexpr int minimumSeenHostsIntervalMs = 16;

private:
    PanelGroupBox* buildUDPSection();
    PanelGroupBox* buildTCPSection();
    void updateListening();
    void scheduleSeenHostsUpdate();
    void updateSeenHosts();
    void updateState();

    UDPProbe& udp_;
    TCPClient& tcp_;
    QLineEdit* listenPort_ = nullptr;
    QPushButton* listen_ = nullptr;
    QPushButton* stop_ = nullptr;
    QLabel* listening_ = nullptr;
    QLineEdit* udpHost_ = nullptr;
    QLineEdit* udpPort_ = nullptr;
    QLineEdit* udpHex_ = nullptr;
    SeenHostList* seenHosts_ = nullptr;
    bool seenHostsUpdateScheduled_ = false;
    QElapsedTimer lastSeenHostsUpdate_;
    QLineEdit* tcpHost_ = nullptr;
    QLineEdit* tcpPort_ = nullptr;
    QLineEdit* tcpHex_ = nullptr;
    QLabel* state_ = nullptr;
};
