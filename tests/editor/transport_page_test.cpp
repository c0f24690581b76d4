#include "editor/editor_layout.h"
#include "editor/paint_editor.h"
#include "fixed_editor_model.h"
#include "recorded_calls.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quillwave::plugins {
namespace {

using test::buttonAt;
using test::ButtonFace;
using test::findLabel;
using test::FixedEditorModel;
using test::hasFill;
using test::labelAt;

RecordingSurface paint(const FixedEditorModel& model) {
    RecordingSurface surface;
    std::uint32_t bankPage = 0;
    paintEditor(model, bankPage, surface);
    return surface;
}

FixedEditorModel recorder(RecorderStatus status = {}) {
    FixedEditorModel model(ModuleKind::Recorder);
    model.snapshot.recorder = status;
    model.status = "Armed and ready | take.wav";
    return model;
}

struct StateCase {
    const char* name;
    RecorderStatus status;
    std::u16string text;
    Rgb colour;
    bool recordActive;
};

RecorderStatus flags(bool recording, bool armed, bool tail, bool finalizing, bool finalized,
                     bool diskError) {
    RecorderStatus s;
    s.recording = recording;
    s.armed = armed;
    s.capturingTail = tail;
    s.finalizing = finalizing;
    s.finalized = finalized;
    s.diskError = diskError;
    return s;
}

TEST(RecorderPage, StateTextColourAndCircleOfEachState) {
    const StateCase cases[] = {
        {"idle",
         flags(false, false, false, false, false, false),
         u"CHOOSE A NEW WAV FILE",
         {94, 112, 122},
         false},
        {"armed",
         flags(false, true, false, false, false, false),
         u"READY TO RECORD",
         {132, 203, 191},
         false},
        {"recording",
         flags(true, true, false, false, false, false),
         u"RECORDING",
         {236, 91, 75},
         true},
        {"capturing tail",
         flags(true, false, true, false, false, false),
         u"REC \u00B7 CAPTURING TAIL",
         {236, 91, 75},
         true},
        {"finalizing",
         flags(false, false, false, true, false, false),
         u"FINALIZING WAV",
         {224, 182, 113},
         false},
        {"saved",
         flags(false, false, false, false, true, false),
         u"WAV SAVED",
         {94, 112, 122},
         false},
        {"disk error while recording",
         flags(true, true, false, false, false, true),
         u"DISK ERROR",
         {238, 104, 87},
         true},
        {"disk error after the take",
         flags(false, false, false, false, true, true),
         u"DISK ERROR",
         {238, 104, 87},
         false},
    };
    for (const StateCase& c : cases) {
        const FixedEditorModel model = recorder(c.status);
        const RecordingSurface s = paint(model);
        EXPECT_EQ(s.callsOf<CircleCall>(),
                  (std::vector<CircleCall>{{{45, 241, 61, 257}, c.colour}}))
            << c.name;
        EXPECT_EQ(labelAt(s, {76, 229, 441, 271}), (LabelCall{{76, 229, 441, 271},
                                                              c.text,
                                                              c.colour,
                                                              17,
                                                              FontWeight::Semibold,
                                                              TextPlacement::Left}))
            << c.name;
        EXPECT_EQ(buttonAt(s, {222, 112, 349, 155}, u"Record"),
                  c.recordActive ? ButtonFace::Active : ButtonFace::Inactive)
            << c.name;
        EXPECT_EQ(model.snapshotReads, 1) << "one snapshot per paint";
    }
}

TEST(RecorderPage, IdleRecorderShowsZerosAndItsControls) {
    const FixedEditorModel model = recorder();
    const RecordingSurface s = paint(model);
    EXPECT_EQ(buttonAt(s, {28, 112, 206, 155}, u"New WAV file\u2026"), ButtonFace::Inactive);
    EXPECT_EQ(buttonAt(s, {362, 112, 480, 155}, u"Stop"), ButtonFace::Inactive);
    // Following the transport is the default.
    EXPECT_EQ(buttonAt(s, {498, 112, 770, 155}, u"Follow DAW transport"), ButtonFace::Active);
    EXPECT_EQ(labelAt(s, {28, 169, 929, 211}), (LabelCall{{28, 169, 929, 211},
                                                          u"Armed and ready | take.wav",
                                                          palette::kAccent,
                                                          15,
                                                          FontWeight::Normal,
                                                          TextPlacement::Wrap}));
    EXPECT_TRUE(hasFill(s, {28, 222, 932, 279}, {11, 23, 29}));
    EXPECT_EQ(labelAt(s, {499, 229, 918, 271}), (LabelCall{{499, 229, 918, 271},
                                                           u"00:00:00.000",
                                                           palette::kPrimaryText,
                                                           30,
                                                           FontWeight::Semibold,
                                                           TextPlacement::Right}));
    EXPECT_EQ(labelAt(s, {30, 289, 366, 315})->text, u"INPUT \u00B7 PEAK / RMS");
    EXPECT_EQ(labelAt(s, {30, 439, 620, 463}),
              (LabelCall{{30, 439, 620, 463},
                         u"0 captured frames  \u00B7  0 written  \u00B7  0 dropped",
                         palette::kSecondaryText,
                         13,
                         FontWeight::Normal,
                         TextPlacement::Left}));
    EXPECT_EQ(buttonAt(s, {30, 474, 168, 511}, u"Tail \u2212"), ButtonFace::Inactive);
    EXPECT_EQ(buttonAt(s, {181, 474, 319, 511}, u"Tail +"), ButtonFace::Inactive);
    EXPECT_EQ(labelAt(s, {341, 474, 922, 511}), (LabelCall{{341, 474, 922, 511},
                                                           u"Maximum tail: 30 s",
                                                           palette::kAccent,
                                                           17,
                                                           FontWeight::Semibold,
                                                           TextPlacement::Left}));
    EXPECT_EQ(buttonAt(s, {700, 474, 922, 511}, u"New take every run"), ButtonFace::Inactive);
    FixedEditorModel everyRun = recorder();
    everyRun.set(ParamId::NewTakeEveryRun, 1.0);
    EXPECT_EQ(buttonAt(paint(everyRun), layout::kNewTakeButton, u"New take every run"),
              ButtonFace::Active);
    EXPECT_EQ(buttonAt(s, {700, 524, 922, 561}, u"Time-stamped takes"), ButtonFace::Inactive);
    FixedEditorModel stamped = recorder();
    stamped.set(ParamId::TimeStampedTakes, 1.0);
    EXPECT_EQ(buttonAt(paint(stamped), layout::kTimeStampButton, u"Time-stamped takes"),
              ButtonFace::Active);
    EXPECT_EQ(buttonAt(s, {30, 524, 168, 561}, u"Pre-record \u2212"), ButtonFace::Inactive);
    EXPECT_EQ(buttonAt(s, {181, 524, 319, 561}, u"Pre-record +"), ButtonFace::Inactive);
    EXPECT_EQ(labelAt(s, {341, 524, 690, 561})->text, u"Pre-record: off");
    EXPECT_EQ(labelAt(s, {30, 563, 690, 580})->text,
              u"New files only: existing recordings are never intentionally overwritten.");
    EXPECT_FALSE(hasFill(s, {28, 230, 930, 450}, palette::kWaveformArea));
}

TEST(RecorderPage, ScaleMarks) {
    const RecordingSurface s = paint(recorder());
    const std::pair<int, const char16_t*> marks[] = {{130, u"-60"}, {261, u"-48"}, {392, u"-36"},
                                                     {523, u"-24"}, {654, u"-12"}, {785, u"0"}};
    for (const auto& [x, text] : marks) {
        EXPECT_EQ(labelAt(s, {x - 18, 310, x + 22, 333}), (LabelCall{{x - 18, 310, x + 22, 333},
                                                                     text,
                                                                     palette::kSecondaryText,
                                                                     10,
                                                                     FontWeight::Normal,
                                                                     TextPlacement::TopCentre}));
    }
}

TEST(RecorderPage, ElapsedTimeCountersAndMaximumTail) {
    RecorderStatus status = flags(true, true, false, false, false, false);
    status.capturedSeconds = 3723.456;
    status.capturedFrames = 178725888;
    status.writtenFrames = 178700000;
    status.droppedFrames = 0;
    FixedEditorModel model = recorder(status);
    model.set(ParamId::MaximumTail, 30.0 / 3600.0);
    RecordingSurface s = paint(model);
    EXPECT_EQ(labelAt(s, layout::kElapsedText)->text, u"01:02:03.456");
    EXPECT_EQ(labelAt(s, layout::kCounters)->text,
              u"178725888 captured frames  \u00B7  178700000 written  \u00B7  0 dropped");
    EXPECT_EQ(labelAt(s, layout::kMaximumTailText)->text, u"Maximum tail: 30 s");

    model.snapshot.recorder.capturedSeconds = 100.0 * 3600.0;
    model.snapshot.recorder.droppedFrames = 512;
    model.set(ParamId::MaximumTail, 1.0);
    s = paint(model);
    EXPECT_EQ(labelAt(s, layout::kElapsedText)->text, u"100:00:00.000");
    const auto counters = labelAt(s, layout::kCounters);
    EXPECT_EQ(counters->text,
              u"178725888 captured frames  \u00B7  178700000 written  \u00B7  512 dropped");
    EXPECT_EQ(counters->colour, (Rgb{238, 104, 87}));
    EXPECT_EQ(labelAt(s, layout::kMaximumTailText)->text, u"Maximum tail: 3600 s");

    model.set(ParamId::MaximumTail, 0.0);
    EXPECT_EQ(labelAt(paint(model), layout::kMaximumTailText)->text, u"Maximum tail: 0 s");
}

TEST(RecorderPage, PreRecordShowsItsTimeAndWhatTheFormatKeeps) {
    RecorderStatus status = flags(false, true, false, false, false, false);
    status.preRecordLimitSeconds = 5.92;
    FixedEditorModel model = recorder(status);
    const std::pair<double, const char16_t*> cases[] = {
        {0.2, u"Pre-record: 2 s"},
        {0.25, u"Pre-record: 2.5 s"},
        {1.0, u"Pre-record: 10 s (5.9 s at this format)"},
    };
    for (const auto& [value, text] : cases) {
        model.set(ParamId::PreRecordTime, value);
        EXPECT_EQ(labelAt(paint(model), layout::kPreRecordText)->text, text);
    }
}

// The texts of the two meter rows' labels and peak texts.
struct Rows {
    std::u16string firstLabel, firstPeak, secondLabel, secondPeak;
};

Rows meterRows(const RecordingSurface& s) {
    return {labelAt(s, {30, 335, 114, 361})->text, labelAt(s, {800, 335, 895, 360})->text,
            labelAt(s, {30, 372, 114, 398})->text, labelAt(s, {800, 372, 895, 397})->text};
}

TEST(RecorderPage, MonoInputLeavesTheSecondRowEmpty) {
    FixedEditorModel model = recorder();
    model.snapshot.meteredChannels = 1;
    model.snapshot.peak[0] = 0.5f;
    model.snapshot.rms[0] = 0.25f;
    // Stale values past the metered channels are not shown.
    model.snapshot.peak[1] = 0.9f;
    model.snapshot.rms[1] = 0.9f;
    model.snapshot.clip[1] = 1;
    const RecordingSurface s = paint(model);
    const Rows rows = meterRows(s);
    EXPECT_EQ(rows.firstLabel, u"MONO");
    EXPECT_EQ(rows.firstPeak, u"-6.0 dBFS");
    EXPECT_EQ(rows.secondLabel, u"RIGHT / 2");
    EXPECT_EQ(rows.secondPeak, u"\u2212\u221E dBFS");
    EXPECT_TRUE(hasFill(s, {897, 375, 934, 397}, palette::kClipBoxDark));
    EXPECT_TRUE(hasFill(s, {130, 390, 130, 395}, palette::kMeterRms));
    EXPECT_EQ(labelAt(s, layout::kMeterSummary),
              (LabelCall{layout::kMeterSummary, u"Input metering stays active before recording.",
                         palette::kSecondaryText, 13, FontWeight::Normal, TextPlacement::Left}));
}

TEST(RecorderPage, StereoInputWithOneChannelClipping) {
    FixedEditorModel model = recorder(flags(true, true, false, false, false, false));
    model.snapshot.meteredChannels = 2;
    model.snapshot.peak = {0.25f, 1.0f};
    model.snapshot.rms = {0.1f, 0.7f};
    model.snapshot.clip = {0, 1};
    const RecordingSurface s = paint(model);
    const Rows rows = meterRows(s);
    EXPECT_EQ(rows.firstLabel, u"LEFT / 1");
    EXPECT_EQ(rows.secondLabel, u"RIGHT / 2");
    EXPECT_EQ(rows.secondPeak, u"0.0 dBFS");
    EXPECT_TRUE(hasFill(s, {897, 338, 934, 360}, palette::kClipBoxDark));
    EXPECT_TRUE(hasFill(s, {897, 375, 934, 397}, palette::kClipBoxLit));
    // Full scale reaches x 785 and ends hot.
    EXPECT_TRUE(hasFill(s, {784, 378, 785, 387}, palette::kMeterHot));
    EXPECT_EQ(labelAt(s, layout::kMeterSummary),
              (LabelCall{layout::kMeterSummary,
                         u"Input metering stays active before recording.  CLIP detected",
                         {236, 155, 121},
                         13,
                         FontWeight::Normal,
                         TextPlacement::Left}));
}

TEST(RecorderPage, SixChannelsSummariseTheLoudest) {
    FixedEditorModel model = recorder();
    model.snapshot.meteredChannels = 6;
    model.snapshot.peak = {0.1f, 0.2f, 0.5f, 0.3f, 0.5f, 0.05f, 1.0f}; // channel 7 is not metered
    model.snapshot.clip[9] = 1;                                        // nor is channel 10
    RecordingSurface s = paint(model);
    EXPECT_EQ(labelAt(s, layout::kMeterSummary),
              (LabelCall{layout::kMeterSummary, u"6 channels \u00B7 loudest: 3 (-6.0 dBFS)",
                         palette::kSecondaryText, 13, FontWeight::Normal, TextPlacement::Left}));
    EXPECT_EQ(meterRows(s).firstLabel, u"LEFT / 1");

    model.snapshot.clip[5] = 1;
    s = paint(model);
    EXPECT_EQ(labelAt(s, layout::kMeterSummary)->text,
              u"6 channels \u00B7 loudest: 3 (-6.0 dBFS)  CLIP detected");
    EXPECT_EQ(labelAt(s, layout::kMeterSummary)->colour, (Rgb{236, 155, 121}));

    // A channel count beyond the meters is read as all 64 of them.
    model.snapshot.meteredChannels = 1000;
    model.snapshot.peak[63] = 2.0f;
    EXPECT_EQ(labelAt(paint(model), layout::kMeterSummary)->text,
              u"64 channels \u00B7 loudest: 64 (6.0 dBFS)  CLIP detected");
}

TEST(RecorderPage, InaudibleAndFullScaleLevels) {
    FixedEditorModel model = recorder();
    model.snapshot.meteredChannels = 2;
    model.snapshot.peak = {0.0000005f, 1.0f};
    const RecordingSurface s = paint(model);
    EXPECT_EQ(meterRows(s).firstPeak, u"\u2212\u221E dBFS");
    EXPECT_EQ(meterRows(s).secondPeak, u"0.0 dBFS");
    const auto lines = s.callsOf<LineCall>();
    const LineCall marker{785, 376, 785, 388, palette::kPeakMarker, 2};
    EXPECT_NE(std::find(lines.begin(), lines.end(), marker), lines.end());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const LineCall& l) { return l.colour == palette::kPeakMarker; }),
              1);
}

FixedEditorModel player() {
    FixedEditorModel model(ModuleKind::Player);
    model.status = "Choose a WAV file. Disk is never read in the audio callback.";
    return model;
}

std::vector<LineCall> waveformLines(const RecordingSurface& s) {
    std::vector<LineCall> out;
    for (const LineCall& line : s.callsOf<LineCall>()) {
        if (line.colour == palette::kAccent && line.x1 == line.x2) {
            out.push_back(line);
        }
    }
    return out;
}

TEST(PlayerPage, WithoutAClipShowsThePrompt) {
    const FixedEditorModel model = player();
    const RecordingSurface s = paint(model);
    EXPECT_EQ(buttonAt(s, {28, 112, 206, 155}, u"Open WAV\u2026"), ButtonFace::Inactive);
    EXPECT_EQ(buttonAt(s, {222, 112, 349, 155}, u"Play"), ButtonFace::Inactive);
    EXPECT_EQ(buttonAt(s, {362, 112, 480, 155}, u"Stop"), ButtonFace::Inactive);
    EXPECT_EQ(labelAt(s, layout::kStatusLine)->text,
              u"Choose a WAV file. Disk is never read in the audio callback.");
    EXPECT_TRUE(hasFill(s, {28, 230, 930, 450}, {10, 23, 30}));
    EXPECT_EQ(labelAt(s, {40, 300, 920, 375})->text, u"Choose a WAV file to see its waveform.");
    EXPECT_FALSE(labelAt(s, layout::kWaveformInfo));
    EXPECT_TRUE(waveformLines(s).empty());
    EXPECT_EQ(labelAt(s, {28, 523, 930, 563})->text,
              u"WAV PCM 16/24/32-bit or float32. Preloaded audio, maximum 512 MiB decoded.");
    // The player draws nothing of the recorder panel.
    EXPECT_TRUE(s.callsOf<CircleCall>().empty());
    EXPECT_FALSE(findLabel(s, u"Maximum tail: 30 s"));
}

TEST(PlayerPage, RunAndFollowButtonsFollowTheirParameters) {
    FixedEditorModel model = player();
    model.set(ParamId::PlayRecord, 1.0);
    model.set(ParamId::FollowTransport, 0.0);
    RecordingSurface s = paint(model);
    EXPECT_EQ(buttonAt(s, layout::kRunButton, u"Play"), ButtonFace::Active);
    EXPECT_EQ(buttonAt(s, layout::kFollowButton, u"Follow DAW transport"), ButtonFace::Inactive);
    // Exactly one half is not on.
    model.set(ParamId::PlayRecord, 0.5);
    s = paint(model);
    EXPECT_EQ(buttonAt(s, layout::kRunButton, u"Play"), ButtonFace::Inactive);
}

TEST(PlayerPage, ShortClipRepeatsItsFramesAcrossTheColumns) {
    FixedEditorModel model = player();
    // Two stereo frames: the loudest channel counts, whatever its sign.
    model.clip = AudioClip(2, 44100, {0.1f, -0.6f, 0.2f, 0.3f});
    const RecordingSurface s = paint(model);
    const auto lines = waveformLines(s);
    ASSERT_EQ(lines.size(), 898u);
    for (int j = 1; j <= 898; ++j) {
        const int a = j <= 449 ? 57 : 28; // trunc(0.6 x 95), trunc(0.3 x 95)
        EXPECT_EQ(lines[j - 1], (LineCall{29 + j, 340 - a, 29 + j, 340 + a, palette::kAccent, 1}))
            << j;
    }
    EXPECT_EQ(labelAt(s, {36, 461, 911, 492}), (LabelCall{{36, 461, 911, 492},
                                                          u"2 frames  /  44100 Hz  /  2 channels",
                                                          palette::kSecondaryText,
                                                          14,
                                                          FontWeight::Normal,
                                                          TextPlacement::Left}));
}

TEST(PlayerPage, LongClipColumnsShowTheirOwnPeaks) {
    // 898 x 500 mono frames; column j holds one loud frame, at its start, of level j / 898.
    constexpr std::uint64_t kPerColumn = 500;
    SampleVector samples(898 * kPerColumn, 0.01f);
    for (std::uint64_t j = 1; j <= 898; ++j) {
        samples[(j - 1) * kPerColumn] = -static_cast<float>(j) / 898.0f;
    }
    FixedEditorModel model = player();
    model.clip = AudioClip(1, 48000, std::move(samples));
    const RecordingSurface s = paint(model);
    const auto lines = waveformLines(s);
    ASSERT_EQ(lines.size(), 898u);
    for (int j = 1; j <= 898; ++j) {
        const int a = static_cast<int>(static_cast<double>(static_cast<float>(j) / 898.0f) * 95);
        EXPECT_EQ(lines[j - 1].y1, 340 - a) << j;
        EXPECT_EQ(lines[j - 1].y2, 340 + a) << j;
    }
    EXPECT_EQ(labelAt(s, layout::kWaveformInfo)->text,
              u"449000 frames  /  48000 Hz  /  1 channels");
}

} // namespace
} // namespace quillwave::plugins
