#include "Tavrin/store/graph/Schema.h"

#include <set>

namespace Tavrin::Graph {
namespace {

const char* sqlType(AttributeType type) {
    switch (type) {
        case AttributeType::text:
        case AttributeType::address:
        case AttributeType::textList:
            return "TEXT";
        case AttributeType::int16:
        case AttributeType::int64:
        case AttributeType::optionalBool:
            return "INTEGER";
        case AttributeType::date:
            return "REAL";
        case AttributeType::bytes:
            return "BLOB";
    }
    return "BLOB";
}

const Relationship* inverseOf(const Schema& schema, const Relationship& relationship) {
    const Entity* destination = schema.entity(relationship.destination);
    return destination ? destination->relationship(relationship.inverse) : nullptr;
}

}  // namespace

const Attribute* Entity::attribute(const std::string& name) const {
    for (const auto& a : attributes) {
        if (a.name == name) return &a;
    }
    return nullptr;
}

const Relationship* Entity::relationship(const std::string& name) const {
    for (const auto& r : relationships) {
        if (r.name == name) return &r;
    }
    return nullptr;
}

const Entity* Schema::entity(const std::string& name) const {
    int index = entityIndex(name);
    return index < 0 ? nullptr : &entities[std::size_t(index)];
}

int Schema::entityIndex(const std::string& name) const {
    for (std::size_t i = 0; i < entities.size(); ++i) {
        if (entities[i].name == name) return int(i);
    }
    return -1;
}

std::string Schema::check() const {
    std::set<std::string> names;
    for (const auto& entity : entities) {
        if (!names.insert(entity.name).second) return "entity " + entity.name + " declared twice";
        std::set<std::string> members;
        for (const auto& a : entity.attributes) {
            if (!members.insert(a.name).second)
                return entity.name + "." + a.name + " declared twice";
        }
        for (const auto& r : entity.relationships) {
            if (!members.insert(r.name).second)
                return entity.name + "." + r.name + " declared twice";
            const Relationship* inverse = inverseOf(*this, r);
            if (!inverse)
                return entity.name + "." + r.name + " has no inverse " + r.destination + "." +
                       r.inverse;
            if (inverse->destination != entity.name || inverse->inverse != r.name) {
                return entity.name + "." + r.name + " and its inverse do not point at each other";
            }
            if (!r.toMany && !inverse->toMany)
                return entity.name + "." + r.name + " is one-to-one, which is not supported";
        }
    }
    return {};
}

std::string tableName(const Entity& entity) {
    return "Z" + entity.name;
}
std::string columnName(const Attribute& attribute) {
    return "Z_" + attribute.name;
}
std::string foreignKeyColumn(const Relationship& relationship) {
    return "ZR_" + relationship.name;
}

namespace {

bool isJoinSource(const Entity& entity, const Relationship& relationship) {
    return entity.name + "_" + relationship.name <
           relationship.destination + "_" + relationship.inverse;
}

}  // namespace

std::string joinTableName(const Entity& entity, const Relationship& relationship) {
    std::string a = entity.name + "_" + relationship.name;
    std::string b = relationship.destination + "_" + relationship.inverse;
    return "ZJ_" + (isJoinSource(entity, relationship) ? a + "__" + b : b + "__" + a);
}

JoinColumns joinColumns(const Entity& entity, const Relationship& relationship) {
    const bool source = isJoinSource(entity, relationship);
    return {joinTableName(entity, relationship), source, source ? "Z_SOURCE" : "Z_TARGET",
            source ? "Z_TARGET" : "Z_SOURCE"};
}

bool isManyToMany(const Schema& schema, const Entity& entity, const Relationship& relationship) {
    const Relationship* inverse = inverseOf(schema, relationship);
    return relationship.toMany && inverse && inverse->toMany;
}

bool ownsForeignKey(const Schema& schema, const Entity& entity, const Relationship& relationship) {
    // One-to-one is refused by the schema check, so every to-one side holds its key.
    (void)schema;
    (void)entity;
    return !relationship.toMany;
}

std::vector<std::string> creationStatements(const Schema& schema) {
    std::vector<std::string> statements;
    std::set<std::string> joins;
    for (const auto& entity : schema.entities) {
        std::string sql = "CREATE TABLE " + tableName(entity) + " (Z_PK INTEGER PRIMARY KEY";
        for (const auto& a : entity.attributes) sql += ", " + columnName(a) + " " + sqlType(a.type);
        for (const auto& r : entity.relationships) {
            if (ownsForeignKey(schema, entity, r)) sql += ", " + foreignKeyColumn(r) + " INTEGER";
        }
        statements.push_back(sql + ")");
        for (const auto& a : entity.attributes) {
            if (!a.indexed) continue;
            statements.push_back("CREATE INDEX " + tableName(entity) + "_" + a.name + " ON " +
                                 tableName(entity) + " (" + columnName(a) + ")");
        }
        for (const auto& r : entity.relationships) {
            if (ownsForeignKey(schema, entity, r)) {
                statements.push_back("CREATE INDEX " + tableName(entity) + "_" + r.name + " ON " +
                                     tableName(entity) + " (" + foreignKeyColumn(r) + ")");
            }
            if (isManyToMany(schema, entity, r)) {
                std::string join = joinTableName(entity, r);
                if (!joins.insert(join).second) continue;
                statements.push_back("CREATE TABLE " + join +
                                     " (Z_SOURCE INTEGER NOT NULL, Z_TARGET INTEGER NOT NULL, "
                                     "PRIMARY KEY (Z_SOURCE, Z_TARGET))");
                statements.push_back("CREATE INDEX " + join + "_target ON " + join + " (Z_TARGET)");
            }
        }
    }
    return statements;
}

}  // namespace Tavrin::Graph
