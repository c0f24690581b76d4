#pragma once

// A desktop helper program (a file chooser, a message box) run as a child process with its
// standard output on a pipe, so the editor can watch the pipe from the host's run loop instead
// of waiting for the user.

#include <string>
#include <sys/types.h>
#include <vector>

namespace quillwave::plugins {

// The full path of program when it is an executable file in a folder of PATH, else empty.
std::string findOnPath(const std::string& program);

class ChildProcess {
public:
    // Starts arguments[0] (found on PATH) with stdin on /dev/null and stdout on a non-blocking
    // pipe. Inherits nothing else of the host's open files. Not running when it cannot start.
    explicit ChildProcess(const std::vector<std::string>& arguments);
    ~ChildProcess(); // ends a child that still runs and reaps it
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool running() const { return pid_ > 0; }
    int outputDescriptor() const { return output_; }

    // Appends what the pipe holds now to into; true once the output has ended.
    bool readAvailable(std::string& into);

    // After the output ended: reaps the child and returns its exit status, or -1 when it did not
    // exit normally.
    int finish();

private:
    void closeOutput();

    pid_t pid_ = -1;
    int output_ = -1;
};

} // namespace quillwave::plugins
