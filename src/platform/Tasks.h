#pragma once

// Task helpers for coroutines on the main thread.
//
// Everything that touches the model, the link or a view runs on the main thread's event
// loop. A coroutine that suspends may come back to a world where its owner is gone or its
// work was cancelled, so every body checks a TaskGuard after each co_await.

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QCoro/QCoroTimer>
#include <QMetaObject>
#include <QPointer>

#include <chrono>
#include <coroutine>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

namespace tasks {

// Queues fn behind everything already posted to the main loop (FIFO, never synchronous).
void post(std::function<void()> fn);

// Runs the main loop for the given time, then returns (command line, test bodies).
void runLoopFor(double seconds);

// A shared flag: cancelling any copy cancels them all. Copies are cheap.
class CancelToken {
public:
    CancelToken() : cancelled_(std::make_shared<bool>(false)) {}
    void cancel() const { *cancelled_ = true; }
    bool isCancelled() const { return *cancelled_; }

private:
    std::shared_ptr<bool> cancelled_;
};

namespace detail {

// Waiters completed inside a ResumeAtScopeEnd scope; null outside one.
std::vector<std::coroutine_handle<>>*& batchedWaiters();

// The callable lives in the coroutine frame's shared_ptr, so a lambda's captures outlive
// every suspension of the coroutine it returned.
template <typename F>
QCoro::Task<> runHeld(std::shared_ptr<F> body, CancelToken token) {
    if (token.isCancelled()) co_return;
    if constexpr (std::is_invocable_v<F&, CancelToken>) {
        co_await (*body)(token);
    } else {
        co_await (*body)();
    }
}

}  // namespace detail

// Starts a coroutine body on a later turn of the main loop. Callers rely on this never running
// the body synchronously: writes made in the same turn coalesce before it runs, and bodies
// started in order begin in order. The body may take the returned token as its argument;
// a task cancelled before it began does not run at all.
template <typename F>
CancelToken startTask(F&& body) {
    CancelToken token;
    auto held = std::make_shared<std::decay_t<F>>(std::forward<F>(body));
    post([held, token] { detail::runHeld(held, token); });
    return token;
}

// The check a coroutine makes after every co_await: is its owner still there and is its
// work still wanted? Holds the owner weakly.
template <typename Owner>
class TaskGuard {
public:
    explicit TaskGuard(Owner* owner, CancelToken token = {}) : owner_(owner), token_(std::move(token)) {}
    bool alive() const { return !owner_.isNull() && !token_.isCancelled(); }
    explicit operator bool() const { return alive(); }
    Owner* operator->() const { return owner_.data(); }
    Owner* get() const { return owner_.data(); }

private:
    QPointer<Owner> owner_;
    CancelToken token_;
};

// A one-shot continuation for a caller that waits on a completion callback. The callback
// posts the resumption instead of resuming inline, so whoever completes it (a queue that
// finishes a request, a frame dispatcher) never re-enters the waiting caller's code and
// finishes its own work first. Only the first completion counts.
template <typename T>
class Continuation {
public:
    Continuation() : state_(std::make_shared<State>()) {}

    std::function<void(T)> completer() const {
        return [state = state_](T value) { complete(state, std::move(value)); };
    }

    bool await_ready() const noexcept { return state_->value.has_value(); }
    void await_suspend(std::coroutine_handle<> waiter) { state_->waiter = waiter; }
    T await_resume() { return std::move(*state_->value); }

private:
    struct State {
        std::optional<T> value;
        std::coroutine_handle<> waiter;
    };

    static void complete(const std::shared_ptr<State>& state, T value) {
        if (state->value.has_value()) return;
        state->value = std::move(value);
        auto waiter = std::exchange(state->waiter, {});
        if (!waiter) return;
        if (auto* batch = detail::batchedWaiters()) {
            batch->push_back(waiter);
        } else {
            post([waiter] { waiter.resume(); });
        }
    }

    std::shared_ptr<State> state_;
};

// Within this scope, continuations completed resume when the outermost scope ends rather than
// on a later turn of the loop. An event handler that completes waiters (the link, when an
// answer arrives) declares it first, so they run once it has done all its own work and
// returned nothing but the scope's end: they still never run inside the completing code, and
// an answer costs no extra turn of the loop. Nothing may touch the handler's object after the
// scope ends, since a resumed waiter may have destroyed it.
class ResumeAtScopeEnd {
public:
    ResumeAtScopeEnd();
    ~ResumeAtScopeEnd();
    ResumeAtScopeEnd(const ResumeAtScopeEnd&) = delete;
    ResumeAtScopeEnd& operator=(const ResumeAtScopeEnd&) = delete;

private:
    std::vector<std::coroutine_handle<>> waiters_;
    bool outermost_ = false;
};

// Suspends the calling coroutine for the given time on the main loop.
QCoro::Task<> sleep(double seconds);

}  // namespace tasks
