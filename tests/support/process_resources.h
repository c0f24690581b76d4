#pragma once

// Counts what a process holds: threads, open files or handles. A soak test compares them before
// and after many cycles.

#include <cstddef>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>
#else
#include <filesystem>
#endif

namespace quillwave::test {

struct ProcessResources {
    std::size_t threads = 0;
    std::size_t handles = 0; // open file descriptors on POSIX, kernel handles on Windows
};

inline ProcessResources countProcessResources() {
    ProcessResources r;
#ifdef _WIN32
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    r.handles = handles;
    const DWORD pid = GetCurrentProcessId();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        THREADENTRY32 entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Thread32First(snapshot, &entry); more;
             more = Thread32Next(snapshot, &entry)) {
            r.threads += entry.th32OwnerProcessID == pid ? 1 : 0;
        }
        CloseHandle(snapshot);
    }
#else
    namespace fs = std::filesystem;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/task")) {
        ++r.threads;
    }
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) {
        ++r.handles;
    }
    --r.handles; // the iterator's own descriptor
#endif
    return r;
}

} // namespace quillwave::test
