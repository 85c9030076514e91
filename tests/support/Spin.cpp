#include "Spin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace kestrel_test {

bool spinUntil(const std::function<bool()>& condition, double boundSeconds) {
    // Waits for events rather than sleeping between checks: every change comes from an event,
    // and the timer only enforces the bound.
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.start(5);
    const qint64 boundMs = qint64(boundSeconds * 1000);
    while (!condition()) {
        if (clock.elapsed() >= boundMs) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

}  // namespace kestrel_test
