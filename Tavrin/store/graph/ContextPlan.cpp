#include <SQLiteCpp/Statement.h>

#include <QString>
#include <QStringList>
#include <cassert>
#include <functional>

#include "Tavrin/store/graph/Comparisons.h"
#include "Tavrin/store/graph/Context.h"
#include "Tavrin/store/graph/RowCoding.h"

namespace Tavrin::Graph {

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
    return readOrReport<std::vector<ObjectID>>(
        [&] {
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
        },
        {});
}

}  // namespace Tavrin::Graph
