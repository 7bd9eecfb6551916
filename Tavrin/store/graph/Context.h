#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "Basalt/Result.h"
#include "Basalt/stream/Scheduler.h"
#include "Basalt/stream/Stream.h"
#include "Tavrin/store/graph/FetchRequest.h"
#include "Tavrin/store/graph/StoreConnection.h"
#include "Tavrin/store/graph/Value.h"

namespace Tavrin::Graph {

class Container;

// What a save or a merge changed, as object identifiers.
struct ChangeSet {
    std::set<ObjectID> inserted;
    std::set<ObjectID> updated;
    std::set<ObjectID> deleted;
    // Per updated object, the properties (attributes and to-one relationships) that changed.
    std::map<ObjectID, std::set<std::string>> changedProperties;

    bool empty() const { return inserted.empty() && updated.empty() && deleted.empty(); }
};

// A working copy of the graph, bound to one thread: its registered objects with their unsaved
// changes, over a connection of its own. Use it only on its scheduler (perform / performAndWait),
// which must run work queued, in order: the end of each turn is a queued task. Within one turn
// the context reads one snapshot of the store; another context's save is seen from the next
// turn that starts after it.
class Context : public std::enable_shared_from_this<Context> {
public:
    // The container must outlive its contexts; they hold it weakly, so the view context it
    // keeps does not keep it alive.
    Context(std::weak_ptr<Container> container, std::shared_ptr<const Schema> schema,
            std::unique_ptr<StoreConnection> connection, Basalt::SchedulerPtr scheduler,
            bool mergesAutomatically);

    // Runs work on the context's thread: later, or now and waiting (inline when already there).
    void perform(std::function<void()> work);
    void performAndWait(const std::function<void()>& work);
    bool isCurrent() const { return scheduler_->isCurrent(); }

    ObjectID insert(const std::string& entity);
    void remove(ObjectID object);
    // False for a deleted object or one the store does not have.
    bool exists(ObjectID object);

    Value value(ObjectID object, std::string_view attribute);
    void setValue(ObjectID object, std::string_view attribute, Value value);
    std::optional<ObjectID> toOne(ObjectID object, std::string_view relationship);
    void setToOne(ObjectID object, std::string_view relationship, std::optional<ObjectID> target);

    // The objects matching the request, as this context sees them: the store with this
    // context's unsaved inserts, changes and deletes applied.
    std::vector<ObjectID> fetch(const FetchRequest& request);
    std::size_t count(const FetchRequest& request);

    // Members of a to-many relationship; adding and removing keeps the inverse side in step.
    std::vector<ObjectID> toMany(ObjectID object, const std::string& relationship);
    void addToMany(ObjectID object, const std::string& relationship, ObjectID member);
    void removeFromMany(ObjectID object, const std::string& relationship, ObjectID member);

    bool hasChanges() const {
        return !pendingInserted_.empty() || !pendingDeleted_.empty() || !changed_.empty() ||
               !joinChanges_.empty();
    }
    // One transaction; on failure the changes stay pending. Deleting a record empties the
    // relationships that pointed at it.
    Basalt::Result<Basalt::Unit, StoreError> save();

    // Inserted, updated and deleted objects: this context's own changes once per turn of its
    // thread (and before a save), and each merge of another context's save. Delivered on this
    // context's thread.
    Basalt::Stream<ChangeSet> objectsDidChange() const { return didChange_.stream(); }
    // Reports the local changes made since the last report now instead of at the turn's end.
    void processPendingChanges();

    // The current value of an attribute, then each change of it, by a local write or a merge.
    Basalt::Stream<Value> observe(ObjectID object, const std::string& attribute);
    // The same for a to-one relationship.
    Basalt::Stream<std::optional<ObjectID>> observeRelationship(ObjectID object,
                                                                const std::string& relationship);
    // The members of a to-many relationship, then the members after each change of them.
    Basalt::Stream<std::vector<ObjectID>> observeMembers(ObjectID object,
                                                         const std::string& relationship);

    const Schema& schema() const { return *schema_; }

    // Called by the container after another context saved.
    void merge(const ChangeSet& changes);

private:
    struct Snapshot {
        std::vector<Value> attributes;
        std::vector<std::optional<ObjectID>> toOnes;  // per relationship; unused for to-many
    };
    struct Registered {
        Snapshot values;
        bool fromStore = false;
    };

    Registered* registered(ObjectID object);
    // Runs a read of the store. A failed one is reported to the container and answers
    // fallback: a damaged file or an I/O error must not take the program down.
    template <typename T, typename Read>
    T readOrReport(const Read& read, T fallback) {
        try {
            return read();
        } catch (const std::exception& error) {
            reportReadFailure(error.what());
            return fallback;
        }
    }
    void reportReadFailure(const std::string& what);
    std::optional<Snapshot> loadFromStore(ObjectID object);
    // The columns of an entity's row in the order readRow reads them.
    std::string rowColumns(int entity, const std::string& alias) const;
    Snapshot readRow(SQLite::Statement& query, int firstColumn, int entity) const;
    // Loads the rows of objects this context has not registered, a query per batch.
    void loadRows(const std::vector<ObjectID>& objects, std::size_t batchSize);

    // Records a local change for the observers and for the next objects-did-change.
    void markChanged(ObjectID object, std::string_view property);
    // A property's value as read, then again after each change of that property.
    template <typename T, typename Read>
    Basalt::Stream<T> observeProperty(ObjectID object, const std::string& property, Read read);
    void noteInserted(ObjectID object);
    void noteUpdated(ObjectID object, std::string_view property);
    void noteDeleted(ObjectID object);
    // A context reads one snapshot of the store per turn of its thread, taken by its first
    // query; at the turn's end the local changes are reported and the snapshot let go.
    void scheduleEndOfTurn();
    void endTurn();
    void releaseSnapshot();
    bool endOfTurnScheduled_ = false;
    ChangeSet unprocessed_;

    // Saving, step by step.
    bool writesRow(ObjectID object, const std::set<std::string>& properties) const;
    void writeJoinChanges();
    // Empties what pointed at a deleted record; the objects whose relationships changed so.
    void detachDeleted(ObjectID object, ChangeSet& changes);
    void forgetDeletedTargets(const std::set<ObjectID>& deleted);
    int attributeIndex(const ObjectID& object, std::string_view name) const;
    int relationshipIndex(const ObjectID& object, std::string_view name) const;
    void writeObject(SQLite::Database& db, ObjectID object, bool isNew);

    struct Step {
        int entity;
        const Relationship* relationship;  // followed from entity; null at the end
    };
    struct ResolvedPath {
        std::vector<Step> relationships;  // to-one steps to follow
        int entity;                       // where the last member lives
        const Attribute* attribute = nullptr;
        const Relationship* relationship = nullptr;  // when the path ends in a to-one relationship
    };
    ResolvedPath resolve(int entity, const std::string& keyPath) const;
    // The store's answer, sorted and limited in SQL when sort is given.
    std::vector<ObjectID> fetchFromStore(int entity, const Predicate& predicate,
                                         const std::vector<SortDescriptor>& sort = {},
                                         std::optional<int> limit = std::nullopt);
    std::vector<ObjectID> fetchMerged(int entity, const FetchRequest& request);
    void sortInMemory(std::vector<ObjectID>& objects, const std::vector<SortDescriptor>& sort);
    // Comparisons through a relationship whose path an unsaved change of this context touches:
    // the store cannot answer them.
    bool touchesUnsaved(int entity, const Comparison& comparison) const;
    // Objects fetched with a batch size: the batch whose rows load together on first touch.
    struct Batch {
        std::vector<ObjectID> objects;
        std::vector<std::string> prefetch;
    };
    std::unordered_map<ObjectID, std::shared_ptr<Batch>, ObjectIDHash> batches_;
    void loadBatch(ObjectID touched);
    void prefetch(const std::vector<ObjectID>& objects,
                  const std::vector<std::string>& relationships, std::size_t batchSize);
    bool matches(ObjectID object, const Predicate& predicate);
    bool holdsFor(ObjectID object, const Predicate& predicate);
    bool holdsFor(ObjectID object, const Comparison& comparison);
    Value valueAt(ObjectID object, const std::string& keyPath);
    std::optional<ObjectID> objectAt(ObjectID object, const std::string& keyPath);
    // Unsaved objects (inserted or changed) of an entity whose indexed attribute has a value.
    void indexUnsaved(ObjectID object, const std::string& attribute, const Value& value);
    std::vector<ObjectID> unsavedCandidates(int entity, const Predicate& predicate);

    std::weak_ptr<Container> container_;
    std::shared_ptr<const Schema> schema_;
    std::unique_ptr<StoreConnection> connection_;
    Basalt::SchedulerPtr scheduler_;
    bool mergesAutomatically_;

    std::unordered_map<ObjectID, Registered, ObjectIDHash> objects_;
    std::set<ObjectID> pendingInserted_;
    std::set<ObjectID> pendingDeleted_;
    std::map<ObjectID, std::set<std::string>> changed_;
    Basalt::PassthroughSubject<ChangeSet> didChange_;
    struct PropertyChange {
        ObjectID object;
        std::string property;
    };
    Basalt::PassthroughSubject<PropertyChange> propertyChanged_;
    // entity -> attribute -> written text form of a value -> unsaved objects holding it
    std::map<int, std::map<std::string, std::multimap<std::string, ObjectID>>> unsavedIndex_;
    // Where each unsaved object sits in that index, to move it in logarithmic time.
    std::map<std::pair<ObjectID, std::string>, std::multimap<std::string, ObjectID>::iterator>
        unsavedIndexed_;
    // Prepared statements by their SQL, reused across fetches.
    std::unordered_map<std::string, std::unique_ptr<SQLite::Statement>> statements_;
    SQLite::Statement& statement(const std::string& sql);
    // The SQL of a predicate's shape (its key paths and operators), and the types to bind.
    struct StorePlan {
        std::string sql;
        std::vector<AttributeType> bindingTypes;
    };
    std::unordered_map<std::string, StorePlan> plans_;

    // Unsaved membership changes of many-to-many pairs: (join table, source, target) -> added?
    struct JoinRow {
        std::string table;
        std::int64_t source;
        std::int64_t target;
        friend auto operator<=>(const JoinRow&, const JoinRow&) = default;
    };
    std::map<JoinRow, bool> joinChanges_;
    // The join row of a membership, oriented as the table stores it.
    JoinRow joinRow(ObjectID object, const Relationship& relationship, ObjectID member) const;
    void changeMembership(ObjectID object, const std::string& relationship, ObjectID member,
                          bool add);
    const StorePlan& plan(int entity, const Predicate& predicate,
                          const std::vector<SortDescriptor>& sort, std::optional<int> limit);
};

}  // namespace Tavrin::Graph
