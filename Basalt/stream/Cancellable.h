#pragma once

#include <functional>
#include <mutex>
#include <vector>

namespace Basalt {

class DisposeBag;

// The handle of a subscription. Cancelling it, or dropping it, cancels unfinished work.
class Cancellable {
public:
    Cancellable() = default;
    explicit Cancellable(std::function<void()> onCancel) : onCancel_(std::move(onCancel)) {}
    Cancellable(Cancellable&& other) noexcept : onCancel_(std::move(other.onCancel_)) {
        other.onCancel_ = nullptr;
    }
    Cancellable& operator=(Cancellable&& other) noexcept;
    Cancellable(const Cancellable&) = delete;
    Cancellable& operator=(const Cancellable&) = delete;
    ~Cancellable() { cancel(); }

    // Idempotent.
    void cancel();
    void store(DisposeBag& bag) &&;

private:
    std::function<void()> onCancel_;
};

// The set of subscriptions an owner keeps; destroying it cancels them all.
class DisposeBag {
public:
    DisposeBag() = default;
    DisposeBag(const DisposeBag&) = delete;
    DisposeBag& operator=(const DisposeBag&) = delete;
    ~DisposeBag() { cancelAll(); }

    void insert(Cancellable cancellable);
    void cancelAll();
    std::size_t size() const;

private:
    mutable std::mutex mutex_;
    std::vector<Cancellable> items_;
};

}  // namespace Basalt
