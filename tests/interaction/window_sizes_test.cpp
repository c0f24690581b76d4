// The Windows editor as real hosts treat it: sizes of their own choosing, and its window hidden
// under a drag.

#include "editor/dib_canvas.h"
#include "editor_window_fixture.h"
#include "host_sizes.h"
#include "support/plugin_instance.h"
#include "view_rect.h"

namespace quillwave::plugins {
namespace {

TEST_F(EditorWindow, AnySizeTheHostGivesIsTakenWithThePageFittedAndCentred) {
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    plugin->setTableValue(ParamId::FollowTransport, 0.0);
    HostEditLog host(*plugin);
    ViewUnderTest editor(*plugin);
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    const HWND child = editorWindow(parent.handle());
    bool following = false;
    for (const test::PlacedPage& p : test::kHostSizes) {
        SCOPED_TRACE(p.width);
        ViewRect given(0, 0, p.width, p.height);
        EXPECT_EQ(editor.view->onSize(&given), kResultOk);
        ViewRect reported;
        editor.view->getSize(&reported);
        EXPECT_EQ(reported, given);
        RECT client{};
        GetClientRect(child, &client);
        ASSERT_EQ(client.right, p.width);
        ASSERT_EQ(client.bottom, p.height);
        test::DibCanvas canvas(p.width, p.height);
        SendMessageW(child, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
        test::expectPlaced(p, [&](int x, int y) { return canvas.pixel(x, y); });
        click(child, p.x(634), p.y(133)); // "Follow DAW transport"
        following = !following;
        EXPECT_EQ(takeEdits(host), (std::vector<Edit>{{2, following ? 1.0 : 0.0}}));
    }
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

TEST_F(EditorWindow, ADragEndsWhenItsWindowOrTheHostsIsHidden) {
    const auto plugin = test::makePlugin(ModuleKind::Output);
    HostEditLog host(*plugin);
    ViewUnderTest editor(*plugin);
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    const HWND child = editorWindow(parent.handle());
    plugin->setTableValue(1, 0.0);
    for (const HWND hidden : {child, parent.handle()}) {
        press(child, 37, 400);
        ShowWindow(hidden, SW_HIDE);
        pumpMessages(150ms); // the timer sees what no message tells the child
        dragTo(child, 37 + 863, 400);
        EXPECT_EQ(test::oneGesture(host).values, (std::vector<double>{0.0}));
        host.clear();
        ShowWindow(hidden, SW_SHOW);
        release(child, 37, 400);
    }
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

} // namespace
} // namespace quillwave::plugins
