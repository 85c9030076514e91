#include "link/NetworkScan.h"

#include <QSet>

#include <thread>

#include "link/DSPConnection.h"
#include "platform/Tasks.h"

#include <algorithm>
#include <chrono>

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

std::optional<QList<InterfaceAddress>> ScanSystem::ipv4Interfaces() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return std::nullopt;
    QList<InterfaceAddress> result;
    for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET) continue;
        char text[16] = {};
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (!inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) continue;
        result.append({QString::fromUtf8(entry->ifa_name), QString::fromLatin1(text)});
    }
    freeifaddrs(list);
    return result;
}

ScanSystem::ConnectOutcome ScanSystem::startConnect(const QString& host, quint16 port, int* socket) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (inet_pton(AF_INET, host.toLatin1().constData(), &address.sin_addr) != 1)
        return ConnectOutcome::failed;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return ConnectOutcome::failed;
    const int flags = fcntl(fd, F_GETFL, 0);
    fcntl(fd, F_SETFL, (flags < 0 ? 0 : flags) | O_NONBLOCK);
    *socket = fd;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return ConnectOutcome::connected;
    if (errno == EINPROGRESS) return ConnectOutcome::inProgress;
    ::close(fd);
    return ConnectOutcome::failed;
}

int ScanSystem::poll(std::vector<pollfd>& fds, int timeoutMs) {
    return ::poll(fds.data(), fds.size(), timeoutMs);
}

int ScanSystem::pendingError(int socket) {
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno ? errno : -1;
    return error;
}

void ScanSystem::close(int socket) {
    ::close(socket);
}

ScanSystem& ScanSystem::posix() {
    static ScanSystem system;
    return system;
}

namespace networkscan {

QStringList candidates(const std::optional<QList<InterfaceAddress>>& interfaces) {
    QSet<QString> own;
    QStringList prefixes;
    for (const InterfaceAddress& entry : interfaces.value_or(QList<InterfaceAddress>{})) {
        if (entry.name.startsWith("lo")) continue;
        own.insert(entry.address);
        const QStringList parts = entry.address.split('.', Qt::SkipEmptyParts);
        if (parts.size() != 4) continue;
        const QString prefix = parts.mid(0, 3).join('.');
        if (!prefixes.contains(prefix)) prefixes.append(prefix);
    }
    QStringList hosts;
    for (const QString& prefix : prefixes) {
        for (int i = 1; i <= 254; ++i) {
            const QString host = prefix + '.' + QString::number(i);
            if (!own.contains(host)) hosts.append(host);
        }
    }
    return hosts;
}

namespace {

struct PendingHost {
    QString host;
    int socket;
};

// Issues the batch's connects and returns the ones still under way.
std::vector<PendingHost> startBatch(const QStringList& batch, ScanSystem& system, QStringList& found) {
    std::vector<PendingHost> pending;
    for (const QString& host : batch) {
        int socket = -1;
        switch (system.startConnect(host, port, &socket)) {
            case ScanSystem::ConnectOutcome::connected:
                found.append(host);
                system.close(socket);
                break;
            case ScanSystem::ConnectOutcome::inProgress:
                pending.push_back({host, socket});
                break;
            case ScanSystem::ConnectOutcome::failed:
                break;
        }
    }
    return pending;
}

void awaitBatch(std::vector<PendingHost>& pending, ScanSystem& system, QStringList& found) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(batchSeconds);
    while (!pending.empty() && Clock::now() < deadline) {
        std::vector<pollfd> fds;
        for (const PendingHost& entry : pending) fds.push_back({entry.socket, POLLOUT, 0});
        const double msLeft = std::chrono::duration<double, std::milli>(deadline - Clock::now()).count();
        if (system.poll(fds, std::max(1, int(msLeft))) <= 0) break;
        std::vector<PendingHost> still;
        for (size_t i = 0; i < pending.size(); ++i) {
            if (fds[i].revents == 0) {
                still.push_back(pending[i]);
                continue;
            }
            if (system.pendingError(pending[i].socket) == 0) found.append(pending[i].host);
            system.close(pending[i].socket);
        }
        pending.swap(still);
    }
    for (const PendingHost& entry : pending) system.close(entry.socket);
    pending.clear();
}

}  // namespace

QStringList probe(const QStringList& hosts, ScanSystem& system) {
    QStringList found;
    for (qsizetype start = 0; start < hosts.size(); start += batchSize) {
        auto pending = startBatch(hosts.mid(start, batchSize), system, found);
        awaitBatch(pending, system, found);
    }
    std::sort(found.begin(), found.end(), naturalLess);
    return found;
}

bool naturalLess(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype startA = i, startB = j;
            while (i < a.size() && a[i].isDigit()) ++i;
            while (j < b.size() && b[j].isDigit()) ++j;
            QStringView runA = QStringView(a).mid(startA, i - startA);
            QStringView runB = QStringView(b).mid(startB, j - startB);
            while (runA.size() > 1 && runA.front() == u'0') runA = runA.mid(1);
            while (runB.size() > 1 && runB.front() == u'0') runB = runB.mid(1);
            if (runA.size() != runB.size()) return runA.size() < runB.size();
            if (const int order = runA.compare(runB); order != 0) return order < 0;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

}  // namespace networkscan

QStringList DSPConnection::probeHosts(const QStringList& hosts, ScanSystem& system) {
    return networkscan::probe(hosts, system);
}

QCoro::Task<QStringList> DSPConnection::scanNetwork(ScanSystem& system) {
    const QStringList hosts = networkscan::candidates(system.ipv4Interfaces());
    // The probe blocks for up to 1.5 s a batch, so it runs on a thread of its own; the result
    // comes back through the main loop.
    tasks::Continuation<QStringList> result;
    std::thread worker([hosts, &system, done = result.completer()] {
        QStringList found = probeHosts(hosts, system);
        tasks::post([done, found] { done(found); });
    });
    QStringList found = co_await result;
    worker.join();
    co_return found;
}
