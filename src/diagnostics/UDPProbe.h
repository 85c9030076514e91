#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QString>
#include <optional>

class QSocketNotifier;
class TrafficLog;

// The UDP tool of the diagnostics console: one socket with address and port
// reuse and broadcast enabled, listening on all local IPv4 addresses, logging
// every datagram under "UDP" and remembering who sent one. Main thread only.
class UDPProbe : public QObject {
    Q_OBJECT
public:
    explicit UDPProbe(TrafficLog& log, QObject* parent = nullptr);
    // The application's probe, logging into the shared log.
    explicit UDPProbe(QObject* parent = nullptr);
    ~UDPProbe() override;

    // The port asked for while a socket is bound (0 when the system chose it).
    std::optional<quint16> listeningPort() const { return listeningPort_; }
    // Sender "a.b.c.d:port" to the time of its last datagram; never shrinks.
    const QMap<QString, QDateTime>& seenHosts() const { return seenHosts_; }

    void listen(quint16 port);
    void stop();
    // One datagram to an IPv4 address written as four numbers 0-255 with dots;
    // opens a socket on a system-chosen port first when none is open. Any other
    // host text sends nothing and logs why.
    void send(const QByteArray& bytes, const QString& host, quint16 port);

Q_SIGNALS:
    void listeningPortChanged();
    void seenHostsChanged();

private:
    void receive();
    void setListeningPort(std::optional<quint16> port);

    TrafficLog& log_;
    std::optional<quint16> listeningPort_;
    QMap<QString, QDateTime> seenHosts_;
    int fd_ = -1;
    QSocketNotifier* source_ = nullptr;
};
