#include "platform/Tasks.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace tasks {

void post(std::function<void()> fn) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
}

void runLoopFor(double seconds) {
    QEventLoop loop;
    // A negative interval would never fire and the loop would run for ever.
    QTimer::singleShot(std::chrono::milliseconds(qRound64(std::max(seconds, 0.0) * 1000.0)), Qt::PreciseTimer,
                       &loop, &QEventLoop::quit);
    loop.exec();
}

QCoro::Task<> sleep(double seconds) {
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    timer.start(std::chrono::milliseconds(qRound64(seconds * 1000.0)));
    co_await timer;
}

}  // namespace tasks
