#include "diagnostics/TCPClient.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <cerrno>
#include <functional>

#include "link/TrafficLog.h"

namespace {

const QString Transport = QStringLiteral("TCP");
constexpr int RetryMs = 2000;
constexpr qint64 ReceiveLimit = 65536;

bool isWorthWaitingFor(QAbstractSocket::SocketError error) {
    return error == QAbstractSocket::ConnectionRefusedError || error == QAbstractSocket::NetworkError ||
           error == QAbstractSocket::SocketTimeoutError;
}

}  // namespace

// One connection attempt and its socket. Every report goes to the client
// through the event loop, in order, so a given-up connection's last word
// ("cancelled") lands after the caller's own state change. A connection that
// was given up deletes itself once that report is out.
class TCPClient::Connection : public QObject {
public:
    Connection(TCPClient* client, TrafficLog& log, QString host, quint16 port)
        : client_(client), log_(&log), host_(std::move(host)), port_(port) {
        retry_.setSingleShot(true);
        retry_.setInterval(RetryMs);
        QObject::connect(&retry_, &QTimer::timeout, this, &Connection::attempt);
        QObject::connect(&socket_, &QTcpSocket::connected, this, [this] {
            ready_ = true;
            report("ready");
            confirmWritten();
        });
        QObject::connect(&socket_, &QTcpSocket::bytesWritten, this, [this](qint64 count) {
            written_ += count;
            confirmWritten();
        });
        QObject::connect(&socket_, &QTcpSocket::readyRead, this, &Connection::receive);
        QObject::connect(&socket_, &QTcpSocket::errorOccurred, this, &Connection::fail);
    }

    void start() {
        report("preparing");
        attempt();
    }

    void cancel() {
        cancelled_ = true;
        retry_.stop();
        socket_.abort();
        report("cancelled");
        failPending(qt_error_string(ECANCELED));
        post([this] { deleteLater(); });
    }

    // Takes the bytes into the socket; they are logged once the socket has
    // written them all, or as failed when the attempt they wait for ends first.
    // Bytes sent while connecting go out once the connection is ready.
    void send(const QByteArray& bytes) {
        if (socket_.state() == QAbstractSocket::UnconnectedState) {
            logSent(bytes, qt_error_string(ENOTCONN));
            return;
        }
        if (!bytes.isEmpty() && socket_.write(bytes) < 0) {
            logSent(bytes, socket_.errorString());
            return;
        }
        queued_ += bytes.size();
        pending_.append({bytes, queued_});
        // An empty block waits only for the blocks before it.
        if (bytes.isEmpty()) post([this] { confirmWritten(); });
    }

    QString label() const { return host_ + ":" + QString::number(port_); }

private:
    // A new attempt starts from an empty socket: whatever an earlier one
    // still held has been reported as failed.
    void attempt() {
        socket_.abort();
        socket_.connectToHost(host_, port_);
    }

    // Logs, in order, the blocks the socket has written in full.
    void confirmWritten() {
        if (socket_.state() != QAbstractSocket::ConnectedState) return;
        while (!pending_.isEmpty() && pending_.first().end <= written_)
            logSent(pending_.takeFirst().bytes, {});
    }

    // The blocks not yet written are lost with the socket's attempt.
    void failPending(const QString& error) {
        for (const PendingSend& send : std::exchange(pending_, {})) logSent(send.bytes, error);
        queued_ = written_ = 0;
    }

    void logSent(const QByteArray& bytes, const QString& error) {
        post([this, bytes, error] {
            if (log_)
                log_->log(Transport, TrafficEntry::Direction::sent, bytes,
                          error.isEmpty() ? QString() : "failed: " + error);
        });
    }

    void receive() {
        while (socket_.bytesAvailable() > 0) {
            const QByteArray bytes = socket_.read(ReceiveLimit);
            if (bytes.isEmpty()) break;
            post([this, bytes] {
                if (log_) log_->log(Transport, TrafficEntry::Direction::received, bytes);
            });
        }
    }

    void fail(QAbstractSocket::SocketError error) {
        if (cancelled_) return;
        const QString text = socket_.errorString();
        if (ready_) {
            receive();
            // The peer ending the stream is no failure of the connection.
            if (error != QAbstractSocket::RemoteHostClosedError) report("failed(" + text + ")");
            failPending(text);
            post([this] {
                if (client_ && !cancelled_) client_->setState("closed");
            });
        } else if (isWorthWaitingFor(error)) {
            report("waiting(" + text + ")");
            failPending(text);
            retry_.start();
        } else {
            report("failed(" + text + ")");
            failPending(text);
        }
    }

    // A state is reported once, however often an attempt ends the same way.
    void report(const QString& state) {
        if (state == lastReported_) return;
        lastReported_ = state;
        post([this, state] {
            if (client_) client_->setState(state);
            if (log_) log_->log(Transport, TrafficEntry::Direction::info, {}, label() + " " + state);
        });
    }

    void post(std::function<void()> work) {
        QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
    }

    // Reports outlive the client that asked for them, but not the log.
    QPointer<TCPClient> client_;
    QPointer<TrafficLog> log_;
    QString host_;
    quint16 port_;
    QTcpSocket socket_;
    QTimer retry_;
    QString lastReported_;
    struct PendingSend {
        QByteArray bytes;
        qint64 end;  // where the block ends in the attempt's byte stream
    };
    QList<PendingSend> pending_;
    qint64 queued_ = 0;   // bytes handed to the socket in this attempt
    qint64 written_ = 0;  // of those, bytes the socket has written
    bool ready_ = false;
    bool cancelled_ = false;
};

TCPClient::TCPClient(TrafficLog& log, QObject* parent) : QObject(parent), log_(log) {}

TCPClient::TCPClient(QObject* parent) : TCPClient(TrafficLog::shared(), parent) {}

// Going away for good: the connection ends without a last report.
TCPClient::~TCPClient() {
    delete conn_;
}

void TCPClient::connect(const QString& host, quint16 port) {
    disconnect();
    if (port == 0) return;
    conn_ = new Connection(this, log_, host, port);
    conn_->start();
}

void TCPClient::disconnect() {
    if (conn_) std::exchange(conn_, nullptr)->cancel();
    setState("disconnected");
}

void TCPClient::send(const QByteArray& bytes) {
    if (conn_) conn_->send(bytes);
}

void TCPClient::setState(const QString& state) {
    if (state_ == state) return;
    state_ = state;
    Q_EMIT stateChanged();
}
