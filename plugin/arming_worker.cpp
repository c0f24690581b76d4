#include "plugin/arming_worker.h"

namespace quillwave::plugins {

ArmingWorker::ArmingWorker(std::function<void()> step) : step_(std::move(step)) {
    thread_ = std::thread([this] { main(); });
}

ArmingWorker::~ArmingWorker() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    woken_.notify_all();
    thread_.join();
}

void ArmingWorker::poll(bool on) {
    {
        const std::lock_guard lock(mutex_);
        polling_ = on;
    }
    woken_.notify_all();
}

void ArmingWorker::main() {
    std::unique_lock lock(mutex_);
    while (true) {
        woken_.wait(lock, [this] { return polling_ || stop_; });
        if (stop_) {
            return;
        }
        lock.unlock();
        step_();
        lock.lock();
        // Sleeps one poll interval, or less when stopped meanwhile.
        woken_.wait_for(lock, kPoll, [this] { return stop_; });
        if (stop_) {
            return;
        }
    }
}

} // namespace quillwave::plugins
