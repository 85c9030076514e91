#include "link/DSPConnection.h"

#include <QTcpSocket>

#include <poll.h>

#include "link/DeviceText.h"
#include "link/TrafficLog.h"
#include "platform/NumText.h"
#include "platform/Settings.h"
#include "platform/Tasks.h"
#include "platform/hid/HidBackend.h"

namespace {

const QString transportTag = QStringLiteral("DSP");
const QString useNetworkKey = QStringLiteral("useNetwork");
const QString networkHostKey = QStringLiteral("networkHost");

constexpr quint16 acknowledge = 1;
constexpr quint16 identifyCommand = 3;
constexpr quint16 writeCommand = 5;
constexpr quint16 readCommand = 6;
constexpr quint16 groupWriteCommand = 0x22;
constexpr quint16 groupReadCommand = 0x23;
constexpr quint16 nameWriteCommand = 0x20A;
constexpr quint16 nameReadCommand = 0x20B;
constexpr int textWords = 6;
constexpr int textWidth = 24;

bool offlineFromEnvironment() {
    static const bool offline = DSPConnection::isOfflineValue(qEnvironmentVariable("TSL_OFFLINE"));
    return offline;
}

DSPConnection::Matcher commandIs(quint16 command) {
    return [command](const DSPFrame& frame) { return frame.command == command; };
}

QByteArray wordBytes(const DSPFrame::Words& words) {
    QByteArray bytes;
    for (quint32 word : words) {
        for (int shift = 0; shift < 32; shift += 8) bytes.append(char((word >> shift) & 0xFF));
    }
    return bytes;
}

QString textOf(const DSPFrame::Words& words) {
    return DSPFrame::unpackString(words.mid(0, textWords));
}

bool isMeterAnswer(const DSPFrame& frame) {
    return frame.command == readCommand && frame.words.size() >= 2 &&
           frame.words[1] == DSPConnection::meterParameter;
}

}  // namespace

DSPConnection::DSPConnection(QObject* parent) : DSPConnection(Environment{}, parent) {}

DSPConnection::DSPConnection(const Environment& environment, QObject* parent)
    : QObject(parent),
      hid_(environment.hid ? environment.hid : &hid::defaultBackend()),
      settings_(environment.settings ? environment.settings : &Settings::shared()),
      port_(environment.networkPort.value_or(networkPort)) {
    session_.cancel();  // no link yet
    timeoutTimer_.setSingleShot(true);
    timeoutTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timeoutTimer_, &QTimer::timeout, this, &DSPConnection::timerFired);
    retryTimer_.setSingleShot(true);
    QObject::connect(&retryTimer_, &QTimer::timeout, this, &DSPConnection::startSocket);
    silentConnectTimer_.setSingleShot(true);
    QObject::connect(&silentConnectTimer_, &QTimer::timeout, this, &DSPConnection::connectUnanswered);

    offline_ = environment.offline.value_or(offlineFromEnvironment());
    if (offline_) {
        setStatus(Status::error(offlineText));
        return;
    }
    startWatchingUSB();
    if (environment.restoreRememberedHost && settings_->flag(useNetworkKey) &&
        !settings_->text(networkHostKey).isEmpty()) {
        QTimer::singleShot(std::chrono::milliseconds(qRound64(restoreDelay * 1000)), this,
                           &DSPConnection::restoreNetwork);
    }
}

DSPConnection::~DSPConnection() {
    // Waiting callers must still hear "no answer"; their resumption is posted.
    endSession();
    failAll();
    dropSocket();
}

// ---- USB ----

void DSPConnection::startWatchingUSB() {
    QObject::connect(hid_, &hid::Backend::deviceMatched, this, &DSPConnection::deviceMatched);
    QObject::connect(hid_, &hid::Backend::deviceRemoved, this, &DSPConnection::deviceRemoved);
    // Devices already attached are reported like new ones, once the owner has set its callbacks.
    const QPointer<DSPConnection> self(this);
    const auto present = hid_->devices();
    tasks::post([self, present] {
        if (!self) return;
        for (const auto& device : present) {
            if (self->hid_->find(device.id)) self->deviceMatched(device);
        }
    });
}

void DSPConnection::deviceMatched(const hid::DeviceProperties& device) {
    if (device.vendorID != vendorID || device.productID != productID) return;
    if (deviceId_) return;
    if (tcp_) {
        deviceId_ = device.id;
        return;
    }
    openUSB(device);
}

void DSPConnection::openUSB(const hid::DeviceProperties& device) {
    hid::OpenResult opened = hid_->open(device.id);
    if (!opened.device) {
        setStatus(Status::error(openFailedText));
        return;
    }
    deviceId_ = device.id;
    // The serial number is the device's own text: only ever compared, and bounded.
    const QString serial = device.serial.value_or(QString()).left(64);
    usbIdentity_ = serial.isEmpty() ? QStringLiteral("#%1").arg(device.id) : serial;
    usb_ = std::move(opened.device);
    assembler_ = FrameAssembler();
    QObject::connect(usb_.get(), &hid::Device::inputReport, this,
                     [this](quint8, const QByteArray& report) { handleReport(report); });
    logInfo(QStringLiteral("DSP connected over USB"));
    setTransport(QStringLiteral("USB"));
    startHandshake();
}

void DSPConnection::handleReport(const QByteArray& report) {
    // Declared first, so the requester of an answer resumes after everything else here.
    const tasks::ResumeAtScopeEnd resumeAfterDispatch;
    if (tcp_) return;
    if (auto frame = assembler_.feed(report)) receiveFrame(*frame);
}

void DSPConnection::deviceRemoved(quint64 id) {
    if (!deviceId_ || *deviceId_ != id) return;
    deviceId_.reset();
    // Also while a TCP link is up: an open handle of a vanished device must not stay usable.
    closeUSB();
    if (tcp_) return;
    assembler_ = FrameAssembler();
    address_ = DSPFrame::broadcast;
    endSession();
    failAll();
    setStatus(Status::searching());
    setTransport(QString());
    logInfo(QStringLiteral("DSP disconnected"));
    if (onConnectionChange) onConnectionChange(false);
}

void DSPConnection::closeUSB() {
    if (!usb_) return;
    usb_->disconnect(this);
    usb_->close();
    usb_.release()->deleteLater();
}

bool DSPConnection::sendOverUSB(const DSPFrame& frame) {
    for (const QByteArray& report : frame.reports(DSPFrame::reportSize)) {
        if (usb_->sendOutputReport(0, report) != 0) return false;
    }
    return true;
}

// ---- TCP ----

void DSPConnection::restoreNetwork() {
    // A link the user made in the meantime stays as it is.
    if (usb_ || tcp_) return;
    // Only a host in the network sheet's one spelling is tried: text stored in another form
    // (by an earlier version) would be retried at every start and never reach a device.
    const std::optional<QString> host = numtext::dottedQuad(settings_->text(networkHostKey));
    if (host) connect(*host);
}

void DSPConnection::connect(const QString& host) {
    // Offline means the link stays off, whoever asks; nothing is stored for the next start either.
    if (offline_) return;
    if (tcp_) {
        dropSocket();
        closeNetwork();
    }
    endSession();
    failAll();
    settings_->setValue(networkHostKey, host);
    settings_->setValue(useNetworkKey, true);
    setStatus(Status::searching());
    if (host != host_) forgetDevice();
    host_ = host;
    tcp_ = new QTcpSocket(this);
    QTcpSocket* socket = tcp_;
    QObject::connect(socket, &QTcpSocket::connected, this,
                     [this, socket] { handleNetworkState(socket, NetworkState::ready, {}); });
    QObject::connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] { handleSocketError(socket); });
    QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { parseTCP(socket); });
    startSocket();
}

void DSPConnection::startSocket() {
    if (!tcp_) return;
    tcpReady_ = false;
    tcp_->abort();
    // Started first: a connect that fails at once reports it from inside connectToHost.
    silentConnectTimer_.start(std::chrono::milliseconds(qRound64(silentConnectDelay * 1000)));
    tcp_->connectToHost(host_, port_);
}

// Another host is another device: its name, group and firmware are unknown until it tells
// them, and a host that refuses or never answers tells none.
void DSPConnection::forgetDevice() {
    deviceName_.clear();
    deviceGroup_.clear();
    firmware_.reset();
    firmwareDate_.reset();
    Q_EMIT deviceNameChanged();
    Q_EMIT deviceGroupChanged();
    Q_EMIT firmwareChanged();
    Q_EMIT firmwareDateChanged();
    if (onOtherDevice) onOtherDevice();
}

// A host that drops the connect instead of refusing it leaves the attempt open until the
// socket's own time-out, a minute or more away. The attempt goes on, since a slow network
// may still complete it; only the status tells the user meanwhile.
void DSPConnection::connectUnanswered() {
    if (tcp_ && !tcpReady_) setStatus(Status::error(waitingText(noAnswerYetText)));
}

QString DSPConnection::waitingText(const QString& description) const {
    return QStringLiteral("Waiting for the DSP at %1… (%2)").arg(host_, description);
}

void DSPConnection::handleSocketError(QTcpSocket* socket) {
    if (socket != tcp_) return;
    const QString description = socket->errorString();
    if (tcpReady_) {
        handleNetworkState(socket, NetworkState::closed, description);
        return;
    }
    switch (socket->error()) {
        // A connect that finds no route (ENETUNREACH, EHOSTUNREACH): the network is down or
        // does not reach the DSP. Told by the error code, never by the description, which is
        // in the user's language. A connect that nothing answers ends in the socket's own
        // time-out (SocketTimeoutError) and waits like a refused one.
        case QAbstractSocket::NetworkError:
            handleNetworkState(socket, NetworkState::networkDown, description);
            break;
        case QAbstractSocket::ConnectionRefusedError:
        case QAbstractSocket::SocketTimeoutError:
        case QAbstractSocket::RemoteHostClosedError:
        case QAbstractSocket::TemporaryError:
            handleNetworkState(socket, NetworkState::waiting, description);
            break;
        default:
            handleNetworkState(socket, NetworkState::failed, description);
            break;
    }
}

void DSPConnection::handleNetworkState(QTcpSocket* socket, NetworkState state, const QString& description) {
    if (socket != tcp_) return;
    silentConnectTimer_.stop();  // the attempt has its answer
    switch (state) {
        case NetworkState::ready:
            tcpReady_ = true;
            logInfo(QStringLiteral("Connected to %1:%2").arg(host_).arg(networkPort));
            setTransport(QStringLiteral("Network ") + host_);
            startHandshake();
            break;
        case NetworkState::networkDown:
        case NetworkState::waiting:
            setStatus(Status::error(state == NetworkState::networkDown ? networkDownText
                                                                       : waitingText(description)));
            retryTimer_.start(std::chrono::milliseconds(qRound64(retryInterval * 1000)));
            break;
        case NetworkState::failed:
            setStatus(Status::error(QStringLiteral("Can't reach the DSP at %1: %2").arg(host_, description)));
            dropSocket();
            closeNetwork();
            break;
        case NetworkState::closed:
            setStatus(Status::error(networkClosedText));
            dropSocket();
            closeNetwork();
            break;
    }
}

void DSPConnection::parseTCP(QTcpSocket* socket) {
    // Declared first, so the requesters of the answers resume after everything else here.
    const tasks::ResumeAtScopeEnd resumeAfterDispatch;
    if (socket != tcp_) return;
    const QByteArray chunk = socket->readAll();
    if (chunk.isEmpty()) return;
    for (const DSPFrame& frame : tcpStream_.feed(chunk)) {
        if (socket != tcp_) return;  // a frame's handler may have replaced the link
        receiveFrame(frame);
    }
}

void DSPConnection::dropSocket() {
    retryTimer_.stop();
    silentConnectTimer_.stop();
    tcpStream_.clear();
    tcpReady_ = false;
    if (!tcp_) return;
    QTcpSocket* socket = std::exchange(tcp_, nullptr);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void DSPConnection::closeNetwork() {
    dropSocket();
    endSession();
    failAll();
    address_ = DSPFrame::broadcast;
    setTransport(QString());
    if (status_.isConnected()) setStatus(Status::searching());
    if (onConnectionChange) onConnectionChange(false);
}

void DSPConnection::disconnectNetwork(bool forget) {
    if (!tcp_) return;
    dropSocket();
    if (forget) settings_->setValue(useNetworkKey, false);
    closeNetwork();
    // The user left the network: a "waiting for the DSP at …" text would tell of a link that is gone.
    if (status_.isError()) setStatus(Status::searching());
    if (usb_) {
        // A device opened before the TCP link came up takes over again.
        setTransport(QStringLiteral("USB"));
        startHandshake();
    } else if (deviceId_) {
        const quint64 remembered = *std::exchange(deviceId_, std::nullopt);
        if (auto device = hid_->find(remembered)) deviceMatched(*device);
    }
}

// ---- Handshake ----

void DSPConnection::startHandshake() {
    endSession();
    session_ = Session();
    address_ = DSPFrame::broadcast;
    tasks::startTask([self = QPointer<DSPConnection>(this), session = session_]() -> QCoro::Task<> {
        if (self && !session.isCancelled()) co_await self->handshake(session);
    });
}

void DSPConnection::endSession() {
    session_.cancel();
    identified_ = false;
}

QCoro::Task<> DSPConnection::handshake(Session session) {
    // A handshake whose link went away (or was replaced) must not speak for the new one.
    tasks::TaskGuard guard(this, session);
    Pending identify;
    identify.frame = DSPFrame{DSPFrame::broadcast, identifyCommand, {}};
    identify.matches = commandIs(identifyCommand);
    identify.timeout = requestTimeout;
    identify.identify = true;
    const auto identity = co_await enqueue(std::move(identify));
    if (!guard) co_return;
    if (!identity) {
        setStatus(Status::error(tcp_ ? networkSilentText : usbSilentText));
        co_return;
    }
    address_ = identity->address;
    identified_ = true;
    const QByteArray address(reinterpret_cast<const char*>(address_.data()), qsizetype(address_.size()));
    identity_ = (tcp_ ? QStringLiteral("Network ") + host_ : QStringLiteral("USB ") + usbIdentity_) +
                QLatin1Char(' ') + QString::fromLatin1(address.toHex());
    // What this device does not tell is unknown, never what the device before it told.
    const QByteArray bytes = wordBytes(identity->words);
    firmware_.reset();
    firmwareDate_.reset();
    if (bytes.size() >= 16) {
        const auto byte = [&bytes](int i) { return int(quint8(bytes[i])); };
        firmware_ = QStringLiteral("%1.%2.%3").arg(byte(8)).arg(byte(9)).arg(byte(10));
        firmwareDate_ =
            QString::asprintf("%04d-%02d-%02d", int(DSPFrame::loadUInt16(bytes, 12)), byte(14), byte(15));
    }
    Q_EMIT firmwareChanged();
    Q_EMIT firmwareDateChanged();

    const auto group = co_await request(frameTo(groupReadCommand, Words(textWords, 0)), requestTimeout,
                                        commandIs(groupReadCommand));
    if (!guard) co_return;
    deviceGroup_ = group ? textOf(group->words) : QString();
    Q_EMIT deviceGroupChanged();

    const auto name = co_await request(frameTo(nameReadCommand, Words(textWords, 0)), requestTimeout,
                                       commandIs(nameReadCommand));
    if (!guard) co_return;
    deviceName_ = name ? textOf(name->words) : QStringLiteral("DSP");
    Q_EMIT deviceNameChanged();
    setStatus(Status::connected(deviceName_.isEmpty() ? QStringLiteral("DSP") : deviceName_));
    if (onConnectionChange) onConnectionChange(true);
}

DSPFrame DSPConnection::frameTo(quint16 command, Words words) {
    // The address is the link's when the frame goes out.
    return DSPFrame{DSPFrame::broadcast, command, std::move(words)};
}

// ---- Request queue ----

QCoro::Task<std::optional<DSPFrame>> DSPConnection::request(DSPFrame frame, double timeout,
                                                            Matcher matching) {
    Pending pending;
    pending.frame = std::move(frame);
    pending.matches = std::move(matching);
    pending.timeout = timeout;
    return enqueue(std::move(pending));
}

QCoro::Task<std::optional<DSPFrame>> DSPConnection::enqueue(Pending pending) {
    tasks::Continuation<std::optional<DSPFrame>> answer;
    pending.done = answer.completer();
    queue_.push_back(std::move(pending));
    pump();
    co_return co_await answer;
}

// Gives the request its words and address as it goes out; false when it must not go out.
bool DSPConnection::takeNext(Pending& next) {
    if (next.writeAddress) {
        const quint32 address = *next.writeAddress;
        queuedWrites_.remove(address);
        const auto words = coalesced_.constFind(address);
        if (words == coalesced_.constEnd()) return false;
        next.frame.words = Words{0, address} + *words;
        coalesced_.erase(words);
    }
    if (next.identify) return true;
    // Until the device has told its address, nothing but the identify goes out: a frame to the
    // broadcast address would reach whatever device is listening.
    if (!identified_) return false;
    next.frame.address = address_;
    return true;
}

void DSPConnection::pump() {
    while (!inFlight_ && !queue_.empty()) {
        if (!tcp_ && !usb_) {
            failAll();
            return;
        }
        Pending next = std::move(queue_.front());
        queue_.pop_front();
        if (!takeNext(next)) {
            next.done(std::nullopt);
            continue;
        }
        inFlight_ = std::move(next);
        transmit();
    }
}

void DSPConnection::transmit() {
    const DSPFrame& frame = inFlight_->frame;
    const QByteArray bytes = frame.encode();
    if (tcp_) {
        // A link still connecting (or retrying) gets nothing, so stale writes never reach the
        // device later; the request runs into its timeout as a lost send would, and the log
        // shows only what went out.
        if (tcpReady_) {
            tcp_->write(bytes);
            TrafficLog::shared().log(transportTag, TrafficEntry::Direction::sent, bytes);
        }
    } else if (sendOverUSB(frame)) {
        TrafficLog::shared().log(transportTag, TrafficEntry::Direction::sent, bytes);
    } else {
        finish(std::nullopt);
        return;
    }
    armTimer(std::chrono::milliseconds(qRound64(inFlight_->timeout * 1000)));
}

// The timer is not stopped and restarted for every request, which costs more than a loopback
// round trip's share allows: it stays armed, and when it fires it ends the request in flight
// only if that request's own deadline has passed, so it never ends a later one early.
void DSPConnection::armTimer(std::chrono::milliseconds timeout) {
    const auto now = std::chrono::steady_clock::now();
    deadline_ = now + timeout;
    lookedAgain_ = false;
    if (timeoutTimer_.isActive() && timerDue_ <= deadline_) return;
    timerDue_ = deadline_;
    timeoutTimer_.start(timeout);
}

void DSPConnection::timerFired() {
    if (!inFlight_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < deadline_) {
        timerDue_ = deadline_;
        timeoutTimer_.start(std::chrono::ceil<std::chrono::milliseconds>(deadline_ - now));
        return;
    }
    // When this thread was held up past the deadline (a busy machine, a slow disk), the answer
    // may have come meanwhile and wait unread: the timer then looks once more after the socket
    // has been read, and ends the request unless that was its answer. Only once, so a device
    // that never stops sending cannot hold a request open.
    if (!lookedAgain_ && unreadBytesWaiting()) {
        lookedAgain_ = true;
        timerDue_ = now;
        timeoutTimer_.start(0);
        return;
    }
    finish(std::nullopt);
}

bool DSPConnection::unreadBytesWaiting() const {
    if (!tcp_ || tcp_->state() != QAbstractSocket::ConnectedState) return false;
    pollfd socket{int(tcp_->socketDescriptor()), POLLIN, 0};
    return ::poll(&socket, 1, 0) == 1 && (socket.revents & POLLIN);
}

void DSPConnection::finish(std::optional<DSPFrame> frame) {
    std::optional<Pending> ended = std::exchange(inFlight_, std::nullopt);
    if (ended) ended->done(std::move(frame));
    pump();
}

void DSPConnection::failAll() {
    std::deque<Pending> ended = std::exchange(queue_, {});
    if (inFlight_) ended.push_back(*std::exchange(inFlight_, std::nullopt));
    timeoutTimer_.stop();
    coalesced_.clear();
    queuedWrites_.clear();
    for (Pending& pending : ended) pending.done(std::nullopt);
}

void DSPConnection::receiveFrame(const DSPFrame& frame) {
    if (!isMeterAnswer(frame)) {
        TrafficLog::shared().log(transportTag, TrafficEntry::Direction::received, frame.encode());
    }
    if (inFlight_ && inFlight_->matches && inFlight_->matches(frame)) finish(frame);
    if (onFrame) onFrame(frame);
}

// ---- Device commands ----

// One send per parameter outstanding: a write joins the queue once and takes the newest words
// when it goes out, so while one is on the wire at most one more follows, however fast the
// writes come. A drag on a slow link therefore never piles up stale values.
void DSPConnection::writeParam(quint32 address, Words words) {
    coalesced_.insert(address, std::move(words));
    if (queuedWrites_.contains(address)) return;
    queuedWrites_.insert(address);
    // Queued on a later turn, behind whatever this turn has started already.
    tasks::post([self = QPointer<DSPConnection>(this), address] {
        if (self) self->enqueueWrite(address);
    });
}

void DSPConnection::enqueueWrite(quint32 address) {
    if (!queuedWrites_.contains(address)) return;  // the link was lost meanwhile
    Pending write;
    write.frame = frameTo(writeCommand, {});
    write.matches = commandIs(acknowledge);
    write.timeout = requestTimeout;
    // Nobody waits for a write's answer; the link only counts the acknowledged ones. Only the
    // link itself ends its requests, so it is still there when this runs.
    write.done = [this](const std::optional<DSPFrame>& answer) {
        if (answer) ++acknowledgedWrites_;
    };
    write.writeAddress = address;
    queue_.push_back(std::move(write));
    pump();
}

QCoro::Task<std::optional<DSPConnection::Words>> DSPConnection::readParam(quint32 address) {
    Matcher matching = [address](const DSPFrame& frame) { return isParameterAnswer(frame, address); };
    DSPFrame frame = frameTo(readCommand, Words{0, address});
    const std::optional<DSPFrame> answer =
        co_await request(std::move(frame), requestTimeout, std::move(matching));
    if (!answer) co_return std::nullopt;
    co_return std::optional<Words>(answer->words.mid(2));
}

bool DSPConnection::isParameterAnswer(const DSPFrame& frame, quint32 address) {
    return frame.command == readCommand && frame.words.size() >= 2 && frame.words[1] == address;
}

QCoro::Task<bool> DSPConnection::setDeviceName(QString text) {
    return writeDeviceText(nameWriteCommand, std::move(text), &DSPConnection::deviceName_,
                           &DSPConnection::deviceNameChanged);
}

QCoro::Task<bool> DSPConnection::setDeviceGroup(QString text) {
    return writeDeviceText(groupWriteCommand, std::move(text), &DSPConnection::deviceGroup_,
                           &DSPConnection::deviceGroupChanged);
}

QCoro::Task<bool> DSPConnection::writeDeviceText(quint16 command, QString text, QString DSPConnection::*field,
                                                 void (DSPConnection::*changed)()) {
    tasks::TaskGuard guard(this);
    const QString cut = printableASCII(text).left(textWidth);
    const auto answer = co_await request(frameTo(command, DSPFrame::packString(cut, textWords)),
                                         requestTimeout, commandIs(acknowledge));
    if (!answer) co_return false;
    if (guard) {
        this->*field = cut;
        Q_EMIT(this->*changed)();
    }
    co_return true;
}

QCoro::Task<> DSPConnection::send(quint16 command, Words words) {
    co_await request(frameTo(command, std::move(words)), requestTimeout, [command](const DSPFrame& frame) {
        return frame.command == acknowledge || frame.command == command;
    });
}

// ---- Published state and log ----

void DSPConnection::setStatus(const Status& status) {
    if (status_ == status) return;
    status_ = status;
    Q_EMIT statusChanged();
}

void DSPConnection::setTransport(const QString& transport) {
    if (transport_ == transport) return;
    transport_ = transport;
    Q_EMIT transportChanged();
}

void DSPConnection::logInfo(const QString& note) {
    TrafficLog::shared().log(transportTag, TrafficEntry::Direction::info, QByteArray(), note);
}
