#include "Basalt/json/JSON.h"

#include <algorithm>
#include <cstdint>

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

JSONObject JSONObject::fromMembers(Member* first, Member* last) {
    JSONObject object;
    const std::size_t count = std::size_t(last - first);
    object.members_.reserve(count);
    auto sortedAndUnique = [&] {
        for (std::size_t i = 1; i < count; ++i) {
            if (!(first[i - 1].first < first[i].first)) return false;
        }
        return true;
    };
    if (sortedAndUnique()) {
        for (Member* m = first; m != last; ++m) object.members_.push_back(std::move(*m));
        return object;
    }
    // Sort positions rather than members, so each member is moved once, and compare the first
    // eight bytes as one integer before whole keys. Among equal keys the later position sorts
    // last and is the one kept.
    struct Position {
        std::uint64_t prefix;
        std::uint32_t index;
    };
    auto prefixOf = [](const std::string& key) {
        std::uint64_t prefix = 0;
        const std::size_t n = std::min<std::size_t>(key.size(), 8);
        for (std::size_t i = 0; i < n; ++i) {
            prefix |= std::uint64_t(static_cast<unsigned char>(key[i])) << (56 - 8 * i);
        }
        return prefix;
    };
    constexpr std::size_t inlineCapacity = 256;
    Position inlineOrder[inlineCapacity];
    std::vector<Position> heapOrder(count > inlineCapacity ? count : 0);
    Position* order = count > inlineCapacity ? heapOrder.data() : inlineOrder;
    for (std::uint32_t i = 0; i < count; ++i) order[i] = {prefixOf(first[i].first), i};
    std::sort(order, order + count, [first](const Position& a, const Position& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        int c = first[a.index].first.compare(first[b.index].first);
        return c < 0 || (c == 0 && a.index < b.index);
    });
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t at = order[i].index;
        if (i + 1 < count && first[at].first == first[order[i + 1].index].first) continue;
        object.members_.push_back(std::move(first[at]));
    }
    return object;
}

JSONObject JSONObject::fromMembers(std::vector<Member> members) {
    return fromMembers(members.data(), members.data() + members.size());
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
