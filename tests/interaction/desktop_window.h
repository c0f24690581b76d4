#pragma once

// What the window tests need of a desktop: a top-level window to be the host's parent, a
// message pump that counts what the editor window is sent through the queue, and look-ups of
// the editor's child window and class. Windows only.

#include "editor/win32/editor_window_class.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdexcept>

namespace quillwave::test {

using namespace std::chrono_literals;

// A visible top-level window with a default procedure, as a host's plug-in frame would be.
class ParentWindow {
public:
    ParentWindow() {
        static const ATOM windowClass = [] {
            WNDCLASSW c{};
            c.lpfnWndProc = DefWindowProcW;
            c.hInstance = GetModuleHandleW(nullptr);
            c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            c.lpszClassName = L"QuillwaveTestParent";
            return RegisterClassW(&c);
        }();
        window_ = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(windowClass)),
                                  L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                  1000, 640, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (window_ == nullptr) {
            throw std::runtime_error("no top-level window: is there a display?");
        }
    }
    ~ParentWindow() { DestroyWindow(window_); }
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;

    HWND handle() const { return window_; }

private:
    HWND window_ = nullptr;
};

struct PumpCounts {
    int paints = 0;
    int timers = 0;
};

// Dispatches this thread's messages for a while (or until done says so), counting the paints and
// timer ticks that reach watched.
inline PumpCounts pumpMessages(std::chrono::milliseconds duration, HWND watched = nullptr,
                               const std::function<bool()>& done = {}) {
    PumpCounts counts;
    const auto end = std::chrono::steady_clock::now() + duration;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (watched != nullptr && message.hwnd == watched) {
                counts.paints += message.message == WM_PAINT ? 1 : 0;
                counts.timers += message.message == WM_TIMER ? 1 : 0;
            }
            DispatchMessageW(&message);
        }
        const auto now = std::chrono::steady_clock::now();
        if ((done && done()) || now >= end) {
            return counts;
        }
        // Another thread that finishes sends nothing that would wake this wait: look again
        // every few milliseconds when there is a condition to watch.
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(end - now) + 1ms;
        if (done) {
            wait = std::min(wait, std::chrono::milliseconds(5));
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(wait.count()), QS_ALLINPUT);
    }
}

// Everything already queued, and the paint it leads to.
inline void pumpPending() {
    pumpMessages(std::chrono::milliseconds(0));
}

// The editor windows that are children of parent.
inline int editorWindowCount(HWND parent) {
    int count = 0;
    for (HWND child = FindWindowExW(parent, nullptr, plugins::kEditorWindowClassName, nullptr);
         child != nullptr;
         child = FindWindowExW(parent, child, plugins::kEditorWindowClassName, nullptr)) {
        ++count;
    }
    return count;
}

inline HWND editorWindow(HWND parent) {
    return FindWindowExW(parent, nullptr, plugins::kEditorWindowClassName, nullptr);
}

inline bool editorClassRegistered() {
    WNDCLASSW existing{};
    return GetClassInfoW(GetModuleHandleW(nullptr), plugins::kEditorWindowClassName, &existing) !=
           0;
}

} // namespace quillwave::test
