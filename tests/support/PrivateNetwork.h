#pragma once

#include <QStringList>

// A network namespace of a test's own, holding only a loopback interface that is up. There a
// test may add interfaces and change routes, and nothing it sends reaches the machine's real
// network. The test runs itself again inside one:
//
//     TEST(Suite, Name) {
//         if (!private_network::inside()) return private_network::runCurrentTest();
//         ASSERT_TRUE(private_network::isolated());
//         ...
//     }
namespace private_network {

// True in the test process that runs inside its namespace.
bool inside();

// Runs the current test again inside a new namespace and expects it to pass there; skips when
// the machine refuses namespaces, or with the inner test's own message when that skipped.
void runCurrentTest();

// Inside: true when the namespace holds no interface but the loopback, so changing its routes
// and interfaces touches nothing of the machine's.
bool isolated();

// Runs `ip` with these arguments; true when it succeeded.
bool ip(const QStringList& arguments);

}  // namespace private_network
