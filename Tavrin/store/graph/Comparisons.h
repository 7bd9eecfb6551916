#pragma once

#include <optional>
#include <string>

#include "Tavrin/store/graph/FetchRequest.h"
#include "Tavrin/store/graph/Value.h"

namespace Tavrin::Graph {

// Orders two values of one attribute; absent sorts first. Values of different kinds are unordered.
std::optional<int> compareValues(const Value& a, const Value& b, bool caseInsensitive = false);
// Whether an order between two values satisfies a comparison's operator.
bool holds(Comparison::Op op, int order);
const char* sqlOperator(Comparison::Op op);
// A value's text for the in-memory index of unsaved objects; empty for values not indexed.
std::string indexKey(const Value& value);

// The comparisons of a predicate in the order their values are bound.
template <typename Visit>
void forEachComparison(const Predicate& predicate, const Visit& visit) {
    for (const auto& comparison : predicate.all) visit(comparison);
    for (const auto& group : predicate.anyOf) {
        for (const auto& alternative : group) forEachComparison(alternative, visit);
    }
}

// A predicate's shape: its key paths, operators and kinds of value, not the values.
std::string shapeOf(const Predicate& predicate);

}  // namespace Tavrin::Graph
