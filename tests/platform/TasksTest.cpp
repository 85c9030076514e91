#include "platform/Tasks.h"

#include <gtest/gtest.h>

#include <QObject>
#include <QStringList>

#include "support/Spin.h"

namespace {

using kestrel_test::spinUntil;

TEST(TasksTest, StartedBodiesRunLaterAndInOrder) {
    QStringList order;
    tasks::startTask([&]() -> QCoro::Task<> {
        order << "first";
        co_return;
    });
    tasks::startTask([&]() -> QCoro::Task<> {
        order << "second";
        co_return;
    });
    order << "caller";
    ASSERT_TRUE(spinUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (QStringList{"caller", "first", "second"}));
}

TEST(TasksTest, CapturesOutliveSuspensions) {
    // A lambda's captures live in the closure, not the coroutine frame; they must survive the sleep.
    QString result;
    auto text = std::make_shared<QString>("kept");
    tasks::startTask([text, &result]() -> QCoro::Task<> {
        co_await tasks::sleep(0.001);
        result = *text;
    });
    text.reset();
    ASSERT_TRUE(spinUntil([&] { return !result.isEmpty(); }));
    EXPECT_EQ(result, "kept");
}

TEST(TasksTest, CancellationBeforeAndDuringTheBody) {
    bool ranCancelledBeforeStart = false;
    auto early = tasks::startTask([&]() -> QCoro::Task<> {
        ranCancelledBeforeStart = true;
        co_return;
    });
    early.cancel();

    QObject owner;
    int steps = 0;
    bool finished = false;
    auto late = tasks::startTask([&](tasks::CancelToken token) -> QCoro::Task<> {
        tasks::TaskGuard guard(&owner, token);
        while (true) {
            ++steps;
            co_await tasks::sleep(0.001);
            if (!guard) break;
        }
        finished = true;
    });
    ASSERT_TRUE(spinUntil([&] { return steps >= 3; }));
    late.cancel();
    ASSERT_TRUE(spinUntil([&] { return finished; }));
    EXPECT_FALSE(ranCancelledBeforeStart);
}

TEST(TasksTest, GuardSeesTheOwnerGo) {
    auto owner = std::make_unique<QObject>();
    std::optional<bool> aliveAfterWait;
    tasks::startTask([&, guard = tasks::TaskGuard<QObject>(owner.get())]() -> QCoro::Task<> {
        co_await tasks::sleep(0.001);
        aliveAfterWait = guard.alive();
    });
    tasks::runLoopFor(0);
    owner.reset();
    ASSERT_TRUE(spinUntil([&] { return aliveAfterWait.has_value(); }));
    EXPECT_FALSE(*aliveAfterWait);
}

TEST(TasksTest, ContinuationResumesThroughTheLoopOrWhenItsScopeEnds) {
    QStringList order;
    std::function<void(int)> complete;
    tasks::startTask([&]() -> QCoro::Task<> {
        tasks::Continuation<int> answer;
        complete = answer.completer();
        const int value = co_await answer;
        order << QString("resumed %1").arg(value);
    });
    ASSERT_TRUE(spinUntil([&] { return bool(complete); }));
    complete(7);
    complete(8);  // only the first completion counts
    order << "completer returned";
    ASSERT_TRUE(spinUntil([&] { return order.size() == 2; }));
    EXPECT_EQ(order, (QStringList{"completer returned", "resumed 7"}));

    // Inside a scope the waiters still do not resume inside the completer, but in order when
    // the outermost scope ends, before the loop turns again.
    order.clear();
    std::function<void(int)> first, second;
    for (auto* completer : {&first, &second}) {
        tasks::startTask([&, completer]() -> QCoro::Task<> {
            tasks::Continuation<int> answer;
            *completer = answer.completer();
            const int value = co_await answer;
            order << QString("resumed %1").arg(value);
        });
    }
    ASSERT_TRUE(spinUntil([&] { return first && second; }));
    {
        const tasks::ResumeAtScopeEnd outer;
        {
            const tasks::ResumeAtScopeEnd inner;
            second(2);
        }
        first(1);
        order << "completers returned";
    }
    order << "scope ended";
    EXPECT_EQ(order, (QStringList{"completers returned", "resumed 2", "resumed 1", "scope ended"}));
}

TEST(TasksTest, ContinuationCompletedBeforeTheWaitDoesNotSuspend) {
    std::optional<int> got;
    tasks::startTask([&]() -> QCoro::Task<> {
        tasks::Continuation<int> answer;
        answer.completer()(3);
        got = co_await answer;
    });
    ASSERT_TRUE(spinUntil([&] { return got.has_value(); }));
    EXPECT_EQ(*got, 3);
}

}  // namespace
