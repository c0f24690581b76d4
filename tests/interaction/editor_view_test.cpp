// The editor view as a host sees it before any window: creation by name, size, and the platform
// types it takes.

#include "editor/editor_view.h"
#include "support/plugin_instance.h"

#include <gtest/gtest.h>

#include <cstdint>

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

TEST(EditorView, IsAFixedNineSixtyByFiveEightyView) {
    const auto plugin = test::makePlugin(ModuleKind::FaderBank);
    const auto view = makeView(*plugin);
    ViewRect size;
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.left, 0);
    EXPECT_EQ(size.top, 0);
    EXPECT_EQ(size.right, 960);
    EXPECT_EQ(size.bottom, 580);
    EXPECT_EQ(view->getSize(nullptr), kInvalidArgument);
    EXPECT_EQ(view->canResize(), kResultFalse);
    EXPECT_EQ(view->checkSizeConstraint(&size), kResultFalse);

    // The host may tell it another size; it reports that back but keeps drawing 960 x 580.
    ViewRect other(10, 20, 500, 400);
    EXPECT_EQ(view->onSize(&other), kResultOk);
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.right, 500);
    EXPECT_EQ(size.bottom, 400);
    EXPECT_EQ(view->onSize(nullptr), kInvalidArgument);
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.left, 10);
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
