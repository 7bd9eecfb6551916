#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "Basalt/stream/Cancellable.h"
#include "Basalt/stream/Scheduler.h"

namespace Basalt {

namespace detail {

// One subscription to a stream: values pass until it is cancelled.
template <typename T>
class StreamState {
public:
    using Callback = std::function<void(const T&)>;

    explicit StreamState(Callback callback)
        : callback_(std::make_shared<Callback>(std::move(callback))) {}

    void send(const T& value) {
        std::shared_ptr<Callback> callback;
        {
            std::lock_guard lock(mutex_);
            callback = callback_;
        }
        if (callback) (*callback)(value);
    }

    void cancel() {
        std::vector<std::function<void()>> handlers;
        std::shared_ptr<Callback> dropped;
        {
            std::lock_guard lock(mutex_);
            if (cancelled_) return;
            cancelled_ = true;
            dropped = std::move(callback_);
            handlers.swap(onCancel_);
        }
        for (auto& handler : handlers) handler();
    }

    void addOnCancel(std::function<void()> handler) {
        {
            std::lock_guard lock(mutex_);
            if (!cancelled_) {
                onCancel_.push_back(std::move(handler));
                return;
            }
        }
        handler();
    }

    bool isCancelled() const {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }

private:
    mutable std::mutex mutex_;
    bool cancelled_ = false;
    std::shared_ptr<Callback> callback_;
    std::vector<std::function<void()>> onCancel_;
};

}  // namespace detail

template <typename T>
class StreamEmitter {
public:
    explicit StreamEmitter(std::shared_ptr<detail::StreamState<T>> state)
        : state_(std::move(state)) {}

    void send(const T& value) const { state_->send(value); }
    // Called once when the subscriber cancels; releases what the producer holds.
    void onCancel(std::function<void()> handler) const { state_->addOnCancel(std::move(handler)); }
    // Keeps an upstream subscription alive exactly as long as this one.
    void hold(Cancellable upstream) const {
        auto handle = std::make_shared<Cancellable>(std::move(upstream));
        onCancel([handle] { handle->cancel(); });
    }
    bool isCancelled() const { return state_->isCancelled(); }
    const std::shared_ptr<detail::StreamState<T>>& state() const { return state_; }

private:
    std::shared_ptr<detail::StreamState<T>> state_;
};

// Many values, never fails, never finishes; lasts until its subscription is cancelled.
template <typename T>
class Stream {
public:
    using Value = T;
    using Emitter = StreamEmitter<T>;
    using Producer = std::function<void(Emitter)>;

    explicit Stream(Producer producer)
        : producer_(std::make_shared<Producer>(std::move(producer))) {}

    Cancellable subscribe(std::function<void(const T&)> onValue) const {
        auto state = std::make_shared<detail::StreamState<T>>(std::move(onValue));
        (*producer_)(Emitter(state));
        return Cancellable([state] { state->cancel(); });
    }

    template <typename F>
    auto map(F transform) const {
        using U = std::decay_t<std::invoke_result_t<F, const T&>>;
        return pipe<U>(
            [transform](const T& v, const StreamEmitter<U>& out) { out.send(transform(v)); });
    }

    template <typename F>
    Stream filter(F predicate) const {
        return pipe<T>([predicate](const T& v, const Emitter& out) {
            if (predicate(v)) out.send(v);
        });
    }

    // transform: T -> optional<U>; empty results are dropped.
    template <typename F>
    auto compactMap(F transform) const {
        using U = typename std::decay_t<std::invoke_result_t<F, const T&>>::value_type;
        return pipe<U>([transform](const T& v, const StreamEmitter<U>& out) {
            if (auto u = transform(v)) out.send(*u);
        });
    }

    // Drops a value equal to the one passed just before it.
    Stream removeDuplicates() const {
        auto upstream = *this;
        return Stream([upstream](Emitter out) {
            struct Last {
                std::mutex mutex;
                std::optional<T> value;
            };
            auto last = std::make_shared<Last>();
            out.hold(upstream.subscribe([out, last](const T& v) {
                {
                    std::lock_guard lock(last->mutex);
                    if (last->value && *last->value == v) return;
                    last->value = v;
                }
                out.send(v);
            }));
        });
    }

    Stream receiveOn(SchedulerPtr scheduler) const {
        return pipe<T>([scheduler](const T& v, const Emitter& out) {
            scheduler->schedule([out, v] {
                if (!out.isCancelled()) out.send(v);
            });
        });
    }

    // At most one value per interval, on the scheduler: the first at once, then the latest
    // (or the first, when latest is false) of those that arrived during the interval.
    Stream throttle(std::chrono::milliseconds interval, SchedulerPtr scheduler,
                    bool latest = true) const;

    // transform: T -> Stream<U>; the values of every inner stream are merged.
    template <typename F>
    auto flatMap(F transform) const {
        using U = typename std::invoke_result_t<F, const T&>::Value;
        auto upstream = *this;
        return Stream<U>([upstream, transform](StreamEmitter<U> out) {
            out.hold(upstream.subscribe([out, transform](const T& v) {
                out.hold(transform(v).subscribe([out](const U& u) { out.send(u); }));
            }));
        });
    }

    static Stream just(T value) {
        return Stream([value = std::move(value)](Emitter out) { out.send(value); });
    }

private:
    template <typename U, typename Step>
    Stream<U> pipe(Step step) const {
        auto upstream = *this;
        return Stream<U>([upstream, step](StreamEmitter<U> out) {
            out.hold(upstream.subscribe([out, step](const T& v) { step(v, out); }));
        });
    }

    template <typename>
    friend class Stream;

    std::shared_ptr<Producer> producer_;
};

template <typename T>
Stream<T> Stream<T>::throttle(std::chrono::milliseconds interval, SchedulerPtr scheduler,
                              bool latest) const {
    auto upstream = *this;
    return Stream([upstream, interval, scheduler, latest](Emitter out) {
        // Touched only on the scheduler.
        struct Window {
            bool open = false;
            std::optional<T> pending;
        };
        auto window = std::make_shared<Window>();
        auto close = std::make_shared<std::function<void()>>();
        *close = [window, out, scheduler, interval, weakClose = std::weak_ptr(close)] {
            if (out.isCancelled() || !window->pending) {
                window->open = false;
                return;
            }
            auto value = std::move(*window->pending);
            window->pending.reset();
            out.send(value);
            if (auto next = weakClose.lock()) scheduler->scheduleAfter(interval, *next);
        };
        out.onCancel([close] { *close = nullptr; });
        out.hold(upstream.subscribe([=](const T& v) {
            scheduler->schedule([=] {
                if (out.isCancelled()) return;
                if (!window->open) {
                    window->open = true;
                    out.send(v);
                    if (*close) scheduler->scheduleAfter(interval, *close);
                    return;
                }
                if (latest || !window->pending) window->pending = v;
            });
        }));
    });
}

template <typename A, typename B>
Stream<std::pair<A, B>> combineLatest(const Stream<A>& a, const Stream<B>& b) {
    return Stream<std::pair<A, B>>([a, b](StreamEmitter<std::pair<A, B>> out) {
        struct Latest {
            std::mutex mutex;
            std::optional<A> a;
            std::optional<B> b;
        };
        auto latest = std::make_shared<Latest>();
        auto publish = [out, latest] {
            std::unique_lock lock(latest->mutex);
            if (!latest->a || !latest->b) return;
            std::pair<A, B> pair(*latest->a, *latest->b);
            lock.unlock();
            out.send(pair);
        };
        out.hold(a.subscribe([latest, publish](const A& v) {
            {
                std::lock_guard lock(latest->mutex);
                latest->a = v;
            }
            publish();
        }));
        out.hold(b.subscribe([latest, publish](const B& v) {
            {
                std::lock_guard lock(latest->mutex);
                latest->b = v;
            }
            publish();
        }));
    });
}

template <typename T>
Stream<T> merge(const Stream<T>& a, const Stream<T>& b) {
    return Stream<T>([a, b](StreamEmitter<T> out) {
        out.hold(a.subscribe([out](const T& v) { out.send(v); }));
        out.hold(b.subscribe([out](const T& v) { out.send(v); }));
    });
}

namespace detail {

// The subscribers of a subject; sending goes to a snapshot, outside the lock.
template <typename T>
class SubjectCore {
public:
    void add(const std::shared_ptr<detail::StreamState<T>>& subscriber) {
        std::lock_guard lock(mutex_);
        prune();
        subscribers_.push_back(subscriber);
    }

    void send(const T& value) {
        std::vector<std::shared_ptr<detail::StreamState<T>>> targets;
        {
            std::lock_guard lock(mutex_);
            if (subscribers_.empty()) return;
            prune();
            for (auto& weak : subscribers_) {
                if (auto s = weak.lock()) targets.push_back(std::move(s));
            }
        }
        for (auto& target : targets) target->send(value);
    }

    std::size_t subscriberCount() {
        std::lock_guard lock(mutex_);
        prune();
        return subscribers_.size();
    }

private:
    void prune() {
        std::erase_if(subscribers_, [](const auto& weak) {
            auto s = weak.lock();
            return !s || s->isCancelled();
        });
    }

    std::mutex mutex_;
    std::vector<std::weak_ptr<detail::StreamState<T>>> subscribers_;
};

}  // namespace detail

template <typename T>
class PassthroughSubject {
public:
    void send(const T& value) { core_->send(value); }
    std::size_t subscriberCount() const { return core_->subscriberCount(); }

    Stream<T> stream() const {
        auto core = core_;
        return Stream<T>([core](StreamEmitter<T> out) { core->add(out.state()); });
    }

private:
    std::shared_ptr<detail::SubjectCore<T>> core_ = std::make_shared<detail::SubjectCore<T>>();
};

// Holds a value and replays it to each new subscriber before passing on later ones.
template <typename T>
class CurrentValueSubject {
public:
    explicit CurrentValueSubject(T initial)
        : shared_(std::make_shared<Shared>(std::move(initial))) {}

    T value() const {
        std::lock_guard lock(shared_->mutex);
        return shared_->value;
    }

    void send(const T& value) {
        // Serialised, so subscribers see values in the order they were sent.
        std::lock_guard sendLock(shared_->sendMutex);
        {
            std::lock_guard lock(shared_->mutex);
            shared_->value = value;
        }
        shared_->core.send(value);
    }

    Stream<T> stream() const {
        auto shared = shared_;
        return Stream<T>([shared](StreamEmitter<T> out) {
            std::lock_guard sendLock(shared->sendMutex);
            std::optional<T> current;
            {
                std::lock_guard lock(shared->mutex);
                current = shared->value;
            }
            out.send(*current);
            shared->core.add(out.state());
        });
    }

private:
    struct Shared {
        explicit Shared(T initial) : value(std::move(initial)) {}
        std::recursive_mutex sendMutex;
        std::mutex mutex;
        T value;
        detail::SubjectCore<T> core;
    };
    std::shared_ptr<Shared> shared_;
};

}  // namespace Basalt
