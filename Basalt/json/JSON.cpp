#include "Basalt/json/JSON.h"

#include <algorithm>

namespace Basalt {
namespace {

auto lowerBound(const std::vector<JSONObject::Member>& members, std::string_view key) {
    return std::lower_bound(
        members.begin(), members.end(), key,
        [](const JSONObject::Member& m, std::string_view k) { return m.first < k; });
}

}  // namespace

const JSON* JSONObject::find(std::string_view key) const {
    auto it = lowerBound(members_, key);
    if (it == members_.end() || it->first != key) return nullptr;
    return &it->second;
}

void JSONObject::set(std::string key, JSON value) {
    auto it = lowerBound(members_, key);
    if (it != members_.end() && it->first == key) {
        members_[std::size_t(it - members_.begin())].second = std::move(value);
        return;
    }
    members_.insert(it, Member(std::move(key), std::move(value)));
}

JSONObject JSONObject::fromMembers(std::vector<Member> members) {
    JSONObject object;
    // Stable, so that among equal keys the later one comes last and is the one kept.
    std::stable_sort(members.begin(), members.end(),
                     [](const Member& a, const Member& b) { return a.first < b.first; });
    auto out = members.begin();
    for (auto it = members.begin(); it != members.end(); ++it) {
        auto next = it + 1;
        if (next != members.end() && next->first == it->first) continue;
        if (out != it) *out = std::move(*it);
        ++out;
    }
    members.erase(out, members.end());
    object.members_ = std::move(members);
    return object;
}

bool operator==(const JSONObject& a, const JSONObject& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

std::optional<Decimal> JSON::asNumber() const {
    if (auto* n = std::get_if<Decimal>(&storage_)) return *n;
    return std::nullopt;
}

std::optional<bool> JSON::asBool() const {
    if (auto* b = std::get_if<bool>(&storage_)) return *b;
    return std::nullopt;
}

bool operator==(const JSON& a, const JSON& b) {
    return a.storage_ == b.storage_;
}

const char* kindName(JSON::Kind kind) {
    switch (kind) {
        case JSON::Kind::string:
            return "string";
        case JSON::Kind::number:
            return "number";
        case JSON::Kind::object:
            return "object";
        case JSON::Kind::array:
            return "array";
        case JSON::Kind::boolean:
            return "bool";
        case JSON::Kind::null:
            return "null";
    }
    return "unknown";
}

}  // namespace Basalt
