#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "Basalt/Result.h"
#include "Basalt/stream/Cancellable.h"
#include "Basalt/stream/Scheduler.h"

namespace Basalt {

// The error type of a single that cannot fail.
struct Never {};

namespace detail {

// One subscription's delivery state: exactly one of delivery and cancellation happens.
template <typename T, typename E>
class SingleState {
public:
    using Callback = std::function<void(Result<T, E>)>;

    explicit SingleState(Callback callback) : callback_(std::move(callback)) {}

    void deliver(Result<T, E> result) {
        Callback callback;
        {
            std::lock_guard lock(mutex_);
            if (finished_) return;
            finished_ = true;
            callback = std::move(callback_);
            callback_ = nullptr;
            onCancel_ = nullptr;
        }
        if (callback) callback(std::move(result));
    }

    void cancel() {
        std::function<void()> onCancel;
        Callback dropped;
        {
            std::lock_guard lock(mutex_);
            if (finished_) return;
            finished_ = true;
            cancelled_ = true;
            dropped = std::move(callback_);
            onCancel = std::move(onCancel_);
            onCancel_ = nullptr;
        }
        if (onCancel) onCancel();
    }

    // Runs at once when the subscription is already cancelled.
    void setOnCancel(std::function<void()> onCancel) {
        {
            std::lock_guard lock(mutex_);
            if (!cancelled_) {
                if (!finished_) onCancel_ = std::move(onCancel);
                return;
            }
        }
        onCancel();
    }

    bool isCancelled() const {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }

private:
    mutable std::mutex mutex_;
    bool finished_ = false;
    bool cancelled_ = false;
    Callback callback_;
    std::function<void()> onCancel_;
};

}  // namespace detail

// What a producer uses to finish its single: the first call of succeed or fail wins, and
// nothing is delivered once the subscriber has cancelled.
template <typename T, typename E>
class SingleEmitter {
public:
    explicit SingleEmitter(std::shared_ptr<detail::SingleState<T, E>> state)
        : state_(std::move(state)) {}

    void succeed(T value) const { state_->deliver(std::move(value)); }
    void fail(E error) const { state_->deliver(Basalt::fail(std::move(error))); }
    void deliver(Result<T, E> result) const { state_->deliver(std::move(result)); }
    // Called once if the subscriber cancels before delivery (aborts the underlying work).
    void onCancel(std::function<void()> onCancel) const {
        state_->setOnCancel(std::move(onCancel));
    }
    bool isCancelled() const { return state_->isCancelled(); }

private:
    std::shared_ptr<detail::SingleState<T, E>> state_;
};

// A lazy asynchronous result: work starts at subscription and delivers one value or one error.
template <typename T, typename E>
class Single {
public:
    using Value = T;
    using Error = E;
    using Emitter = SingleEmitter<T, E>;
    using Producer = std::function<void(Emitter)>;

    explicit Single(Producer producer)
        : producer_(std::make_shared<Producer>(std::move(producer))) {}

    static Single just(T value) {
        return Single([value = std::move(value)](Emitter emitter) { emitter.succeed(value); });
    }
    static Single failure(E error) {
        return Single([error = std::move(error)](Emitter emitter) { emitter.fail(error); });
    }
    // Builds the single anew for each subscriber.
    static Single deferred(std::function<Single()> factory) {
        return Single(
            [factory = std::move(factory)](Emitter emitter) { forward(factory(), emitter); });
    }
    // Starts work now, not at subscription; every subscriber gets the same outcome.
    static Single future(std::function<void(Emitter)> work);

    Cancellable subscribeResult(std::function<void(Result<T, E>)> callback) const {
        auto state = std::make_shared<detail::SingleState<T, E>>(std::move(callback));
        (*producer_)(Emitter(state));
        return Cancellable([state] { state->cancel(); });
    }

    Cancellable subscribe(std::function<void(T)> onValue, std::function<void(E)> onError) const {
        return subscribeResult(
            [onValue = std::move(onValue), onError = std::move(onError)](Result<T, E> result) {
                if (result) {
                    if (onValue) onValue(std::move(result).value());
                } else if (onError) {
                    onError(std::move(result).error());
                }
            });
    }

    template <typename F>
    auto map(F transform) const {
        using U = std::invoke_result_t<F, T>;
        return transformResult<U, E>(
            [transform = std::move(transform)](Result<T, E> r, SingleEmitter<U, E> out) {
                if (r)
                    out.succeed(transform(std::move(r).value()));
                else
                    out.fail(std::move(r).error());
            });
    }

    template <typename F>
    auto mapError(F transform) const {
        using F2 = std::invoke_result_t<F, E>;
        return transformResult<T, F2>(
            [transform = std::move(transform)](Result<T, E> r, SingleEmitter<T, F2> out) {
                if (r)
                    out.succeed(std::move(r).value());
                else
                    out.fail(transform(std::move(r).error()));
            });
    }

    // transform: T -> Single<U, E>; the inner single is subscribed when the value arrives.
    template <typename F>
    auto flatMap(F transform) const {
        using Inner = std::invoke_result_t<F, T>;
        using U = typename Inner::Value;
        struct Chain {
            std::mutex mutex;
            bool cancelled = false;
            Cancellable inner;
        };
        auto upstream = *this;
        return Single<U, E>([upstream, transform](SingleEmitter<U, E> out) {
            auto chain = std::make_shared<Chain>();
            auto outer = std::make_shared<Cancellable>(
                upstream.subscribeResult([out, transform, chain](Result<T, E> r) {
                    if (!r) {
                        out.fail(std::move(r).error());
                        return;
                    }
                    Cancellable inner = forward(transform(std::move(r).value()), out);
                    std::lock_guard lock(chain->mutex);
                    // A cancellation that came first still reaches the inner work.
                    if (chain->cancelled) return;
                    chain->inner = std::move(inner);
                }));
            out.onCancel([outer, chain] {
                outer->cancel();
                Cancellable inner;
                {
                    std::lock_guard lock(chain->mutex);
                    chain->cancelled = true;
                    inner = std::move(chain->inner);
                }
            });
        });
    }

    // Delivers the outcome on the scheduler.
    Single receiveOn(SchedulerPtr scheduler) const {
        return transformResult<T, E>([scheduler](Result<T, E> r, Emitter out) {
            scheduler->schedule([out, r = std::move(r)]() mutable { out.deliver(std::move(r)); });
        });
    }

    // Starts the work (the subscription) on the scheduler.
    Single subscribeOn(SchedulerPtr scheduler) const {
        auto upstream = *this;
        return Single([upstream, scheduler](Emitter out) {
            scheduler->schedule([upstream, out] {
                if (out.isCancelled()) return;
                auto handle = std::make_shared<Cancellable>(forward(upstream, out));
                out.onCancel([handle] { handle->cancel(); });
            });
        });
    }

    // Side effects on the way through; any of the callbacks may be empty.
    Single handleEvents(std::function<void()> onSubscribe, std::function<void(const T&)> onValue,
                        std::function<void(const E&)> onError,
                        std::function<void()> onCancel = nullptr) const {
        auto upstream = *this;
        return Single([=](Emitter out) {
            if (onSubscribe) onSubscribe();
            if (onCancel) out.onCancel(onCancel);
            auto handle = std::make_shared<Cancellable>(
                upstream.subscribeResult([out, onValue, onError](Result<T, E> r) {
                    if (r && onValue) onValue(r.value());
                    if (!r && onError) onError(r.error());
                    out.deliver(std::move(r));
                }));
            out.onCancel([handle] { handle->cancel(); });
        });
    }

private:
    template <typename U, typename F2, typename Step>
    Single<U, F2> transformResult(Step step) const {
        auto upstream = *this;
        return Single<U, F2>([upstream, step](SingleEmitter<U, F2> out) {
            auto handle = std::make_shared<Cancellable>(
                upstream.subscribeResult([out, step](Result<T, E> r) { step(std::move(r), out); }));
            out.onCancel([handle] { handle->cancel(); });
        });
    }

    // Subscribes `source` and passes its outcome to `out`.
    template <typename S>
    static Cancellable forward(const S& source, SingleEmitter<typename S::Value, E> out) {
        return source.subscribeResult(
            [out](Result<typename S::Value, E> r) { out.deliver(std::move(r)); });
    }

    template <typename, typename>
    friend class Single;

    std::shared_ptr<Producer> producer_;
};

template <typename T, typename E>
Single<T, E> Single<T, E>::future(std::function<void(Emitter)> work) {
    struct Shared {
        std::mutex mutex;
        std::optional<Result<T, E>> outcome;
        std::vector<Emitter> waiting;
    };
    auto shared = std::make_shared<Shared>();
    auto sink = std::make_shared<detail::SingleState<T, E>>([shared](Result<T, E> r) {
        std::vector<Emitter> waiting;
        {
            std::lock_guard lock(shared->mutex);
            shared->outcome = r;
            waiting.swap(shared->waiting);
        }
        for (auto& emitter : waiting) emitter.deliver(r);
    });
    work(Emitter(sink));
    return Single([shared](Emitter out) {
        std::unique_lock lock(shared->mutex);
        if (shared->outcome) {
            auto outcome = *shared->outcome;
            lock.unlock();
            out.deliver(std::move(outcome));
            return;
        }
        shared->waiting.push_back(out);
    });
}

}  // namespace Basalt
