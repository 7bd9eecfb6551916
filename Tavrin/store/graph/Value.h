#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace Tavrin::Graph {

// An attribute's value: absent, text (also addresses), integer, date (seconds since the Unix
// epoch), bytes, truth value or a list of texts.
using Value = std::variant<std::monostate, std::string, std::int64_t, double, QByteArray, bool,
                           std::vector<std::string>>;

inline bool isAbsent(const Value& value) {
    return std::holds_alternative<std::monostate>(value);
}

// A record's identity: permanent from insertion, valid in every context of the container.
struct ObjectID {
    int entity = -1;
    std::int64_t key = 0;

    bool isValid() const { return entity >= 0 && key > 0; }
    friend bool operator==(const ObjectID&, const ObjectID&) = default;
    friend bool operator<(const ObjectID& a, const ObjectID& b) {
        return a.entity != b.entity ? a.entity < b.entity : a.key < b.key;
    }
};

struct ObjectIDHash {
    std::size_t operator()(const ObjectID& id) const {
        return std::hash<std::int64_t>()(id.key * 64 + id.entity);
    }
};

}  // namespace Tavrin::Graph
