#include <SQLiteCpp/Statement.h>

#include <cassert>

#include "Tavrin/store/graph/Context.h"

namespace Tavrin::Graph {

Context::JoinRow Context::joinRow(ObjectID object, const Relationship& relationship,
                                  ObjectID member) const {
    const auto& entity = schema_->entities[std::size_t(object.entity)];
    const std::string self = entity.name + "_" + relationship.name;
    const std::string other = relationship.destination + "_" + relationship.inverse;
    // The side whose name sorts first is the source.
    if (self < other) return {joinTableName(entity, relationship), object.key, member.key};
    return {joinTableName(entity, relationship), member.key, object.key};
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
    const std::string self = entity.name + "_" + relationship->name;
    const std::string other = relationship->destination + "_" + relationship->inverse;
    const bool isSource = self < other;
    const std::string table = joinTableName(entity, *relationship);
    std::set<ObjectID> members = readOrReport<std::set<ObjectID>>(
        [&] {
            SQLite::Statement& query =
                statement(std::string("SELECT ") + (isSource ? "Z_TARGET" : "Z_SOURCE") + " FROM " +
                          table + " WHERE " + (isSource ? "Z_SOURCE" : "Z_TARGET") + " = ?");
            query.bind(1, object.key);
            std::set<ObjectID> stored;
            while (query.executeStep()) stored.insert({destination, query.getColumn(0).getInt64()});
            return stored;
        },
        {});
    for (const auto& [row, added] : joinChanges_) {
        if (row.table != table) continue;
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
