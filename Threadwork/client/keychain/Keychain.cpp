#include "Threadwork/client/keychain/Keychain.h"

#include <qt6keychain/keychain.h>
#include <QEventLoop>
#include <QSemaphore>

#include "Basalt/stream/Scheduler.h"

namespace Threadwork {

std::optional<QByteArray> InMemoryKeychain::read(const QString& service, const QString& account) {
    std::lock_guard lock(mutex_);
    auto it = items_.find({service, account});
    if (it == items_.end()) return std::nullopt;
    return it->second;
}

bool InMemoryKeychain::write(const QString& service, const QString& account,
                             const QByteArray& data) {
    std::lock_guard lock(mutex_);
    items_[{service, account}] = data;
    return true;
}

namespace {

// What a job left for its caller, who may have stopped waiting.
struct Outcome {
    QSemaphore done;
    bool ok = false;
    QByteArray data;
};

// Runs the job to its end in the worker's event loop.
void runJob(QKeychain::Job* job, const std::shared_ptr<Outcome>& outcome,
            const std::function<void(QKeychain::Job*)>& collect) {
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job->setAutoDelete(false);
    job->start();
    loop.exec();
    outcome->ok = job->error() == QKeychain::NoError;
    if (outcome->ok && collect) collect(job);
    delete job;
    outcome->done.release();
}

}  // namespace

SecretServiceKeychain::SecretServiceKeychain(std::chrono::milliseconds timeLimit)
    : timeLimit_(timeLimit),
      worker_(std::make_shared<Basalt::SerialQueue>("Threadwork.keychain")) {}

SecretServiceKeychain::~SecretServiceKeychain() = default;

std::optional<QByteArray> SecretServiceKeychain::read(const QString& service,
                                                      const QString& account) {
    auto outcome = std::make_shared<Outcome>();
    worker_->schedule([service, account, outcome] {
        auto* job = new QKeychain::ReadPasswordJob(service);
        job->setKey(account);
        runJob(job, outcome, [outcome](QKeychain::Job* finished) {
            outcome->data = static_cast<QKeychain::ReadPasswordJob*>(finished)->binaryData();
        });
    });
    if (!outcome->done.tryAcquire(1, int(timeLimit_.count())) || !outcome->ok) return std::nullopt;
    return outcome->data;
}

bool SecretServiceKeychain::write(const QString& service, const QString& account,
                                  const QByteArray& data) {
    auto outcome = std::make_shared<Outcome>();
    worker_->schedule([service, account, data, outcome] {
        auto* job = new QKeychain::WritePasswordJob(service);
        job->setKey(account);
        job->setBinaryData(data);
        runJob(job, outcome, nullptr);
    });
    return outcome->done.tryAcquire(1, int(timeLimit_.count())) && outcome->ok;
}

}  // namespace Threadwork
