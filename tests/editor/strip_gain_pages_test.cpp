#include "editor/editor_layout.h"
#include "editor/paint_editor.h"
#include "fixed_editor_model.h"
#include "recorded_calls.h"

#include <gtest/gtest.h>

#include <limits>

namespace quillwave::plugins {
namespace {

using test::buttonAt;
using test::ButtonFace;
using test::findLabel;
using test::FixedEditorModel;
using test::hasFill;
using test::labelAt;

struct Painted {
    RecordingSurface surface;
    std::uint32_t bankPage = 0;
};

Painted paint(const FixedEditorModel& model, std::uint32_t bankPage = 0) {
    Painted out;
    out.bankPage = bankPage;
    paintEditor(model, out.bankPage, out.surface);
    return out;
}

double countValue(int count) {
    return (count - 1) / 63.0;
}

TEST(EditorHeader, EveryKindStartsWithTheWholeWindowAndItsHeader) {
    for (int k = 1; k <= 8; ++k) {
        const FixedEditorModel model(static_cast<ModuleKind>(k));
        const Painted p = paint(model);
        const auto& calls = p.surface.calls();
        ASSERT_GE(calls.size(), 5u);
        const std::vector<DrawCall> header{
            FillBoxCall{{0, 0, 960, 580}, {18, 30, 36}}, FillBoxCall{{0, 0, 960, 88}, {33, 49, 57}},
            LabelCall{{26, 13, 820, 46},
                      std::u16string(displayName(model.moduleKind).begin(),
                                     displayName(model.moduleKind).end()),
                      {237, 241, 235},
                      27,
                      FontWeight::Semibold,
                      TextPlacement::Left},
            LabelCall{{28, 49, 890, 75},
                      u"Independent VST3 module  /  realtime audio  /  host-controlled ports",
                      {151, 174, 185},
                      13,
                      FontWeight::Normal,
                      TextPlacement::Left},
            LineCall{0, 87, 960, 87, {76, 97, 103}, 1}};
        EXPECT_EQ(std::vector<DrawCall>(calls.begin(), calls.begin() + 5), header) << k;
    }
}

TEST(EditorHeader, KindOutsideTheFamilyIsDrawnAsTheFaderBank) {
    const FixedEditorModel model(static_cast<ModuleKind>(42));
    const Painted p = paint(model);
    EXPECT_TRUE(findLabel(p.surface, u"QUILLWAVE FADER BANK"));
    EXPECT_TRUE(findLabel(p.surface, u"8 strips"));
}

// Strip titles in drawing order.
std::vector<std::u16string> stripTitles(const RecordingSurface& surface) {
    std::vector<std::u16string> titles;
    for (const auto& label : surface.callsOf<LabelCall>()) {
        if (label.text.rfind(u"FADER ", 0) == 0 && label.text != u"FADER BANK") {
            titles.push_back(label.text);
        }
    }
    return titles;
}

TEST(StripPage, DefaultBankShowsEightStripsWithTheirControls) {
    FixedEditorModel model(ModuleKind::FaderBank);
    model.inputBuses = {1, 2, 1};
    model.set(stripMuteId(1), 1.0);
    model.set(stripGainId(3), 1.0);
    model.set(stripGainId(4), 0.0);
    const Painted p = paint(model);
    const RecordingSurface& s = p.surface;

    EXPECT_EQ(labelAt(s, {24, 99, 515, 130})->text,
              u"Independent strips: each input goes only to its own output.");
    EXPECT_EQ(labelAt(s, {756, 101, 930, 135}), (LabelCall{{756, 101, 930, 135},
                                                           u"8 strips",
                                                           palette::kPrimaryText,
                                                           17,
                                                           FontWeight::Semibold,
                                                           TextPlacement::Left}));
    EXPECT_EQ(buttonAt(s, {650, 101, 694, 135}, u"\u2212"), ButtonFace::Inactive);
    EXPECT_EQ(buttonAt(s, {700, 101, 744, 135}, u"+"), ButtonFace::Inactive);
    EXPECT_EQ(buttonAt(s, {28, 525, 85, 560}, u"\u2039"), ButtonFace::Inactive);
    EXPECT_EQ(buttonAt(s, {91, 525, 148, 560}, u"\u203A"), ButtonFace::Inactive);
    EXPECT_EQ(labelAt(s, {169, 525, 920, 560})->text,
              u"No internal summing. Connect strip outputs to SUMMING when needed.");

    EXPECT_EQ(stripTitles(s),
              (std::vector<std::u16string>{u"FADER 1", u"FADER 2", u"FADER 3", u"FADER 4",
                                           u"FADER 5", u"FADER 6", u"FADER 7", u"FADER 8"}));
    // Strip 1 sits at r = 128, strip 8 at r = 933.
    EXPECT_TRUE(hasFill(s, {26, 154, 128, 512}, palette::kStripPanel));
    EXPECT_TRUE(hasFill(s, {831, 154, 933, 512}, palette::kStripPanel));
    EXPECT_EQ(labelAt(s, {30, 158, 124, 181})->text, u"FADER 1");
    EXPECT_EQ(labelAt(s, {30, 181, 124, 201}), (LabelCall{{30, 181, 124, 201},
                                                          u"MONO \u2192 MONO",
                                                          palette::kSecondaryText,
                                                          10,
                                                          FontWeight::Normal,
                                                          TextPlacement::Left}));
    EXPECT_EQ(labelAt(s, layout::stripRouting(1))->text, u"STEREO \u2192 STEREO");
    EXPECT_EQ(labelAt(s, layout::stripRouting(2))->text, u"MONO \u2192 MONO");
    EXPECT_EQ(labelAt(s, layout::stripRouting(3))->text, u"STEREO \u2192 STEREO"); // no such bus

    EXPECT_EQ(buttonAt(s, {38, 204, 114, 235}, u"Mute"), ButtonFace::Inactive);
    EXPECT_EQ(buttonAt(s, {153, 204, 229, 235}, u"MUTED"), ButtonFace::Active);

    EXPECT_TRUE(hasFill(s, {73, 258, 81, 445}, palette::kStripFaderTrack));
    int ticks = 0;
    for (const LineCall& line : s.callsOf<LineCall>()) {
        if (line.colour == palette::kStripScaleTicks) {
            EXPECT_EQ(line.width, 1);
            EXPECT_EQ((line.y1 - 258) % 31, 0);
            EXPECT_LT(line.y1, 475);
            ++ticks;
        }
    }
    EXPECT_EQ(ticks, 7 * 8);
    const auto lines = s.callsOf<LineCall>();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        LineCall{43, 258, 65, 258, palette::kStripScaleTicks, 1}),
              lines.end());
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), LineCall{26, 154, 128, 154, palette::kAccent, 3}),
        lines.end());

    // Unity gain: cap centre at 258 + trunc(2/17 x 187) = 280; value 1 at 258; value 0 at 445.
    EXPECT_TRUE(hasFill(s, {58, 258, 97, 259}, {207, 218, 221}));   // top row of strip 1's cap
    EXPECT_TRUE(hasFill(s, {403, 236, 442, 237}, {207, 218, 221})); // strip 4 at +12 dB
    EXPECT_TRUE(hasFill(s, {518, 423, 557, 424}, {207, 218, 221})); // strip 5 at -90 dB
    EXPECT_EQ(labelAt(s, {30, 461, 124, 491}), (LabelCall{{30, 461, 124, 491},
                                                          u"0.0 dB",
                                                          palette::kPrimaryText,
                                                          15,
                                                          FontWeight::Semibold,
                                                          TextPlacement::Centre}));
    EXPECT_EQ(labelAt(s, layout::stripValueText(3))->text, u"12.0 dB");
    EXPECT_EQ(labelAt(s, layout::stripValueText(4))->text, u"-90.0 dB");
    EXPECT_EQ(p.bankPage, 0u);
}

TEST(StripPage, NineStripsPageByEightAndAShrinkingBankClampsThePage) {
    FixedEditorModel model(ModuleKind::FaderBank);
    model.set(ParamId::ActiveStrips, countValue(9));
    EXPECT_EQ(stripTitles(paint(model, 0).surface).size(), 8u);

    Painted second = paint(model, 1);
    EXPECT_EQ(second.bankPage, 1u);
    EXPECT_EQ(stripTitles(second.surface), std::vector<std::u16string>{u"FADER 9"});
    EXPECT_EQ(labelAt(second.surface, layout::stripTitle(0))->text, u"FADER 9");
    EXPECT_EQ(labelAt(second.surface, {756, 101, 930, 135})->text, u"9 strips");
    // Strip 9 uses its own parameters: its mute is id 208.
    model.set(stripMuteId(8), 1.0);
    EXPECT_EQ(buttonAt(paint(model, 1).surface, layout::stripMuteButton(0), u"MUTED"),
              ButtonFace::Active);

    model.set(ParamId::ActiveStrips, countValue(8));
    std::uint32_t page = 1;
    RecordingSurface surface;
    paintEditor(model, page, surface);
    EXPECT_EQ(page, 0u);
    EXPECT_EQ(stripTitles(surface).front(), u"FADER 1");
}

TEST(StripPage, SeventeenStripsEndOnPageTwoAndLaterPagesClamp) {
    FixedEditorModel model(ModuleKind::FaderBank);
    model.set(ParamId::ActiveStrips, countValue(17));
    const Painted third = paint(model, 2);
    EXPECT_EQ(third.bankPage, 2u);
    EXPECT_EQ(stripTitles(third.surface), std::vector<std::u16string>{u"FADER 17"});
    const Painted far = paint(model, 7);
    EXPECT_EQ(far.bankPage, 2u);
    EXPECT_EQ(stripTitles(far.surface), std::vector<std::u16string>{u"FADER 17"});
    EXPECT_EQ(stripTitles(paint(model, 1).surface).size(), 8u);
    EXPECT_EQ(stripTitles(paint(model, 1).surface).front(), u"FADER 9");
}

TEST(StripPage, CountEnds) {
    FixedEditorModel model(ModuleKind::FaderBank);
    model.set(ParamId::ActiveStrips, 0.0);
    Painted one = paint(model, 3);
    EXPECT_TRUE(findLabel(one.surface, u"1 strips"));
    EXPECT_EQ(stripTitles(one.surface), std::vector<std::u16string>{u"FADER 1"});
    EXPECT_EQ(one.bankPage, 0u);

    model.set(ParamId::ActiveStrips, 1.0);
    Painted all = paint(model, 99);
    EXPECT_TRUE(findLabel(all.surface, u"64 strips"));
    EXPECT_EQ(all.bankPage, 7u);
    EXPECT_EQ(stripTitles(all.surface).back(), u"FADER 64");
    // Halves round away from zero: 0.5 x 63 = 31.5 means index 32, so 33 strips.
    model.set(ParamId::ActiveStrips, 0.5);
    EXPECT_TRUE(findLabel(paint(model).surface, u"33 strips"));
}

TEST(GainPage, DescriptionsAndCountsOfEachKind) {
    struct Case {
        ModuleKind kind;
        std::u16string description;
        std::u16string noun; // empty: no count and no count buttons
    };
    const Case cases[] = {
        {ModuleKind::Input,
         u"Expose audio supplied by the DAW or rack input. Hardware selection belongs to the host.",
         u""},
        {ModuleKind::Output,
         u"Pass audio to a host-routed output. Hardware selection belongs to the host.", u""},
        {ModuleKind::Summing,
         u"Add independent mono / stereo inputs into one output. Neutral digital addition.",
         u" active inputs"},
        {ModuleKind::Breakout,
         u"Separate a multichannel input into individual mono outputs. Each output carries one "
         u"input lane.",
         u" enabled output lanes"},
        {ModuleKind::Distributor,
         u"Copy the input to independent output branches. Connect any branch to an effect.",
         u" active branches"},
    };
    for (const Case& c : cases) {
        for (const bool withCount : {false, true}) {
            FixedEditorModel model(c.kind);
            model.set(ParamId::ActiveStrips, withCount ? countValue(4) : 0.0);
            const Painted p = paint(model);
            const RecordingSurface& s = p.surface;
            EXPECT_EQ(labelAt(s, {28, 112, 920, 190}), (LabelCall{{28, 112, 920, 190},
                                                                  c.description,
                                                                  palette::kPrimaryText,
                                                                  23,
                                                                  FontWeight::Semibold,
                                                                  TextPlacement::Wrap}));
            const auto count = labelAt(s, {207, 222, 890, 266});
            const ButtonFace fewer = buttonAt(s, {29, 222, 98, 266}, u"\u2212");
            const ButtonFace more = buttonAt(s, {112, 222, 181, 266}, u"+");
            if (c.noun.empty()) {
                EXPECT_FALSE(count);
                EXPECT_EQ(fewer, ButtonFace::Missing);
                EXPECT_EQ(more, ButtonFace::Missing);
                EXPECT_FALSE(hasFill(s, {29, 222, 98, 266}, palette::kButtonInactiveFace));
            } else {
                EXPECT_EQ(count, (LabelCall{{207, 222, 890, 266},
                                            (withCount ? u"4" : u"1") + c.noun,
                                            palette::kAccent,
                                            23,
                                            FontWeight::Semibold,
                                            TextPlacement::Left}));
                EXPECT_EQ(fewer, ButtonFace::Inactive);
                EXPECT_EQ(more, ButtonFace::Inactive);
            }
            EXPECT_EQ(labelAt(s, {30, 320, 920, 355})->text, u"Output gain");
            EXPECT_EQ(labelAt(s, {30, 517, 920, 563})->text,
                      u"Extra DAW buses must be enabled by the host. Inactive or disconnected "
                      u"inputs are silent.");
        }
    }
}

TEST(GainPage, FaderCapFollowsTheGain) {
    FixedEditorModel model(ModuleKind::Output);
    struct Case {
        double value;
        int capCentre;
        std::u16string text;
    };
    // Unity: 37 + trunc(15/17 x 863) = 798.
    for (const Case& c : {Case{0.0, 37, u"-90.0 dB"}, Case{1.0, 900, u"12.0 dB"},
                          Case{15.0 / 17.0, 798, u"0.0 dB"}}) {
        model.set(ParamId::Gain, c.value);
        const Painted p = paint(model);
        const RecordingSurface& s = p.surface;
        EXPECT_TRUE(hasFill(s, {37, 397, 900, 406}, palette::kGainFaderTrack));
        // 55 px cap: top row and the centre line.
        EXPECT_TRUE(hasFill(s, {c.capCentre - 20, 375, c.capCentre + 20, 376}, {207, 218, 221}));
        const auto lines = s.callsOf<LineCall>();
        EXPECT_NE(std::find(lines.begin(), lines.end(),
                            LineCall{c.capCentre - 20, 402, c.capCentre + 20, 402,
                                     palette::kCapMiddleLine, 3}),
                  lines.end());
        EXPECT_EQ(labelAt(s, {31, 448, 919, 491}), (LabelCall{{31, 448, 919, 491},
                                                              c.text,
                                                              palette::kAccent,
                                                              24,
                                                              FontWeight::Semibold,
                                                              TextPlacement::Left}));
    }
}

TEST(FaderCaps, StayOnTheirTracksForValuesOutsideTheUnitRange) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(layout::gainCapCentreX(nan), 37);
    EXPECT_EQ(layout::gainCapCentreX(-3.0), 37);
    EXPECT_EQ(layout::gainCapCentreX(7.0), 900);
    EXPECT_EQ(layout::stripCapCentreY(nan), 445);
    EXPECT_EQ(layout::stripCapCentreY(2.0), 258);
    EXPECT_EQ(maximumTailSeconds(nan), 0);
    EXPECT_EQ(maximumTailSeconds(1e9), 3600);
}

} // namespace
} // namespace quillwave::plugins
