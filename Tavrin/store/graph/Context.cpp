#include "Tavrin/store/graph/Context.h"

#include <SQLiteCpp/Statement.h>

#include <QSemaphore>
#include <algorithm>
#include <cassert>
#include <utility>

#include "Tavrin/store/graph/Container.h"
#include "Tavrin/store/graph/RowCoding.h"

namespace Tavrin::Graph {

Context::Context(std::weak_ptr<Container> container, std::shared_ptr<const Schema> schema,
                 std::unique_ptr<StoreConnection> connection, Basalt::SchedulerPtr scheduler,
                 bool mergesAutomatically)
    : container_(std::move(container)),
      schema_(std::move(schema)),
      connection_(std::move(connection)),
      scheduler_(std::move(scheduler)),
      mergesAutomatically_(mergesAutomatically) {}

void Context::perform(std::function<void()> work) {
    scheduler_->schedule(std::move(work));
}

void Context::performAndWait(const std::function<void()>& work) {
    if (scheduler_->isCurrent()) {
        work();
        return;
    }
    if (auto* queue = dynamic_cast<Basalt::SerialQueue*>(scheduler_.get())) {
        queue->scheduleAndWait(work);
        return;
    }
    // The main thread cannot be waited on from itself; from another thread it can.
    QSemaphore done;
    scheduler_->schedule([&] {
        work();
        done.release();
    });
    done.acquire();
}

int Context::attributeIndex(const ObjectID& object, std::string_view name) const {
    const auto& attributes = schema_->entities[std::size_t(object.entity)].attributes;
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        if (attributes[i].name == name) return int(i);
    }
    assert(false && "unknown attribute");
    return -1;
}

int Context::relationshipIndex(const ObjectID& object, std::string_view name) const {
    const auto& relationships = schema_->entities[std::size_t(object.entity)].relationships;
    for (std::size_t i = 0; i < relationships.size(); ++i) {
        if (relationships[i].name == name) return int(i);
    }
    assert(false && "unknown relationship");
    return -1;
}

ObjectID Context::insert(const std::string& entityName) {
    const int entity = schema_->entityIndex(entityName);
    assert(entity >= 0 && "unknown entity");
    auto container = container_.lock();
    ObjectID id{entity, container->nextKey(entity)};
    const auto& description = schema_->entities[std::size_t(entity)];
    Registered registered;
    registered.values.attributes.resize(description.attributes.size());
    registered.values.toOnes.resize(description.relationships.size());
    objects_[id] = std::move(registered);
    pendingInserted_.insert(id);
    noteInserted(id);
    return id;
}

void Context::remove(ObjectID object) {
    noteDeleted(object);
    if (pendingInserted_.erase(object)) {
        objects_.erase(object);
        changed_.erase(object);
        return;
    }
    pendingDeleted_.insert(object);
    changed_.erase(object);
}

bool Context::exists(ObjectID object) {
    if (pendingDeleted_.count(object)) return false;
    return registered(object) != nullptr;
}

std::string Context::rowColumns(int entityIndex, const std::string& alias) const {
    const auto& entity = schema_->entities[std::size_t(entityIndex)];
    std::string columns = alias + ".Z_PK";
    for (const auto& a : entity.attributes) columns += ", " + alias + "." + columnName(a);
    for (const auto& r : entity.relationships) {
        if (ownsForeignKey(*schema_, entity, r))
            columns += ", " + alias + "." + foreignKeyColumn(r);
    }
    return columns;
}

Context::Snapshot Context::readRow(SQLite::Statement& query, int column, int entityIndex) const {
    const auto& entity = schema_->entities[std::size_t(entityIndex)];
    Snapshot snapshot;
    snapshot.attributes.reserve(entity.attributes.size());
    snapshot.toOnes.resize(entity.relationships.size());
    for (const auto& a : entity.attributes)
        snapshot.attributes.push_back(readValue(query.getColumn(column++), a.type));
    for (std::size_t r = 0; r < entity.relationships.size(); ++r) {
        const auto& relationship = entity.relationships[r];
        if (!ownsForeignKey(*schema_, entity, relationship)) continue;
        auto value = query.getColumn(column++);
        if (value.isNull()) continue;
        snapshot.toOnes[r] =
            ObjectID{schema_->entityIndex(relationship.destination), value.getInt64()};
    }
    return snapshot;
}

std::optional<Context::Snapshot> Context::loadFromStore(ObjectID object) {
    using Found = std::optional<Snapshot>;
    return readOrReport<Found>(
        [&]() -> Found {
            const auto& entity = schema_->entities[std::size_t(object.entity)];
            SQLite::Statement& query =
                statement("SELECT " + rowColumns(object.entity, "T0") + " FROM " +
                          tableName(entity) + " T0 WHERE T0.Z_PK = ?");
            query.bind(1, object.key);
            if (!query.executeStep()) return std::nullopt;
            Snapshot snapshot = readRow(query, 1, object.entity);
            query.tryReset();
            return snapshot;
        },
        std::nullopt);
}

void Context::reportReadFailure(const std::string& what) {
    if (auto container = container_.lock())
        container->readFailed(StoreError{"reading the store failed: " + what});
}

void Context::loadRows(const std::vector<ObjectID>& objects, std::size_t batchSize) {
    batchSize = std::max<std::size_t>(1, batchSize);
    std::map<int, std::vector<std::int64_t>> missing;
    for (const auto& object : objects) {
        if (!objects_.count(object)) missing[object.entity].push_back(object.key);
    }
    for (const auto& [entity, keys] : missing) {
        // Every batch binds the same number of keys, padded with 0 (never a key), so that one
        // prepared statement serves them all.
        std::string sql = "SELECT " + rowColumns(entity, "T0") + " FROM " +
                          tableName(schema_->entities[std::size_t(entity)]) +
                          " T0 WHERE T0.Z_PK IN (?";
        for (std::size_t i = 1; i < batchSize; ++i) sql += ",?";
        sql += ")";
        const bool loaded = readOrReport(
            [&] {
                for (std::size_t from = 0; from < keys.size(); from += batchSize) {
                    SQLite::Statement& query = statement(sql);
                    for (std::size_t i = 0; i < batchSize; ++i) {
                        const std::size_t at = from + i;
                        query.bind(int(i + 1), at < keys.size() ? keys[at] : std::int64_t(0));
                    }
                    while (query.executeStep()) {
                        ObjectID id{entity, query.getColumn(0).getInt64()};
                        objects_.emplace(id, Registered{readRow(query, 1, entity), true});
                        batches_.erase(id);
                    }
                }
                return true;
            },
            false);
        if (!loaded) return;
    }
}

Context::Registered* Context::registered(ObjectID object) {
    auto it = objects_.find(object);
    if (it != objects_.end()) return &it->second;
    if (batches_.count(object)) {
        loadBatch(object);
        it = objects_.find(object);
        if (it != objects_.end()) return &it->second;
    }
    auto snapshot = loadFromStore(object);
    if (!snapshot) return nullptr;
    auto [inserted, _] = objects_.emplace(object, Registered{std::move(*snapshot), true});
    return &inserted->second;
}

Value Context::value(ObjectID object, std::string_view attribute) {
    Registered* r = registered(object);
    if (!r) return std::monostate{};
    return r->values.attributes[std::size_t(attributeIndex(object, attribute))];
}

void Context::setValue(ObjectID object, std::string_view attribute, Value value) {
    Registered* r = registered(object);
    if (!r) return;
    const int index = attributeIndex(object, attribute);
    // Writing the value it already has is no change: nothing to save or report.
    if (r->values.attributes[std::size_t(index)] == value) return;
    if (schema_->entities[std::size_t(object.entity)].attributes[std::size_t(index)].indexed) {
        indexUnsaved(object, std::string(attribute), value);
    }
    r->values.attributes[std::size_t(index)] = std::move(value);
    markChanged(object, attribute);
}

std::optional<ObjectID> Context::toOne(ObjectID object, std::string_view relationship) {
    Registered* r = registered(object);
    if (!r) return std::nullopt;
    return r->values.toOnes[std::size_t(relationshipIndex(object, relationship))];
}

void Context::setToOne(ObjectID object, std::string_view relationship,
                       std::optional<ObjectID> target) {
    Registered* r = registered(object);
    if (!r) return;
    const int index = relationshipIndex(object, relationship);
    auto& slot = r->values.toOnes[std::size_t(index)];
    const auto previous = slot;
    if (previous == target) return;
    slot = target;
    markChanged(object, relationship);
    // The other side's to-many membership changed as well.
    const std::string& inverse =
        schema_->entities[std::size_t(object.entity)].relationships[std::size_t(index)].inverse;
    if (previous) noteUpdated(*previous, inverse);
    if (target) noteUpdated(*target, inverse);
}

void Context::markChanged(ObjectID object, std::string_view property) {
    if (!pendingInserted_.count(object)) changed_[object].emplace(property);
    noteUpdated(object, property);
    if (propertyChanged_.subscriberCount() > 0)
        propertyChanged_.send({object, std::string(property)});
}

void Context::noteInserted(ObjectID object) {
    unprocessed_.inserted.insert(object);
    scheduleEndOfTurn();
}

void Context::noteUpdated(ObjectID object, std::string_view property) {
    if (unprocessed_.inserted.count(object) || unprocessed_.deleted.count(object)) return;
    unprocessed_.updated.insert(object);
    unprocessed_.changedProperties[object].emplace(property);
    scheduleEndOfTurn();
}

void Context::noteDeleted(ObjectID object) {
    unprocessed_.updated.erase(object);
    unprocessed_.changedProperties.erase(object);
    // Inserted and deleted within one report: nobody has heard of it.
    if (!unprocessed_.inserted.erase(object)) unprocessed_.deleted.insert(object);
    scheduleEndOfTurn();
}

void Context::processPendingChanges() {
    while (!unprocessed_.empty()) {
        ChangeSet changes = std::exchange(unprocessed_, {});
        didChange_.send(changes);
    }
}

void Context::scheduleEndOfTurn() {
    if (endOfTurnScheduled_) return;
    endOfTurnScheduled_ = true;
    std::weak_ptr<Context> weak = weak_from_this();
    scheduler_->schedule([weak] {
        if (auto self = weak.lock()) self->endTurn();
    });
}

void Context::endTurn() {
    endOfTurnScheduled_ = false;
    processPendingChanges();
    releaseSnapshot();
}

void Context::releaseSnapshot() {
    if (!connection_->isReading()) return;
    for (auto& [_, cached] : statements_) cached->tryReset();
    connection_->endRead();
}

SQLite::Statement& Context::statement(const std::string& sql) {
    if (!connection_->isReading()) {
        connection_->beginRead();
        if (connection_->isReading()) scheduleEndOfTurn();
    }
    auto& cached = statements_[sql];
    if (!cached) cached = std::make_unique<SQLite::Statement>(connection_->database(), sql);
    // tryReset: reset() would throw the error of the statement's last, failed run again.
    cached->tryReset();
    cached->clearBindings();
    return *cached;
}

}  // namespace Tavrin::Graph
