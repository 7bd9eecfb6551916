#pragma once

#include <cassert>
#include <type_traits>
#include <utility>
#include <variant>

namespace Basalt {

template <typename E>
struct Failure {
    E error;
};

template <typename E>
Failure<std::decay_t<E>> fail(E&& error) {
    return {std::forward<E>(error)};
}

// A value or an error; how errors cross layers instead of exceptions.
template <typename T, typename E>
class Result {
public:
    using Value = T;
    using Error = E;

    Result(T value) : storage_(std::in_place_index<0>, std::move(value)) {}
    template <typename F>
    Result(Failure<F> failure) : storage_(std::in_place_index<1>, std::move(failure.error)) {}

    bool ok() const { return storage_.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& {
        assert(ok());
        return std::get<0>(storage_);
    }
    T& value() & {
        assert(ok());
        return std::get<0>(storage_);
    }
    T&& value() && {
        assert(ok());
        return std::get<0>(std::move(storage_));
    }
    const E& error() const& {
        assert(!ok());
        return std::get<1>(storage_);
    }
    E&& error() && {
        assert(!ok());
        return std::get<1>(std::move(storage_));
    }

    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }

    template <typename F>
    auto map(F&& f) const& -> Result<std::invoke_result_t<F, const T&>, E> {
        if (ok()) return f(value());
        return Failure<E>{error()};
    }

private:
    std::variant<T, E> storage_;
};

// Result for operations that yield nothing on success.
struct Unit {
    friend bool operator==(Unit, Unit) { return true; }
};

}  // namespace Basalt
