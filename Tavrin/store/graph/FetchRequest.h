#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Tavrin/store/graph/Value.h"

namespace Tavrin::Graph {

// One comparison of the value at a key path ("title", "page.feed.id", or a to-one relationship
// compared with an object).
struct Comparison {
    enum class Op { equal, notEqual, less, lessOrEqual, greater, greaterOrEqual };

    std::string keyPath;
    Op op = Op::equal;
    Value value;
    std::optional<ObjectID> object;  // for a relationship compared with a record
};

// The comparisons, all of which must hold, and groups of alternatives, each of which needs one
// alternative that holds. The empty predicate matches everything.
struct Predicate {
    std::vector<Comparison> all;
    std::vector<std::vector<Predicate>> anyOf;

    Predicate operator&&(const Predicate& other) const {
        Predicate both = *this;
        both.all.insert(both.all.end(), other.all.begin(), other.all.end());
        both.anyOf.insert(both.anyOf.end(), other.anyOf.begin(), other.anyOf.end());
        return both;
    }
    Predicate operator||(const Predicate& other) const { return Predicate{{}, {{*this, other}}}; }
};

inline Predicate where(std::string keyPath, Comparison::Op op, Value value) {
    return Predicate{{Comparison{std::move(keyPath), op, std::move(value), std::nullopt}}, {}};
}
inline Predicate equals(std::string keyPath, Value value) {
    return where(std::move(keyPath), Comparison::Op::equal, std::move(value));
}
inline Predicate equalsObject(std::string relationship, ObjectID object) {
    return Predicate{{Comparison{std::move(relationship), Comparison::Op::equal, {}, object}}, {}};
}

struct SortDescriptor {
    std::string keyPath;
    bool ascending = true;
    bool caseInsensitive = false;
};

struct FetchRequest {
    std::string entity;
    Predicate predicate;
    std::vector<SortDescriptor> sort;
    std::optional<int> limit;
    // Above 0: the results' rows are read that many at a time, when one of them is first
    // touched. 0: each row is read when touched.
    int batchSize = 0;
    // To-one relationships whose rows are read together with the results' rows.
    std::vector<std::string> prefetch;
};

}  // namespace Tavrin::Graph
