#include <SQLiteCpp/Statement.h>

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cassert>
#include <functional>
#include <limits>

#include "Tavrin/store/graph/Context.h"
#include "Tavrin/store/graph/RowCoding.h"

namespace Tavrin::Graph {
namespace {

// Rows read by one statement when nobody said how many.
constexpr std::size_t defaultBatch = 500;

// Orders two values of one attribute; absent sorts first. Values of different kinds are unordered.
std::optional<int> compareValues(const Value& a, const Value& b, bool caseInsensitive = false) {
    if (isAbsent(a) || isAbsent(b)) return isAbsent(a) == isAbsent(b) ? 0 : (isAbsent(a) ? -1 : 1);
    if (a.index() != b.index()) return std::nullopt;
    return std::visit(
        [&](const auto& x) -> std::optional<int> {
            using T = std::decay_t<decltype(x)>;
            const T& y = std::get<T>(b);
            if constexpr (std::is_same_v<T, std::string>) {
                if (caseInsensitive) {
                    return QString::fromStdString(x).compare(QString::fromStdString(y),
                                                             Qt::CaseInsensitive);
                }
                return x.compare(y) < 0 ? -1 : (x == y ? 0 : 1);
            } else if constexpr (std::is_same_v<T, std::monostate>) {
                return 0;
            } else {
                return x < y ? -1 : (y < x ? 1 : 0);
            }
        },
        a);
}

bool holds(Comparison::Op op, int order) {
    switch (op) {
        case Comparison::Op::equal:
            return order == 0;
        case Comparison::Op::notEqual:
            return order != 0;
        case Comparison::Op::less:
            return order < 0;
        case Comparison::Op::lessOrEqual:
            return order <= 0;
        case Comparison::Op::greater:
            return order > 0;
        case Comparison::Op::greaterOrEqual:
            return order >= 0;
    }
    return false;
}

const char* sqlOperator(Comparison::Op op) {
    switch (op) {
        case Comparison::Op::equal:
            return "=";
        case Comparison::Op::notEqual:
            return "<>";
        case Comparison::Op::less:
            return "<";
        case Comparison::Op::lessOrEqual:
            return "<=";
        case Comparison::Op::greater:
            return ">";
        case Comparison::Op::greaterOrEqual:
            return ">=";
    }
    return "=";
}

// A value's text for the in-memory index of unsaved objects.
std::string indexKey(const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return "s" + *text;
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return "i" + std::to_string(*number);
    return {};
}

}  // namespace

Context::ResolvedPath Context::resolve(int entity, const std::string& keyPath) const {
    ResolvedPath path;
    QStringList parts = QString::fromStdString(keyPath).split('.');
    int current = entity;
    for (int i = 0; i < parts.size(); ++i) {
        const auto& description = schema_->entities[std::size_t(current)];
        const std::string name = parts[i].toStdString();
        const bool last = i + 1 == parts.size();
        if (last) {
            path.entity = current;
            path.attribute = description.attribute(name);
            if (!path.attribute) path.relationship = description.relationship(name);
            assert((path.attribute || path.relationship) && "unknown key path");
            return path;
        }
        const Relationship* relationship = description.relationship(name);
        assert(relationship && !relationship->toMany && "key paths follow to-one relationships");
        path.relationships.push_back({current, relationship});
        current = schema_->entityIndex(relationship->destination);
    }
    path.entity = current;
    return path;
}

namespace {

// The comparisons of a predicate in the order their values are bound.
template <typename Visit>
void forEachComparison(const Predicate& predicate, const Visit& visit) {
    for (const auto& comparison : predicate.all) visit(comparison);
    for (const auto& group : predicate.anyOf) {
        for (const auto& alternative : group) forEachComparison(alternative, visit);
    }
}

std::string shapeOf(const Predicate& predicate) {
    std::string shape;
    for (const auto& c : predicate.all) {
        shape += "|" + c.keyPath + ":" + std::to_string(int(c.op)) +
                 (c.object            ? "o"
                  : isAbsent(c.value) ? "n"
                                      : "v");
    }
    for (const auto& group : predicate.anyOf) {
        shape += "(";
        for (const auto& alternative : group) shape += shapeOf(alternative) + ";";
        shape += ")";
    }
    return shape;
}

}  // namespace

const Context::StorePlan& Context::plan(int entity, const Predicate& predicate,
                                        const std::vector<SortDescriptor>& sort,
                                        std::optional<int> limit) {
    std::string shape = std::to_string(entity) + shapeOf(predicate);
    for (const auto& s : sort) shape += "^" + s.keyPath + (s.ascending ? "+" : "-");
    if (limit) shape += "#" + std::to_string(*limit);
    auto known = plans_.find(shape);
    if (known != plans_.end()) return known->second;

    const auto& root = schema_->entities[std::size_t(entity)];
    std::string joins;
    std::map<std::string, std::string> aliases;  // path prefix -> table alias
    // The alias of the table where a key path's last member lives, joining what it needs.
    auto aliasFor = [&](const ResolvedPath& path) {
        std::string alias = "T0";
        std::string prefix;
        for (const auto& step : path.relationships) {
            prefix += "." + step.relationship->name;
            auto existing = aliases.find(prefix);
            if (existing == aliases.end()) {
                std::string next = "T" + std::to_string(aliases.size() + 1);
                const auto& destination = *schema_->entity(step.relationship->destination);
                joins += " LEFT JOIN " + tableName(destination) + " " + next + " ON " + alias +
                         "." + foreignKeyColumn(*step.relationship) + " = " + next + ".Z_PK";
                existing = aliases.emplace(prefix, next).first;
            }
            alias = existing->second;
        }
        return alias;
    };
    StorePlan plan;
    auto conditionOf = [&](const Comparison& comparison) -> std::string {
        ResolvedPath path = resolve(entity, comparison.keyPath);
        const std::string alias = aliasFor(path);
        const bool notEqual = comparison.op == Comparison::Op::notEqual;
        const bool absent = path.relationship ? !comparison.object : isAbsent(comparison.value);
        const std::string column = alias + "." +
                                   (path.relationship ? foreignKeyColumn(*path.relationship)
                                                      : columnName(*path.attribute));
        if (absent) return column + (notEqual ? " IS NOT NULL" : " IS NULL");
        plan.bindingTypes.push_back(path.relationship ? AttributeType::int64
                                                      : path.attribute->type);
        // An absent value differs from every value, and is neither less nor greater.
        if (notEqual) return "(" + column + " <> ? OR " + column + " IS NULL)";
        return column + " " + sqlOperator(comparison.op) + " ?";
    };
    // Bindings follow forEachComparison's order: the comparisons, then the groups.
    std::function<std::string(const Predicate&)> conditionsOf = [&](const Predicate& p) {
        std::vector<std::string> terms;
        for (const auto& comparison : p.all) terms.push_back(conditionOf(comparison));
        for (const auto& group : p.anyOf) {
            std::string alternatives;
            for (const auto& alternative : group) {
                const std::string term = conditionsOf(alternative);
                alternatives += (alternatives.empty() ? "" : " OR ") + term;
            }
            terms.push_back("(" + (alternatives.empty() ? std::string("0") : alternatives) + ")");
        }
        std::string joined;
        for (const auto& term : terms) joined += (joined.empty() ? "" : " AND ") + term;
        return joined.empty() ? std::string("1") : "(" + joined + ")";
    };
    const std::string where = conditionsOf(predicate);
    std::string order;
    for (const auto& descriptor : sort) {
        ResolvedPath path = resolve(entity, descriptor.keyPath);
        const std::string alias = aliasFor(path);
        const std::string column = path.attribute
                                       ? alias + "." + columnName(*path.attribute)
                                       : alias + "." + foreignKeyColumn(*path.relationship);
        order += column + (descriptor.ascending ? " ASC, " : " DESC, ");
    }
    plan.sql = "SELECT T0.Z_PK FROM " + tableName(root) + " T0" + joins;
    if (where != "1") plan.sql += " WHERE " + where;
    // Ties keep the order of insertion, as in memory.
    if (!sort.empty()) plan.sql += " ORDER BY " + order + "T0.Z_PK ASC";
    if (limit) plan.sql += " LIMIT " + std::to_string(std::max(0, *limit));
    return plans_.emplace(shape, std::move(plan)).first->second;
}

std::vector<ObjectID> Context::fetchFromStore(int entity, const Predicate& predicate,
                                              const std::vector<SortDescriptor>& sort,
                                              std::optional<int> limit) {
    const StorePlan& storePlan = plan(entity, predicate, sort, limit);
    SQLite::Statement& query = statement(storePlan.sql);
    int index = 1;
    std::size_t binding = 0;
    forEachComparison(predicate, [&](const Comparison& comparison) {
        if (comparison.object) {
            query.bind(index++, comparison.object->key);
            ++binding;
        } else if (!isAbsent(comparison.value)) {
            bindValue(query, index++, comparison.value, storePlan.bindingTypes[binding++]);
        }
    });
    std::vector<ObjectID> ids;
    while (query.executeStep()) ids.push_back({entity, query.getColumn(0).getInt64()});
    return ids;
}

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
