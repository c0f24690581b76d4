// The editor view in a real window under a real message loop: embedding, the shared class,
// timer repaints, closing from another thread, mouse messages and printing.

#include "content_scale.h"
#include "desktop_window.h"
#include "editor/dib_canvas.h"
#include "editor/editor_layout.h"
#include "editor/editor_view.h"
#include "editor/palette.h"
#include "editor/win32/win32_dialogs.h"
#include "editor_window_fixture.h"
#include "gdi_census.h"
#include "host_edit_log.h"
#include "scripted_dialogs.h"
#include "support/test_host.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace quillwave::plugins {
namespace {

TEST_F(EditorWindow, AttachedCreatesOneFixedChildAndRemovedDestroysIt) {
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    ViewUnderTest editor(*plugin);
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    const HWND child = editorWindow(parent.handle());
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(editorClassRegistered());
    EXPECT_EQ(GetParent(child), parent.handle());
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_EQ(GetWindowLongW(child, GWL_STYLE) & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
    RECT client{};
    GetClientRect(child, &client);
    EXPECT_EQ(client.right, 960);
    EXPECT_EQ(client.bottom, 580);
    RECT frame{};
    GetWindowRect(child, &frame);
    MapWindowPoints(HWND_DESKTOP, parent.handle(), reinterpret_cast<POINT*>(&frame), 2);
    EXPECT_EQ(frame.left, 0);
    EXPECT_EQ(frame.top, 0);
    wchar_t title[32]{};
    GetWindowTextW(child, title, 32);
    EXPECT_STREQ(title, L"QUILLWAVE");

    // A second attached is refused and makes no second window.
    EXPECT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultFalse);
    EXPECT_EQ(editorWindowCount(parent.handle()), 1);

    pumpMessages(100ms);
    EXPECT_EQ(editor.view->removed(), kResultOk);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(editorWindowCount(parent.handle()), 0);
    EXPECT_FALSE(editorClassRegistered());
    EXPECT_EQ(editor.view->removed(), kResultOk); // nothing left to remove

    // The same view can be attached again.
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    EXPECT_EQ(editorWindowCount(parent.handle()), 1);
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

TEST_F(EditorWindow, BadParentsAndTypesAreRefusedAndRegisterNothing) {
    const auto plugin = test::makePlugin(ModuleKind::Output);
    ViewUnderTest editor(*plugin);
    int notAWindow = 0;
    EXPECT_EQ(editor.view->attached(nullptr, "HWND"), kResultFalse);
    EXPECT_EQ(editor.view->attached(&notAWindow, "HWND"), kResultFalse);
    for (const FIDString type : {static_cast<FIDString>(nullptr), "hwnd", "NSView", ""}) {
        EXPECT_EQ(editor.view->attached(parent.handle(), type), kResultFalse);
    }
    EXPECT_FALSE(editorClassRegistered());
    EXPECT_EQ(editorWindowCount(parent.handle()), 0);
    // Nothing was left half done: a proper parent still works.
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

TEST_F(EditorWindow, ViewsShareTheClassUntilTheLastOneGoes) {
    const auto recorder = test::makePlugin(ModuleKind::Recorder);
    const auto bank = test::makePlugin(ModuleKind::FaderBank);
    ViewUnderTest first(*recorder);
    ViewUnderTest second(*bank);
    ASSERT_EQ(first.view->attached(parent.handle(), "HWND"), kResultOk);
    ASSERT_EQ(second.view->attached(parent.handle(), "HWND"), kResultOk);
    EXPECT_EQ(editorWindowCount(parent.handle()), 2);
    pumpMessages(50ms);
    EXPECT_EQ(first.view->removed(), kResultOk);
    EXPECT_TRUE(editorClassRegistered());
    EXPECT_EQ(editorWindowCount(parent.handle()), 1);
    pumpMessages(50ms);
    EXPECT_EQ(second.view->removed(), kResultOk);
    EXPECT_FALSE(editorClassRegistered());
}

TEST_F(EditorWindow, ReleasingAnAttachedViewClosesItsWindowAndGivesUpTheClass) {
    const auto plugin = test::makePlugin(ModuleKind::Player);
    ViewUnderTest editor(*plugin);
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    const HWND child = editorWindow(parent.handle());
    pumpMessages(50ms);
    editor.view = nullptr;
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(editorClassRegistered());
}

TEST_F(EditorWindow, ADestroyedParentTakesTheWindowAlongAndRemovedStillSucceeds) {
    // The host's own frame inside its top-level window, destroyed before the host says removed.
    const HWND frame =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 980, 600, parent.handle(),
                        nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(frame, nullptr);
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    ViewUnderTest editor(*plugin);
    ASSERT_EQ(editor.view->attached(frame, "HWND"), kResultOk);
    const HWND child = editorWindow(frame);
    pumpMessages(50ms);
    DestroyWindow(frame);
    EXPECT_FALSE(IsWindow(child));
    pumpMessages(100ms); // no timer of a dead window fires into the view
    EXPECT_EQ(editor.view->removed(), kResultOk);
    EXPECT_FALSE(editorClassRegistered());
}

TEST_F(EditorWindow, TheHostMayCloseAndReleaseTheViewWhileItsFileDialogIsOpen) {
    test::TempFolder folder;
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    ViewUnderTest editor(*plugin);
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    const HWND child = editorWindow(parent.handle());
    editor.dialogs->answers.push_back(test::u16path(folder / "late.wav"));
    editor.dialogs->whileOpen = [&] {
        EXPECT_EQ(editor.view->removed(), kResultOk);
        editor.view = nullptr; // the host's last reference
    };
    click(child, 100, 130); // the file button
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(editorClassRegistered());
    // The choice made in the dialog still reached the module.
    EXPECT_EQ(plugin->filePath(), test::u16path(folder / "late.wav"));
}

TEST_F(EditorWindow, TheTimerRepaintsEvery33MsForTheRecorderAnd100MsOtherwise) {
    const auto countPaints = [&](ModuleKind kind) {
        const auto plugin = test::makePlugin(kind);
        ViewUnderTest editor(*plugin);
        EXPECT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
        const HWND child = editorWindow(parent.handle());
        pumpMessages(150ms); // the first paint and any settling
        // A value that changes all the time, as meters do while recording.
        std::atomic<bool> done{false};
        std::thread automation([&] {
            const bool recorder = kind == ModuleKind::Recorder;
            for (int i = 0; !done; ++i) {
                plugin->setTableValue(recorder ? ParamId::MaximumTail : ParamId::Gain,
                                      (i % 100) / 100.0);
                std::this_thread::sleep_for(1ms);
            }
        });
        const test::PumpCounts counts = pumpMessages(1000ms, child);
        done = true;
        automation.join();
        EXPECT_EQ(editor.view->removed(), kResultOk);
        return counts;
    };
    const auto recorder = countPaints(ModuleKind::Recorder);
    const auto output = countPaints(ModuleKind::Output);
    // About 30 and 10 a second; the bounds leave room for a loaded machine.
    EXPECT_GE(recorder.timers, 12);
    EXPECT_LE(recorder.timers, 32);
    EXPECT_GE(recorder.paints, 12);
    EXPECT_LE(recorder.paints, 32);
    EXPECT_GE(output.timers, 4);
    EXPECT_LE(output.timers, 11);
    EXPECT_GE(output.paints, 4);
    EXPECT_LE(output.paints, output.timers + 5); // a few more may settle the first frame
    EXPECT_GT(recorder.paints, output.paints + 5);
}

TEST_F(EditorWindow, TimerTicksMouseDownsAndDragMovesInvalidateTheWholeWindow) {
    const auto plugin = test::makePlugin(ModuleKind::Output);
    ViewUnderTest editor(*plugin);
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    const HWND child = editorWindow(parent.handle());
    pumpMessages(50ms);
    invalidates(child, WM_TIMER, 1, 0);
    EXPECT_FALSE(invalidates(child, WM_TIMER, 1, 0)); // nothing changed: nothing to paint
    plugin->setTableValue(ParamId::Gain, 0.25);
    EXPECT_TRUE(invalidates(child, WM_TIMER, 7, 0)); // whatever the id
    EXPECT_FALSE(invalidates(child, WM_TIMER, 1, 0));
    ShowWindow(child, SW_HIDE);
    plugin->setTableValue(ParamId::Gain, 0.5);
    EXPECT_FALSE(invalidates(child, WM_TIMER, 1, 0)); // hidden: no paint
    ShowWindow(child, SW_SHOW);
    EXPECT_TRUE(invalidates(child, WM_LBUTTONDOWN, MK_LBUTTON, point(900, 20))); // empty space
    SendMessageW(child, WM_LBUTTONUP, 0, point(900, 20));
    EXPECT_TRUE(invalidates(child, WM_MOUSEMOVE, MK_LBUTTON, point(5, 5))); // no drag either
    EXPECT_FALSE(invalidates(child, WM_MOUSEMOVE, 0, point(5, 5)));
    ValidateRect(child, nullptr);
    EXPECT_EQ(SendMessageW(child, WM_ERASEBKGND, 0, 0), 1);
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

// Counts the close requests that reach the editor window on this thread.
std::atomic<int> closeRequestsSeen{0};
LRESULT CALLBACK watchCloseRequests(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == kCloseRequest) {
        ++closeRequestsSeen;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(EditorWindow, RemovedOnAnotherThreadClosesThroughTheWindowsOwnThread) {
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    ViewUnderTest editor(*plugin);
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    const HWND child = editorWindow(parent.handle());
    pumpMessages(50ms);
    const HHOOK hook =
        SetWindowsHookExW(WH_CALLWNDPROC, watchCloseRequests, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    closeRequestsSeen = 0;

    std::atomic<bool> done{false};
    tresult result = kResultFalse;
    std::thread host([&] {
        result = editor.view->removed();
        done = true;
    });
    pumpMessages(10s, nullptr, [&] { return done.load(); });
    host.join();
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(result, kResultOk);
    EXPECT_EQ(closeRequestsSeen.load(), 1);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(editorClassRegistered());

    // The last reference may also go on another thread while attached.
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    const HWND again = editorWindow(parent.handle());
    done = false;
    std::thread releaser([&] {
        editor.view = nullptr;
        done = true;
    });
    pumpMessages(10s, nullptr, [&] { return done.load(); });
    releaser.join();
    EXPECT_FALSE(IsWindow(again));
}

TEST_F(EditorWindow, StripFaderPressesAndDragsEditLikeTheNativeHandling) {
    const auto plugin = test::makePlugin(ModuleKind::FaderBank);
    HostEditLog host(*plugin);
    ViewUnderTest editor(*plugin);
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    const HWND child = editorWindow(parent.handle());
    pumpMessages(50ms);

    constexpr double kUnity = 15.0 / 17.0;
    const int capY = layout::stripCapCentreY(kUnity);
    click(child, 76, capY + 24);
    EXPECT_EQ(takeEdits(host), (std::vector<Edit>{{100, kUnity}}));
    click(child, 76, capY + 25);
    EXPECT_EQ(takeEdits(host), (std::vector<Edit>{{100, 1.0 - (capY + 25 - 258) / 187.0}}));

    plugin->setTableValue(100, 0.0);
    press(child, 76, 445);
    EXPECT_EQ(GetCapture(), child);
    dragTo(child, 76, 445 - 187);
    dragTo(child, 76, -50); // above the window: signed coordinates, still clamped at the top
    dragTo(child, 76, 445 - 93);
    PostMessageW(child, WM_MOUSEMOVE, 0, point(76, 300)); // button not held: no edit
    pumpPending();
    release(child, 76, 352);
    EXPECT_EQ(GetCapture(), nullptr);
    dragTo(child, 76, 258); // after the release nothing is dragged
    // The whole drag is one gesture for the host: begin at the press, one perform per move.
    test::expectStripDragUpAndBack(host);
    host.clear();

    click(child, 60, 220); // mute of strip 1
    plugin->setTableValue(0, 0.0);
    click(child, 670, 118); // "−" with one strip
    EXPECT_EQ(takeEdits(host), (std::vector<Edit>{{200, 1.0}, {0, 0.0}}));
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

TEST_F(EditorWindow, LosingTheCaptureEndsTheDrag) {
    const auto plugin = test::makePlugin(ModuleKind::Output);
    HostEditLog host(*plugin);
    ViewUnderTest editor(*plugin);
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    const HWND child = editorWindow(parent.handle());
    pumpMessages(50ms);

    plugin->setTableValue(1, 0.0);
    press(child, 37, 400);
    EXPECT_EQ(GetCapture(), child);
    dragTo(child, 37 + 863, 400);
    SetCapture(parent.handle()); // another window takes the mouse
    dragTo(child, 37 + 100, 400);
    const test::Gesture drag = test::oneGesture(host); // ended by the capture's loss
    host.clear();
    EXPECT_EQ(drag.values, (std::vector<double>{0.0, 1.0}));
    ReleaseCapture();

    // A drag the view's removal cuts short still ends its gesture.
    press(child, 37, 400);
    EXPECT_EQ(editor.view->removed(), kResultOk);
    EXPECT_EQ(test::oneGesture(host).values, (std::vector<double>{0.0}));
}

TEST_F(EditorWindow, SummingCountButtonsReactOnePixelBeyondTheirFace) {
    const auto plugin = test::makePlugin(ModuleKind::Summing);
    HostEditLog host(*plugin);
    ViewUnderTest editor(*plugin);
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    const HWND child = editorWindow(parent.handle());
    plugin->setTableValue(0, 3.0 / 63.0);
    click(child, 98, 266);
    click(child, 99, 266);
    click(child, 181, 222);
    EXPECT_EQ(takeEdits(host), (std::vector<Edit>{{0, 2.0 / 63.0}, {0, 3.0 / 63.0}}));
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

TEST_F(EditorWindow, RecorderButtonsEditAndRefuseLikeTheNativeHandling) {
    test::TempFolder folder;
    test::TestHost::Config config;
    config.kind = ModuleKind::Recorder;
    config.maxBlock = 64;
    test::TestHost module(config);
    HostEditLog host(module.plugin());
    ViewUnderTest editor(module.plugin());
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    const HWND child = editorWindow(parent.handle());

    click(child, 280, 130); // Record without a destination
    EXPECT_TRUE(takeEdits(host).empty());
    ASSERT_EQ(editor.dialogs->messages.size(), 1u);
    EXPECT_EQ(editor.dialogs->messages[0].text,
              u"Choose a new WAV destination first. The recorder prepares it before recording "
              u"starts.");
    EXPECT_EQ(editor.dialogs->messages[0].caption, u"QUILLWAVE");

    editor.dialogs->answers.push_back(test::u16path(folder / "take.wav"));
    click(child, 100, 130); // file button
    EXPECT_EQ(editor.dialogs->asked, std::vector{WavDialog::Save});
    ASSERT_TRUE(module.plugin().recorder().ready());
    click(child, 280, 130);
    click(child, 420, 130);
    EXPECT_EQ(takeEdits(host), (std::vector<Edit>{{2, 0.0}, {3, 1.0}, {3, 0.0}, {2, 0.0}}));

    module.plugin().setTableValue(401, 5.0 / 3600.0);
    click(child, 168, 511); // "Tail −", its inclusive corner
    module.plugin().setTableValue(401, 3598.0 / 3600.0);
    click(child, 250, 490); // "Tail +"
    const auto tails = takeEdits(host);
    ASSERT_EQ(tails.size(), 2u);
    EXPECT_NEAR(tails[0].value * 3600.0, 1.0, 1e-9);
    EXPECT_EQ(tails[1], (Edit{401, 1.0}));

    // Pre-record steps by whole seconds within 0..10 s.
    click(child, 100, 540); // "Pre-record −" at 0 s stays there
    module.plugin().setTableValue(403, 0.3);
    click(child, 250, 540); // "Pre-record +"
    module.plugin().setTableValue(403, 1.0);
    click(child, 250, 540);
    const auto preRecord = takeEdits(host);
    ASSERT_EQ(preRecord.size(), 3u);
    EXPECT_EQ(preRecord[0], (Edit{403, 0.0}));
    EXPECT_NEAR(preRecord[1].value * 10.0, 4.0, 1e-9);
    EXPECT_EQ(preRecord[2], (Edit{403, 1.0}));
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

// A host frame that resizes as hosts do: it notes the size and tells the view through onSize.
class ResizingFrame final : public IPlugFrame {
public:
    tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) override {
        resizes.push_back(*newSize);
        return view->onSize(newSize);
    }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
    std::vector<ViewRect> resizes;
};

TEST_F(EditorWindow, AHostsScaleResizesTheWindowWhichPaintsAndEditsAtTheDoubledPoints) {
    test::TempFolder folder;
    const auto recorder = test::makePlugin(ModuleKind::Recorder);
    std::string error;
    ASSERT_TRUE(recorder->chooseFile(test::u16path(folder / "take.wav"), error)) << error;
    ResizingFrame frame;
    HostEditLog host(*recorder);
    {
        ViewUnderTest editor(*recorder);
        editor.view->setFrame(&frame);
        ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
        const HWND child = editorWindow(parent.handle());
        pumpMessages(50ms);
        ValidateRect(child, nullptr);
        ASSERT_EQ(scaleBy(editor.view, 2.0f), kResultTrue);
        ASSERT_EQ(frame.resizes.size(), 1u);
        EXPECT_EQ(frame.resizes[0].getWidth(), 1920);
        EXPECT_EQ(frame.resizes[0].getHeight(), 1160);
        RECT client{};
        GetClientRect(child, &client);
        EXPECT_EQ(client.right, 1920);
        EXPECT_EQ(client.bottom, 1160);
        EXPECT_NE(GetUpdateRect(child, nullptr, FALSE), 0); // a repaint at the new size

        test::DibCanvas canvas(1920, 1160); // the picture fills the new size
        SendMessageW(child, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
        EXPECT_EQ(canvas.pixel(1919, 1159), palette::kWindowBackground);
        click(child, 560, 260); // Record
        EXPECT_EQ(takeEdits(host), (std::vector<Edit>{{2, 0.0}, {3, 1.0}}));
        EXPECT_EQ(editor.view->removed(), kResultOk);
    }

    // Twice the distance moves a fader as far as the design's distance does at 1 x.
    const auto bank = test::makePlugin(ModuleKind::FaderBank);
    HostEditLog bankHost(*bank);
    ViewUnderTest editor(*bank);
    editor.view->setFrame(&frame);
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    ASSERT_EQ(scaleBy(editor.view, 2.0f), kResultTrue);
    const HWND child = editorWindow(parent.handle());
    bank->setTableValue(100, 0.0);
    press(child, 152, 890);
    dragTo(child, 152, 890 - 2 * 93);
    dragTo(child, 152, 890 - 2 * 187);
    release(child, 152, 890 - 2 * 187);
    const test::Gesture drag = test::oneGesture(bankHost);
    ASSERT_EQ(drag.values.size(), 3u);
    EXPECT_EQ(drag.values[0], 0.0);
    EXPECT_DOUBLE_EQ(drag.values[1], 93.0 / 187.0);
    EXPECT_EQ(drag.values[2], 1.0);
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

TEST_F(EditorWindow, PrintClientPaintsTheWholePictureIntoTheGivenContext) {
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    ViewUnderTest editor(*plugin);
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    const HWND child = editorWindow(parent.handle());
    test::DibCanvas canvas(960, 580);
    const RECT all{0, 0, 960, 580};
    const HBRUSH marker = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(canvas.dc(), &all, marker);
    DeleteObject(marker);

    EXPECT_EQ(
        SendMessageW(child, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT), 0);
    int unpainted = 0;
    for (int i = 0; i < 960 * 580; ++i) {
        unpainted += (canvas.bits()[i] & 0xFFFFFF) == 0xFF00FF ? 1 : 0;
    }
    EXPECT_EQ(unpainted, 0);
    EXPECT_EQ(canvas.pixel(5, 5), palette::kHeaderBand);
    EXPECT_EQ(canvas.pixel(950, 575), palette::kWindowBackground);
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

TEST_F(EditorWindow, ThePaintCycleShowsThePictureOnScreen) {
    const auto plugin = test::makePlugin(ModuleKind::Output);
    ViewUnderTest editor(*plugin);
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    const HWND child = editorWindow(parent.handle());
    InvalidateRect(child, nullptr, FALSE);
    UpdateWindow(child);
    const HDC dc = GetDC(child);
    const auto colour = [&](int x, int y) {
        const COLORREF c = GetPixel(dc, x, y);
        return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)};
    };
    EXPECT_EQ(colour(5, 5), palette::kHeaderBand);
    EXPECT_EQ(colour(500, 87), palette::kHeaderSeparator);
    EXPECT_EQ(colour(959, 579), palette::kWindowBackground);
    ReleaseDC(child, dc);
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

TEST_F(EditorWindow, AViewsWholeLifeLeavesNoGdiObjectsOrClassBehind) {
    // Windows counts the process's objects; wine does not (always 0), so the census counts what
    // this program creates and deletes as well.
    const auto gdiObjects = [] { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); };
    const auto userObjects = [] { return GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS); };
    // Warm up whatever the system caches on first use (fonts, stock objects).
    {
        const auto plugin = test::makePlugin(ModuleKind::Recorder);
        ViewUnderTest editor(*plugin);
        ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
        pumpMessages(150ms);
        EXPECT_EQ(editor.view->removed(), kResultOk);
    }
    pumpPending();
    const DWORD gdiBefore = gdiObjects();
    const DWORD userBefore = userObjects();
    const test::GdiCensus census;
    ASSERT_TRUE(census.counting());
    for (const ModuleKind kind : test::kAllKinds) {
        const auto plugin = test::makePlugin(kind);
        ViewUnderTest editor(*plugin);
        ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
        const HWND child = editorWindow(parent.handle());
        pumpMessages(120ms); // timer paints
        click(child, 500, 300);
        pumpPending();
        {
            test::DibCanvas canvas(960, 580);
            SendMessageW(child, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
        }
        EXPECT_EQ(editor.view->removed(), kResultOk);
        pumpPending();
        EXPECT_EQ(census.live(), 0u) << static_cast<int>(kind);
    }
    EXPECT_GT(census.created(), 8 * 200); // every paint makes hundreds, so the census saw them
    EXPECT_EQ(gdiObjects(), gdiBefore);
    EXPECT_EQ(userObjects(), userBefore);
    EXPECT_FALSE(editorClassRegistered());
}

TEST_F(EditorWindow, OneOffscreenImageServesEveryPaintUntilTheSizeOrFormatChanges) {
    const test::GdiCensus census;
    ASSERT_TRUE(census.counting());
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    ViewUnderTest editor(*plugin);
    ASSERT_EQ(editor.view->attached(parent.handle(), "HWND"), kResultOk);
    const HWND child = editorWindow(parent.handle());
    // Paints for a while a picture that changes all the time, as meters do while recording.
    const auto paintsWhileChanging = [&] {
        std::atomic<bool> done{false};
        std::thread automation([&] {
            for (int i = 0; !done; ++i) {
                plugin->setTableValue(ParamId::MaximumTail, (i % 100) / 100.0);
                std::this_thread::sleep_for(1ms);
            }
        });
        const int paints = pumpMessages(400ms, child).paints;
        done = true;
        automation.join();
        pumpMessages(100ms); // the last change painted
        return paints;
    };
    EXPECT_GE(paintsWhileChanging(), 5);
    EXPECT_EQ(census.bitmaps(), 1);
    EXPECT_EQ(census.live(), 2u); // the image and its context, between paints

    ASSERT_EQ(scaleBy(editor.view, 2.0f), kResultTrue);
    EXPECT_GE(paintsWhileChanging(), 5);
    EXPECT_EQ(census.bitmaps(), 2);
    EXPECT_EQ(census.live(), 2u); // the old size's image is gone

    SendMessageW(child, WM_DISPLAYCHANGE, 16, MAKELPARAM(1920, 1080));
    pumpPending();
    EXPECT_EQ(census.bitmaps(), 3);

    // Out of bitmaps a frame is skipped; the next tick paints again though nothing changed.
    census.failBitmaps(true);
    SendMessageW(child, WM_DISPLAYCHANGE, 32, MAKELPARAM(1920, 1080));
    pumpPending();
    EXPECT_EQ(census.live(), 0u);
    census.failBitmaps(false);
    EXPECT_TRUE(invalidates(child, WM_TIMER, 1, 0));
    pumpPending();
    EXPECT_EQ(census.bitmaps(), 4);

    EXPECT_EQ(editor.view->removed(), kResultOk);
    EXPECT_EQ(census.live(), 0u);
}

TEST(WavDialogSettings, OneWavFilterAFullPathBufferAndNoOverwritePrompt) {
    std::vector<wchar_t> buffer;
    const HWND owner = reinterpret_cast<HWND>(0x1234);
    const OPENFILENAMEW save = wavDialogSettings(owner, WavDialog::Save, buffer);
    EXPECT_EQ(save.lStructSize, sizeof(OPENFILENAMEW));
    EXPECT_EQ(save.hwndOwner, owner);
    ASSERT_NE(save.lpstrFilter, nullptr);
    EXPECT_EQ(std::wstring(save.lpstrFilter, 18), std::wstring(L"WAV audio\0*.wav\0\0", 18));
    EXPECT_EQ(save.lpstrFile, buffer.data());
    EXPECT_EQ(save.nMaxFile, 32768u);
    EXPECT_EQ(buffer.size(), 32768u);
    EXPECT_EQ(buffer[0], L'\0');
    EXPECT_STREQ(save.lpstrDefExt, L"wav");
    EXPECT_EQ(save.lpstrTitle, nullptr);
    EXPECT_EQ(save.lpstrInitialDir, nullptr);
    EXPECT_EQ(save.Flags, static_cast<DWORD>(OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR));
    EXPECT_EQ(save.Flags & OFN_OVERWRITEPROMPT, 0u);

    const OPENFILENAMEW open = wavDialogSettings(owner, WavDialog::Open, buffer);
    EXPECT_EQ(open.Flags, static_cast<DWORD>(OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                                             OFN_FILEMUSTEXIST));
}

TEST(MessageBoxStyle, EachSeverityHasItsIcon) {
    EXPECT_EQ(messageBoxStyle(MessageSeverity::Plain), static_cast<UINT>(MB_OK));
    EXPECT_EQ(messageBoxStyle(MessageSeverity::Information),
              static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(messageBoxStyle(MessageSeverity::Error), static_cast<UINT>(MB_OK | MB_ICONERROR));
}

} // namespace
} // namespace quillwave::plugins
