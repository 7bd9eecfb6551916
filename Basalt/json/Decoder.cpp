#include "Basalt/json/Decoder.h"

#include <algorithm>

#include "Basalt/json/JSONWriter.h"

namespace Basalt {
namespace {

const char* articleKind(JSON::Kind kind) {
    switch (kind) {
        case JSON::Kind::string:
            return "a string";
        case JSON::Kind::number:
            return "a number";
        case JSON::Kind::object:
            return "a dictionary";
        case JSON::Kind::array:
            return "an array";
        case JSON::Kind::boolean:
            return "a bool";
        case JSON::Kind::null:
            return "null";
    }
    return "a value";
}

}  // namespace

CodingPath Decoder::codingPath() const {
    std::vector<const detail::PathNode*> nodes;
    for (const detail::PathNode* n = &node_; n && !n->isRoot; n = n->parent) nodes.push_back(n);
    CodingPath path;
    path.reserve(nodes.size());
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
        const auto* n = *it;
        path.push_back(n->index >= 0 ? CodingKey::index(n->index) : CodingKey::member(n->key));
    }
    return path;
}

void Decoder::fail(DecodingError error) const {
    if (!state_->error) state_->error = std::move(error);
}

DecodingError::Context Decoder::context(std::string description,
                                        std::shared_ptr<const DecodingError> underlying) const {
    return {codingPath(), std::move(description), std::move(underlying)};
}

void Decoder::failDataCorrupted(std::string description,
                                std::shared_ptr<const DecodingError> underlying) const {
    if (failed()) return;
    fail(DecodingError::dataCorrupted(context(std::move(description), std::move(underlying))));
}

void Decoder::failExpecting(const std::string& typeName) const {
    if (failed()) return;
    if (value_.isNull()) {
        fail(DecodingError::valueNotFound(
            typeName, context("Expected " + typeName + " value but found null instead.")));
        return;
    }
    fail(DecodingError::typeMismatch(typeName,
                                     context("Expected to decode " + typeName + " but found " +
                                             articleKind(value_.kind()) + " instead.")));
}

KeyedContainer Decoder::keyedContainer() {
    if (value_.isObject()) return KeyedContainer(*this, value_);
    failExpecting("Dictionary");
    return KeyedContainer(*this, std::nullopt);
}

UnkeyedContainer Decoder::unkeyedContainer() {
    if (value_.isArray()) return UnkeyedContainer(*this, value_);
    failExpecting("Array");
    return UnkeyedContainer(*this, std::nullopt);
}

SingleValueContainer Decoder::singleValueContainer() {
    return SingleValueContainer(*this);
}

Result<JSON, DecodingError> Decoder::decodeAsJSON() const {
    return attempt<JSON>();
}

Result<std::string, DecodingError> Decoder::decodeAsRawData() const {
    // Reading the node as JSON gives an equal value: write the node itself, not a copy of it.
    return value_.document()->rawData(value_.index());
}

std::vector<DynamicCodingKeys> KeyedContainer::allKeys() const {
    std::vector<DynamicCodingKeys> keys;
    if (!object_) return keys;
    keys.reserve(object_->size());
    object_->forEachMember([&](std::string_view key, NodeRef) {
        keys.push_back({std::string(key), std::nullopt});
    });
    return keys;
}

std::optional<NodeRef> KeyedContainer::lookup(std::string_view key) {
    if (!object_ || decoder_->failed()) return std::nullopt;
    auto member = object_->find(key);
    if (!member) {
        std::string name(key);
        decoder_->fail(DecodingError::keyNotFound(
            name, decoder_->context("No value associated with key \"" + name + "\".")));
    }
    return member;
}

bool KeyedContainer::decodeNil(std::string_view key) {
    auto member = lookup(key);
    return member && member->isNull();
}

std::optional<Decoder> KeyedContainer::nestedDecoder(std::string_view key) {
    auto member = lookup(key);
    if (!member) return std::nullopt;
    return decoder_->child(*member, key);
}

std::optional<NodeRef> UnkeyedContainer::next() {
    if (!array_ || decoder_->failed()) return std::nullopt;
    if (std::uint32_t(index_) >= array_->size()) {
        decoder_->fail(DecodingError::valueNotFound(
            "Value", decoder_->context("Unkeyed container is at end.")));
        return std::nullopt;
    }
    return array_->element(std::uint32_t(index_++));
}

bool UnkeyedContainer::decodeNil() {
    if (isAtEnd() || !array_->element(std::uint32_t(index_)).isNull()) return false;
    ++index_;
    return true;
}

std::string Readable<std::string>::read(Decoder& decoder) {
    if (auto text = decoder.value().asString()) return std::string(*text);
    decoder.failExpecting(typeName);
    return {};
}

bool Readable<bool>::read(Decoder& decoder) {
    if (auto value = decoder.value().asBool()) return *value;
    decoder.failExpecting(typeName);
    return false;
}

Decimal Readable<Decimal>::read(Decoder& decoder) {
    if (auto number = decoder.value().asNumber()) return *number;
    decoder.failExpecting(typeName);
    return {};
}

double Readable<double>::read(Decoder& decoder) {
    if (auto number = decoder.value().asNumber()) return number->toDouble();
    decoder.failExpecting(typeName);
    return 0;
}

JSON Readable<JSON>::read(Decoder& decoder) {
    const NodeRef value = decoder.value();
    // Order of attempts: object, array, then the single values.
    if (value.isObject()) {
        auto container = decoder.keyedContainer();
        std::vector<JSONObject::Member> members;
        members.reserve(value.size());
        for (auto& key : container.allKeys()) {
            JSON member = container.decode<JSON>(key.stringValue);
            if (decoder.failed()) return {};
            members.emplace_back(std::move(key.stringValue), std::move(member));
        }
        return JSONObject::fromMembers(std::move(members));
    }
    if (value.isArray()) {
        auto container = decoder.unkeyedContainer();
        JSON::Array elements;
        if (auto count = container.count()) elements.reserve(std::size_t(*count));
        while (!container.isAtEnd()) elements.push_back(container.decode<JSON>());
        if (decoder.failed()) return {};
        return elements;
    }
    if (auto text = value.asString()) return std::string(*text);
    if (auto number = value.asNumber()) return *number;
    if (auto truth = value.asBool()) return *truth;
    return nullptr;
}

namespace detail {
namespace {

void failNotFitting(Decoder& decoder, const Decimal& number, const char* typeName) {
    decoder.failDataCorrupted("Parsed JSON number <" + number.toString() + "> does not fit in " +
                              typeName + ".");
}

}  // namespace

std::optional<std::int64_t> readSigned(Decoder& decoder, std::int64_t min, std::int64_t max,
                                       const char* typeName) {
    auto number = decoder.value().asNumber();
    if (!number) {
        decoder.failExpecting(typeName);
        return std::nullopt;
    }
    auto value = number->toInt64();
    if (!value || *value < min || *value > max) {
        failNotFitting(decoder, *number, typeName);
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint64_t> readUnsigned(Decoder& decoder, std::uint64_t max,
                                          const char* typeName) {
    auto number = decoder.value().asNumber();
    if (!number) {
        decoder.failExpecting(typeName);
        return std::nullopt;
    }
    auto value = number->toUInt64();
    if (!value || *value > max) {
        failNotFitting(decoder, *number, typeName);
        return std::nullopt;
    }
    return value;
}

}  // namespace detail
}  // namespace Basalt
