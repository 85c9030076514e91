#include "support/Loopback.h"

#include <QRandomGenerator>
#include <QUdpSocket>

namespace kestrel_test {

QHostAddress randomLoopbackAddress() {
    auto* random = QRandomGenerator::global();
    const quint32 address = (127u << 24) | (random->bounded(1u, 255u) << 16) |
                            (random->bounded(0u, 256u) << 8) | random->bounded(1u, 255u);
    return QHostAddress(address);
}

quint16 freeUdpPort() {
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress);
    return probe.localPort();
}

}  // namespace kestrel_test
