#pragma once

#include <functional>

namespace quillwave::platform {

// Threads that may outlive the object that started them, so that no host call has to wait for
// what they do (a volume that stopped answering). The module's exit joins every one of them: no
// thread may still run in the module's code once the host unloads it.

// Runs work on a new thread. Throws std::system_error when no thread can be started.
void startModuleThread(std::function<void()> work);

// Waits for every thread started so far. Module exit only.
void joinModuleThreads() noexcept;

} // namespace quillwave::platform
