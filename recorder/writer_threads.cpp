#include "recorder/writer_threads.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace quillwave::plugins {
namespace {

struct WriterThread {
    std::thread thread;
    std::atomic<bool> done{false};
};

struct WriterThreads {
    std::mutex mutex;
    std::list<std::unique_ptr<WriterThread>> threads; // guarded by mutex

    // Joins the threads that have ended: only their last instructions can still be running.
    void reapEnded() {
        for (auto it = threads.begin(); it != threads.end();) {
            if ((*it)->done.load()) {
                (*it)->thread.join();
                it = threads.erase(it);
            } else {
                ++it;
            }
        }
    }
};

// Never destroyed: a host that unloads the module without calling its exit function leaves the
// threads running, and destroying a joinable std::thread would end the host process.
WriterThreads& writerThreads() {
    static WriterThreads* const threads = new WriterThreads;
    return *threads;
}

} // namespace

void startWriterThread(std::function<void()> body) {
    WriterThreads& all = writerThreads();
    const std::lock_guard lock(all.mutex);
    all.reapEnded();
    auto entry = std::make_unique<WriterThread>();
    WriterThread* const self = entry.get();
    all.threads.push_back(std::move(entry));
    try {
        self->thread = std::thread([self, body = std::move(body)] {
            body();
            self->done.store(true);
        });
    } catch (...) {
        all.threads.pop_back();
        throw;
    }
}

void joinWriterThreads() noexcept {
    WriterThreads& all = writerThreads();
    std::list<std::unique_ptr<WriterThread>> joining;
    {
        const std::lock_guard lock(all.mutex);
        joining.swap(all.threads);
    }
    for (auto& writer : joining) {
        writer->thread.join();
    }
}

} // namespace quillwave::plugins
