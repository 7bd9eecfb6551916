#include "Basalt/stream/Cancellable.h"

namespace Basalt {

Cancellable& Cancellable::operator=(Cancellable&& other) noexcept {
    if (this != &other) {
        cancel();
        onCancel_ = std::move(other.onCancel_);
        other.onCancel_ = nullptr;
    }
    return *this;
}

void Cancellable::cancel() {
    auto onCancel = std::move(onCancel_);
    onCancel_ = nullptr;
    if (onCancel) onCancel();
}

void Cancellable::store(DisposeBag& bag) && {
    bag.insert(std::move(*this));
}

void DisposeBag::insert(Cancellable cancellable) {
    std::lock_guard lock(mutex_);
    items_.push_back(std::move(cancellable));
}

void DisposeBag::cancelAll() {
    std::vector<Cancellable> items;
    {
        std::lock_guard lock(mutex_);
        items.swap(items_);
    }
    // Cancelled outside the lock: a cancellation may add to or clear this bag.
    for (auto& item : items) item.cancel();
}

std::size_t DisposeBag::size() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

}  // namespace Basalt
