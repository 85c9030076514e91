#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QEvent>
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

int finishPostedWork(int testResult) {
    // A resumed coroutine may post the next step of its caller: a few rounds reach the end.
    for (int round = 0; round < 8; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return testResult;
}

}  // namespace kestrel_test
