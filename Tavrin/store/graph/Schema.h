#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Tavrin::Graph {

enum class AttributeType {
    text,
    int16,
    int64,
    date,     // seconds since the Unix epoch, with fraction
    address,  // URL text
    bytes,
    optionalBool,  // absent, true or false
    textList,
};

struct Attribute {
    std::string name;
    AttributeType type;
    bool optional = true;
    // Equality lookups on it are answered through an index, in SQLite and in memory.
    bool indexed = false;
};

struct Relationship {
    std::string name;
    std::string destination;  // entity name
    std::string inverse;      // relationship name on the destination
    bool toMany = false;
};

struct Entity {
    std::string name;
    std::vector<Attribute> attributes;
    std::vector<Relationship> relationships;

    const Attribute* attribute(const std::string& name) const;
    const Relationship* relationship(const std::string& name) const;
};

// A forward migration from version - 1 to version: SQL run in one transaction.
struct Migration {
    int version;
    std::vector<std::string> statements;
};

// Entities with their attributes and relationships. Relationships come in inverse pairs.
struct Schema {
    std::vector<Entity> entities;
    int version = 1;
    std::vector<Migration> migrations;

    const Entity* entity(const std::string& name) const;
    int entityIndex(const std::string& name) const;  // -1 when unknown

    // An empty text when the description holds together; otherwise what is wrong.
    std::string check() const;
};

// How the schema lands in SQLite: one table per entity, a column per attribute and to-one
// relationship (to-one sides hold the key), a join table per many-to-many pair.
std::string tableName(const Entity& entity);
std::string columnName(const Attribute& attribute);
std::string foreignKeyColumn(const Relationship& relationship);
// The join table of a many-to-many pair, named after both sides in a fixed order.
std::string joinTableName(const Entity& entity, const Relationship& relationship);
// A many-to-many relationship as its join table stores it: the columns holding this side's key
// and the members' keys (the side whose name sorts first is Z_SOURCE).
struct JoinColumns {
    std::string table;
    bool selfIsSource;
    const char* self;
    const char* members;
};
JoinColumns joinColumns(const Entity& entity, const Relationship& relationship);
bool isManyToMany(const Schema& schema, const Entity& entity, const Relationship& relationship);
bool ownsForeignKey(const Schema& schema, const Entity& entity, const Relationship& relationship);

// CREATE TABLE / CREATE INDEX statements for a new store.
std::vector<std::string> creationStatements(const Schema& schema);

}  // namespace Tavrin::Graph
