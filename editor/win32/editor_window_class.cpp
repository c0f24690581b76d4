#include "editor/win32/editor_window_class.h"

#include <cstdint>
#include <mutex>

namespace quillwave::plugins {
namespace {

// The count is changed only under the mutex; views of any thread may attach or go.
std::mutex editorClassMutex;
std::uint32_t editorClassUsers = 0;

bool registerEditorClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSW windowClass{};
    windowClass.style = 0;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr; // the paint covers every pixel
    windowClass.lpszClassName = kEditorWindowClassName;
    if (RegisterClassW(&windowClass) != 0) {
        return true;
    }
    if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }
    // Left behind by an earlier use of this very code (a view that could not close its window);
    // a foreign class of the same name is never used.
    WNDCLASSW existing{};
    return GetClassInfoW(instance, kEditorWindowClassName, &existing) != 0 &&
           existing.hInstance == instance && existing.lpfnWndProc == procedure;
}

} // namespace

bool acquireEditorWindowClass(HINSTANCE instance, WNDPROC procedure) {
    const std::lock_guard lock(editorClassMutex);
    if (editorClassUsers == 0 && !registerEditorClass(instance, procedure)) {
        return false;
    }
    ++editorClassUsers;
    return true;
}

bool releaseEditorWindowClass(HINSTANCE instance) {
    const std::lock_guard lock(editorClassMutex);
    if (editorClassUsers == 0) {
        return true;
    }
    if (--editorClassUsers == 0 && UnregisterClassW(kEditorWindowClassName, instance) == 0) {
        editorClassUsers = 1;
        return false;
    }
    return true;
}

} // namespace quillwave::plugins
