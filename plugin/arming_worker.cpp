#include "plugin/arming_worker.h"

namespace quillwave::plugins {

ArmingWorker::ArmingWorker(std::function<void()> step) : step_(std::move(step)) {
    thread_ = std::thread([this] { main(); });
}

ArmingWorker::~ArmingWorker() {
    stop_.store(true);
    polling_.store(true);
    polling_.notify_one();
    thread_.join();
}

void ArmingWorker::poll(bool on) {
    polling_.store(on);
    polling_.notify_one();
}

void ArmingWorker::main() {
    while (!stop_.load()) {
        polling_.wait(false);
        if (stop_.load()) {
            break;
        }
        step_();
        std::this_thread::sleep_for(kPoll);
    }
}

} // namespace quillwave::plugins
