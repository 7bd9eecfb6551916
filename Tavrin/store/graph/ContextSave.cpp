#include <SQLiteCpp/Statement.h>

#include "Tavrin/store/graph/Container.h"
#include "Tavrin/store/graph/Context.h"
#include "Tavrin/store/graph/RowCoding.h"

namespace Tavrin::Graph {

bool Context::writesRow(ObjectID object, const std::set<std::string>& properties) const {
    const auto& entity = schema_->entities[std::size_t(object.entity)];
    for (const auto& property : properties) {
        if (entity.attribute(property)) return true;
        const Relationship* relationship = entity.relationship(property);
        if (relationship && ownsForeignKey(*schema_, entity, *relationship)) return true;
    }
    return false;
}

void Context::writeObject(SQLite::Database&, ObjectID object, bool isNew) {
    const auto& entity = schema_->entities[std::size_t(object.entity)];
    const Registered& r = objects_.at(object);
    std::vector<std::string> columns;
    for (const auto& a : entity.attributes) columns.push_back(columnName(a));
    std::vector<int> keyRelationships;
    for (std::size_t i = 0; i < entity.relationships.size(); ++i) {
        if (!ownsForeignKey(*schema_, entity, entity.relationships[i])) continue;
        columns.push_back(foreignKeyColumn(entity.relationships[i]));
        keyRelationships.push_back(int(i));
    }
    std::string sql;
    if (isNew) {
        std::string names = "Z_PK";
        std::string marks = "?";
        for (const auto& c : columns) {
            names += ", " + c;
            marks += ", ?";
        }
        sql = "INSERT INTO " + tableName(entity) + " (" + names + ") VALUES (" + marks + ")";
    } else {
        sql = "UPDATE " + tableName(entity) + " SET ";
        for (std::size_t i = 0; i < columns.size(); ++i)
            sql += (i ? ", " : "") + columns[i] + " = ?";
        sql += " WHERE Z_PK = ?";
    }
    SQLite::Statement& statement = this->statement(sql);
    int index = 1;
    if (isNew) statement.bind(index++, object.key);
    for (std::size_t i = 0; i < entity.attributes.size(); ++i) {
        bindValue(statement, index++, r.values.attributes[i], entity.attributes[i].type);
    }
    for (int rel : keyRelationships) {
        const auto& target = r.values.toOnes[std::size_t(rel)];
        if (target)
            statement.bind(index++, target->key);
        else
            statement.bind(index++);
    }
    if (!isNew) statement.bind(index++, object.key);
    statement.exec();
}

void Context::writeJoinChanges() {
    for (const auto& [row, added] : joinChanges_) {
        SQLite::Statement& join = statement(
            added ? "INSERT OR IGNORE INTO " + row.table + " (Z_SOURCE, Z_TARGET) VALUES (?, ?)"
                  : "DELETE FROM " + row.table + " WHERE Z_SOURCE = ? AND Z_TARGET = ?");
        join.bind(1, row.source);
        join.bind(2, row.target);
        join.exec();
    }
}

void Context::detachDeleted(ObjectID object, ChangeSet& changes) {
    const auto& entity = schema_->entities[std::size_t(object.entity)];
    for (const auto& relationship : entity.relationships) {
        if (!relationship.toMany) continue;
        const int destination = schema_->entityIndex(relationship.destination);
        std::string select;
        std::string detach;
        if (isManyToMany(*schema_, entity, relationship)) {
            const auto join = joinColumns(entity, relationship);
            select = std::string("SELECT ") + join.members + " FROM " + join.table + " WHERE " +
                     join.self + " = ?";
            detach = "DELETE FROM " + join.table + " WHERE " + join.self + " = ?";
        } else {
            const std::string table = tableName(*schema_->entity(relationship.destination));
            const auto* inverse =
                schema_->entity(relationship.destination)->relationship(relationship.inverse);
            const std::string column = foreignKeyColumn(*inverse);
            select = "SELECT Z_PK FROM " + table + " WHERE " + column + " = ?";
            detach = "UPDATE " + table + " SET " + column + " = NULL WHERE " + column + " = ?";
        }
        SQLite::Statement& members = statement(select);
        members.bind(1, object.key);
        while (members.executeStep()) {
            ObjectID member{destination, members.getColumn(0).getInt64()};
            if (changes.deleted.count(member)) continue;
            changes.updated.insert(member);
            changes.changedProperties[member].insert(relationship.inverse);
        }
        SQLite::Statement& update = statement(detach);
        update.bind(1, object.key);
        update.exec();
    }
}

void Context::forgetDeletedTargets(const std::set<ObjectID>& deleted) {
    for (auto& [object, registered] : objects_) {
        for (auto& target : registered.values.toOnes) {
            if (target && deleted.count(*target)) target.reset();
        }
    }
}

Basalt::Result<Basalt::Unit, StoreError> Context::save() {
    if (!hasChanges()) return Basalt::Unit{};
    processPendingChanges();
    releaseSnapshot();
    ChangeSet changes;
    changes.inserted = pendingInserted_;
    changes.deleted = pendingDeleted_;
    for (const auto& [object, properties] : changed_) {
        changes.updated.insert(object);
        changes.changedProperties[object] = properties;
    }
    const std::set<ObjectID> rewritten = changes.updated;
    auto written = connection_->transaction([&](SQLite::Database& db) {
        for (const auto& object : changes.inserted) writeObject(db, object, true);
        for (const auto& object : rewritten) {
            if (writesRow(object, changes.changedProperties[object]))
                writeObject(db, object, false);
        }
        writeJoinChanges();
        for (const auto& object : changes.deleted) {
            detachDeleted(object, changes);
            SQLite::Statement& remove = statement(
                "DELETE FROM " + tableName(schema_->entities[std::size_t(object.entity)]) +
                " WHERE Z_PK = ?");
            remove.bind(1, object.key);
            remove.exec();
        }
        return true;
    });
    if (!written) return written;
    for (const auto& object : changes.deleted) objects_.erase(object);
    if (!changes.deleted.empty()) forgetDeletedTargets(changes.deleted);
    for (const auto& object : changes.inserted) objects_[object].fromStore = true;
    pendingInserted_.clear();
    pendingDeleted_.clear();
    changed_.clear();
    joinChanges_.clear();
    unsavedIndex_.clear();
    unsavedIndexed_.clear();
    if (auto container = container_.lock()) container->didSave(this, changes);
    return written;
}

void Context::merge(const ChangeSet& changes) {
    if (!mergesAutomatically_) return;
    processPendingChanges();
    // The saver's rows must be visible.
    releaseSnapshot();
    ChangeSet seen;
    seen.inserted = changes.inserted;
    for (const auto& object : changes.deleted) {
        objects_.erase(object);
        pendingDeleted_.erase(object);
        changed_.erase(object);
        batches_.erase(object);
        seen.deleted.insert(object);
    }
    if (!changes.deleted.empty()) forgetDeletedTargets(changes.deleted);
    for (const auto& object : changes.updated) {
        const auto& properties = changes.changedProperties.at(object);
        seen.updated.insert(object);
        seen.changedProperties[object] = properties;
        auto it = objects_.find(object);
        if (it == objects_.end()) continue;
        auto fresh = loadFromStore(object);
        if (!fresh) continue;
        // The store wins, property by property: what the saver changed replaces ours, our
        // other unsaved changes stay.
        const auto& entity = schema_->entities[std::size_t(object.entity)];
        auto local = changed_.find(object);
        for (std::size_t i = 0; i < entity.attributes.size(); ++i) {
            if (!properties.count(entity.attributes[i].name)) continue;
            it->second.values.attributes[i] = fresh->attributes[i];
            if (local != changed_.end()) local->second.erase(entity.attributes[i].name);
        }
        for (std::size_t i = 0; i < entity.relationships.size(); ++i) {
            if (!properties.count(entity.relationships[i].name)) continue;
            if (entity.relationships[i].toMany) continue;
            it->second.values.toOnes[i] = fresh->toOnes[i];
            if (local != changed_.end()) local->second.erase(entity.relationships[i].name);
        }
        if (local != changed_.end() && local->second.empty()) changed_.erase(local);
    }
    for (const auto& [object, properties] : seen.changedProperties) {
        for (const auto& property : properties) propertyChanged_.send({object, property});
    }
    didChange_.send(seen);
}

}  // namespace Tavrin::Graph
