#include "DeviceSimulator.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include "link/TCPFrameStream.h"

struct DeviceSimulator::Client {
    int connection = 0;
    TCPFrameStream stream;
};

DeviceSimulator::DeviceSimulator(QObject* parent)
    : QObject(parent), handlers_(standardSimHandlers()), random_(faults_.seed) {
    connect(&server_, &QTcpServer::newConnection, this, &DeviceSimulator::acceptClients);
}

DeviceSimulator::~DeviceSimulator() {
    stop();
}

bool DeviceSimulator::listen(const QHostAddress& host, quint16 port) {
    if (!host.isLoopback()) return false;
    return server_.listen(host, port);
}

bool DeviceSimulator::listenOnRandomLoopback(quint16 port) {
    std::random_device seed;
    std::mt19937 pick(seed());
    std::uniform_int_distribution<int> octet(1, 254);
    for (int attempt = 0; attempt < 200; ++attempt) {
        const quint32 address =
            (127u << 24) | (quint32(octet(pick)) << 16) | (quint32(octet(pick)) << 8) | quint32(octet(pick));
        if (listen(QHostAddress(address), port)) return true;
        if (server_.serverError() != QAbstractSocket::AddressInUseError) return false;
    }
    return false;
}

QString DeviceSimulator::host() const {
    return server_.serverAddress().toString();
}

void DeviceSimulator::stop() {
    server_.close();
    closeClients();
}

void DeviceSimulator::setFaults(const SimFaults& faults) {
    faults_ = faults;
    random_.seed(faults.seed);
}

void DeviceSimulator::setHandler(quint16 command, Handler handler) {
    handlers_.insert(command, std::move(handler));
}

void DeviceSimulator::removeHandler(quint16 command) {
    handlers_.remove(command);
}

QList<DSPFrame> DeviceSimulator::receivedWithCommand(quint16 command) const {
    QList<DSPFrame> frames;
    for (const DSPFrame& frame : received_) {
        if (frame.command == command) frames.append(frame);
    }
    return frames;
}

QList<DSPFrame> DeviceSimulator::receivedOn(int connection) const {
    QList<DSPFrame> frames;
    for (qsizetype i = 0; i < received_.size(); ++i) {
        if (receivedOn_[i] == connection) frames.append(received_[i]);
    }
    return frames;
}

void DeviceSimulator::acceptClients() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        clients_.insert(socket, new Client{++connectionsAccepted_, {}});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readClient(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            dropClient(socket);
            socket->deleteLater();
        });
        Q_EMIT clientConnected(connectionsAccepted_);
    }
}

void DeviceSimulator::readClient(QTcpSocket* socket) {
    Client* client = clients_.value(socket);
    if (!client) return;
    const QList<DSPFrame> frames = client->stream.feed(socket->readAll());
    for (const DSPFrame& frame : frames) {
        if (!clients_.contains(socket)) return;
        handleFrame(socket, client->connection, frame);
    }
}

void DeviceSimulator::handleFrame(QTcpSocket* socket, int connection, const DSPFrame& frame) {
    received_.append(frame);
    receivedOn_.append(connection);
    ++framesSeen_;
    respond(socket, frame);
    Q_EMIT frameReceived(frame, connection);
}

void DeviceSimulator::respond(QTcpSocket* socket, const DSPFrame& frame) {
    if (faults_.goneOn && faults_.goneOn(frame)) {
        stop();
        return;
    }
    if (framesSeen_ == faults_.closeAfterFrames || chance(faults_.disconnectRate)) {
        socket->abort();
        return;
    }
    if (faults_.silentCommands.contains(frame.command) || chance(faults_.dropRate)) return;
    const auto handler = handlers_.find(frame.command);
    if (handler == handlers_.end()) return;
    const QList<SimReply> replies = (*handler)(device_, frame);
    if (faults_.answerLost && faults_.answerLost(frame)) return;
    if (chance(faults_.garbageRate)) socket->write(QByteArray("\x13\x37garbage\xA5\xA1", 11));
    int delayMs = faults_.commandDelayMs.value(frame.command, faults_.delayMs);
    const bool late = faults_.answerLate && faults_.answerLate(frame);
    if (chance(faults_.lateRate) || late) delayMs = faults_.lateMs;
    deliver(socket, replies, delayMs);
}

void DeviceSimulator::deliver(QTcpSocket* socket, const QList<SimReply>& replies, int delayMs) {
    if (delayMs <= 0) {
        for (const SimReply& reply : replies) writeAnswer(socket, reply);
        return;
    }
    QTimer::singleShot(delayMs, this, [this, target = QPointer<QTcpSocket>(socket), replies] {
        if (!target || !clients_.contains(target)) return;
        for (const SimReply& reply : replies) writeAnswer(target, reply);
    });
}

QList<DSPFrame> DeviceSimulator::respondTo(const DSPFrame& request) {
    received_.append(request);
    receivedOn_.append(0);
    QList<DSPFrame> answers;
    if (const auto handler = handlers_.find(request.command); handler != handlers_.end()) {
        for (const SimReply& reply : (*handler)(device_, request))
            answers.append(DSPFrame{device_.address, reply.command, reply.words});
    }
    Q_EMIT frameReceived(request, 0);
    return answers;
}

void DeviceSimulator::writeAnswer(QTcpSocket* socket, const SimReply& reply) {
    ++answersWritten_;
    QByteArray bytes = DSPFrame{device_.address, reply.command, reply.words}.encode();
    if (faults_.badChecksums) bytes[bytes.size() - 1] = char(bytes[bytes.size() - 1] ^ 0x5A);
    bytes.prepend(faults_.garbageBeforeAnswers);
    if (faults_.chunkSize <= 0) {
        socket->write(bytes);
        return;
    }
    for (qsizetype offset = 0; offset < bytes.size(); offset += faults_.chunkSize) {
        socket->write(bytes.mid(offset, faults_.chunkSize));
        socket->flush();
    }
}

bool DeviceSimulator::chance(double probability) {
    if (probability <= 0) return false;
    return std::uniform_real_distribution<double>(0, 1)(random_) < probability;
}

void DeviceSimulator::sendToAll(quint16 command, const DSPFrame::Words& words) {
    for (QTcpSocket* socket : clients_.keys()) writeAnswer(socket, {command, words});
}

void DeviceSimulator::sendRawToAll(const QByteArray& bytes) {
    for (QTcpSocket* socket : clients_.keys()) socket->write(bytes);
}

void DeviceSimulator::closeClients() {
    const auto sockets = clients_.keys();
    for (QTcpSocket* socket : sockets) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
        dropClient(socket);
    }
}

void DeviceSimulator::dropClient(QTcpSocket* socket) {
    Client* client = clients_.take(socket);
    if (!client) return;
    const int connection = client->connection;
    delete client;
    Q_EMIT clientDisconnected(connection);
}
