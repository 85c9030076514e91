#include "diagnostics/UDPProbe.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cerrno>
#include <vector>

#include "link/TrafficLog.h"
#include "platform/NumText.h"

namespace {

const QString Transport = QStringLiteral("UDP");
constexpr size_t DatagramBufferSize = 65536;

}  // namespace

UDPProbe::UDPProbe(TrafficLog& log, QObject* parent) : QObject(parent), log_(log) {}

UDPProbe::UDPProbe(QObject* parent) : UDPProbe(TrafficLog::shared(), parent) {}

UDPProbe::~UDPProbe() {
    stop();
}

void UDPProbe::listen(quint16 port) {
    stop();
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_UDP);
    if (fd < 0) return;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        log_.log(Transport, TrafficEntry::Direction::info, {},
                 QString("can't listen on port %1 (errno %2)").arg(port).arg(error));
        ::close(fd);
        return;
    }
    fd_ = fd;
    setListeningPort(port);
    source_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(source_, &QSocketNotifier::activated, this, &UDPProbe::receive);
    log_.log(Transport, TrafficEntry::Direction::info, {}, QString("listening on port %1").arg(port));
}

void UDPProbe::stop() {
    if (source_) {
        source_->setEnabled(false);
        source_->deleteLater();
        source_ = nullptr;
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    setListeningPort(std::nullopt);
}

void UDPProbe::send(const QByteArray& bytes, const QString& host, quint16 port) {
    // Names are not resolved, and the short and octal forms that inet_aton
    // takes would send somewhere other than what the user sees.
    const std::optional<QString> address = numtext::dottedQuad(host);
    if (!address) {
        log_.log(Transport, TrafficEntry::Direction::info, {},
                 QString("not sent: \"%1\" is no IPv4 address like 192.168.1.20").arg(host));
        return;
    }
    if (fd_ < 0) listen(0);
    if (fd_ < 0) return;
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(port);
    ::inet_pton(AF_INET, address->toLatin1().constData(), &destination.sin_addr);
    const ssize_t sent = ::sendto(fd_, bytes.constData(), size_t(bytes.size()), 0,
                                  reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    QString note = QString("to %1:%2").arg(host).arg(port);
    if (sent < 0) note += QString(" failed (errno %1)").arg(errno);
    log_.log(Transport, TrafficEntry::Direction::sent, bytes, note);
}

void UDPProbe::receive() {
    std::vector<char> buffer(DatagramBufferSize, 0);
    sockaddr_in sender{};
    socklen_t senderSize = sizeof sender;
    const ssize_t count =
        ::recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&sender), &senderSize);
    if (count < 1) return;
    char dotted[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &sender.sin_addr, dotted, sizeof dotted);
    const QString from = QString("%1:%2").arg(QString::fromLatin1(dotted)).arg(ntohs(sender.sin_port));
    seenHosts_.insert(from, QDateTime::currentDateTimeUtc());
    Q_EMIT seenHostsChanged();
    log_.log(Transport, TrafficEntry::Direction::received, QByteArray(buffer.data(), count), "from " + from);
}

void UDPProbe::setListeningPort(std::optional<quint16> port) {
    if (listeningPort_ == port) return;
    listeningPort_ = port;
    Q_EMIT listeningPortChanged();
}
