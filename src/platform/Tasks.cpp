#include "platform/Tasks.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace tasks {

void post(std::function<void()> fn) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(fn), Qt::QueuedConnection);
}

namespace detail {

std::vector<std::coroutine_handle<>>*& batchedWaiters() {
    // Everything that completes continuations runs on the main thread.
    static std::vector<std::coroutine_handle<>>* batch = nullptr;
    return batch;
}

}  // namespace detail

ResumeAtScopeEnd::ResumeAtScopeEnd() {
    auto*& batch = detail::batchedWaiters();
    if (batch) return;
    batch = &waiters_;
    outermost_ = true;
}

ResumeAtScopeEnd::~ResumeAtScopeEnd() {
    if (!outermost_) return;
    detail::batchedWaiters() = nullptr;
    // Waiters completed while these resume go through the loop again.
    for (std::coroutine_handle<> waiter : std::exchange(waiters_, {})) waiter.resume();
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
