#pragma once

#include <functional>

namespace quillwave::plugins {

// The module's disk writer threads. A writer may outlive the recorder that started it (a take is
// finalized after its module was released while the disk stalled), so the threads belong to the
// module instead: the module's exit waits for them, and no thread runs in an unloaded module.

// Starts body on a new writer thread. Throws std::system_error when no thread can be started.
void startWriterThread(std::function<void()> body);

// Waits until every writer thread started so far has ended. For the module's exit function (and
// tests); never from a writer.
void joinWriterThreads() noexcept;

} // namespace quillwave::plugins
