#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "Basalt/log/Logger.h"
#include "Tavrin/store/graph/Container.h"

namespace Tavrin {

class RedditStoreType {
public:
    virtual ~RedditStoreType() = default;
    // Opened on first use and kept for the life of the process.
    virtual std::shared_ptr<Graph::Container> persistentContainer() = 0;
    // Saves the view context when it has changes.
    virtual void save() = 0;
};

// The store "RedditStore" in the application's data folder.
class RedditStore final : public RedditStoreType {
public:
    // What happens when the store cannot be loaded or the view context saved: the process stops.
    using Stop = std::function<void(const std::string& message)>;

    explicit RedditStore(std::string path = defaultPath(), Stop stop = stopProcess);

    std::shared_ptr<Graph::Container> persistentContainer() override;
    void save() override;

    // <application data location>/RedditStore.sqlite, the folder created when missing.
    static std::string defaultPath();
    static void stopProcess(const std::string& message);

private:
    void unresolved(const Graph::StoreError& error);

    std::string path_;
    Stop stop_;
    std::mutex mutex_;
    std::shared_ptr<Graph::Container> container_;
    Basalt::Logger appLog_;
};

// The synchronisation service's save of its background context: on failure one error line
// ("Failed to save context: ...") and the changes stay for the next save. Runs on the context's
// queue.
void saveBackgroundContext(Graph::Context& context, const Basalt::Logger& serviceLog);

}  // namespace Tavrin
