#include "editor/posix/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quillwave::plugins {

std::string findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (program.empty() || path == nullptr) {
        return {};
    }
    const std::string folders = path;
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + program;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}

ChildProcess::ChildProcess(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        return;
    }
    const std::string program = findOnPath(arguments[0]);
    if (program.empty()) {
        return;
    }
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // The host's audio devices, sockets and files stay with the host.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int failed =
        ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (failed != 0) {
        ::close(pipeEnds[0]);
        return;
    }
    ::fcntl(pipeEnds[0], F_SETFL, ::fcntl(pipeEnds[0], F_GETFL) | O_NONBLOCK);
    pid_ = pid;
    output_ = pipeEnds[0];
}

ChildProcess::~ChildProcess() {
    closeOutput();
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

bool ChildProcess::readAvailable(std::string& into) {
    if (output_ < 0) {
        return true;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(output_, buffer, sizeof buffer);
        if (got > 0) {
            into.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return false;
        }
        closeOutput(); // end of output, or a broken pipe
        return true;
    }
}

int ChildProcess::finish() {
    closeOutput();
    if (pid_ <= 0) {
        return -1;
    }
    // The child closed its output on its way out: this wait is short.
    int status = 0;
    pid_t reaped = -1;
    while ((reaped = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return reaped > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ChildProcess::closeOutput() {
    if (output_ >= 0) {
        ::close(output_);
        output_ = -1;
    }
}

} // namespace quillwave::plugins
