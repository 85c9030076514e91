#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;
class TrafficLog;

// The raw TCP client of the diagnostics console: connects to any host and
// port, shows the connection's state and logs what it sends and receives
// under "TCP". Main thread only.
//
// State texts: "disconnected" at start and after disconnect(); then, as the
// connection reports them, "preparing", "ready", "waiting(<error>)" (refused,
// unreachable or timed out: it tries again every 2 s), "failed(<error>)"
// (e.g. a host that does not resolve) and "cancelled" (a connection that was
// given up); "closed" when the peer ends the stream or a receive fails.
class TCPClient : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString state READ state NOTIFY stateChanged)
public:
    explicit TCPClient(TrafficLog& log, QObject* parent = nullptr);
    // The application's client, logging into the shared log.
    explicit TCPClient(QObject* parent = nullptr);
    ~TCPClient() override;

    QString state() const { return state_; }
    // A connection exists (from connect until disconnect), whatever its state.
    bool hasConnection() const { return conn_ != nullptr; }

    // Replaces any connection by one to `host` (name or address) and `port`;
    // port 0 is refused and changes nothing.
    void connect(const QString& host, quint16 port);
    void disconnect();
    // Sends the bytes as one block on the connection; does nothing without a
    // connection. The block is logged as sent once the socket has written all
    // of it, and as failed when the connection is refused, retried, closed or
    // given up before that. Bytes sent while connecting wait for the connection.
    void send(const QByteArray& bytes);

Q_SIGNALS:
    void stateChanged();

private:
    class Connection;
    void setState(const QString& state);

    TrafficLog& log_;
    QString state_ = QStringLiteral("disconnected");
    Connection* conn_ = nullptr;
};
