#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace quillwave::plugins {

// A long-lived thread that runs a recorder's arming step off the loading and audio threads.
// While polling it calls the step every kPoll; the step looks at atomics that any thread, the
// audio thread included, may set with a plain store, so a requester never locks, allocates or
// makes a system call. While not polling (the module is inactive and nothing can be due) the
// thread sleeps until a host thread resumes it.
//
// The sleep is a mutex and condition variable rather than std::atomic::wait: libstdc++ 12 without
// a futex (the Windows build) can lose an atomic notify, which left the destructor's join waiting
// forever.
class ArmingWorker {
public:
    static constexpr std::chrono::milliseconds kPoll{2};

    explicit ArmingWorker(std::function<void()> step);
    // Stops the thread and waits for a step in progress.
    ~ArmingWorker();
    ArmingWorker(const ArmingWorker&) = delete;
    ArmingWorker& operator=(const ArmingWorker&) = delete;

    // Host threads only: polling on or off.
    void poll(bool on);

private:
    void main();

    const std::function<void()> step_;
    std::mutex mutex_;
    std::condition_variable woken_;
    bool polling_ = false; // guarded by mutex_
    bool stop_ = false;    // guarded by mutex_
    std::thread thread_;
};

} // namespace quillwave::plugins
