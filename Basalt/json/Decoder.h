#pragma once

#include <concepts>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "Basalt/Result.h"
#include "Basalt/json/DecodingError.h"
#include "Basalt/json/Document.h"
#include "Basalt/json/JSON.h"

namespace Basalt {

class Decoder;

// How a type is read from a decoder. Records provide `static T decode(Decoder&)`; the
// primitives, containers and JSON itself are specialised below.
template <typename T, typename Enable = void>
struct Readable {
    static T read(Decoder& decoder) { return T::decode(decoder); }
};

template <typename T>
std::string readableTypeName() {
    if constexpr (requires { T::typeName; }) {
        return std::string(T::typeName);
    } else if constexpr (requires { Readable<T>::typeName; }) {
        return std::string(Readable<T>::typeName);
    } else {
        return "Value";
    }
}

namespace detail {

// A step of the path from the document root; chained through the decoders on the stack.
struct PathNode {
    const PathNode* parent = nullptr;
    std::string_view key;
    int index = -1;
    bool isRoot = true;
};

// The first error of a read. Later reads on a failed state do nothing, which is how a
// decoding error aborts the record that raised it and every record that contains it.
struct DecodingState {
    std::optional<DecodingError> error;
};

}  // namespace detail

class KeyedContainer;
class UnkeyedContainer;
class SingleValueContainer;

// A decoding position on one value of a parsed document. Readers take it by reference and
// must not let it, or the containers taken from it, outlive the call.
class Decoder {
public:
    Decoder(NodeRef value, detail::DecodingState& state, detail::PathNode node = {})
        : value_(value), state_(&state), node_(node) {}

    NodeRef value() const { return value_; }
    CodingPath codingPath() const;

    bool failed() const { return state_->error.has_value(); }
    const std::optional<DecodingError>& error() const { return state_->error; }
    // Records the error unless an earlier one is already recorded.
    void fail(DecodingError error) const;
    void failDataCorrupted(std::string description,
                           std::shared_ptr<const DecodingError> underlying = nullptr) const;
    // The context of an error at this position.
    DecodingError::Context context(std::string description,
                                   std::shared_ptr<const DecodingError> underlying = nullptr) const;
    // A type mismatch, or value-not-found when the value is null.
    void failExpecting(const std::string& typeName) const;

    KeyedContainer keyedContainer();
    UnkeyedContainer unkeyedContainer();
    SingleValueContainer singleValueContainer();

    // Reads this decoder's value as T. Yields T{} once the read has failed.
    template <typename T>
    T decode() {
        if (failed()) return T{};
        return Readable<T>::read(*this);
    }

    // Reads this decoder's value as T in isolation: a failure is returned, not recorded.
    template <typename T>
    Result<T, DecodingError> attempt() const {
        detail::DecodingState isolated;
        Decoder decoder(value_, isolated, node_);
        T value = decoder.decode<T>();
        if (isolated.error) return Basalt::fail(std::move(*isolated.error));
        return value;
    }

    Result<JSON, DecodingError> decodeAsJSON() const;
    // The value as compact JSON text, written anew.
    Result<std::string, DecodingError> decodeAsRawData() const;

    Decoder child(NodeRef value, std::string_view key) const {
        return Decoder(value, *state_, detail::PathNode{&node_, key, -1, false});
    }
    Decoder element(NodeRef value, int index) const {
        return Decoder(value, *state_, detail::PathNode{&node_, {}, index, false});
    }

private:
    NodeRef value_;
    detail::DecodingState* state_;
    detail::PathNode node_;
};

class KeyedContainer {
public:
    // An inert container stands in when the value was not an object: it reads nothing.
    KeyedContainer(Decoder& decoder, std::optional<NodeRef> object)
        : decoder_(&decoder), object_(object) {}

    std::vector<DynamicCodingKeys> allKeys() const;
    bool contains(std::string_view key) const { return object_ && object_->find(key); }
    CodingPath codingPath() const { return decoder_->codingPath(); }
    Decoder& decoder() const { return *decoder_; }

    // Required read: an absent key is keyNotFound; a null member fails as T's reader decides.
    template <typename T>
    T decode(std::string_view key) {
        auto member = lookup(key);
        if (!member) return T{};
        Decoder child = decoder_->child(*member, key);
        return child.decode<T>();
    }

    // An absent key or a null member yields nothing; a member of the wrong kind still fails.
    template <typename T>
    std::optional<T> decodeOptional(std::string_view key) {
        if (!object_ || decoder_->failed()) return std::nullopt;
        auto member = object_->find(key);
        if (!member || member->isNull()) return std::nullopt;
        Decoder child = decoder_->child(*member, key);
        T value = child.decode<T>();
        if (decoder_->failed()) return std::nullopt;
        return value;
    }

    // True when the member is present and null. A missing key is keyNotFound.
    bool decodeNil(std::string_view key);

    // A decoder on the member, for readers that need the raw position (nothing if absent).
    std::optional<Decoder> nestedDecoder(std::string_view key);

private:
    std::optional<NodeRef> lookup(std::string_view key);

    Decoder* decoder_;
    std::optional<NodeRef> object_;
};

class UnkeyedContainer {
public:
    UnkeyedContainer(Decoder& decoder, std::optional<NodeRef> array)
        : decoder_(&decoder), array_(array) {}

    std::optional<int> count() const {
        return array_ ? std::optional<int>(int(array_->size())) : std::nullopt;
    }
    int currentIndex() const { return index_; }
    // True at the end, and once the read has failed, so loops always stop.
    bool isAtEnd() const {
        return !array_ || decoder_->failed() || std::size_t(index_) >= array_->size();
    }

    template <typename T>
    T decode() {
        auto element = next();
        if (!element) return T{};
        Decoder child = decoder_->element(*element, index_ - 1);
        return child.decode<T>();
    }

    bool decodeNil();

private:
    std::optional<NodeRef> next();

    Decoder* decoder_;
    std::optional<NodeRef> array_;
    int index_ = 0;
};

class SingleValueContainer {
public:
    explicit SingleValueContainer(Decoder& decoder) : decoder_(&decoder) {}

    bool decodeNil() const { return decoder_->value().isNull(); }
    template <typename T>
    T decode() {
        return decoder_->decode<T>();
    }
    CodingPath codingPath() const { return decoder_->codingPath(); }

private:
    Decoder* decoder_;
};

// Primitive readers: strict about JSON kinds.

template <>
struct Readable<std::string> {
    static constexpr const char* typeName = "String";
    static std::string read(Decoder& decoder);
};

template <>
struct Readable<bool> {
    static constexpr const char* typeName = "Bool";
    static bool read(Decoder& decoder);
};

template <>
struct Readable<Decimal> {
    static constexpr const char* typeName = "Decimal";
    static Decimal read(Decoder& decoder);
};

template <>
struct Readable<double> {
    static constexpr const char* typeName = "Double";
    static double read(Decoder& decoder);
};

template <>
struct Readable<float> {
    static constexpr const char* typeName = "Float";
    static float read(Decoder& decoder) { return float(Readable<double>::read(decoder)); }
};

template <>
struct Readable<JSON> {
    static constexpr const char* typeName = "JSON";
    static JSON read(Decoder& decoder);
};

namespace detail {

template <typename T>
constexpr const char* integerTypeName() {
    if constexpr (std::is_signed_v<T>) {
        switch (sizeof(T)) {
            case 1:
                return "Int8";
            case 2:
                return "Int16";
            case 4:
                return "Int32";
            default:
                return "Int64";
        }
    } else {
        switch (sizeof(T)) {
            case 1:
                return "UInt8";
            case 2:
                return "UInt16";
            case 4:
                return "UInt32";
            default:
                return "UInt64";
        }
    }
}

// The number if the value is a number that fits; records the error otherwise.
std::optional<std::int64_t> readSigned(Decoder& decoder, std::int64_t min, std::int64_t max,
                                       const char* typeName);
std::optional<std::uint64_t> readUnsigned(Decoder& decoder, std::uint64_t max,
                                          const char* typeName);

}  // namespace detail

template <typename T>
struct Readable<T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>> {
    static constexpr const char* typeName = detail::integerTypeName<T>();
    static T read(Decoder& decoder) {
        if constexpr (std::is_signed_v<T>) {
            auto v = detail::readSigned(decoder, std::numeric_limits<T>::min(),
                                        std::numeric_limits<T>::max(), typeName);
            return v ? T(*v) : T{};
        } else {
            auto v = detail::readUnsigned(decoder, std::numeric_limits<T>::max(), typeName);
            return v ? T(*v) : T{};
        }
    }
};

template <typename T>
struct Readable<std::vector<T>> {
    static constexpr const char* typeName = "Array";
    static std::vector<T> read(Decoder& decoder);
};

template <typename T>
struct Readable<std::optional<T>> {
    static constexpr const char* typeName = "Optional";
    static std::optional<T> read(Decoder& decoder) {
        if (decoder.value().isNull()) return std::nullopt;
        T value = decoder.decode<T>();
        if (decoder.failed()) return std::nullopt;
        return value;
    }
};

template <typename T>
std::vector<T> Readable<std::vector<T>>::read(Decoder& decoder) {
    std::vector<T> out;
    auto container = decoder.unkeyedContainer();
    if (auto count = container.count()) out.reserve(std::size_t(*count));
    while (!container.isAtEnd()) out.push_back(container.template decode<T>());
    return out;
}

}  // namespace Basalt
