#include "Tavrin/store/RedditStore.h"

#include <QDir>
#include <QStandardPaths>
#include <cstdio>

#include "Tavrin/store/RedditSchema.h"
#include "TavrinConfig.h"

namespace Tavrin {

RedditStore::RedditStore(std::string path, Stop stop)
    : path_(std::move(path)), stop_(std::move(stop)), appLog_(TavrinConfig::bundleId, "App") {}

std::string RedditStore::defaultPath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return QDir(folder).filePath("RedditStore.sqlite").toStdString();
}

void RedditStore::stopProcess(const std::string& message) {
    qFatal("%s", message.c_str());
}

void RedditStore::unresolved(const Graph::StoreError& error) {
    stop_("Unresolved error " + error.description + ", [\"path\": \"" + path_ + "\"]");
}

std::shared_ptr<Graph::Container> RedditStore::persistentContainer() {
    std::lock_guard lock(mutex_);
    if (container_) return container_;
    auto container = Graph::Container::open(path_, redditSchema());
    if (!container) {
        unresolved(container.error());
        return nullptr;
    }
    std::printf("store: RedditStore, SQLite, %s\n", path_.c_str());
    std::fflush(stdout);
    container_ = std::move(container).value();
    // A read that fails later (the file damaged under the program) leaves the lists empty and
    // says why, instead of stopping.
    container_->setReadFailureHandler([log = appLog_](const Graph::StoreError& error) {
        log.error("Failed to read the store: %{public}@", error.description);
    });
    return container_;
}

void RedditStore::save() {
    auto container = persistentContainer();
    if (!container) return;
    auto context = container->viewContext();
    if (!context->hasChanges()) return;
    if (auto saved = context->save(); !saved) unresolved(saved.error());
}

void saveBackgroundContext(Graph::Context& context, const Basalt::Logger& serviceLog) {
    context.performAndWait([&] {
        if (!context.hasChanges()) return;
        if (auto saved = context.save(); !saved) {
            serviceLog.error("Failed to save context: %{public}@", saved.error().description);
        }
    });
}

}  // namespace Tavrin
