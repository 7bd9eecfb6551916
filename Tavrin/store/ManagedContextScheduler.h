#pragma once

#include <memory>

#include "Basalt/stream/Scheduler.h"
#include "Tavrin/store/graph/Context.h"

namespace Tavrin {

// A scheduler over a context: work runs on the context's own queue. Delayed work runs at once,
// on the calling thread (as pipelines over the background context expect).
class ManagedContextScheduler final : public Basalt::Scheduler {
public:
    explicit ManagedContextScheduler(std::shared_ptr<Graph::Context> context)
        : context_(std::move(context)) {}

    void schedule(Work work) override { context_->perform(std::move(work)); }
    void scheduleAfter(std::chrono::milliseconds, Work work) override { work(); }
    bool isCurrent() const override { return context_->isCurrent(); }

    const std::shared_ptr<Graph::Context>& managedObjectContext() const { return context_; }

private:
    std::shared_ptr<Graph::Context> context_;
};

}  // namespace Tavrin
