// The Linux editor view in a real X11 window on a virtual display, driven by a host's poll loop:
// embedding, the run loop's handlers, what is left behind, the pixels on screen and real pointer
// events.

#include "content_scale.h"
#include "editor/editor_view.h"
#include "editor/palette.h"
#include "editor/plugin_editor_model.h"
#include "editor/posix/cairo_picture.h"
#include "host_edit_log.h"
#include "scripted_dialogs.h"
#include "stub_helpers.h"
#include "support/test_host.h"
#include "support/wav_file.h"
#include "x11_editor_fixture.h"
#include "x11_host.h"

#include <X11/Xatom.h>

#include <X11/extensions/XTest.h>

#include <gtest/gtest.h>

#include "editor/posix/x11_window.h" // after GoogleTest: Xlib's macros would rename parts of it

#include <algorithm>
#include <cmath>
#include <csignal>
#include <fstream>

namespace quillwave::plugins {
namespace {

using test::scaleBy;

TEST_F(X11Editor, AttachedMakesOneFixedChildAndRemovedLeavesNothingBehind) {
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    ViewUnderTest editor(*plugin, &host);
    ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
    const ::Window window = child();
    ASSERT_NE(window, 0u);
    XWindowAttributes attributes{};
    ASSERT_NE(XGetWindowAttributes(display.display(), window, &attributes), 0);
    EXPECT_EQ(attributes.x, 0);
    EXPECT_EQ(attributes.y, 0);
    EXPECT_EQ(attributes.width, 960);
    EXPECT_EQ(attributes.height, 580);
    EXPECT_EQ(attributes.map_state, IsViewable);
    EXPECT_EQ(display.clientCount(), baselineClients + 1); // a connection of its own
    EXPECT_EQ(host.eventHandlers(), 1u);
    EXPECT_EQ(host.timers(), 1u);

    // A second attached is refused and makes nothing.
    EXPECT_EQ(editor.view->attached(display.parent(), kX11), kResultFalse);
    EXPECT_EQ(display.children().size(), 1u);
    EXPECT_EQ(host.eventHandlers() + host.timers(), 2u);

    settle();
    EXPECT_EQ(editor.view->removed(), kResultOk);
    EXPECT_TRUE(display.children().empty());
    EXPECT_EQ(host.eventHandlers() + host.timers(), 0u);
    expectClients(baselineClients);
    EXPECT_EQ(editor.view->removed(), kResultOk); // nothing left to remove

    // The same view attaches again, and the host's last reference closes it.
    ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
    settle();
    editor.view = nullptr;
}

TEST_F(X11Editor, AttachedIsRefusedWithoutARunLoopAndForBadArguments) {
    const auto plugin = test::makePlugin(ModuleKind::Output);
    PollingHost noRunLoop(false);
    ViewUnderTest bare(*plugin, nullptr);
    EXPECT_EQ(bare.view->attached(display.parent(), kX11), kResultFalse);
    bare.view->setFrame(&noRunLoop);
    EXPECT_EQ(bare.view->attached(display.parent(), kX11), kResultFalse);

    ViewUnderTest editor(*plugin, &host);
    const auto noSuchWindow = reinterpret_cast<void*>(std::uintptr_t{0x7ffffff0});
    EXPECT_EQ(editor.view->attached(noSuchWindow, kX11), kResultFalse);
    EXPECT_EQ(editor.view->attached(nullptr, kX11), kResultFalse);
    EXPECT_EQ(editor.view->attached(display.parent(), "HWND"), kResultFalse);
    EXPECT_EQ(host.eventHandlers() + host.timers(), 0u);
    EXPECT_TRUE(display.children().empty());
    // Nothing was left half done: a proper parent still works.
    ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

TEST_F(X11Editor, TheTimerRepaintsAtThePagesInterval) {
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    ViewUnderTest editor(*plugin, &host);
    ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
    EXPECT_EQ(host.intervals, std::vector<Linux::TimerInterval>{33});
    settle();
    // Only the timer can show a change the editor did not make itself.
    for (const bool follow : {false, true, false}) {
        plugin->setTableValue(ParamId::FollowTransport, follow ? 1.0 : 0.0);
        EXPECT_TRUE(
            showsAt(502, 117, follow ? palette::kButtonActiveFace : palette::kButtonInactiveFace));
    }
    EXPECT_EQ(editor.view->removed(), kResultOk);

    const auto output = test::makePlugin(ModuleKind::Output);
    ViewUnderTest other(*output, &host);
    ASSERT_EQ(other.view->attached(display.parent(), kX11), kResultOk);
    EXPECT_EQ(host.intervals.back(), 100u);
    const int ticks = host.run(1000ms);
    EXPECT_GE(ticks, 5); // about 10; a loaded machine may let some pass
    EXPECT_LE(ticks, 11);
    EXPECT_EQ(other.view->removed(), kResultOk);
}

TEST_F(X11Editor, ExposureRepaintsWithoutWaitingForTheTimer) {
    const auto plugin = test::makePlugin(ModuleKind::Output);
    ViewUnderTest editor(*plugin, &host);
    ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
    settle();
    host.timersHeld = true;
    // Another client scribbles over the editor, then the server asks it to repaint.
    GC gc = XCreateGC(display.display(), child(), 0, nullptr);
    XSetForeground(display.display(), gc, 0x00FF00FF);
    XFillRectangle(display.display(), child(), gc, 0, 0, 960, 580);
    XFreeGC(display.display(), gc);
    XSync(display.display(), False);
    ASSERT_EQ(display.grab(child()).at(5, 5), (Rgb{255, 0, 255}));
    XClearArea(display.display(), child(), 0, 0, 0, 0, True);
    XSync(display.display(), False);
    EXPECT_TRUE(showsAt(5, 5, palette::kHeaderBand));
    EXPECT_EQ(display.grab(child()).at(950, 575), palette::kWindowBackground);
    host.timersHeld = false;
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

TEST_F(X11Editor, TheWindowShowsTheCairoPictureAtTheKnownPoints) {
    // A recording recorder whose right input clips, as the GDI pixel tests paint it.
    test::TempFolder folder;
    test::TestHost::Config config;
    config.maxBlock = 64;
    test::TestHost module(config);
    std::string error;
    ASSERT_TRUE(module.plugin().chooseFile(test::u16path(folder / "take.wav"), error)) << error;
    ASSERT_EQ(module.component->setActive(true), kResultOk);
    ASSERT_EQ(module.processor->setProcessing(true), kResultOk);
    module.fillInput(64, [](int, int c) { return c == 0 ? 0.3 : 1.0; });
    ASSERT_EQ(module.run(64, true), kResultOk);
    ASSERT_TRUE(module.plugin().recorder().recording());

    ViewUnderTest editor(module.plugin(), &host);
    ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
    settle();
    const auto image = display.grab(child());
    ASSERT_TRUE(image.valid());
    const std::pair<std::pair<int, int>, Rgb> known[] = {
        {{950, 575}, palette::kWindowBackground},   {{5, 5}, palette::kHeaderBand},
        {{500, 87}, palette::kHeaderSeparator},     {{500, 88}, palette::kWindowBackground},
        {{366, 117}, palette::kButtonInactiveFace}, // Stop
        {{226, 117}, palette::kButtonActiveFace},   // Record while recording
        {{502, 117}, palette::kButtonActiveFace},   // Follow DAW transport
        {{362, 140}, palette::kButtonLeftEdge},     {{400, 112}, palette::kButtonTopEdge},
        {{53, 249}, palette::kStateRecording},      {{53, 241}, Rgb{0, 0, 0}},
        {{40, 225}, palette::kRecorderStatePanel},  {{761, 380}, palette::kMeterHot},
        {{701, 380}, palette::kMeterWarm},          {{300, 380}, palette::kMeterCool},
        {{759, 380}, palette::kMeterWell},          {{900, 377}, palette::kClipBoxLit},
        {{900, 340}, palette::kClipBoxDark},        {{131, 392}, palette::kMeterRms},
        {{129, 350}, palette::kMeterFrame},
    };
    for (const auto& [point, colour] : known) {
        EXPECT_EQ(image.at(point.first, point.second), colour)
            << point.first << ", " << point.second;
    }
    // Every pixel on screen is the off-screen picture's: one exact copy, nothing of the parent.
    // The writer thread may still move the counters: compare again after the next repaint.
    PluginEditorModel model(module.plugin());
    const auto differentPixels = [&] {
        std::uint32_t page = 0;
        const CairoPicture picture = paintPicture(model, page);
        const auto screen = display.grab(child());
        const auto* pixels = cairo_image_surface_get_data(picture.get());
        const int stride = cairo_image_surface_get_stride(picture.get());
        int different = 0;
        for (int y = 0; y < 580; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(pixels + y * stride);
            for (int x = 0; x < 960; ++x) {
                const Rgb expected{static_cast<std::uint8_t>(row[x] >> 16),
                                   static_cast<std::uint8_t>(row[x] >> 8),
                                   static_cast<std::uint8_t>(row[x])};
                different += screen.at(x, y) == expected ? 0 : 1;
            }
        }
        return different;
    };
    int different = differentPixels();
    for (int attempt = 0; attempt < 50 && different != 0; ++attempt) {
        host.run(60ms);
        different = differentPixels();
    }
    EXPECT_EQ(different, 0);
    EXPECT_EQ(editor.view->removed(), kResultOk);
    module.processor->setProcessing(false);
    module.component->setActive(false);
}

TEST_F(X11Editor, PlayerFaderBankAndGainPagesAtTheKnownPoints) {
    test::TempFolder folder;
    std::vector<float> samples(48000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = 0.8f * static_cast<float>(std::sin(static_cast<double>(i) * 0.05));
    }
    test::writeFloatWav(folder / "sine.wav", 1, 48000, samples);
    const auto player = test::makePlugin(ModuleKind::Player);
    std::string error;
    ASSERT_TRUE(player->chooseFile(test::u16path(folder / "sine.wav"), error)) << error;
    const auto bank = test::makePlugin(ModuleKind::FaderBank);
    bank->setTableValue(stripMuteId(0), 1.0);
    const auto summing = test::makePlugin(ModuleKind::Summing);

    struct Scene {
        UtilityPlugin* plugin;
        std::vector<std::pair<std::pair<int, int>, Rgb>> known;
    };
    const Scene scenes[] = {
        {player.get(),
         {{{29, 340}, palette::kWaveformArea},
          {{400, 340}, palette::kAccent},
          {{400, 270}, palette::kAccent},
          {{400, 260}, palette::kWaveformArea},
          {{226, 117}, palette::kButtonInactiveFace}}},
        {bank.get(),
         {{{100, 400}, palette::kStripPanel},
          {{77, 400}, palette::kStripFaderTrack},
          {{50, 289}, palette::kStripScaleTicks},
          {{42, 208}, palette::kButtonActiveFace},
          {{157, 208}, palette::kButtonInactiveFace},
          {{60, 280}, palette::kCapMiddleLine}}},
        {summing.get(),
         {{{100, 400}, palette::kGainFaderTrack},
          {{790, 402}, palette::kCapMiddleLine},
          {{33, 226}, palette::kButtonInactiveFace}}},
    };
    // The same colours at the doubled points of a view the host scaled by 2.
    for (const int scale : {1, 2}) {
        for (const Scene& scene : scenes) {
            ViewUnderTest editor(*scene.plugin, &host);
            ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
            ASSERT_EQ(scaleBy(editor.view, scale), kResultTrue);
            settle();
            const auto image = display.grab(child());
            ASSERT_TRUE(image.valid());
            for (const auto& [point, colour] : scene.known) {
                EXPECT_EQ(image.at(point.first * scale, point.second * scale), colour)
                    << displayName(scene.plugin->kind()) << " " << point.first << ", "
                    << point.second << " at " << scale << " x";
            }
            EXPECT_EQ(editor.view->removed(), kResultOk);
        }
    }
}

TEST_F(X11Editor, PointerEventsEditLikeTheWindowsEditor) {
    // At 2 x the same edits come from the doubled points: a fader moves as far for twice the
    // distance.
    for (const int k : {1, 2}) {
        SCOPED_TRACE(k);
        test::TempFolder folder;
        const auto recorder = test::makePlugin(ModuleKind::Recorder);
        std::string error;
        ASSERT_TRUE(recorder->chooseFile(test::u16path(folder / "take.wav"), error)) << error;
        {
            test::HostEditLog log(*recorder);
            ViewUnderTest editor(*recorder, &host);
            ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
            ASSERT_EQ(scaleBy(editor.view, k), kResultTrue);
            settle();
            click(280 * k, 130 * k); // Record
            awaitEdits(log, 2);
            click(420 * k, 130 * k); // Stop
            awaitEdits(log, 4);
            EXPECT_EQ(takeEdits(log), (std::vector<Edit>{{2, 0.0}, {3, 1.0}, {3, 0.0}, {2, 0.0}}));
            EXPECT_EQ(editor.view->removed(), kResultOk);
        }

        const auto bank = test::makePlugin(ModuleKind::FaderBank);
        test::HostEditLog log(*bank);
        ViewUnderTest editor(*bank, &host);
        ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
        ASSERT_EQ(scaleBy(editor.view, k), kResultTrue);
        settle();
        bank->setTableValue(100, 0.0);
        // Each motion is handled before the next, as a user's hand is slower than the loop. The
        // whole drag is one gesture for the host: begin at the press, one perform per move.
        const auto awaitEntries = [&](std::size_t count) {
            host.run(3s, [&] { return log.entries().size() >= count; });
        };
        pointerTo(76 * k, 445 * k);
        button(true);
        awaitEntries(2);
        EXPECT_TRUE(pointerGrabbedByAnother()); // the drag holds the pointer
        pointerTo(76 * k, (445 - 187) * k);
        awaitEntries(3);
        pointerTo(76 * k, -50); // above the window: still the editor's, clamped at the top
        awaitEntries(4);
        pointerTo(76 * k, (445 - 93) * k);
        awaitEntries(5);
        EXPECT_EQ(log.entries().back().call, test::HostEditLog::Call::Perform);
        button(false);
        awaitEntries(6); // the release ends the gesture
        EXPECT_FALSE(pointerGrabbedByAnother());
        pointerTo(76 * k, 258 * k); // after the release nothing is dragged
        test::expectStripDragUpAndBack(log);
        log.clear();

        // A drag the view's removal cuts short still ends its gesture.
        pointerTo(76 * k, 445 * k);
        button(true);
        awaitEntries(2);
        EXPECT_EQ(editor.view->removed(), kResultOk);
        EXPECT_EQ(log.entries().back().call, test::HostEditLog::Call::End);
        button(false);
    }
}

TEST_F(X11Editor, TheDesktopsChooserGivesTheRecorderItsDestinationWhileTheHostRuns) {
    test::TempFolder folder;
    test::StubHelpers helpers;
    const auto chosen = folder / "from-chooser";
    helpers.addZenity("3.44.0", "/bin/sleep 0.3; echo '" + chosen.string() + "'");
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    IPtr<IPlugView> view(plugin->createView("editor"), false); // the desktop's own dialogs
    view->setFrame(&host);
    ASSERT_EQ(view->attached(display.parent(), kX11), kResultOk);
    settle();
    click(100, 130);                         // the file button
    EXPECT_TRUE(plugin->filePath().empty()); // the user is still choosing; the host runs on
    host.run(5s, [&] { return !plugin->filePath().empty(); });
    EXPECT_EQ(plugin->filePath(), test::u16path(folder / "from-chooser.wav"));
    EXPECT_TRUE(plugin->recorder().ready());

    // The same destination again: the module's refusal reaches the user through the helper.
    helpers.addZenity("3.44.0", "echo '" + chosen.string() + ".wav'");
    click(100, 130);
    host.run(5s, [&] {
        const auto arguments = helpers.arguments("zenity");
        return !arguments.empty() && arguments[0] == "--error";
    });
    EXPECT_EQ(
        helpers.arguments("zenity"),
        (std::vector<std::string>{
            "--error", "--no-markup", "--title=QUILLWAVE RECORDER",
            "--text=Destination exists; choose a new file",
            "--attach=" + std::to_string(reinterpret_cast<std::uintptr_t>(display.parent()))}));
    host.run(5s, [&] { return host.eventHandlers() == 1; });
    EXPECT_EQ(view->removed(), kResultOk);
}

TEST_F(X11Editor, AnEditorThatCannotBeSeenOrShowsNoChangePresentsNothing) {
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    ViewUnderTest editor(*plugin, &host);
    ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
    settle();
    host.run(100ms);
    std::uint64_t before = framesPresented();
    host.run(1000ms); // nothing changes: nothing is drawn again
    EXPECT_EQ(framesPresented(), before);

    // The host hides its window (as a closed plug-in window in some hosts) while the value
    // shown keeps changing.
    XUnmapWindow(display.display(), reinterpret_cast<::Window>(display.parent()));
    XSync(display.display(), False);
    host.run(100ms);
    before = framesPresented();
    for (int i = 0; i < 20; ++i) {
        plugin->setTableValue(ParamId::FollowTransport, i % 2);
        host.run(50ms);
    }
    EXPECT_EQ(framesPresented(), before);
    XMapWindow(display.display(), reinterpret_cast<::Window>(display.parent()));
    XSync(display.display(), False);
    plugin->setTableValue(ParamId::FollowTransport, 1.0);
    EXPECT_TRUE(showsAt(502, 117, palette::kButtonActiveFace));
    EXPECT_GT(framesPresented(), before);
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

int hostErrors = 0;
int countHostError(Display*, XErrorEvent*) {
    ++hostErrors;
    return 0;
}

TEST_F(X11Editor, ErrorsOfTheEditorsRequestsNeverReachTheHostsHandler) {
    const auto bank = test::makePlugin(ModuleKind::FaderBank);
    // The host's window that holds the editor, inside its top-level one.
    const ::Window holder = XCreateSimpleWindow(
        display.display(), reinterpret_cast<::Window>(display.parent()), 0, 0, 960, 580, 0, 0, 0);
    XMapWindow(display.display(), holder);
    XSync(display.display(), False);
    ViewUnderTest editor(*bank, &host);
    ASSERT_EQ(editor.view->attached(reinterpret_cast<void*>(holder), kX11), kResultOk);
    settle();
    pointerTo(76, 445);
    hostErrors = 0;
    const XErrorHandler saved = XSetErrorHandler(countHostError);
    // A press on a fader, and the host destroys its window before its loop runs again: the
    // editor's grab for the drag fails with BadWindow.
    XTestFakeButtonEvent(display.display(), 1, True, CurrentTime);
    XSync(display.display(), False);
    XDestroyWindow(display.display(), holder);
    XSync(display.display(), False);
    host.run(200ms);
    XTestFakeButtonEvent(display.display(), 1, False, CurrentTime);
    XSync(display.display(), False);
    host.run(100ms);
    XSetErrorHandler(saved);
    EXPECT_EQ(hostErrors, 0);
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

TEST_F(X11Editor, RemovingTheViewNeverWaitsForADialogThatIgnoresTheRequestToEnd) {
    test::StubHelpers helpers;
    helpers.add("zenity", "trap '' TERM; echo $$ > '" + helpers.path("pid").string() +
                              "'; exec /bin/sleep 30");
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    IPtr<IPlugView> view(plugin->createView("editor"), false);
    view->setFrame(&host);
    ASSERT_EQ(view->attached(display.parent(), kX11), kResultOk);
    settle();
    click(100, 130); // the file button
    host.run(5s, [&] { return std::filesystem::exists(helpers.path("pid")); });
    host.run(50ms);
    pid_t pid = 0;
    std::ifstream(helpers.path("pid")) >> pid;
    ASSERT_GT(pid, 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
    // Ended after a short grace, and reaped: not even a zombie answers.
    host.run(3s, [&] { return ::kill(pid, 0) != 0; });
    EXPECT_NE(::kill(pid, 0), 0);
}

// The top-level window that a process marked as its own; 0 when there is none.
::Window markedWindow(const TestDisplay& display) {
    Display* const x = display.display();
    const Atom pid = XInternAtom(x, "_NET_WM_PID", False);
    for (const ::Window window : display.children(DefaultRootWindow(x))) {
        int items = 0;
        Atom* atoms = XListProperties(x, window, &items);
        const bool marked = atoms != nullptr && std::count(atoms, atoms + items, pid) > 0;
        XFree(atoms);
        if (marked) {
            return window;
        }
    }
    return 0;
}

TEST_F(X11Editor, TheFileButtonBringsTheOpenChoosersWindowToTheFront) {
    test::StubHelpers helpers;
    helpers.add("zenity", std::string("exec '") + QUILLWAVE_STUB_DIALOG_WINDOW + "' 2300 1450");
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    IPtr<IPlugView> view(plugin->createView("editor"), false);
    view->setFrame(&host);
    ASSERT_EQ(view->attached(display.parent(), kX11), kResultOk);
    settle();
    Display* const x = display.display();
    const ::Window root = DefaultRootWindow(x);
    const auto hostWindow = reinterpret_cast<::Window>(display.parent());
    click(100, 130); // the file button
    ::Window dialog = 0;
    host.run(5s, [&] { return (dialog = markedWindow(display)) != 0; });
    ASSERT_NE(dialog, 0u);
    // Without a window manager the editor raises and focuses it; with one it asks the manager.
    const ::Window check = XCreateSimpleWindow(x, root, 0, 0, 1, 1, 0, 0, 0);
    auto setProperty = [&](::Window on, const char* name, std::vector<long> values, Atom type) {
        XChangeProperty(x, on, XInternAtom(x, name, False), type, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(values.data()),
                        static_cast<int>(values.size()));
    };
    for (const bool manager : {false, true}) {
        if (manager) {
            setProperty(root, "_NET_SUPPORTING_WM_CHECK", {static_cast<long>(check)}, XA_WINDOW);
            setProperty(check, "_NET_SUPPORTING_WM_CHECK", {static_cast<long>(check)}, XA_WINDOW);
            setProperty(root, "_NET_SUPPORTED",
                        {static_cast<long>(XInternAtom(x, "_NET_ACTIVE_WINDOW", False))}, XA_ATOM);
            // A client that has gone meanwhile costs the host's error handler nothing.
            const ::Window gone = XCreateSimpleWindow(x, root, 0, 0, 1, 1, 0, 0, 0);
            XDestroyWindow(x, gone);
            setProperty(root, "_NET_CLIENT_LIST",
                        {static_cast<long>(dialog), static_cast<long>(gone)}, XA_WINDOW);
            XSelectInput(x, root, SubstructureNotifyMask);
        }
        XRaiseWindow(x, hostWindow);
        XSetInputFocus(x, hostWindow, RevertToParent, CurrentTime);
        XSync(x, False);
        EXPECT_NE(display.children(root).back(), dialog);
        hostErrors = 0;
        const XErrorHandler saved = XSetErrorHandler(countHostError);
        click(100, 130);
        host.run(100ms);
        XSetErrorHandler(saved);
        EXPECT_EQ(hostErrors, 0);
        ::Window focus = 0;
        int revert = 0;
        XGetInputFocus(x, &focus, &revert);
        EXPECT_EQ(display.children(root).back() == dialog, !manager);
        EXPECT_EQ(focus == dialog, !manager);
        EXPECT_EQ(display.grab(child()).at(300, 300), palette::kWindowBackground); // no notice
        XEvent request{};
        EXPECT_EQ(XCheckTypedEvent(x, ClientMessage, &request) == True, manager);
        if (manager) {
            EXPECT_EQ(request.xclient.window, dialog);
            EXPECT_EQ(request.xclient.data.l[0], 2); // as the user's own choice
            EXPECT_NE(request.xclient.data.l[1], 0); // at the click's time
        }
    }
    XSelectInput(x, root, NoEventMask);
    for (const char* name : {"_NET_SUPPORTING_WM_CHECK", "_NET_SUPPORTED", "_NET_CLIENT_LIST"}) {
        XDeleteProperty(x, root, XInternAtom(x, name, False));
    }
    XDestroyWindow(x, check);
    XSync(x, False);
    EXPECT_EQ(view->removed(), kResultOk);
}

TEST_F(X11Editor, AChooserWhoseWindowCannotBeFoundIsStillSaidToBeOpen) {
    test::StubHelpers helpers;
    helpers.add("zenity", "exec /bin/sleep 30"); // never shows a window
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    IPtr<IPlugView> view(plugin->createView("editor"), false);
    view->setFrame(&host);
    ASSERT_EQ(view->attached(display.parent(), kX11), kResultOk);
    settle();
    click(100, 130);
    host.run(200ms);
    EXPECT_EQ(display.grab(child()).at(300, 300), palette::kWindowBackground);
    click(100, 130);
    EXPECT_TRUE(showsAt(300, 300, palette::kHeaderBand)); // the notice's panel
    EXPECT_EQ(view->removed(), kResultOk);
}

TEST_F(X11Editor, WithoutADesktopHelperTheMessageIsDrawnInsideAndTheNextClickTakesIt) {
    test::StubHelpers nothing; // no helper, no bus
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    test::HostEditLog log(*plugin);
    IPtr<IPlugView> view(plugin->createView("editor"), false);
    view->setFrame(&host);
    ASSERT_EQ(view->attached(display.parent(), kX11), kResultOk);
    settle();
    EXPECT_EQ(display.grab(child()).at(300, 300), palette::kWindowBackground);
    click(280, 130);                                      // Record without a destination
    EXPECT_TRUE(showsAt(300, 300, palette::kHeaderBand)); // the notice's panel
    click(600, 130); // on Follow, but it only takes the notice away
    EXPECT_TRUE(showsAt(300, 300, palette::kWindowBackground));
    EXPECT_TRUE(takeEdits(log).empty());
    click(600, 130);
    awaitEdits(log, 1);
    EXPECT_EQ(takeEdits(log), (std::vector<Edit>{{2, 0.0}}));
    EXPECT_EQ(view->removed(), kResultOk);
}

TEST_F(X11Editor, AHostsScaleResizesTheWindowThroughTheHostAndRepaintsIt) {
    const auto plugin = test::makePlugin(ModuleKind::Output);
    ViewUnderTest editor(*plugin, &host);
    ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
    settle();
    EXPECT_TRUE(host.resizes.empty());
    host.timersHeld = true; // what shows from here on, the resize itself painted
    ASSERT_EQ(scaleBy(editor.view, 2.0f), kResultTrue);
    ASSERT_EQ(host.resizes.size(), 1u);
    EXPECT_EQ(host.resizes[0].getWidth(), 1920);
    EXPECT_EQ(host.resizes[0].getHeight(), 1160);
    EXPECT_EQ(sizeOf(editor.view).getWidth(), 1920);
    XWindowAttributes attributes{};
    ASSERT_NE(XGetWindowAttributes(display.display(), child(), &attributes), 0);
    EXPECT_EQ(attributes.width, 1920);
    EXPECT_EQ(attributes.height, 1160);
    EXPECT_TRUE(showsAt(1919, 1159, palette::kWindowBackground));
    EXPECT_TRUE(showsAt(1000, 175, palette::kHeaderSeparator));
    host.timersHeld = false;
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

// The resources a desktop at 200 % gives its X server, for as long as it lives.
class ScreenResources {
public:
    ScreenResources(Display* display, const std::string& resources) : display_(display) {
        XChangeProperty(display_, DefaultRootWindow(display_), XA_RESOURCE_MANAGER, XA_STRING, 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(resources.data()),
                        static_cast<int>(resources.size()));
        XSync(display_, False);
    }
    ~ScreenResources() {
        XDeleteProperty(display_, DefaultRootWindow(display_), XA_RESOURCE_MANAGER);
        XSync(display_, False);
    }
    ScreenResources(const ScreenResources&) = delete;
    ScreenResources& operator=(const ScreenResources&) = delete;

private:
    Display* display_;
};

TEST_F(X11Editor, TheScreensXftDpiScalesTheViewUntilTheHostGivesItsFactor) {
    const ScreenResources resources(display.display(), "Xcursor.size:\t48\nXft.dpi:\t192\n");
    const auto plugin = test::makePlugin(ModuleKind::Output);
    ViewUnderTest editor(*plugin, &host);
    ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
    ASSERT_EQ(host.resizes.size(), 1u);
    EXPECT_EQ(host.resizes[0].getWidth(), 1920);
    EXPECT_EQ(sizeOf(editor.view).getHeight(), 1160);
    EXPECT_TRUE(showsAt(1900, 1150, palette::kWindowBackground));

    ASSERT_EQ(scaleBy(editor.view, 1.5f), kResultTrue);
    EXPECT_EQ(sizeOf(editor.view).getWidth(), 1440);
    EXPECT_EQ(editor.view->removed(), kResultOk);
    // Attached again on the same screen, the host's factor still holds.
    ASSERT_EQ(editor.view->attached(display.parent(), kX11), kResultOk);
    EXPECT_EQ(host.resizes.size(), 2u);
    EXPECT_EQ(sizeOf(editor.view).getWidth(), 1440);
    EXPECT_EQ(editor.view->removed(), kResultOk);
}

} // namespace
} // namespace quillwave::plugins
