#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include <poll.h>

// One IPv4 address of a local interface.
struct InterfaceAddress {
    QString name;
    QString address;
};

// The operating-system calls of the network scan, behind one seam so that the candidate and
// batch logic can run against injected interfaces and sockets.
class ScanSystem {
public:
    enum class ConnectOutcome { connected, inProgress, failed };

    virtual ~ScanSystem() = default;

    // The AF_INET entries of the interface list, in its order; none when it can't be read.
    virtual std::optional<QList<InterfaceAddress>> ipv4Interfaces();
    // Opens a non-blocking TCP socket and starts connecting it to host:port. On `failed` no
    // socket is left open; otherwise *socket holds one the caller must close.
    virtual ConnectOutcome startConnect(const QString& host, quint16 port, int* socket);
    virtual int poll(std::vector<pollfd>& fds, int timeoutMs);
    // The socket's pending error (SO_ERROR); non-zero when it can't be read.
    virtual int pendingError(int socket);
    virtual void close(int socket);

    // The real calls.
    static ScanSystem& posix();
};

namespace networkscan {

inline constexpr quint16 port = 8234;
inline constexpr int batchSize = 200;
inline constexpr double batchSeconds = 1.5;

// Every host of the /24 network of each non-"lo" interface, own addresses left out.
QStringList candidates(const std::optional<QList<InterfaceAddress>>& interfaces);
// The hosts that accepted a TCP connection, in numeric-aware order. Blocks.
QStringList probe(const QStringList& hosts, ScanSystem& system);
// Text order in which digit runs compare as numbers: 10.0.0.9 before 10.0.0.10.
bool naturalLess(const QString& a, const QString& b);

}  // namespace networkscan
