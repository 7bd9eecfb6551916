#include <algorithm>
#include <cassert>
#include <limits>

#include "Tavrin/store/graph/Comparisons.h"
#include "Tavrin/store/graph/Context.h"

namespace Tavrin::Graph {
namespace {

// Rows read by one statement when nobody said how many.
constexpr std::size_t defaultBatch = 500;

}  // namespace

std::optional<ObjectID> Context::objectAt(ObjectID object, const std::string& keyPath) {
    ResolvedPath path = resolve(object.entity, keyPath);
    std::optional<ObjectID> current = object;
    for (const auto& step : path.relationships) {
        current = toOne(*current, step.relationship->name);
        if (!current) return std::nullopt;
    }
    return current;
}

Value Context::valueAt(ObjectID object, const std::string& keyPath) {
    ResolvedPath path = resolve(object.entity, keyPath);
    auto owner = objectAt(object, keyPath);
    if (!owner || !path.attribute) return std::monostate{};
    return value(*owner, path.attribute->name);
}

bool Context::matches(ObjectID object, const Predicate& predicate) {
    if (pendingDeleted_.count(object) || !registered(object)) return false;
    return holdsFor(object, predicate);
}

bool Context::holdsFor(ObjectID object, const Predicate& predicate) {
    for (const auto& comparison : predicate.all) {
        if (!holdsFor(object, comparison)) return false;
    }
    for (const auto& group : predicate.anyOf) {
        if (std::none_of(group.begin(), group.end(),
                         [&](const Predicate& p) { return holdsFor(object, p); }))
            return false;
    }
    return true;
}

bool Context::holdsFor(ObjectID object, const Comparison& comparison) {
    ResolvedPath path = resolve(object.entity, comparison.keyPath);
    if (path.relationship) {
        auto owner = objectAt(object, comparison.keyPath);
        std::optional<ObjectID> target =
            owner ? toOne(*owner, path.relationship->name) : std::nullopt;
        const bool equal = target == comparison.object;
        return comparison.op == Comparison::Op::equal ? equal : !equal;
    }
    const Value actual = valueAt(object, comparison.keyPath);
    if (comparison.op != Comparison::Op::equal && comparison.op != Comparison::Op::notEqual &&
        (isAbsent(actual) || isAbsent(comparison.value)))
        return false;  // as in SQL: nothing is less or greater than an absent value
    auto order = compareValues(actual, comparison.value);
    if (!order) return comparison.op == Comparison::Op::notEqual;
    return holds(comparison.op, *order);
}

bool Context::touchesUnsaved(int entity, const Comparison& comparison) const {
    if (comparison.keyPath.find('.') == std::string::npos) return false;
    ResolvedPath path = resolve(entity, comparison.keyPath);
    if (path.relationships.empty()) return false;
    auto changedWith = [&](int owner, const std::string& property) {
        auto it = changed_.lower_bound(ObjectID{owner, std::numeric_limits<std::int64_t>::min()});
        for (; it != changed_.end() && it->first.entity == owner; ++it) {
            if (it->second.count(property)) return true;
        }
        return false;
    };
    // The root's own changes are checked anyway; what matters is a change further along.
    for (std::size_t k = 1; k < path.relationships.size(); ++k) {
        const auto& step = path.relationships[k];
        if (changedWith(step.entity, step.relationship->name)) return true;
    }
    const std::string& last = path.attribute ? path.attribute->name : path.relationship->name;
    return changedWith(path.entity, last);
}

void Context::indexUnsaved(ObjectID object, const std::string& attribute, const Value& value) {
    auto& byValue = unsavedIndex_[object.entity][attribute];
    const auto slot = std::make_pair(object, attribute);
    if (auto previous = unsavedIndexed_.find(slot); previous != unsavedIndexed_.end()) {
        byValue.erase(previous->second);
        unsavedIndexed_.erase(previous);
    }
    if (auto key = indexKey(value); !key.empty())
        unsavedIndexed_.emplace(slot, byValue.emplace(key, object));
}

std::vector<ObjectID> Context::unsavedCandidates(int entity, const Predicate& predicate) {
    // Equality on an indexed attribute: the index answers without a scan.
    for (const auto& comparison : predicate.all) {
        if (comparison.op != Comparison::Op::equal ||
            comparison.keyPath.find('.') != std::string::npos)
            continue;
        const Attribute* attribute =
            schema_->entities[std::size_t(entity)].attribute(comparison.keyPath);
        if (!attribute || !attribute->indexed) continue;
        const std::string key = indexKey(comparison.value);
        if (key.empty()) continue;
        std::vector<ObjectID> found;
        auto& byValue = unsavedIndex_[entity][attribute->name];
        auto [begin, end] = byValue.equal_range(key);
        for (auto it = begin; it != end; ++it) found.push_back(it->second);
        return found;
    }
    std::vector<ObjectID> all;
    for (const auto& object : pendingInserted_) {
        if (object.entity == entity) all.push_back(object);
    }
    for (const auto& [object, _] : changed_) {
        if (object.entity == entity) all.push_back(object);
    }
    return all;
}

void Context::sortInMemory(std::vector<ObjectID>& objects,
                           const std::vector<SortDescriptor>& sort) {
    if (sort.empty()) return;
    loadRows(objects, defaultBatch);
    std::vector<std::pair<std::vector<Value>, ObjectID>> keyed;
    keyed.reserve(objects.size());
    for (const auto& object : objects) {
        std::vector<Value> keys;
        for (const auto& descriptor : sort) keys.push_back(valueAt(object, descriptor.keyPath));
        keyed.emplace_back(std::move(keys), object);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        for (std::size_t i = 0; i < sort.size(); ++i) {
            auto order = compareValues(a.first[i], b.first[i], sort[i].caseInsensitive).value_or(0);
            if (order != 0) return sort[i].ascending ? order < 0 : order > 0;
        }
        return a.second.key < b.second.key;
    });
    objects.clear();
    for (auto& [_, object] : keyed) objects.push_back(object);
}

std::vector<ObjectID> Context::fetchMerged(int entity, const FetchRequest& request) {
    // What the store can answer goes to SQL; the rest is checked in memory.
    Predicate storeSide;
    bool recheck = false;
    for (const auto& comparison : request.predicate.all) {
        if (touchesUnsaved(entity, comparison))
            recheck = true;
        else
            storeSide.all.push_back(comparison);
    }
    for (const auto& group : request.predicate.anyOf) {
        bool touches = false;
        for (const auto& alternative : group) {
            forEachComparison(alternative, [&](const Comparison& comparison) {
                touches = touches || touchesUnsaved(entity, comparison);
            });
        }
        if (touches)
            recheck = true;
        else
            storeSide.anyOf.push_back(group);
    }
    std::vector<ObjectID> fromStore = fetchFromStore(entity, storeSide);
    if (recheck) loadRows(fromStore, defaultBatch);
    std::vector<ObjectID> results;
    std::set<ObjectID> seen;
    for (const auto& object : fromStore) {
        // The store's answer holds unless this context changed or deleted the object.
        if (recheck || pendingDeleted_.count(object) || changed_.count(object)) {
            if (!matches(object, request.predicate)) continue;
        }
        if (seen.insert(object).second) results.push_back(object);
    }
    for (const auto& object : unsavedCandidates(entity, request.predicate)) {
        if (seen.count(object) || !matches(object, request.predicate)) continue;
        seen.insert(object);
        results.push_back(object);
    }
    sortInMemory(results, request.sort);
    if (request.limit && int(results.size()) > *request.limit)
        results.resize(std::size_t(std::max(0, *request.limit)));
    return results;
}

std::vector<ObjectID> Context::fetch(const FetchRequest& request) {
    const int entity = schema_->entityIndex(request.entity);
    assert(entity >= 0 && "unknown entity");
    // SQLite's NOCASE folds ASCII only, so case-insensitive orders are sorted here.
    const bool sqlCanSort = std::none_of(request.sort.begin(), request.sort.end(),
                                         [](const auto& s) { return s.caseInsensitive; });
    std::vector<ObjectID> results =
        !hasChanges() && sqlCanSort
            ? fetchFromStore(entity, request.predicate, request.sort, request.limit)
            : fetchMerged(entity, request);
    if (request.batchSize > 0) {
        // Rows load a batch at a time, when one of the batch is first touched.
        for (std::size_t from = 0; from < results.size(); from += std::size_t(request.batchSize)) {
            auto batch = std::make_shared<Batch>();
            batch->prefetch = request.prefetch;
            const std::size_t to = std::min(results.size(), from + std::size_t(request.batchSize));
            for (std::size_t i = from; i < to; ++i) {
                if (objects_.count(results[i])) continue;
                batch->objects.push_back(results[i]);
                batches_[results[i]] = batch;
            }
        }
    } else if (!request.prefetch.empty()) {
        loadRows(results, defaultBatch);
        prefetch(results, request.prefetch, defaultBatch);
    }
    return results;
}

void Context::loadBatch(ObjectID touched) {
    auto found = batches_.find(touched);
    if (found == batches_.end()) return;
    std::shared_ptr<Batch> batch = found->second;
    for (const auto& object : batch->objects) batches_.erase(object);
    loadRows(batch->objects, batch->objects.size());
    prefetch(batch->objects, batch->prefetch, batch->objects.size());
}

void Context::prefetch(const std::vector<ObjectID>& objects,
                       const std::vector<std::string>& relationships, std::size_t batchSize) {
    for (const auto& name : relationships) {
        std::vector<ObjectID> targets;
        for (const auto& object : objects) {
            auto it = objects_.find(object);
            if (it == objects_.end()) continue;
            const auto& slot =
                it->second.values.toOnes[std::size_t(relationshipIndex(object, name))];
            if (slot) targets.push_back(*slot);
        }
        loadRows(targets, std::max<std::size_t>(1, batchSize));
    }
}

std::size_t Context::count(const FetchRequest& request) {
    return fetch({request.entity, request.predicate, {}, request.limit, 0, {}}).size();
}

}  // namespace Tavrin::Graph
