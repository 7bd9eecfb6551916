#include "Tavrin/store/graph/Container.h"

namespace Tavrin::Graph {

Basalt::Result<std::shared_ptr<Container>, StoreError> Container::open(std::string path,
                                                                       Schema schema) {
    auto connection = StoreConnection::open(path, schema);
    if (!connection) return Basalt::fail(std::move(connection).error());
    std::shared_ptr<Container> container(new Container(std::move(path), std::move(schema)));
    try {
        for (const auto& entity : container->schema_->entities) {
            container->lastKeys_.push_back(
                connection.value()
                    ->database()
                    .execAndGet("SELECT coalesce(max(Z_PK), 0) FROM " + tableName(entity))
                    .getInt64());
        }
    } catch (const std::exception& error) {
        return Basalt::fail(StoreError{std::string("the store file is damaged: ") + error.what()});
    }
    container->viewContext_ =
        std::make_shared<Context>(container, container->schema_, std::move(connection).value(),
                                  Basalt::Scheduler::main(), true);
    container->contexts_.push_back(container->viewContext_);
    return container;
}

std::shared_ptr<Context> Container::viewContext() {
    return viewContext_;
}

Basalt::Result<std::shared_ptr<Context>, StoreError> Container::newBackgroundContext() {
    auto connection = StoreConnection::open(path_, *schema_);
    if (!connection) return Basalt::fail(std::move(connection).error());
    auto queue = std::make_shared<Basalt::SerialQueue>("Tavrin.store.background");
    auto context = std::make_shared<Context>(weak_from_this(), schema_,
                                             std::move(connection).value(), queue, false);
    std::lock_guard lock(mutex_);
    contexts_.push_back(context);
    return context;
}

std::int64_t Container::nextKey(int entity) {
    std::lock_guard lock(mutex_);
    return ++lastKeys_[std::size_t(entity)];
}

void Container::didSave(const Context* saver, const ChangeSet& changes) {
    std::vector<std::shared_ptr<Context>> targets;
    {
        std::lock_guard lock(mutex_);
        for (auto& weak : contexts_) {
            auto context = weak.lock();
            if (context && context.get() != saver) targets.push_back(context);
        }
    }
    for (auto& context : targets) {
        std::weak_ptr<Context> weak = context;
        context->perform([weak, changes] {
            if (auto c = weak.lock()) c->merge(changes);
        });
    }
}

void Container::setReadFailureHandler(std::function<void(const StoreError&)> handler) {
    std::lock_guard lock(mutex_);
    readFailureHandler_ = std::move(handler);
}

void Container::readFailed(const StoreError& error) {
    std::function<void(const StoreError&)> handler;
    {
        std::lock_guard lock(mutex_);
        handler = readFailureHandler_;
    }
    if (handler) handler(error);
}

}  // namespace Tavrin::Graph
