#include "child_process.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#endif

namespace quillwave::test {
namespace {

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

#ifdef _WIN32
std::wstring wide(const std::string& utf8) {
    std::wstring text(utf8.size(), L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return text;
}

HANDLE inheritableFile(const std::filesystem::path& path) {
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &security, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

int spawn(const std::string& program, const std::vector<std::string>& args,
          const std::filesystem::path& out, const std::filesystem::path& err) {
    std::string file = program;
    if (!file.empty() && file.front() == '/') {
        file = "Z:" + file;
    }
    std::wstring command = L"\"" + wide(file) + L"\"";
    for (const std::string& arg : args) {
        command += L" \"" + wide(arg) + L"\"";
    }
    HANDLE outFile = inheritableFile(out);
    HANDLE errFile = inheritableFile(err);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outFile;
    startup.hStdError = errFile;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(outFile);
    CloseHandle(errFile);
    if (!started) {
        throw std::runtime_error("cannot start " + program);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}
#else
int spawn(const std::string& program, const std::vector<std::string>& args,
          const std::filesystem::path& out, const std::filesystem::path& err) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        throw std::runtime_error("cannot start " + program);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

// Under wine the child's exit can be signalled a moment before the server drops its
// handles, so a removal may briefly meet a sharing violation. Whatever is left over
// goes with the scratch folder.
void removeWhenReleased(const std::filesystem::path& path) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        std::error_code error;
        if (std::filesystem::remove(path, error) || !std::filesystem::exists(path, error)) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

ChildResult runChild(const std::string& program, const std::vector<std::string>& args,
                     const std::filesystem::path& scratch) {
    static int runs = 0;
    const std::string stem = "child-" + std::to_string(++runs);
    const auto out = scratch / (stem + ".out");
    const auto err = scratch / (stem + ".err");
    ChildResult result;
    result.exitCode = spawn(program, args, out, err);
    result.out = readText(out);
    result.err = readText(err);
    removeWhenReleased(out);
    removeWhenReleased(err);
    return result;
}

} // namespace quillwave::test
