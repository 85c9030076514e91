#include "TestEnvironment.h"

#include <QFileInfo>
#include <QtGlobal>

namespace kestrel_test {

std::unique_ptr<QTemporaryDir> prepareTestProcess() {
    const QFileInfo memory(QStringLiteral("/dev/shm"));
    if (memory.isDir() && memory.isWritable()) qputenv("TMPDIR", "/dev/shm");
    auto configHome = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", configHome->path().toUtf8());
    for (const char* name : {"TSL_OFFLINE", "TSL_NETWORK", "TSL_PAGE", "TSL_INPUT_PANEL", "TSL_TAB",
                             "TSL_ROUTE", "TSL_FIR_MEASUREMENT"}) {
        qunsetenv(name);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return configHome;
}

}  // namespace kestrel_test
