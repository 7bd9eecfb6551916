#pragma once

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "Basalt/Result.h"
#include "Basalt/json/Decoder.h"
#include "Basalt/json/Document.h"
#include "Basalt/json/JSONReader.h"
#include "Basalt/json/JSONWriter.h"

namespace Basalt {

// Reads a T from JSON bytes. Nothing is thrown; a failure comes back with its coding path.
template <typename T>
Result<T, DecodingError> decode(std::string_view bytes) {
    if constexpr (std::is_same_v<T, JSON>) {
        return readJSON(bytes);
    } else {
        // Records are read straight from the flat document, without a JSON tree in between.
        auto document = Document::parse(bytes);
        if (!document) return fail(std::move(document).error());
        return decode<T>(document.value().root());
    }
}

// Reads a T from a value of a parsed document.
template <typename T>
Result<T, DecodingError> decode(NodeRef value) {
    detail::DecodingState state;
    Decoder decoder(value, state);
    T result = decoder.decode<T>();
    if (state.error) return fail(std::move(*state.error));
    return result;
}

// How a type is written: records provide `JSON encode() const`.
template <typename T, typename Enable = void>
struct Writable {
    static JSON write(const T& value) { return value.encode(); }
};

template <>
struct Writable<std::string> {
    static JSON write(const std::string& value) { return JSON(value); }
};

template <>
struct Writable<bool> {
    static JSON write(bool value) { return JSON(value); }
};

template <>
struct Writable<Decimal> {
    static JSON write(const Decimal& value) { return JSON(value); }
};

template <>
struct Writable<JSON> {
    static JSON write(const JSON& value) { return value; }
};

template <typename T>
struct Writable<T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>> {
    static JSON write(T value) {
        if constexpr (std::is_signed_v<T>)
            return JSON(Decimal::fromInteger(value));
        else
            return JSON(Decimal::fromUnsigned(value));
    }
};

template <typename T>
struct Writable<T, std::enable_if_t<std::is_floating_point_v<T>>> {
    // The shortest text that reads back as the same double; non-finite values have no JSON.
    static JSON write(T value) {
        if (!std::isfinite(value)) return JSON(nullptr);
        char buffer[64];
        auto end = std::to_chars(buffer, buffer + sizeof buffer, double(value)).ptr;
        auto number = Decimal::parse(std::string_view(buffer, std::size_t(end - buffer)));
        return number ? JSON(number.value()) : JSON(nullptr);
    }
};

template <typename T>
struct Writable<std::vector<T>> {
    static JSON write(const std::vector<T>& values) {
        JSON::Array array;
        array.reserve(values.size());
        for (const auto& value : values) array.push_back(Writable<T>::write(value));
        return JSON(std::move(array));
    }
};

template <typename T>
struct Writable<std::optional<T>> {
    static JSON write(const std::optional<T>& value) {
        return value ? Writable<T>::write(*value) : JSON(nullptr);
    }
};

template <typename T>
JSON toJSON(const T& value) {
    return Writable<T>::write(value);
}

// Compact JSON bytes of a value.
template <typename T>
std::string encode(const T& value) {
    return writeJSON(toJSON(value));
}

}  // namespace Basalt
