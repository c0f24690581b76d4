#pragma once

// The Windows window tests' fixture: one parent window for the suite, views with scripted
// dialogs, and mouse messages posted to the editor's window and handled before the next.

#include "content_scale.h"
#include "desktop_window.h"
#include "editor/editor_view.h"
#include "host_edit_log.h"
#include "scripted_dialogs.h"
#include "view_under_test.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillwave::plugins {

using namespace std::chrono_literals;
using test::completeEdits;
using test::Edit;
using test::editorClassRegistered;
using test::editorWindow;
using test::editorWindowCount;
using test::HostEditLog;
using test::ParentWindow;
using test::pumpMessages;
using test::pumpPending;
using test::scaleBy;
using test::ScriptedDialogs;

inline LPARAM point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

inline void press(HWND window, int x, int y) {
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, point(x, y));
    pumpPending();
}
inline void dragTo(HWND window, int x, int y) {
    PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, point(x, y));
    pumpPending();
}
inline void release(HWND window, int x, int y) {
    PostMessageW(window, WM_LBUTTONUP, 0, point(x, y));
    pumpPending();
}
inline void click(HWND window, int x, int y) {
    press(window, x, y);
    release(window, x, y);
}

// Sends a message straight to the window procedure and tells whether it left the window
// waiting for a repaint.
inline bool invalidates(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ValidateRect(window, nullptr);
    SendMessageW(window, message, wParam, lParam);
    return GetUpdateRect(window, nullptr, FALSE) != 0;
}

inline std::vector<Edit> takeEdits(HostEditLog& host) {
    auto edits = completeEdits(host);
    host.clear();
    return edits;
}

// One parent for the whole suite: without a window manager, wine waits up to two seconds for
// each top-level window it takes down.
class EditorWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sharedParent = new ParentWindow(); }
    static void TearDownTestSuite() {
        delete sharedParent;
        sharedParent = nullptr;
    }
    void TearDown() override {
        EXPECT_FALSE(editorClassRegistered());
        EXPECT_EQ(editorWindowCount(parent.handle()), 0);
    }

    static inline ParentWindow* sharedParent = nullptr;
    ParentWindow& parent = *sharedParent;
};

} // namespace quillwave::plugins
