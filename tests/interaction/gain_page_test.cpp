// The gain page under the mouse: the output gain fader and the count buttons of the summing,
// breakout and distributor modules.

#include "editor/editor_layout.h"
#include "editor_probe.h"
#include "support/plugin_instance.h"

#include <gtest/gtest.h>

namespace quillwave::plugins {
namespace {

using test::Edit;
using test::EditorProbe;

constexpr int kFaderY = 400;

TEST(GainPage, APressOnTheCapKeepsTheGainUpToTheGrabDistanceInclusive) {
    const auto plugin = test::makePlugin(ModuleKind::Output);
    EditorProbe probe(*plugin);
    probe.preset(1, 0.5);
    const int capX = layout::gainCapCentreX(0.5);
    ASSERT_EQ(capX, 37 + 431);
    for (const int offset : {-22, 0, 22}) {
        EXPECT_TRUE(probe.click(capX + offset, kFaderY));
        EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{1, 0.5}})) << offset;
    }
    EXPECT_TRUE(probe.click(capX - 23, kFaderY));
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{1, (capX - 23 - 37) / 863.0}}));
    // The ends of the hit area lie beyond the scale: they clamp.
    probe.click(17, 365);
    probe.click(923, 439);
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{1, 0.0}, {1, 1.0}}));
    EXPECT_FALSE(probe.click(924, kFaderY));
    EXPECT_FALSE(probe.click(500, 440));
    EXPECT_TRUE(probe.takeEdits().empty());
}

TEST(GainPage, ADragMovesTheGainByOneOver863PerPixelAndClamps) {
    const auto plugin = test::makePlugin(ModuleKind::Input);
    EditorProbe probe(*plugin);
    probe.preset(1, 0.0);
    ASSERT_TRUE(probe.interaction.onMouseDown(37, kFaderY));
    EXPECT_TRUE(probe.interaction.drag().gain);
    probe.interaction.updateDrag(37 + 863, 10); // y does not matter
    probe.interaction.updateDrag(37 + 2000, kFaderY);
    probe.interaction.updateDrag(37 + 100, kFaderY);
    probe.interaction.updateDrag(-5000, kFaderY);
    probe.interaction.endDrag();
    const test::Gesture drag = test::oneGesture(probe.host);
    probe.host.clear();
    EXPECT_EQ(drag.id, 1u);
    EXPECT_EQ(drag.values, (std::vector<double>{0.0, 1.0, 1.0, 100.0 / 863.0, 0.0}));
    probe.interaction.updateDrag(400, kFaderY);
    probe.interaction.endDrag();
    EXPECT_TRUE(probe.takeEdits().empty());
}

TEST(GainPage, CountButtonsReactWithinInclusiveBounds) {
    for (const ModuleKind kind :
         {ModuleKind::Summing, ModuleKind::Breakout, ModuleKind::Distributor}) {
        const auto plugin = test::makePlugin(kind);
        EditorProbe probe(*plugin);
        probe.preset(0, 3.0 / 63.0); // 4
        // "−": (29, 222) to (98, 266), both corners included.
        probe.click(29, 222);
        probe.click(98, 266);
        EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{0, 2.0 / 63.0}, {0, 1.0 / 63.0}}));
        // "+": (112, 222) to (181, 266).
        probe.click(112, 266);
        probe.click(181, 222);
        EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{0, 2.0 / 63.0}, {0, 3.0 / 63.0}}));
        for (const auto& [x, y] : {std::pair{28, 240},
                                   {99, 240},
                                   {60, 221},
                                   {60, 267},
                                   {111, 240},
                                   {182, 240},
                                   {150, 267}}) {
            probe.click(x, y);
        }
        EXPECT_TRUE(probe.takeEdits().empty()) << static_cast<int>(kind);

        probe.preset(0, 0.0);
        probe.click(60, 240);
        probe.preset(0, 1.0);
        probe.click(150, 240);
        EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{0, 0.0}, {0, 1.0}}));
    }
}

TEST(GainPage, InputAndOutputHaveNoCountButtons) {
    for (const ModuleKind kind : {ModuleKind::Input, ModuleKind::Output}) {
        const auto plugin = test::makePlugin(kind);
        EditorProbe probe(*plugin);
        probe.click(60, 240);
        probe.click(150, 240);
        EXPECT_TRUE(probe.takeEdits().empty());
        EXPECT_EQ(probe.value(0), 1.0 / 9.0);
    }
}

} // namespace
} // namespace quillwave::plugins
