#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "Basalt/json/Decimal.h"

namespace Basalt {

class JSON;

// The members of a JSON object: unordered as far as callers are concerned, kept sorted by key
// so that lookups are logarithmic. Each key appears once.
class JSONObject {
public:
    using Member = std::pair<std::string, JSON>;
    using const_iterator = const Member*;

    // Defined after JSON, which must be complete first.
    JSONObject();
    JSONObject(const JSONObject&);
    JSONObject(JSONObject&&) noexcept;
    JSONObject& operator=(const JSONObject&);
    JSONObject& operator=(JSONObject&&) noexcept;
    ~JSONObject();

    std::size_t size() const;
    bool empty() const;
    const_iterator begin() const;
    const_iterator end() const;

    const JSON* find(std::string_view key) const;
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    // Adds the member, replacing an existing one of the same key.
    void set(std::string key, JSON value);

    // Builds from members in document order, moving them out; a later duplicate key replaces
    // an earlier one.
    static JSONObject fromMembers(Member* first, Member* last);
    static JSONObject fromMembers(std::vector<Member> members);

private:
    std::vector<Member> members_;
};

// A dynamic JSON value with exactly six cases.
class JSON {
public:
    enum class Kind { string, number, object, array, boolean, null };
    using Object = JSONObject;
    using Array = std::vector<JSON>;

    JSON() : storage_(nullptr) {}
    JSON(std::nullptr_t) : storage_(nullptr) {}
    JSON(std::string text) : storage_(std::move(text)) {}
    JSON(const char* text) : storage_(std::string(text)) {}
    JSON(Decimal number) : storage_(number) {}
    JSON(Object object) : storage_(std::move(object)) {}
    JSON(Array array) : storage_(std::move(array)) {}
    JSON(bool value) : storage_(value) {}
    // Numbers are Decimals; an int must not silently become a bool.
    template <typename T>
    requires(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>) JSON(T)
    = delete;

    Kind kind() const { return Kind(storage_.index()); }

    const Object* asObject() const { return std::get_if<Object>(&storage_); }
    bool isObject() const { return kind() == Kind::object; }
    const Array* asArray() const { return std::get_if<Array>(&storage_); }
    bool isArray() const { return kind() == Kind::array; }
    const std::string* asString() const { return std::get_if<std::string>(&storage_); }
    bool isString() const { return kind() == Kind::string; }
    std::optional<Decimal> asNumber() const;
    bool isNumber() const { return kind() == Kind::number; }
    std::optional<bool> asBool() const;
    bool isBool() const { return kind() == Kind::boolean; }
    bool isNull() const { return kind() == Kind::null; }

    // Structural equality; for tests and round-trip checks.
    friend bool operator==(const JSON& a, const JSON& b);

private:
    std::variant<std::string, Decimal, Object, Array, bool, std::nullptr_t> storage_;
};

bool operator==(const JSONObject& a, const JSONObject& b);

inline JSONObject::JSONObject() = default;
inline JSONObject::JSONObject(const JSONObject&) = default;
inline JSONObject::JSONObject(JSONObject&&) noexcept = default;
inline JSONObject& JSONObject::operator=(const JSONObject&) = default;
inline JSONObject& JSONObject::operator=(JSONObject&&) noexcept = default;
inline JSONObject::~JSONObject() = default;
inline std::size_t JSONObject::size() const {
    return members_.size();
}
inline bool JSONObject::empty() const {
    return members_.empty();
}
inline JSONObject::const_iterator JSONObject::begin() const {
    return members_.data();
}
inline JSONObject::const_iterator JSONObject::end() const {
    return members_.data() + members_.size();
}

// "string", "number", "object", "array", "bool" or "null": for error descriptions.
const char* kindName(JSON::Kind kind);

}  // namespace Basalt
