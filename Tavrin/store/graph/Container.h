#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Basalt/Result.h"
#include "Basalt/stream/Scheduler.h"
#include "Tavrin/store/graph/Context.h"
#include "Tavrin/store/graph/Schema.h"
#include "Tavrin/store/graph/StoreConnection.h"

namespace Tavrin::Graph {

// One store file, its schema, and the contexts working on it.
class Container : public std::enable_shared_from_this<Container> {
public:
    static Basalt::Result<std::shared_ptr<Container>, StoreError> open(std::string path,
                                                                       Schema schema);

    const Schema& schema() const { return *schema_; }
    const std::string& path() const { return path_; }

    // The context of the GUI thread; merges other contexts' saves by itself.
    std::shared_ptr<Context> viewContext();
    // A context with a serial queue of its own; it does not merge others' saves.
    Basalt::Result<std::shared_ptr<Context>, StoreError> newBackgroundContext();

    // Keys are handed out at insertion and never reused.
    std::int64_t nextKey(int entity);
    // After a context saved: the others that merge take the changes over.
    void didSave(const Context* saver, const ChangeSet& changes);

    // Reads that fail (a file damaged under the program, an I/O error) answer as if nothing
    // were there; the handler hears of each, on the reading context's thread.
    void setReadFailureHandler(std::function<void(const StoreError&)> handler);
    void readFailed(const StoreError& error);

private:
    Container(std::string path, Schema schema)
        : path_(std::move(path)), schema_(std::make_shared<const Schema>(std::move(schema))) {}

    std::string path_;
    std::shared_ptr<const Schema> schema_;
    std::mutex mutex_;
    std::vector<std::int64_t> lastKeys_;
    std::shared_ptr<Context> viewContext_;
    std::vector<std::weak_ptr<Context>> contexts_;
    std::function<void(const StoreError&)> readFailureHandler_;
};

}  // namespace Tavrin::Graph
