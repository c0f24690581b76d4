#include "editor/posix/child_process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace quillwave::plugins {
namespace {

using Clock = std::chrono::steady_clock;

// How long a child asked to end with SIGTERM may take before SIGKILL ends it.
constexpr auto kTerminateGrace = std::chrono::milliseconds(300);
constexpr auto kReapPoll = std::chrono::milliseconds(10);

// Ends and reaps the children the editor let go, on a small thread of its own, so no caller
// waits for a child that ignores SIGTERM (or whose user has not answered yet). The thread runs
// only while it has children and is joined when the library goes.
class Reaper {
public:
    ~Reaper() {
        std::unique_lock lock(mutex_);
        stopping_ = true;
        for (const Child& child : children_) {
            ::kill(child.pid, SIGKILL); // the library goes: no more grace
        }
        lock.unlock();
        woken_.notify_all();
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    void adopt(pid_t pid) {
        const std::lock_guard lock(mutex_);
        children_.push_back({pid, Clock::now() + kTerminateGrace, false});
        if (!running_) {
            if (thread_.joinable()) {
                thread_.join(); // it has finished: it cleared running_ on its way out
            }
            running_ = true;
            thread_ = std::thread([this] { run(); });
        }
    }

private:
    struct Child {
        pid_t pid;
        Clock::time_point killAt;
        bool killed;
    };

    void run() {
        std::unique_lock lock(mutex_);
        while (!children_.empty()) {
            const auto now = Clock::now();
            std::erase_if(children_, [&](Child& child) {
                int status = 0;
                const pid_t reaped = ::waitpid(child.pid, &status, WNOHANG);
                if (reaped == child.pid || (reaped < 0 && errno == ECHILD)) {
                    return true;
                }
                if (!child.killed && (now >= child.killAt || stopping_)) {
                    ::kill(child.pid, SIGKILL);
                    child.killed = true;
                }
                return false;
            });
            woken_.wait_for(lock, kReapPoll);
        }
        running_ = false;
    }

    std::mutex mutex_;
    std::condition_variable woken_;
    std::vector<Child> children_;
    std::thread thread_;
    bool running_ = false;
    bool stopping_ = false;
};

Reaper& reaper() {
    static Reaper instance;
    return instance;
}

bool loaderOrToolkitPath(std::string_view entry) {
    static constexpr std::string_view kRemoved[] = {"GTK_PATH=",
                                                    "GTK_EXE_PREFIX=",
                                                    "GTK_DATA_PREFIX=",
                                                    "GTK_IM_MODULE_FILE=",
                                                    "GDK_PIXBUF_MODULE_FILE=",
                                                    "GDK_PIXBUF_MODULEDIR=",
                                                    "GIO_MODULE_DIR=",
                                                    "GSETTINGS_SCHEMA_DIR=",
                                                    "QT_PLUGIN_PATH=",
                                                    "QT_QPA_PLATFORM_PLUGIN_PATH=",
                                                    "PYTHONHOME=",
                                                    "PYTHONPATH="};
    if (entry.starts_with("LD_")) { // LD_LIBRARY_PATH, LD_PRELOAD, LD_AUDIT and the rest
        return true;
    }
    return std::any_of(std::begin(kRemoved), std::end(kRemoved),
                       [&](std::string_view name) { return entry.starts_with(name); });
}

} // namespace

std::vector<std::string> helperEnvironment() {
    std::vector<std::string> kept;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        if (!loaderOrToolkitPath(*entry)) {
            kept.emplace_back(*entry);
        }
    }
    return kept;
}

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
    const std::vector<std::string> environment = helperEnvironment();
    std::vector<char*> envp;
    for (const std::string& entry : environment) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
    // The host's thread may block signals (hosts that take them through signalfd do) or ignore
    // some: the helper starts with none blocked and every one at its default, so SIGTERM ends it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int failed =
        ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
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
    if (pid_ > 0 && !exitStatus()) {
        ::kill(pid_, SIGTERM);
        reaper().adopt(pid_);
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

std::optional<int> ChildProcess::exitStatus() {
    if (status_ || pid_ <= 0) {
        return pid_ <= 0 && !status_ ? std::optional<int>(-1) : status_;
    }
    int status = 0;
    pid_t reaped = -1;
    while ((reaped = ::waitpid(pid_, &status, WNOHANG)) < 0 && errno == EINTR) {
    }
    if (reaped == 0) {
        return std::nullopt; // still running
    }
    if (reaped < 0) {
        status_ = kUnknownStatus; // ECHILD: gone, and its status with it
    } else {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return status_;
}

void ChildProcess::closeOutput() {
    if (output_ >= 0) {
        ::close(output_);
        output_ = -1;
    }
}

} // namespace quillwave::plugins
