#include "TestEnvironment.h"

#include <QtGlobal>

namespace kestrel_test {

void prepareTestProcess(QTemporaryDir& configHome) {
    qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8());
    for (const char* name : {"TSL_OFFLINE", "TSL_NETWORK", "TSL_PAGE", "TSL_INPUT_PANEL", "TSL_TAB",
                             "TSL_ROUTE", "TSL_FIR_MEASUREMENT"}) {
        qunsetenv(name);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

}  // namespace kestrel_test
