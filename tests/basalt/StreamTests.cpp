#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <string>
#include <thread>

#include "Basalt/stream/Single.h"
#include "Basalt/stream/Stream.h"
#include "support/EventLoop.h"

using namespace Basalt;
using namespace std::chrono_literals;
using TestSupport::waitUntil;

namespace {

using IntSingle = Single<int, std::string>;

TEST(Single, StartsWorkOnlyWhenSubscribed) {
    int started = 0;
    IntSingle single([&](IntSingle::Emitter e) {
        ++started;
        e.succeed(7);
    });
    EXPECT_EQ(started, 0);
    int received = 0;
    auto handle = single.subscribe([&](int v) { received = v; }, nullptr);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(received, 7);
    auto again = single.subscribe(nullptr, nullptr);
    EXPECT_EQ(started, 2);
}

TEST(Single, DeliversExactlyOnce) {
    int values = 0;
    int errors = 0;
    IntSingle single([](IntSingle::Emitter e) {
        e.succeed(1);
        e.succeed(2);
        e.fail("late");
    });
    auto handle = single.subscribe([&](int) { ++values; }, [&](std::string) { ++errors; });
    EXPECT_EQ(values, 1);
    EXPECT_EQ(errors, 0);
}

TEST(Single, CancellingRunsTheCancelHandlerAndDropsTheResult) {
    std::optional<IntSingle::Emitter> pending;
    bool aborted = false;
    IntSingle single([&](IntSingle::Emitter e) {
        e.onCancel([&] { aborted = true; });
        pending = e;
    });
    bool delivered = false;
    {
        auto handle = single.subscribe([&](int) { delivered = true; }, nullptr);
    }  // dropping the handle cancels
    EXPECT_TRUE(aborted);
    pending->succeed(3);
    EXPECT_FALSE(delivered);
}

TEST(Single, CancellationRacingCompletionDeliversAtMostOnce) {
    for (int round = 0; round < 300; ++round) {
        std::optional<IntSingle::Emitter> pending;
        IntSingle single([&](IntSingle::Emitter e) { pending = e; });
        std::atomic<int> deliveries{0};
        std::atomic<int> cancels{0};
        auto handle = single.subscribe([&](int) { ++deliveries; }, nullptr);
        pending->onCancel([&] { ++cancels; });
        std::thread completer([&] { pending->succeed(1); });
        handle.cancel();
        completer.join();
        // Exactly one of the two outcomes happened.
        EXPECT_EQ(deliveries + cancels, 1) << "round " << round;
    }
}

TEST(Single, OperatorsCompose) {
    auto result = IntSingle::just(4).map([](int v) { return v * 10; }).flatMap([](int v) {
        return Single<std::string, std::string>::just(std::to_string(v));
    });
    std::string received;
    auto handle = result.subscribe([&](std::string v) { received = v; }, nullptr);
    EXPECT_EQ(received, "40");

    std::string error;
    auto failed =
        IntSingle::failure("boom").map([](int v) { return v + 1; }).mapError([](std::string e) {
            return e + "!";
        });
    auto h2 = failed.subscribe(nullptr, [&](std::string e) { error = e; });
    EXPECT_EQ(error, "boom!");
}

TEST(Single, CancellingAFlatMapCancelsTheInnerWork) {
    bool innerCancelled = false;
    IntSingle inner([&](IntSingle::Emitter e) { e.onCancel([&] { innerCancelled = true; }); });
    auto handle =
        IntSingle::just(1).flatMap([&](int) { return inner; }).subscribe(nullptr, nullptr);
    handle.cancel();
    EXPECT_TRUE(innerCancelled);
}

TEST(Single, SubscribeOnAndReceiveOnLandOnTheirThreads) {
    SchedulerPtr queue = std::make_shared<SerialQueue>("test.queue");
    QThread* workThread = nullptr;
    QThread* deliveryThread = nullptr;
    IntSingle work([&](IntSingle::Emitter e) {
        workThread = QThread::currentThread();
        e.succeed(1);
    });
    bool done = false;
    auto handle = work.subscribeOn(queue)
                      .receiveOn(Scheduler::main())
                      .subscribe(
                          [&](int) {
                              deliveryThread = QThread::currentThread();
                              done = true;
                          },
                          nullptr);
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_EQ(workThread, static_cast<SerialQueue&>(*queue).thread());
    EXPECT_EQ(deliveryThread, QThread::currentThread());
}

TEST(Single, ReceiveOnMainDeliversNothingAfterCancel) {
    bool delivered = false;
    auto handle = IntSingle::just(1)
                      .receiveOn(Scheduler::main())
                      .subscribe([&](int) { delivered = true; }, nullptr);
    handle.cancel();
    TestSupport::spin(50ms);
    EXPECT_FALSE(delivered);
}

TEST(Single, FutureStartsAtOnceAndReplaysItsOutcome) {
    int runs = 0;
    auto future = IntSingle::future([&](IntSingle::Emitter e) {
        ++runs;
        e.succeed(5);
    });
    EXPECT_EQ(runs, 1);
    int a = 0, b = 0;
    auto h1 = future.subscribe([&](int v) { a = v; }, nullptr);
    auto h2 = future.subscribe([&](int v) { b = v; }, nullptr);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(a + b, 10);
}

TEST(Single, DeferredBuildsPerSubscriber) {
    int built = 0;
    auto single = IntSingle::deferred([&] {
        ++built;
        return IntSingle::just(built);
    });
    EXPECT_EQ(built, 0);
    int received = 0;
    auto h = single.subscribe([&](int v) { received = v; }, nullptr);
    EXPECT_EQ(received, 1);
}

TEST(Single, HandleEventsSeesEachEvent) {
    std::string events;
    auto h = IntSingle::just(2)
                 .handleEvents([&] { events += "s"; }, [&](const int&) { events += "v"; },
                               [&](const std::string&) { events += "e"; })
                 .subscribe(nullptr, nullptr);
    EXPECT_EQ(events, "sv");
}

TEST(CurrentValueSubject, ReplaysItsValueToEachNewSubscriber) {
    CurrentValueSubject<int> subject(1);
    std::vector<int> first, second;
    auto a = subject.stream().subscribe([&](const int& v) { first.push_back(v); });
    subject.send(2);
    auto b = subject.stream().subscribe([&](const int& v) { second.push_back(v); });
    subject.send(3);
    EXPECT_EQ(first, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(second, (std::vector<int>{2, 3}));
    EXPECT_EQ(subject.value(), 3);
}

TEST(Stream, CancelledSubscribersReceiveNothing) {
    PassthroughSubject<int> subject;
    std::vector<int> received;
    auto handle = subject.stream().map([](int v) { return v * 2; }).subscribe([&](const int& v) {
        received.push_back(v);
    });
    subject.send(1);
    handle.cancel();
    subject.send(2);
    EXPECT_EQ(received, std::vector<int>{2});
    EXPECT_EQ(subject.subscriberCount(), 0u);
}

TEST(Stream, FilterCompactMapAndRemoveDuplicates) {
    PassthroughSubject<int> subject;
    std::vector<std::string> received;
    auto handle = subject.stream()
                      .filter([](int v) { return v >= 0; })
                      .removeDuplicates()
                      .compactMap([](int v) -> std::optional<std::string> {
                          if (v == 5) return std::nullopt;
                          return std::to_string(v);
                      })
                      .subscribe([&](const std::string& v) { received.push_back(v); });
    for (int v : {1, 1, -1, 1, 2, 5, 2, 2, 3}) subject.send(v);
    // -1 is filtered out before removeDuplicates, so the third 1 is a duplicate.
    EXPECT_EQ(received, (std::vector<std::string>{"1", "2", "2", "3"}));
}

TEST(Stream, CombineLatestWaitsForBothThenPairs) {
    PassthroughSubject<int> numbers;
    CurrentValueSubject<std::string> names("a");
    std::vector<std::pair<int, std::string>> received;
    auto handle = combineLatest(numbers.stream(), names.stream()).subscribe([&](const auto& pair) {
        received.push_back(pair);
    });
    EXPECT_TRUE(received.empty());
    numbers.send(1);
    names.send("b");
    numbers.send(2);
    using P = std::pair<int, std::string>;
    EXPECT_EQ(received, (std::vector<P>{P{1, "a"}, P{1, "b"}, P{2, "b"}}));
}

TEST(Stream, MergeAndFlatMapInterleave) {
    PassthroughSubject<int> a, b;
    std::vector<int> merged;
    auto h1 = merge(a.stream(), b.stream()).subscribe([&](const int& v) { merged.push_back(v); });
    a.send(1);
    b.send(2);
    a.send(3);
    EXPECT_EQ(merged, (std::vector<int>{1, 2, 3}));

    PassthroughSubject<int> outer;
    PassthroughSubject<int> inner;
    std::vector<int> flat;
    auto h2 =
        outer.stream().flatMap([&](int) { return inner.stream(); }).subscribe([&](const int& v) {
            flat.push_back(v);
        });
    outer.send(0);
    inner.send(7);
    outer.send(0);
    inner.send(8);  // both inner subscriptions see it
    EXPECT_EQ(flat, (std::vector<int>{7, 8, 8}));
    h2.cancel();
    EXPECT_EQ(inner.subscriberCount(), 0u);
}

TEST(Stream, ThrottlePassesTheFirstAndThenTheLatestPerInterval) {
    PassthroughSubject<int> subject;
    std::vector<int> received;
    auto handle =
        subject.stream().throttle(100ms, Scheduler::main(), true).subscribe([&](const int& v) {
            received.push_back(v);
        });
    subject.send(1);
    subject.send(2);
    subject.send(3);
    ASSERT_TRUE(waitUntil([&] { return received.size() == 2; }, 2s));
    EXPECT_EQ(received, (std::vector<int>{1, 3}));
    TestSupport::spin(250ms);
    EXPECT_EQ(received.size(), 2u);  // nothing more arrived
    subject.send(4);
    ASSERT_TRUE(waitUntil([&] { return received.size() == 3; }, 2s));
    EXPECT_EQ(received.back(), 4);
}

TEST(Stream, ThrottleWithoutLatestKeepsTheFirstOfTheInterval) {
    PassthroughSubject<int> subject;
    std::vector<int> received;
    auto handle =
        subject.stream().throttle(100ms, Scheduler::main(), false).subscribe([&](const int& v) {
            received.push_back(v);
        });
    subject.send(1);
    subject.send(2);
    subject.send(3);
    ASSERT_TRUE(waitUntil([&] { return received.size() == 2; }, 2s));
    EXPECT_EQ(received, (std::vector<int>{1, 2}));
}

TEST(Stream, ReceiveOnMovesValuesToTheMainThread) {
    PassthroughSubject<int> subject;
    QThread* thread = nullptr;
    auto handle = subject.stream().receiveOn(Scheduler::main()).subscribe([&](const int&) {
        thread = QThread::currentThread();
    });
    std::thread sender([&] { subject.send(1); });
    sender.join();
    ASSERT_TRUE(waitUntil([&] { return thread != nullptr; }));
    EXPECT_EQ(thread, QThread::currentThread());
}

TEST(DisposeBag, DestructionCancelsItsWork) {
    int cancelled = 0;
    IntSingle pending([&](IntSingle::Emitter e) { e.onCancel([&] { ++cancelled; }); });
    PassthroughSubject<int> subject;
    {
        DisposeBag bag;
        pending.subscribe(nullptr, nullptr).store(bag);
        pending.subscribe(nullptr, nullptr).store(bag);
        subject.stream().subscribe([](const int&) {}).store(bag);
        EXPECT_EQ(bag.size(), 3u);
        EXPECT_EQ(subject.subscriberCount(), 1u);
    }
    EXPECT_EQ(cancelled, 2);
    EXPECT_EQ(subject.subscriberCount(), 0u);
}

TEST(SerialQueue, RunsInOrderOnItsOwnThread) {
    SerialQueue queue("test.serial");
    std::vector<int> order;
    std::atomic<bool> wrongThread{false};
    for (int i = 0; i < 100; ++i) {
        queue.schedule([&, i] {
            if (!queue.isCurrent()) wrongThread = true;
            order.push_back(i);
        });
    }
    queue.scheduleAndWait([] {});
    EXPECT_FALSE(wrongThread);
    ASSERT_EQ(order.size(), 100u);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    bool inline_ = false;
    queue.scheduleAndWait([&] { queue.scheduleAndWait([&] { inline_ = true; }); });
    EXPECT_TRUE(inline_);
}

TEST(Scheduler, GlobalRunsOffTheMainThread) {
    std::atomic<QThread*> thread{nullptr};
    Scheduler::global()->schedule([&] { thread = QThread::currentThread(); });
    ASSERT_TRUE(waitUntil([&] { return thread.load() != nullptr; }));
    EXPECT_NE(thread.load(), QThread::currentThread());
}

}  // namespace
