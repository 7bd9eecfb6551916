#include "Tavrin/store/graph/Context.h"

#include <SQLiteCpp/Statement.h>

#include <QSemaphore>
#include <QStringList>
#include <cassert>

#include "Basalt/json/Coding.h"
#include "Tavrin/store/graph/Container.h"

namespace Tavrin::Graph {
namespace {

// Lists of texts are stored as JSON arrays.
std::string joinList(const std::vector<std::string>& items) {
    return Basalt::encode(items);
}

std::vector<std::string> splitList(const std::string& stored) {
    auto items = Basalt::decode<std::vector<std::string>>(stored);
    return items ? std::move(items).value() : std::vector<std::string>{};
}

void bindValue(SQLite::Statement& statement, int index, const Value& value, AttributeType type) {
    if (isAbsent(value)) {
        statement.bind(index);
        return;
    }
    switch (type) {
        case AttributeType::text:
        case AttributeType::address:
            statement.bind(index, std::get<std::string>(value));
            return;
        case AttributeType::int16:
        case AttributeType::int64:
            statement.bind(index, std::get<std::int64_t>(value));
            return;
        case AttributeType::date:
            statement.bind(index, std::get<double>(value));
            return;
        case AttributeType::bytes: {
            const auto& bytes = std::get<QByteArray>(value);
            statement.bind(index, bytes.constData(), int(bytes.size()));
            return;
        }
        case AttributeType::optionalBool:
            statement.bind(index, std::get<bool>(value) ? 1 : 0);
            return;
        case AttributeType::textList:
            statement.bind(index, joinList(std::get<std::vector<std::string>>(value)));
            return;
    }
}

Value readValue(SQLite::Column column, AttributeType type) {
    if (column.isNull()) return std::monostate{};
    switch (type) {
        case AttributeType::text:
        case AttributeType::address:
            return column.getString();
        case AttributeType::int16:
        case AttributeType::int64:
            return std::int64_t(column.getInt64());
        case AttributeType::date:
            return column.getDouble();
        case AttributeType::bytes:
            return QByteArray(static_cast<const char*>(column.getBlob()), column.getBytes());
        case AttributeType::optionalBool:
            return column.getInt() != 0;
        case AttributeType::textList:
            return splitList(column.getString());
    }
    return std::monostate{};
}

}  // namespace

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
    return id;
}

void Context::remove(ObjectID object) {
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

std::optional<Context::Snapshot> Context::loadFromStore(ObjectID object) {
    const auto& entity = schema_->entities[std::size_t(object.entity)];
    std::string columns = "Z_PK";
    for (const auto& a : entity.attributes) columns += ", " + columnName(a);
    std::vector<int> keyColumns;
    for (std::size_t i = 0; i < entity.relationships.size(); ++i) {
        if (ownsForeignKey(*schema_, entity, entity.relationships[i])) {
            columns += ", " + foreignKeyColumn(entity.relationships[i]);
            keyColumns.push_back(int(i));
        }
    }
    SQLite::Statement& query =
        statement("SELECT " + columns + " FROM " + tableName(entity) + " WHERE Z_PK = ?");
    query.bind(1, object.key);
    if (!query.executeStep()) return std::nullopt;
    Snapshot snapshot;
    snapshot.toOnes.resize(entity.relationships.size());
    int column = 1;
    for (const auto& a : entity.attributes)
        snapshot.attributes.push_back(readValue(query.getColumn(column++), a.type));
    for (int r : keyColumns) {
        auto value = query.getColumn(column++);
        if (value.isNull()) continue;
        const int destination =
            schema_->entityIndex(entity.relationships[std::size_t(r)].destination);
        snapshot.toOnes[std::size_t(r)] = ObjectID{destination, value.getInt64()};
    }
    return snapshot;
}

Context::Registered* Context::registered(ObjectID object) {
    auto it = objects_.find(object);
    if (it != objects_.end()) return &it->second;
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
    if (schema_->entities[std::size_t(object.entity)].attributes[std::size_t(index)].indexed) {
        indexUnsaved(object, std::string(attribute), value);
    }
    r->values.attributes[std::size_t(index)] = std::move(value);
    if (!pendingInserted_.count(object)) changed_[object].emplace(attribute);
    if (propertyChanged_.subscriberCount() > 0)
        propertyChanged_.send({object, std::string(attribute)});
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
    r->values.toOnes[std::size_t(relationshipIndex(object, relationship))] = target;
    if (!pendingInserted_.count(object)) changed_[object].emplace(relationship);
    if (propertyChanged_.subscriberCount() > 0)
        propertyChanged_.send({object, std::string(relationship)});
}

void Context::writeObject(SQLite::Database& db, ObjectID object, bool isNew) {
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
    (void)db;  // the context's own connection, whose statements are cached
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

Basalt::Result<Basalt::Unit, StoreError> Context::save() {
    if (!hasChanges()) return Basalt::Unit{};
    ChangeSet changes;
    changes.inserted = pendingInserted_;
    changes.deleted = pendingDeleted_;
    for (const auto& [object, properties] : changed_) {
        changes.updated.insert(object);
        changes.changedProperties[object] = properties;
    }
    auto written = connection_->transaction([&](SQLite::Database& db) {
        for (const auto& object : changes.inserted) writeObject(db, object, true);
        for (const auto& object : changes.updated) writeObject(db, object, false);
        for (const auto& [row, added] : joinChanges_) {
            SQLite::Statement& join = statement(
                added ? "INSERT OR IGNORE INTO " + row.table + " (Z_SOURCE, Z_TARGET) VALUES (?, ?)"
                      : "DELETE FROM " + row.table + " WHERE Z_SOURCE = ? AND Z_TARGET = ?");
            join.bind(1, row.source);
            join.bind(2, row.target);
            join.exec();
        }
        for (const auto& object : changes.deleted) {
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
    for (const auto& object : changes.inserted) objects_[object].fromStore = true;
    pendingInserted_.clear();
    pendingDeleted_.clear();
    changed_.clear();
    joinChanges_.clear();
    unsavedIndex_.clear();
    unsavedIndexed_.clear();
    didChange_.send(changes);
    if (auto container = container_.lock()) container->didSave(this, changes);
    return written;
}

void Context::merge(const ChangeSet& changes) {
    if (!mergesAutomatically_) return;
    ChangeSet seen;
    seen.inserted = changes.inserted;
    for (const auto& object : changes.deleted) {
        objects_.erase(object);
        pendingDeleted_.erase(object);
        changed_.erase(object);
        seen.deleted.insert(object);
    }
    for (const auto& object : changes.updated) {
        auto it = objects_.find(object);
        if (it == objects_.end()) continue;
        auto fresh = loadFromStore(object);
        if (!fresh) continue;
        // The store wins, property by property: what the saver changed replaces ours, our
        // other unsaved changes stay.
        const auto& entity = schema_->entities[std::size_t(object.entity)];
        const auto& properties = changes.changedProperties.at(object);
        for (std::size_t i = 0; i < entity.attributes.size(); ++i) {
            if (!properties.count(entity.attributes[i].name)) continue;
            it->second.values.attributes[i] = fresh->attributes[i];
            if (auto local = changed_.find(object); local != changed_.end())
                local->second.erase(entity.attributes[i].name);
        }
        for (std::size_t i = 0; i < entity.relationships.size(); ++i) {
            if (!properties.count(entity.relationships[i].name)) continue;
            it->second.values.toOnes[i] = fresh->toOnes[i];
            if (auto local = changed_.find(object); local != changed_.end())
                local->second.erase(entity.relationships[i].name);
        }
        if (auto local = changed_.find(object); local != changed_.end() && local->second.empty())
            changed_.erase(local);
        seen.updated.insert(object);
        seen.changedProperties[object] = properties;
    }
    for (const auto& [object, properties] : seen.changedProperties) {
        for (const auto& property : properties) propertyChanged_.send({object, property});
    }
    didChange_.send(seen);
}

}  // namespace Tavrin::Graph

namespace Tavrin::Graph {
namespace {

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

const Context::StorePlan& Context::plan(int entity, const Predicate& predicate) {
    std::string shape = std::to_string(entity);
    for (const auto& c : predicate.all) {
        shape += "|" + c.keyPath + ":" + std::to_string(int(c.op)) +
                 (c.object            ? "o"
                  : isAbsent(c.value) ? "n"
                                      : "v");
    }
    auto known = plans_.find(shape);
    if (known != plans_.end()) return known->second;

    const auto& root = schema_->entities[std::size_t(entity)];
    std::string joins;
    std::map<std::string, std::string> aliases;  // path prefix -> table alias
    std::vector<std::string> conditions;
    StorePlan plan;
    for (const auto& comparison : predicate.all) {
        ResolvedPath path = resolve(entity, comparison.keyPath);
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
        if (path.relationship) {
            const std::string column = alias + "." + foreignKeyColumn(*path.relationship);
            if (!comparison.object) {
                conditions.push_back(column + " IS NULL");
                continue;
            }
            conditions.push_back(column + " " + sqlOperator(comparison.op) + " ?");
            plan.bindingTypes.push_back(AttributeType::int64);
            continue;
        }
        const std::string column = alias + "." + columnName(*path.attribute);
        if (isAbsent(comparison.value)) {
            conditions.push_back(
                column + (comparison.op == Comparison::Op::notEqual ? " IS NOT NULL" : " IS NULL"));
            continue;
        }
        conditions.push_back(column + " " + sqlOperator(comparison.op) + " ?");
        plan.bindingTypes.push_back(path.attribute->type);
    }
    plan.sql = "SELECT T0.Z_PK FROM " + tableName(root) + " T0" + joins;
    for (std::size_t i = 0; i < conditions.size(); ++i)
        plan.sql += (i ? " AND " : " WHERE ") + conditions[i];
    return plans_.emplace(shape, std::move(plan)).first->second;
}

std::vector<ObjectID> Context::fetchFromStore(int entity, const Predicate& predicate) {
    const StorePlan& storePlan = plan(entity, predicate);
    SQLite::Statement& query = statement(storePlan.sql);
    int index = 1;
    std::size_t binding = 0;
    for (const auto& comparison : predicate.all) {
        if (comparison.object) {
            query.bind(index++, comparison.object->key);
            ++binding;
        } else if (!isAbsent(comparison.value)) {
            bindValue(query, index++, comparison.value, storePlan.bindingTypes[binding++]);
        }
    }
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
    for (const auto& comparison : predicate.all) {
        ResolvedPath path = resolve(object.entity, comparison.keyPath);
        if (path.relationship) {
            auto owner = objectAt(object, comparison.keyPath);
            std::optional<ObjectID> target =
                owner ? toOne(*owner, path.relationship->name) : std::nullopt;
            const bool equal = target == comparison.object;
            if (comparison.op == Comparison::Op::equal ? !equal : equal) return false;
            continue;
        }
        auto order = compareValues(valueAt(object, comparison.keyPath), comparison.value);
        if (!order || !holds(comparison.op, *order)) return false;
    }
    return true;
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

SQLite::Statement& Context::statement(const std::string& sql) {
    auto& cached = statements_[sql];
    if (!cached) cached = std::make_unique<SQLite::Statement>(connection_->database(), sql);
    // tryReset: reset() would throw the error of the statement's last, failed run again.
    cached->tryReset();
    cached->clearBindings();
    return *cached;
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

std::vector<ObjectID> Context::fetch(const FetchRequest& request) {
    const int entity = schema_->entityIndex(request.entity);
    assert(entity >= 0 && "unknown entity");
    std::vector<ObjectID> results;
    std::set<ObjectID> seen;
    const bool unsaved = hasChanges();
    for (const auto& object : fetchFromStore(entity, request.predicate)) {
        // The store's answer holds unless this context changed or deleted the object.
        if (unsaved && (pendingDeleted_.count(object) || changed_.count(object))) {
            if (!matches(object, request.predicate)) continue;
        }
        if (seen.insert(object).second) results.push_back(object);
    }
    if (unsaved) {
        for (const auto& object : unsavedCandidates(entity, request.predicate)) {
            if (seen.count(object) || !matches(object, request.predicate)) continue;
            seen.insert(object);
            results.push_back(object);
        }
    }
    if (!request.sort.empty()) {
        std::vector<std::pair<std::vector<Value>, ObjectID>> keyed;
        keyed.reserve(results.size());
        for (const auto& object : results) {
            std::vector<Value> keys;
            for (const auto& sort : request.sort) keys.push_back(valueAt(object, sort.keyPath));
            keyed.emplace_back(std::move(keys), object);
        }
        std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
            for (std::size_t i = 0; i < request.sort.size(); ++i) {
                auto order = compareValues(a.first[i], b.first[i], request.sort[i].caseInsensitive)
                                 .value_or(0);
                if (order != 0) return request.sort[i].ascending ? order < 0 : order > 0;
            }
            return a.second.key < b.second.key;
        });
        results.clear();
        for (auto& [_, object] : keyed) results.push_back(object);
    }
    if (request.limit && int(results.size()) > *request.limit)
        results.resize(std::size_t(*request.limit));
    return results;
}

std::size_t Context::count(const FetchRequest& request) {
    FetchRequest unsorted = request;
    unsorted.sort.clear();
    return fetch(unsorted).size();
}

}  // namespace Tavrin::Graph

namespace Tavrin::Graph {

Basalt::Stream<Value> Context::observe(ObjectID object, const std::string& attribute) {
    std::weak_ptr<Context> weak = weak_from_this();
    auto changes = propertyChanged_.stream();
    return Basalt::Stream<Value>([weak, changes, object,
                                  attribute](Basalt::StreamEmitter<Value> out) {
        auto self = weak.lock();
        if (!self) return;
        out.send(self->value(object, attribute));
        out.hold(changes.subscribe([weak, out, object, attribute](const PropertyChange& change) {
            if (change.object != object || change.property != attribute) return;
            if (auto context = weak.lock()) out.send(context->value(object, attribute));
        }));
    });
}

Basalt::Stream<std::optional<ObjectID>> Context::observeRelationship(
    ObjectID object, const std::string& relationship) {
    std::weak_ptr<Context> weak = weak_from_this();
    auto changes = propertyChanged_.stream();
    using Target = std::optional<ObjectID>;
    return Basalt::Stream<Target>([weak, changes, object,
                                   relationship](Basalt::StreamEmitter<Target> out) {
        auto self = weak.lock();
        if (!self) return;
        out.send(self->toOne(object, relationship));
        out.hold(changes.subscribe([weak, out, object, relationship](const PropertyChange& change) {
            if (change.object != object || change.property != relationship) return;
            if (auto context = weak.lock()) out.send(context->toOne(object, relationship));
        }));
    });
}

}  // namespace Tavrin::Graph

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
    SQLite::Statement& query =
        statement(std::string("SELECT ") + (isSource ? "Z_TARGET" : "Z_SOURCE") + " FROM " + table +
                  " WHERE " + (isSource ? "Z_SOURCE" : "Z_TARGET") + " = ?");
    query.bind(1, object.key);
    std::set<ObjectID> members;
    while (query.executeStep()) members.insert({destination, query.getColumn(0).getInt64()});
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

void Context::addToMany(ObjectID object, const std::string& relationshipName, ObjectID member) {
    const auto& entity = schema_->entities[std::size_t(object.entity)];
    const Relationship* relationship = entity.relationship(relationshipName);
    assert(relationship && relationship->toMany && "not a to-many relationship");
    if (!isManyToMany(*schema_, entity, *relationship)) {
        setToOne(member, relationship->inverse, object);
        return;
    }
    joinChanges_[joinRow(object, *relationship, member)] = true;
}

void Context::removeFromMany(ObjectID object, const std::string& relationshipName,
                             ObjectID member) {
    const auto& entity = schema_->entities[std::size_t(object.entity)];
    const Relationship* relationship = entity.relationship(relationshipName);
    assert(relationship && relationship->toMany && "not a to-many relationship");
    if (!isManyToMany(*schema_, entity, *relationship)) {
        if (toOne(member, relationship->inverse) == object)
            setToOne(member, relationship->inverse, std::nullopt);
        return;
    }
    joinChanges_[joinRow(object, *relationship, member)] = false;
}

}  // namespace Tavrin::Graph
