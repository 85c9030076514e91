#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <QCoro/QCoroTask>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "link/DSPFrame.h"
#include "link/FrameAssembler.h"
#include "link/NetworkScan.h"
#include "link/TCPFrameStream.h"
#include "platform/Tasks.h"

class QTcpSocket;
class Settings;

namespace hid {
class Backend;
class Device;
struct DeviceProperties;
}  // namespace hid

// The one link to the processor: USB HID when it is plugged in, TCP port 8234 on request
// (a TCP link has priority). It runs the identification handshake when a link comes up,
// keeps exactly one request on the wire, and hands every received frame to its owner.
// Lives on the main thread.
class DSPConnection : public QObject {
    Q_OBJECT
public:
    using Words = DSPFrame::Words;
    using Matcher = std::function<bool(const DSPFrame&)>;

    class Status {
    public:
        enum class Kind { searching, connected, error };

        static Status searching() { return {Kind::searching, {}}; }
        static Status connected(const QString& model) { return {Kind::connected, model}; }
        static Status error(const QString& message) { return {Kind::error, message}; }

        Kind kind() const { return kind_; }
        bool isSearching() const { return kind_ == Kind::searching; }
        bool isConnected() const { return kind_ == Kind::connected; }
        bool isError() const { return kind_ == Kind::error; }
        // The model text of `connected`, the message of `error`, empty for `searching`.
        const QString& text() const { return text_; }

        bool operator==(const Status&) const = default;

    private:
        Status(Kind kind, QString text) : kind_(kind), text_(std::move(text)) {}
        Kind kind_;
        QString text_;
    };

    // One queued request; `done` is called exactly once. The frame takes the link's address
    // when it goes out, never the one it was made with, so it cannot carry an address the link
    // no longer has. Only the identify goes to the broadcast address; until its answer nothing
    // else goes out, and a request that comes up meanwhile ends with no answer.
    struct Pending {
        DSPFrame frame;
        Matcher matches;
        double timeout = 0;
        std::function<void(std::optional<DSPFrame>)> done;
        bool identify = false;
        // A coalesced write: its words are the newest ones for this parameter when it goes out.
        std::optional<quint32> writeAddress;
    };

    // One link, from the moment it comes up until it is lost. Whatever is started for a link
    // (the handshake, the model's read-back, meter poller, preset list and FIR transfers)
    // holds its session and checks it after every suspension, so nothing it does after the
    // link ended reaches the model or a later link. No link: an ended session.
    using Session = tasks::CancelToken;

    // What the connection works with; the defaults are the application's.
    struct Environment {
        hid::Backend* hid = nullptr;         // hid::defaultBackend()
        Settings* settings = nullptr;        // Settings::shared()
        std::optional<bool> offline;         // TSL_OFFLINE, read once per process
        std::optional<quint16> networkPort;  // 8234
        // Reconnect to the remembered host 1 s after start; off when the owner picks the
        // host itself and no other device may be reached.
        bool restoreRememberedHost = true;
    };

    static constexpr int vendorID = 0x28E9;
    static constexpr int productID = 0x028A;
    static constexpr quint16 networkPort = 8234;
    static constexpr double requestTimeout = 0.4;
    static constexpr double restoreDelay = 1.0;
    static constexpr double retryInterval = 2.0;
    // How long a connect attempt goes unanswered before the status says so.
    static constexpr double silentConnectDelay = 3.0;
    static constexpr quint32 meterParameter = 366;

    static inline const QString offlineText =
        QStringLiteral("Offline mode (TSL_OFFLINE=1): the DSP is ignored.");
    static inline const QString openFailedText = QStringLiteral("The DSP was found but couldn't be opened.");
    static inline const QString usbSilentText =
        QStringLiteral("The DSP didn't answer. Unplug it and plug it back in.");
    static inline const QString networkSilentText = QStringLiteral("The DSP didn't answer over the network.");
    static inline const QString networkClosedText =
        QStringLiteral("The network connection to the DSP closed.");
    // In the waiting text while a connect attempt has had no answer, neither yes nor no.
    static inline const QString noAnswerYetText = QStringLiteral("no answer yet");
    // No route to the DSP: the network is down, or the DSP's address lies on no network
    // this computer reaches. Nothing to wait for but the network itself.
    static inline const QString networkDownText = QStringLiteral(
        "Waiting for the network: it is down or doesn't reach the DSP. The link keeps trying.");

    explicit DSPConnection(QObject* parent = nullptr);
    explicit DSPConnection(const Environment& environment, QObject* parent = nullptr);
    ~DSPConnection() override;

    // True for the one TSL_OFFLINE value that turns the link off.
    static bool isOfflineValue(const QString& value) { return value == QLatin1String("1"); }

    // Published state.
    const Status& status() const { return status_; }
    const QString& deviceName() const { return deviceName_; }
    const QString& deviceGroup() const { return deviceGroup_; }
    const std::optional<QString>& firmware() const { return firmware_; }
    const std::optional<QString>& firmwareDate() const { return firmwareDate_; }
    const QString& transport() const { return transport_; }
    // Which device the link reached, as far as the link can tell: its way there (the network
    // host, or the USB device's serial number or, without one, its handle) and the address it
    // answered the handshake from. Set before the owner hears of the link; kept after it ends.
    const QString& identity() const { return identity_; }
    const DSPFrame::Address& address() const { return address_; }
    const Session& session() const { return session_; }

    // Set by the owner right after creation.
    std::function<void(const DSPFrame&)> onFrame;
    std::function<void(bool)> onConnectionChange;
    // Called when a link to another host is asked for: what the owner holds of the device
    // before is not the next one's, whether or not that one ever answers.
    std::function<void()> onOtherDevice;

    // Transports. `connect` replaces any TCP link; while one exists USB input is ignored.
    void connect(const QString& host);
    void disconnectNetwork(bool forget = true);
    bool hasNetworkLink() const { return tcp_ != nullptr; }
    bool hasOpenUSBDevice() const { return usb_ != nullptr; }
    // TSL_OFFLINE: the link stays off and `connect` does nothing.
    bool isOffline() const { return offline_; }

    // Request queue: one request on the wire at a time, first in first out.
    QCoro::Task<std::optional<DSPFrame>> request(DSPFrame frame, double timeout, Matcher matching);
    void pump();
    void finish(std::optional<DSPFrame> frame);
    void failAll();
    void receiveFrame(const DSPFrame& frame);
    int queuedCount() const { return int(queue_.size()); }
    // Coalesced writes queued and not yet sent (at most one per parameter).
    int queuedWriteCount() const { return int(queuedWrites_.size()); }
    // Those and the write on the wire, if any: a run of writes has ended once none of its
    // writes waits for the device's answer any more.
    int unansweredWriteCount() const {
        return queuedWriteCount() + (inFlight_ && inFlight_->writeAddress ? 1 : 0);
    }
    // Coalesced writes the device has acknowledged since this connection was made: how far a
    // run of writes came, also once a lost link has dropped the rest of them.
    int acknowledgedWriteCount() const { return acknowledgedWrites_; }
    bool isBusy() const { return inFlight_.has_value(); }

    // Device commands.
    void writeParam(quint32 address, Words words);
    QCoro::Task<std::optional<Words>> readParam(quint32 address);
    QCoro::Task<bool> setDeviceName(QString text);
    QCoro::Task<bool> setDeviceGroup(QString text);
    QCoro::Task<> send(quint16 command, Words words);
    static bool isParameterAnswer(const DSPFrame& frame, quint32 address);

    // Hosts on the local IPv4 /24 networks that accept TCP on port 8234, probed off the main thread.
    static QCoro::Task<QStringList> scanNetwork(ScanSystem& system = ScanSystem::posix());
    static QStringList probeHosts(const QStringList& hosts, ScanSystem& system = ScanSystem::posix());

Q_SIGNALS:
    void statusChanged();
    void deviceNameChanged();
    void deviceGroupChanged();
    void firmwareChanged();
    void firmwareDateChanged();
    void transportChanged();

private:
    enum class NetworkState { ready, waiting, networkDown, failed, closed };

    // USB
    void startWatchingUSB();
    void deviceMatched(const hid::DeviceProperties& device);
    void deviceRemoved(quint64 id);
    void openUSB(const hid::DeviceProperties& device);
    void closeUSB();
    void handleReport(const QByteArray& report);
    bool sendOverUSB(const DSPFrame& frame);

    // TCP
    void restoreNetwork();
    void startSocket();
    void handleNetworkState(QTcpSocket* socket, NetworkState state, const QString& description);
    void handleSocketError(QTcpSocket* socket);
    void connectUnanswered();
    void forgetDevice();
    QString waitingText(const QString& description) const;
    void parseTCP(QTcpSocket* socket);
    void dropSocket();
    void closeNetwork();

    void startHandshake();
    QCoro::Task<> handshake(Session session);
    void endSession();
    static DSPFrame frameTo(quint16 command, Words words);
    QCoro::Task<std::optional<DSPFrame>> enqueue(Pending pending);
    void enqueueWrite(quint32 address);
    bool takeNext(Pending& next);
    void transmit();
    void armTimer(std::chrono::milliseconds timeout);
    void timerFired();
    bool unreadBytesWaiting() const;
    QCoro::Task<bool> writeDeviceText(quint16 command, QString text, QString DSPConnection::*field,
                                      void (DSPConnection::*changed)());

    void setStatus(const Status& status);
    void setTransport(const QString& transport);
    void logInfo(const QString& note);

    hid::Backend* hid_ = nullptr;
    Settings* settings_ = nullptr;
    quint16 port_ = networkPort;
    bool offline_ = false;

    Status status_ = Status::searching();
    Session session_;
    bool identified_ = false;          // the session's device answered its identify
    std::optional<quint64> deviceId_;  // the held USB device, open or only remembered
    std::unique_ptr<hid::Device> usb_;
    FrameAssembler assembler_;
    DSPFrame::Address address_ = DSPFrame::broadcast;
    std::optional<QString> firmware_;
    std::optional<QString> firmwareDate_;
    QString deviceName_;
    QString deviceGroup_;
    QString transport_;
    QString usbIdentity_;  // of the USB device opened last
    QString identity_;

    QTcpSocket* tcp_ = nullptr;
    QString host_;
    bool tcpReady_ = false;
    TCPFrameStream tcpStream_;
    QTimer retryTimer_;
    QTimer silentConnectTimer_;  // runs while a connect attempt has had no answer

    std::deque<Pending> queue_;
    std::optional<Pending> inFlight_;
    QTimer timeoutTimer_;
    std::chrono::steady_clock::time_point deadline_;  // of the request in flight
    std::chrono::steady_clock::time_point timerDue_;  // when the timer fires next
    bool lookedAgain_ = false;  // for unread bytes, after the deadline of the request in flight
    QHash<quint32, Words> coalesced_;
    QSet<quint32> queuedWrites_;  // parameters with a write queued and not yet sent
    int acknowledgedWrites_ = 0;
};
