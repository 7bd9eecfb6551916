#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Basalt/stream/Cancellable.h"
#include "Tavrin/store/graph/Context.h"

namespace Tavrin::Graph {

// What a live query reports after each change of its context, in this order: willChange, then
// the deletes (old indexes), inserts (new indexes), moves and updates, then didChange.
struct LiveQueryDelegate {
    std::function<void()> willChange;
    std::function<void(ObjectID, int oldIndex)> didDelete;
    std::function<void(ObjectID, int newIndex)> didInsert;
    std::function<void(ObjectID, int oldIndex, int newIndex)> didMove;
    std::function<void(ObjectID, int index)> didUpdate;
    std::function<void()> didChange;
};

// The sorted results of a request on one context, kept current after every save and merge of
// that context; each change is reported as a diff. Use it on the context's thread.
class LiveQuery {
public:
    LiveQuery(std::shared_ptr<Context> context, FetchRequest request);

    void setDelegate(LiveQueryDelegate delegate) { delegate_ = std::move(delegate); }
    // Fetches the results; changes are reported from then on.
    void performFetch();
    const std::vector<ObjectID>& objects() const { return objects_; }

private:
    void refresh(const ChangeSet& changes);

    std::shared_ptr<Context> context_;
    FetchRequest request_;
    LiveQueryDelegate delegate_;
    std::vector<ObjectID> objects_;
    Basalt::Cancellable subscription_;
};

}  // namespace Tavrin::Graph
