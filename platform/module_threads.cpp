#include "platform/module_threads.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#ifndef _WIN32
#include <pthread.h>
#endif

namespace quillwave::platform {
namespace {

struct ModuleThread {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
};

struct Registry {
    Registry();

    std::mutex mutex;
    std::list<ModuleThread> threads; // guarded by mutex

    // Reached with threads left only when the host unloads the module or ends the process
    // without calling the module's exit. Destroying a joinable std::thread would end the process,
    // and joining here could deadlock under the loader's lock: they are let go.
    ~Registry() {
        for (ModuleThread& t : threads) {
            if (t.thread.joinable()) {
                t.thread.detach();
            }
        }
    }
};

Registry& registry() {
    static Registry instance;
    return instance;
}

#ifdef _WIN32
Registry::Registry() = default;
#else
// A process forked from the host's has none of these threads: joining one there would wait for
// ever, so the child lets them go. The registry is held across the fork, so the child never
// inherits it locked by a thread it does not have.
Registry::Registry() {
    pthread_atfork([] { registry().mutex.lock(); }, [] { registry().mutex.unlock(); },
                   [] {
                       Registry& r = registry();
                       for (ModuleThread& t : r.threads) {
                           t.thread.detach();
                       }
                       r.threads.clear();
                       r.mutex.unlock();
                   });
}
#endif

} // namespace

void startModuleThread(std::function<void()> work) {
    Registry& r = registry();
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::list<ModuleThread> finished;
    {
        const std::lock_guard lock(r.mutex);
        // Threads that said they are done have only their return left: joining them is quick.
        for (auto it = r.threads.begin(); it != r.threads.end();) {
            const auto next = std::next(it);
            if (it->done->load(std::memory_order_acquire)) {
                finished.splice(finished.end(), r.threads, it);
            }
            it = next;
        }
        // The node first: once the thread runs, nothing may fail before it is kept.
        ModuleThread& entry = r.threads.emplace_back(ModuleThread{{}, done});
        try {
            entry.thread = std::thread([work = std::move(work), done] {
                work();
                done->store(true, std::memory_order_release);
            });
        } catch (...) {
            r.threads.pop_back();
            throw;
        }
    }
    for (ModuleThread& t : finished) {
        t.thread.join();
    }
}

void joinModuleThreads() noexcept {
    Registry& r = registry();
    std::list<ModuleThread> all;
    {
        const std::lock_guard lock(r.mutex);
        all.swap(r.threads);
    }
    for (ModuleThread& t : all) {
        t.thread.join();
    }
}

} // namespace quillwave::platform
