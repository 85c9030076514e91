#pragma once

#include <QTemporaryDir>

namespace kestrel_test {

// Gives the test process a private user-defaults store and a clean environment:
// a stored "useNetwork" or an inherited TSL_OFFLINE would otherwise change what
// every later test sees.
void prepareTestProcess(QTemporaryDir& configHome);

}  // namespace kestrel_test
