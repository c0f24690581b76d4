#pragma once

// The Linux window tests' fixture: one virtual display for the suite, a host with a real poll
// loop for each test, and the checks every test makes that nothing is left behind; with real
// pointer events through the server.

#include "editor/editor_view.h"
#include "editor/palette.h"
#include "host_edit_log.h"
#include "scripted_dialogs.h"
#include "view_under_test.h"

#include <X11/extensions/XTest.h>

#include <gtest/gtest.h>

#include "x11_host.h" // after GoogleTest: Xlib's macros would rename parts of it

namespace quillwave::plugins {

using namespace std::chrono_literals;
using test::Edit;
using test::PollingHost;
using test::TestDisplay;

inline constexpr FIDString kX11 = "X11EmbedWindowID";

inline ViewRect sizeOf(IPlugView* view) {
    ViewRect size;
    view->getSize(&size);
    return size;
}

class X11Editor : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sharedDisplay = new TestDisplay(); }
    static void TearDownTestSuite() {
        delete sharedDisplay;
        sharedDisplay = nullptr;
    }
    void SetUp() override { baselineClients = display.clientCount(); }
    void TearDown() override {
        EXPECT_EQ(host.eventHandlers(), 0u);
        EXPECT_EQ(host.timers(), 0u);
        EXPECT_TRUE(display.children().empty());
        expectClients(baselineClients);
    }

    // The server notices a closed connection a moment later.
    void expectClients(int expected) {
        for (int i = 0; i < 100 && display.clientCount() != expected; ++i) {
            host.run(10ms);
        }
        EXPECT_EQ(display.clientCount(), expected);
    }

    ::Window child() {
        const auto children = display.children();
        return children.size() == 1 ? children[0] : 0;
    }

    // Runs the host's loop until the editor window shows colour at (x, y); false when it does
    // not within three seconds (a loaded machine may be slow, a broken editor never gets there).
    bool showsAt(int x, int y, Rgb colour) {
        for (int i = 0; i < 150; ++i) {
            if (const ::Window window = child(); window != 0) {
                const auto image = display.grab(window);
                if (image.valid() && image.at(x, y) == colour) {
                    return true;
                }
            }
            host.run(20ms);
        }
        return false;
    }

    // Runs the host's loop until the editor has shown its first picture.
    void settle() { ASSERT_TRUE(showsAt(5, 5, palette::kHeaderBand)); }

    // Runs the host's loop until the host has seen `count` complete edits in all.
    void awaitEdits(const test::HostEditLog& log, std::size_t count) {
        host.run(3s, [&] { return log.entries().size() >= 3 * count; });
    }

    std::vector<Edit> takeEdits(test::HostEditLog& log) {
        auto edits = test::completeEdits(log);
        log.clear();
        return edits;
    }

    // Real pointer events through the server, each handled before the next.
    void pointerTo(int x, int y) {
        XTestFakeMotionEvent(display.display(), -1, TestDisplay::kLeft + x, TestDisplay::kTop + y,
                             CurrentTime);
        XSync(display.display(), False);
        host.run(60ms);
    }
    void button(bool down) {
        XTestFakeButtonEvent(display.display(), 1, down ? True : False, CurrentTime);
        XSync(display.display(), False);
        host.run(60ms);
    }
    void click(int x, int y) {
        pointerTo(x, y);
        button(true);
        button(false);
    }
    bool pointerGrabbedByAnother() {
        const int result =
            XGrabPointer(display.display(), DefaultRootWindow(display.display()), False,
                         ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
        XUngrabPointer(display.display(), CurrentTime);
        XSync(display.display(), False);
        return result == AlreadyGrabbed;
    }

    static inline TestDisplay* sharedDisplay = nullptr;
    TestDisplay& display = *sharedDisplay;
    PollingHost host;
    int baselineClients = 0;
};

} // namespace quillwave::plugins
