#pragma once

#include <chrono>
#include <functional>
#include <memory>

class QObject;
class QThread;

namespace Basalt {

class Scheduler;
using SchedulerPtr = std::shared_ptr<Scheduler>;

// Where work runs: the GUI thread, the thread pool, a serial queue, or inline.
class Scheduler {
public:
    using Work = std::function<void()>;
    virtual ~Scheduler() = default;

    virtual void schedule(Work work) = 0;
    virtual void scheduleAfter(std::chrono::milliseconds delay, Work work) = 0;
    // True when the calling thread is the one this scheduler runs work on.
    virtual bool isCurrent() const = 0;

    // The GUI thread's event loop; needs a QCoreApplication.
    static SchedulerPtr main();
    // QThreadPool::globalInstance().
    static SchedulerPtr global();
    // Runs work at once on the calling thread (delays included).
    static SchedulerPtr immediate();
};

// A thread of its own with an event loop; work runs in the order scheduled.
class SerialQueue final : public Scheduler {
public:
    explicit SerialQueue(const char* name);
    ~SerialQueue() override;

    void schedule(Work work) override;
    void scheduleAfter(std::chrono::milliseconds delay, Work work) override;
    bool isCurrent() const override;
    // Runs work on the queue and waits for it; inline when already on the queue.
    void scheduleAndWait(const Work& work);

    QThread* thread() const { return thread_.get(); }
    QObject* context() const { return context_; }

private:
    std::unique_ptr<QThread> thread_;
    QObject* context_;
};

}  // namespace Basalt
