// The Linux editor as real hosts treat it: sizes of their own choosing, windows hidden, destroyed
// or covered under it, and a window shown and resized in one turn of their loop.

#include "content_scale.h"
#include "host_sizes.h"
#include "support/plugin_instance.h"
#include "view_rect.h"
#include "x11_editor_fixture.h"

#include "editor/posix/x11_window.h" // after GoogleTest: Xlib's macros would rename parts of it

namespace quillwave::plugins {
namespace {

using test::scaleBy;

TEST_F(X11Editor, AnySizeTheHostGivesIsTakenWithThePageFittedAndCentred) {
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    plugin->setTableValue(ParamId::FollowTransport, 0.0);
    test::HostEditLog log(*plugin);
    ViewUnderTest editor(*plugin, &host);
    ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
    settle();
    host.roundUp = 1; // as a JUCE host gives 1201 x 726 for 1200 x 725
    ASSERT_EQ(scaleBy(editor.view, 1.25f), kResultTrue);
    bool following = false;
    for (const test::PlacedPage& p : test::kHostSizes) {
        SCOPED_TRACE(p.width);
        ViewRect given(0, 0, p.width, p.height);
        if (&p != &test::kHostSizes[0]) { // that one the host gave for the 1.25 x asked
            EXPECT_EQ(editor.view->onSize(&given), kResultOk);
        }
        EXPECT_EQ(sizeOf(editor.view), given);
        XWindowAttributes attributes{};
        ASSERT_NE(XGetWindowAttributes(display.display(), child(), &attributes), 0);
        ASSERT_EQ(attributes.width, p.width);
        ASSERT_EQ(attributes.height, p.height);
        ASSERT_TRUE(showsAt(p.x(5), p.y(5), palette::kHeaderBand));
        const auto image = display.grab(child());
        test::expectPlaced(p, [&](int x, int y) { return image.at(x, y); });
        click(p.x(634), p.y(133)); // "Follow DAW transport"
        awaitEdits(log, 1);
        following = !following;
        EXPECT_EQ(takeEdits(log), (std::vector<Edit>{{2, following ? 1.0 : 0.0}}));
    }
    // The factor given again changes nothing; a new one keeps the user's zoom of 600 / 580 at
    // 1.25 x, asked at 2 x.
    const std::size_t asked = host.resizes.size();
    ASSERT_EQ(scaleBy(editor.view, 1.25f), kResultTrue);
    EXPECT_EQ(host.resizes.size(), asked);
    EXPECT_EQ(sizeOf(editor.view), ViewRect(0, 0, 1500, 600));
    ASSERT_EQ(scaleBy(editor.view, 2.0f), kResultTrue);
    ASSERT_EQ(host.resizes.size(), asked + 1);
    EXPECT_EQ(host.resizes.back(), ViewRect(0, 0, 1589, 960));
    EXPECT_EQ(sizeOf(editor.view), ViewRect(0, 0, 1590, 961));
    // A host that grants a size without calling onSize: the view and its window take it.
    host.tellsView = false;
    ASSERT_EQ(scaleBy(editor.view, 1.0f), kResultTrue);
    EXPECT_EQ(sizeOf(editor.view), host.resizes.back());
    XWindowAttributes attributes{};
    ASSERT_NE(XGetWindowAttributes(display.display(), child(), &attributes), 0);
    EXPECT_EQ(attributes.width, host.resizes.back().getWidth());
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

TEST_F(X11Editor, ADragEndsWithItsWindowAndALaterPressEditsOnlyItsOwnControl) {
    const auto bank = test::makePlugin(ModuleKind::FaderBank);
    test::HostEditLog log(*bank);
    Display* const x = display.display();
    // The host's window that holds the editor, inside its top-level one.
    const ::Window holder = XCreateSimpleWindow(x, reinterpret_cast<::Window>(display.parent()), 0,
                                                0, 960, 580, 0, 0, 0);
    XMapWindow(x, holder);
    XSync(x, False);
    ViewUnderTest editor(*bank, &host);
    ASSERT_EQ(editor.view->attached(reinterpret_cast<void*>(holder), kX11), kResultOk);
    settle();
    // Hidden mid-drag and released while hidden, then shown again; then destroyed mid-drag.
    for (const bool destroy : {false, true}) {
        pointerTo(76, 445);
        button(true);
        destroy ? XDestroyWindow(x, holder) : XUnmapWindow(x, holder);
        XSync(x, False);
        host.run(200ms);
        button(false);
        ASSERT_EQ(log.entries().size(), 3u); // begin, the value at the press, end
        EXPECT_EQ(log.entries().back().call, test::HostEditLog::Call::End);
        log.clear();
        if (!destroy) {
            XMapWindow(x, holder);
            XSync(x, False);
            settle();
            pointerTo(190, 220); // strip 2's Mute, pressed, moved on and released
            button(true);
            pointerTo(190, 180);
            button(false);
            awaitEdits(log, 1);
            EXPECT_EQ(takeEdits(log), (std::vector<Edit>{{201, 1.0}}));
        }
    }
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

TEST_F(X11Editor, AWindowShownAndResizedInOneHostTurnIsDrawnWithoutPointerInput) {
    const auto plugin = test::makePlugin(ModuleKind::Output);
    ViewUnderTest editor(*plugin, &host);
    const auto hostWindow = reinterpret_cast<::Window>(display.parent());
    XUnmapWindow(display.display(), hostWindow);
    XSync(display.display(), False);
    ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
    host.run(100ms);
    // As a JUCE host does in one turn: shows its window, then sets its scale.
    XMapWindow(display.display(), hostWindow);
    XSync(display.display(), False);
    ASSERT_EQ(scaleBy(editor.view, 2.0f), kResultTrue);
    host.timersHeld = true; // only what the editor does at once may paint
    EXPECT_TRUE(showsAt(10, 10, palette::kHeaderBand));
    EXPECT_TRUE(showsAt(1919, 1159, palette::kWindowBackground));
    host.timersHeld = false;
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

// Tells the editor's connection, as the server would, that the host's window is covered or not.
void reportHostWindowCovered(Display* display, ::Window hostWindow, bool covered) {
    XEvent event{};
    event.xvisibility.type = VisibilityNotify;
    event.xvisibility.window = hostWindow;
    event.xvisibility.state = covered ? VisibilityFullyObscured : VisibilityUnobscured;
    XSendEvent(display, hostWindow, False, VisibilityChangeMask, &event);
    XSync(display, False);
}

TEST_F(X11Editor, ACoveredEditorDoesNothingWhileItsValuesChangeAndRepaintsWhenItShows) {
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    ViewUnderTest editor(*plugin, &host);
    ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
    settle();
    Display* const x = display.display();
    const auto hostWindow = reinterpret_cast<::Window>(display.parent());
    // Covered by another window, or the host's window is (as a plug-in window under the DAW's
    // main window is reported): no timer, no drawing, nothing sent to the server.
    const ::Window cover = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 2560, 1600, 0, 0, 0);
    for (const bool byWindow : {true, false}) {
        SCOPED_TRACE(byWindow);
        if (byWindow) {
            XMapRaised(x, cover);
            XSync(x, False);
        } else {
            reportHostWindowCovered(x, hostWindow, true);
        }
        host.run(100ms);
        const std::uint64_t before = framesPresented();
        for (int i = 0; i < 20; ++i) {
            plugin->setTableValue(ParamId::FollowTransport, i % 2);
            host.run(50ms);
            EXPECT_EQ(host.timers(), 0u);
        }
        EXPECT_EQ(framesPresented(), before);
        plugin->setTableValue(ParamId::FollowTransport, byWindow ? 1.0 : 0.0);
        if (byWindow) {
            XUnmapWindow(x, cover);
            XSync(x, False);
        } else {
            reportHostWindowCovered(x, hostWindow, false);
        }
        EXPECT_TRUE(showsAt(502, 117,
                            byWindow ? palette::kButtonActiveFace : palette::kButtonInactiveFace));
    }
    XDestroyWindow(x, cover);
    XSync(x, False);
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

} // namespace
} // namespace quillwave::plugins
