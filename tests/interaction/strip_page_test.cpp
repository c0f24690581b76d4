// The fader bank page under the mouse: strip faders, mutes, the strip count and the page buttons.

#include "editor/editor_layout.h"
#include "editor_probe.h"
#include "support/plugin_instance.h"

#include <gtest/gtest.h>

namespace quillwave::plugins {
namespace {

using test::Edit;
using test::EditorProbe;

constexpr int kStrip0FaderX = 76; // on strip 0's track, x 73..80
constexpr double kUnity = 15.0 / 17.0;

double stripsValue(int count) {
    return (count - 1) / 63.0;
}

class StripPage : public ::testing::Test {
protected:
    IPtr<UtilityPlugin> plugin = test::makePlugin(ModuleKind::FaderBank);
    EditorProbe probe{*plugin};
};

TEST_F(StripPage, APressOnTheCapKeepsTheValueUpToTheGrabDistanceInclusive) {
    const int capY = layout::stripCapCentreY(kUnity);
    for (const int offset : {-24, -10, 0, 10, 24}) {
        EXPECT_TRUE(probe.click(kStrip0FaderX, capY + offset));
        EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{100, kUnity}})) << offset;
    }
    // One pixel further the fader jumps to the pressed point.
    EXPECT_TRUE(probe.click(kStrip0FaderX, capY + 25));
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{100, 1.0 - (capY + 25 - 258) / 187.0}}));
    EXPECT_DOUBLE_EQ(probe.value(100), 1.0 - (capY + 25 - 258) / 187.0);
}

TEST_F(StripPage, APressAwayFromTheCapJumpsThere) {
    probe.preset(101, 0.5);
    const int capY = layout::stripCapCentreY(0.5); // 351
    ASSERT_EQ(capY, 351);
    const int x = kStrip0FaderX + 115; // strip 1
    EXPECT_TRUE(probe.click(x, capY - 30));
    const double expected = 1.0 - (capY - 30 - 258) / 187.0; // about 30/187 above 0.5
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{101, expected}}));
    EXPECT_NEAR(probe.value(101), 0.5 + 30.0 / 187.0, 0.003);
    // Above the top of the scale and below its bottom the press clamps.
    probe.click(x, 241);
    probe.click(x, 462);
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{101, 1.0}, {101, 0.0}}));
}

TEST_F(StripPage, ADragFollowsTheMouseOnTheFadersScaleAndClampsAtBothEnds) {
    probe.preset(100, 0.0);
    const int capY = layout::stripCapCentreY(0.0);
    ASSERT_EQ(capY, 445);
    ASSERT_TRUE(probe.interaction.onMouseDown(kStrip0FaderX, capY));
    EXPECT_EQ(probe.interaction.drag().strip, 0);
    probe.interaction.updateDrag(kStrip0FaderX, capY - 187);
    probe.interaction.updateDrag(500, capY - 400); // far outside the strip, still this fader
    probe.interaction.updateDrag(kStrip0FaderX, capY - 187 / 2);
    probe.interaction.updateDrag(kStrip0FaderX, 2000);
    // The press and the moves are one gesture for the host; the release ends it.
    EXPECT_EQ(probe.host.entries().back().call, test::HostEditLog::Call::Perform);
    probe.interaction.endDrag();
    const test::Gesture drag = test::oneGesture(probe.host);
    probe.host.clear();
    EXPECT_EQ(drag.id, 100u);
    ASSERT_EQ(drag.values.size(), 5u); // the press and one change per move
    EXPECT_EQ(drag.values[0], 0.0);
    EXPECT_EQ(drag.values[1], 1.0);
    EXPECT_EQ(drag.values[2], 1.0);
    EXPECT_DOUBLE_EQ(drag.values[3], 93.0 / 187.0);
    EXPECT_EQ(drag.values[4], 0.0);

    // After the release, moves edit nothing.
    EXPECT_FALSE(probe.interaction.drag().active());
    probe.interaction.updateDrag(kStrip0FaderX, capY - 100);
    probe.interaction.endDrag();
    EXPECT_TRUE(probe.takeEdits().empty());

    // A release that never came: the next press, on a Mute, ends the fader's gesture before it
    // edits, and later moves edit nothing.
    ASSERT_TRUE(probe.interaction.onMouseDown(kStrip0FaderX, capY));
    EXPECT_FALSE(probe.interaction.onMouseDown(layout::stripMuteButton(1).left + 5, 220));
    probe.interaction.updateDrag(kStrip0FaderX, capY - 100);
    const auto& entries = probe.host.entries();
    ASSERT_EQ(entries.size(), 6u); // the fader's begin, perform and end; then Mute's triple
    EXPECT_EQ(entries[2].call, test::HostEditLog::Call::End);
    EXPECT_EQ(entries[2].id, 100u);
    EXPECT_EQ(entries[4].id, 201u);
}

TEST_F(StripPage, MuteButtonsToggleTheirStrip) {
    const int x = layout::stripMuteButton(2).left + 5; // strip 2
    EXPECT_FALSE(probe.click(x, 220));
    EXPECT_FALSE(probe.click(x, 220));
    probe.preset(202, 0.6); // above half counts as muted
    probe.click(x, 220);
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{202, 1.0}, {202, 0.0}, {202, 0.0}}));
    // The bottom and right edges belong to the neighbours.
    probe.click(x, 235);
    probe.click(layout::stripMuteButton(2).right, 220);
    EXPECT_TRUE(probe.takeEdits().empty());
}

TEST_F(StripPage, TheStripCountStaysWithinOneToSixtyFour) {
    probe.preset(0, 0.0);
    probe.click(670, 118); // "−" with one strip
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{0, 0.0}}));
    probe.click(720, 118); // "+"
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{0, stripsValue(2)}}));

    probe.preset(0, 1.0);
    probe.click(720, 118); // "+" with 64 strips
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{0, 1.0}}));
    probe.click(650, 101); // "−": its top-left corner counts
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{0, stripsValue(63)}}));
    EXPECT_EQ(activeStripsCount(probe.value(0)), 63);

    probe.click(694, 118); // between the buttons
    probe.click(744, 118); // right of "+"
    EXPECT_TRUE(probe.takeEdits().empty());
}

TEST_F(StripPage, PageButtonsStopAtTheFirstAndLastPage) {
    probe.preset(0, stripsValue(17)); // pages 0, 1 and 2
    auto& page = probe.interaction.bankPage();
    probe.click(50, 540); // "‹" on the first page
    EXPECT_EQ(page, 0u);
    for (int i = 0; i < 4; ++i) {
        probe.click(110, 540); // "›"
    }
    EXPECT_EQ(page, 2u);
    // Page 2 holds strip 17 alone, in the first place.
    probe.click(layout::stripMuteButton(0).left + 5, 220);
    probe.click(layout::stripMuteButton(1).left + 5, 220);
    probe.click(kStrip0FaderX + 115, 300);
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{216, 1.0}}));
    probe.click(50, 540);
    EXPECT_EQ(page, 1u);
    EXPECT_TRUE(probe.takeEdits().empty()); // paging is the view's own state
}

TEST_F(StripPage, AStripBeyondTheCountCannotBePressed) {
    probe.preset(0, stripsValue(3));
    EXPECT_FALSE(probe.click(kStrip0FaderX + 3 * 115, 300)); // strip 3 of 3 strips
    probe.click(layout::stripMuteButton(3).left + 5, 220);
    EXPECT_TRUE(probe.click(kStrip0FaderX + 2 * 115, 300));
    const auto edits = probe.takeEdits();
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0].id, 102u);
}

TEST_F(StripPage, EmptySpaceDoesNothing) {
    for (const auto& [x, y] : {std::pair{5, 5}, {930, 300}, {600, 540}, {20, 300}, {113, 300}}) {
        EXPECT_FALSE(probe.click(x, y));
    }
    EXPECT_TRUE(probe.takeEdits().empty());
}

} // namespace
} // namespace quillwave::plugins
