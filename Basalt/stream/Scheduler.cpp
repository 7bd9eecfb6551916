#include "Basalt/stream/Scheduler.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <cassert>

namespace Basalt {
namespace {

// Posts work into the event loop of the context's thread.
void post(QObject* context, Scheduler::Work work) {
    QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
}

// The timer is started on the context's own thread, where its event loop runs.
void postAfter(QObject* context, std::chrono::milliseconds delay, Scheduler::Work work) {
    post(context, [context, delay, work = std::move(work)]() mutable {
        QTimer::singleShot(delay, context, std::move(work));
    });
}

class MainScheduler final : public Scheduler {
public:
    void schedule(Work work) override { post(app(), std::move(work)); }
    void scheduleAfter(std::chrono::milliseconds delay, Work work) override {
        postAfter(app(), delay, std::move(work));
    }
    bool isCurrent() const override {
        return QCoreApplication::instance() &&
               QThread::currentThread() == QCoreApplication::instance()->thread();
    }

private:
    static QObject* app() {
        QObject* app = QCoreApplication::instance();
        assert(app && "the main scheduler needs a QCoreApplication");
        return app;
    }
};

class GlobalScheduler final : public Scheduler {
public:
    void schedule(Work work) override { QThreadPool::globalInstance()->start(std::move(work)); }
    void scheduleAfter(std::chrono::milliseconds delay, Work work) override {
        Scheduler::main()->scheduleAfter(
            delay, [this, work = std::move(work)]() mutable { schedule(std::move(work)); });
    }
    bool isCurrent() const override {
        return QThread::currentThread() != QCoreApplication::instance()->thread() &&
               QThreadPool::globalInstance()->contains(QThread::currentThread());
    }
};

class ImmediateScheduler final : public Scheduler {
public:
    void schedule(Work work) override { work(); }
    void scheduleAfter(std::chrono::milliseconds, Work work) override { work(); }
    bool isCurrent() const override { return true; }
};

}  // namespace

SchedulerPtr Scheduler::main() {
    static const SchedulerPtr scheduler = std::make_shared<MainScheduler>();
    return scheduler;
}

SchedulerPtr Scheduler::global() {
    static const SchedulerPtr scheduler = std::make_shared<GlobalScheduler>();
    return scheduler;
}

SchedulerPtr Scheduler::immediate() {
    static const SchedulerPtr scheduler = std::make_shared<ImmediateScheduler>();
    return scheduler;
}

SerialQueue::SerialQueue(const char* name) : thread_(std::make_unique<QThread>()) {
    thread_->setObjectName(QString::fromUtf8(name));
    context_ = new QObject();
    context_->moveToThread(thread_.get());
    thread_->start();
}

SerialQueue::~SerialQueue() {
    // Work not yet run is dropped with the context once the loop has stopped.
    thread_->quit();
    if (isCurrent()) {
        // A thread cannot wait for itself: let it finish and clean up after itself.
        QObject::connect(thread_.get(), &QThread::finished, thread_.get(), &QObject::deleteLater);
        context_->deleteLater();
        thread_.release();
        return;
    }
    thread_->wait();
    delete context_;
}

void SerialQueue::schedule(Work work) {
    post(context_, std::move(work));
}

void SerialQueue::scheduleAfter(std::chrono::milliseconds delay, Work work) {
    postAfter(context_, delay, std::move(work));
}

bool SerialQueue::isCurrent() const {
    return QThread::currentThread() == thread_.get();
}

void SerialQueue::scheduleAndWait(const Work& work) {
    if (isCurrent()) {
        work();
        return;
    }
    QSemaphore done;
    schedule([&] {
        work();
        done.release();
    });
    done.acquire();
}

}  // namespace Basalt
