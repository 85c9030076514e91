#pragma once

#include <QHostAddress>

namespace kestrel_test {

// A random address 127.x.y.z (x not 0), so that tests running at the same time,
// here or in other worktrees, do not meet on one address.
QHostAddress randomLoopbackAddress();

// A UDP port that nothing on any local address holds right now.
quint16 freeUdpPort();

}  // namespace kestrel_test
