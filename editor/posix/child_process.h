#pragma once

// A desktop helper program (a file chooser, a message box) run as a child process with its
// standard output on a pipe, so the editor can watch the pipe from the host's run loop instead
// of waiting for the user.

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quillwave::plugins {

// The full path of program when it is an executable file in a folder of PATH, else empty.
std::string findOnPath(const std::string& program);

// The environment a desktop helper starts with: this process's, less what points the dynamic
// loader and the toolkits at the host's own libraries (a self-contained host bundle sets them,
// and a system program then fails to start). "NAME=value" entries.
std::vector<std::string> helperEnvironment();

class ChildProcess {
public:
    // Starts arguments[0] (found on PATH) with stdin on /dev/null and stdout on a non-blocking
    // pipe, the helper environment, no blocked signals and every signal's default action.
    // Inherits nothing else of the host's open files. Not running when it cannot start.
    explicit ChildProcess(const std::vector<std::string>& arguments);
    // Never waits: a child that still runs gets SIGTERM, then SIGKILL after a short grace, and
    // is reaped in the background.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    int outputDescriptor() const { return output_; }

    // Appends what the pipe holds now to into; true once the output has ended.
    bool readAvailable(std::string& into);

    // The exit status once the child has ended (reaped then), -1 when a signal ended it,
    // kUnknownStatus when the system or the host reaped it first (a host that ignores SIGCHLD,
    // or whose SIGCHLD handler waits for every child); nothing while it runs. Never waits.
    std::optional<int> exitStatus();
    static constexpr int kUnknownStatus = -2;

private:
    void closeOutput();

    pid_t pid_ = -1;
    int output_ = -1;
    std::optional<int> status_;
};

} // namespace quillwave::plugins
