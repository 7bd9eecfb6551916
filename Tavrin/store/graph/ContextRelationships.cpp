#include <SQLiteCpp/Statement.h>

#include <cassert>

#include "Tavrin/store/graph/Context.h"

namespace Tavrin::Graph {

Context::JoinRow Context::joinRow(ObjectID object, const Relationship& relationship,
                                  ObjectID member) const {
    const auto join = joinColumns(schema_->entities[std::size_t(object.entity)], relationship);
    if (join.selfIsSource) return {join.table, object.key, member.key};
    return {join.table, member.key, object.key};
}

std::vector<ObjectID> Context::toMany(ObjectID object, const std::string& relationshipName) {
    const auto& entity = schema_->entities[std::size_t(object.entity)];
    const Relationship* relationship = entity.relationship(relationshipName);
    assert(relationship && relationship->toMany && "not a to-many relationship");
    const int destination = schema_->entityIndex(relationship->destination);
    if (!isManyToMany(*schema_, entity, *relationship)) {
        // One-to-many: the members are the objects whose to-one inverse points here.
        return fetch({relationship->destination,
                      equalsObject(relationship->inverse, object),
                      {},
                      std::nullopt,
                      0,
                      {}});
    }
    const auto join = joinColumns(entity, *relationship);
    std::set<ObjectID> members = readOrReport<std::set<ObjectID>>(
        [&] {
            SQLite::Statement& query = statement(std::string("SELECT ") + join.members + " FROM " +
                                                 join.table + " WHERE " + join.self + " = ?");
            query.bind(1, object.key);
            std::set<ObjectID> stored;
            while (query.executeStep()) stored.insert({destination, query.getColumn(0).getInt64()});
            return stored;
        },
        {});
    // This context's unsaved changes of the same rows.
    const bool isSource = join.selfIsSource;
    for (const auto& [row, added] : joinChanges_) {
        if (row.table != join.table) continue;
        if ((isSource ? row.source : row.target) != object.key) continue;
        ObjectID member{destination, isSource ? row.target : row.source};
        if (added)
            members.insert(member);
        else
            members.erase(member);
    }
    std::vector<ObjectID> result;
    for (const auto& member : members) {
        if (!pendingDeleted_.count(member)) result.push_back(member);
    }
    return result;
}

void Context::changeMembership(ObjectID object, const std::string& relationshipName,
                               ObjectID member, bool add) {
    const auto& entity = schema_->entities[std::size_t(object.entity)];
    const Relationship* relationship = entity.relationship(relationshipName);
    assert(relationship && relationship->toMany && "not a to-many relationship");
    if (!isManyToMany(*schema_, entity, *relationship)) {
        if (add)
            setToOne(member, relationship->inverse, object);
        else if (toOne(member, relationship->inverse) == object)
            setToOne(member, relationship->inverse, std::nullopt);
        return;
    }
    joinChanges_[joinRow(object, *relationship, member)] = add;
    // Both sides count as changed, though neither row is written.
    markChanged(object, relationship->name);
    markChanged(member, relationship->inverse);
}

void Context::addToMany(ObjectID object, const std::string& relationship, ObjectID member) {
    changeMembership(object, relationship, member, true);
}

void Context::removeFromMany(ObjectID object, const std::string& relationship, ObjectID member) {
    changeMembership(object, relationship, member, false);
}

}  // namespace Tavrin::Graph
