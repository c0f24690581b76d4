// The editor view as a host sees it before any window: creation by name, size, and the platform
// types it takes.

#include "editor/editor_view.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "support/plugin_instance.h"
#include "view_rect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ostream>
#include <utility>

namespace quillwave::plugins {
namespace {

IPtr<IPlugView> makeView(UtilityPlugin& plugin, FIDString name = "editor") {
    return IPtr<IPlugView>(plugin.createView(name), false);
}

TEST(EditorView, OnlyTheNameEditorMakesAView) {
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    EXPECT_TRUE(makeView(*plugin));
    for (const FIDString name :
         {static_cast<FIDString>(nullptr), "", "Editor", "EDITOR", "editor ", "edito", "editorx"}) {
        EXPECT_FALSE(makeView(*plugin, name)) << (name ? name : "null");
    }
}

TEST(EditorView, HoldsOneReferenceToItsModule) {
    auto plugin = test::makePlugin(ModuleKind::Player);
    const uint32 before = plugin->addRef() - 1;
    plugin->release();
    auto view = makeView(*plugin);
    EXPECT_EQ(plugin->addRef() - 1, before + 1);
    plugin->release();
    view = nullptr;
    EXPECT_EQ(plugin->addRef() - 1, before);
    plugin->release();
}

ViewRect sizeOf(IPlugView& view) {
    ViewRect size;
    EXPECT_EQ(view.getSize(&size), kResultOk);
    return size;
}

TEST(EditorView, StartsAtTheDesignSizeAndScalesByTheHostsFactor) {
    const auto plugin = test::makePlugin(ModuleKind::FaderBank);
    const auto view = makeView(*plugin);
    EXPECT_EQ(sizeOf(*view), ViewRect(0, 0, 960, 580));
    EXPECT_EQ(view->getSize(nullptr), kInvalidArgument);

    FUnknownPtr<IPlugViewContentScaleSupport> scaling(view);
    ASSERT_TRUE(scaling);
    EXPECT_EQ(scaling->setContentScaleFactor(2.0f), kResultTrue);
    EXPECT_EQ(sizeOf(*view), ViewRect(0, 0, 1920, 1160));
    EXPECT_EQ(scaling->setContentScaleFactor(1.5f), kResultTrue);
    EXPECT_EQ(sizeOf(*view), ViewRect(0, 0, 1440, 870));
    // Factors outside 1 ... 4 are refused and change nothing.
    for (const float refused : {0.99f, 4.01f, 0.0f, -2.0f, std::nanf("")}) {
        EXPECT_EQ(scaling->setContentScaleFactor(refused), kInvalidArgument) << refused;
    }
    EXPECT_EQ(sizeOf(*view), ViewRect(0, 0, 1440, 870));
    EXPECT_EQ(scaling->setContentScaleFactor(4.0f), kResultTrue);
    EXPECT_EQ(sizeOf(*view), ViewRect(0, 0, 3840, 2320));
}

TEST(EditorView, ProposesTheDesignsAspectRatioAndTakesAnySizeTheHostGives) {
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    const auto view = makeView(*plugin);
    EXPECT_EQ(view->canResize(), kResultTrue);
    EXPECT_EQ(view->checkSizeConstraint(nullptr), kInvalidArgument);
    const std::pair<ViewRect, ViewRect> rounded[] = {
        {{0, 0, 2000, 1000}, {0, 0, 1655, 1000}},     // the height limits it
        {{0, 0, 1000, 2000}, {0, 0, 1000, 604}},      // the width limits it
        {{10, 20, 1930, 1180}, {10, 20, 1930, 1180}}, // 2 x, anywhere
        {{0, 0, 100, 100}, {0, 0, 720, 435}},         // 0.75 x at least
        {{0, 0, 9000, 9000}, {0, 0, 3840, 2320}},     // 4 x at most
        {{0, 0, -5, -5}, {0, 0, 720, 435}},
    };
    for (const auto& [proposed, expected] : rounded) {
        ViewRect size = proposed;
        EXPECT_EQ(view->checkSizeConstraint(&size), kResultTrue);
        EXPECT_EQ(size, expected) << proposed.getWidth() << " x " << proposed.getHeight();
        // A size it proposed stays as it is, and onSize takes it.
        ViewRect again = size;
        EXPECT_EQ(view->checkSizeConstraint(&again), kResultTrue);
        EXPECT_EQ(again, size);
        EXPECT_EQ(view->onSize(&size), kResultOk);
        EXPECT_EQ(sizeOf(*view), size);
    }

    // Any other size the host gives is taken as it is (the page is fitted into it); only an
    // empty or inverted one is refused and changes nothing.
    for (ViewRect other : {ViewRect(0, 0, 500, 400), ViewRect(0, 0, 1920, 1161),
                           ViewRect(0, 0, 3841, 2321), ViewRect(0, 0, 1655, 1001)}) {
        EXPECT_EQ(view->onSize(&other), kResultOk) << other.getWidth();
        EXPECT_EQ(sizeOf(*view), other);
    }
    for (ViewRect refused : {ViewRect(0, 0, 0, 400), ViewRect(10, 10, 5, 500)}) {
        EXPECT_EQ(view->onSize(&refused), kInvalidArgument);
    }
    EXPECT_EQ(sizeOf(*view), ViewRect(0, 0, 1655, 1001));
    EXPECT_EQ(view->onSize(nullptr), kInvalidArgument);
}

// A host frame that counts the references held on it.
class CountedFrame final : public IPlugFrame {
public:
    tresult PLUGIN_API resizeView(IPlugView*, ViewRect*) override { return kResultFalse; }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return static_cast<uint32>(++references); }
    uint32 PLUGIN_API release() override { return static_cast<uint32>(--references); }
    int references = 0;
};

TEST(EditorView, HoldsTheHostFrameUntilReplacedOrReleased) {
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    CountedFrame frame;
    auto view = makeView(*plugin);
    EXPECT_EQ(view->setFrame(&frame), kResultTrue);
    EXPECT_EQ(frame.references, 1);
    EXPECT_EQ(view->setFrame(nullptr), kResultTrue);
    EXPECT_EQ(frame.references, 0);
    view->setFrame(&frame);
    view = nullptr;
    EXPECT_EQ(frame.references, 0);
}

TEST(EditorView, TakesNoKeysWheelOrFocus) {
    const auto plugin = test::makePlugin(ModuleKind::Output);
    const auto view = makeView(*plugin);
    EXPECT_EQ(view->onWheel(1.0f), kResultFalse);
    EXPECT_EQ(view->onKeyDown(u'a', 0, 0), kResultFalse);
    EXPECT_EQ(view->onKeyUp(u'a', 0, 0), kResultFalse);
    EXPECT_EQ(view->onFocus(true), kResultFalse);
}

TEST(EditorView, SupportsExactlyThePlatformsWindowType) {
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    const auto view = makeView(*plugin);
#ifdef _WIN32
    const FIDString own = "HWND";
    const FIDString other = "X11EmbedWindowID";
#else
    const FIDString own = "X11EmbedWindowID";
    const FIDString other = "HWND";
#endif
    for (const FIDString type : {static_cast<FIDString>(nullptr), "hwnd", "Hwnd", "HWND ", "NSView",
                                 "x11embedwindowid", "X11EmbedWindowID ", "", other}) {
        EXPECT_EQ(view->isPlatformTypeSupported(type), kResultFalse) << (type ? type : "null");
    }
    EXPECT_EQ(view->isPlatformTypeSupported(own), kResultTrue);
#ifndef _WIN32
    // Without a host frame there is no run loop to drive a window: nothing attaches.
    EXPECT_EQ(view->attached(reinterpret_cast<void*>(std::uintptr_t{1}), own), kResultFalse);
    EXPECT_EQ(view->removed(), kResultOk);
#endif
}

TEST(EditorView, TheRecorderRepaintsThreeTimesAsOftenAsTheOthers) {
    for (const ModuleKind kind : test::kAllKinds) {
        EXPECT_EQ(refreshIntervalMs(kind), kind == ModuleKind::Recorder ? 33u : 100u);
    }
}

} // namespace
} // namespace quillwave::plugins
