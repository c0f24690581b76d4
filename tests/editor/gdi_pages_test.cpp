#include "dib_canvas.h"
#include "editor/paint_editor.h"
#include "editor/palette.h"
#include "editor/scaled_surface.h"
#include "editor/win32/gdi_surface.h"
#include "fixed_editor_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quillwave::plugins {
namespace {

using test::DibCanvas;
using test::FixedEditorModel;

// Paints a whole page, scaled by a whole factor, into a fresh DIB section that starts out in a
// colour the editor never uses, so a pixel the paint missed would show. Points are read in
// design coordinates: at 2 x, (x, y) is the device pixel (2x, 2y).
class PaintedPage {
public:
    PaintedPage(const FixedEditorModel& model, int scale)
        : scale_(scale), canvas_(960 * scale, 580 * scale) {
        GdiSurface device(canvas_.dc());
        device.fillBox({0, 0, canvas_.width(), canvas_.height()}, {255, 0, 255});
        ScaledSurface surface(device, scale);
        std::uint32_t bankPage = 0;
        paintEditor(model, bankPage, surface);
    }
    Rgb at(int x, int y) const { return canvas_.pixel(x * scale_, y * scale_); }
    const DibCanvas& canvas() const { return canvas_; }

private:
    int scale_;
    DibCanvas canvas_;
};

// Every check holds at the design size and at the doubled points of a 2 x picture.
class GdiPages : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Scales, GdiPages, ::testing::Values(1, 2));

void expectCommonFrame(const PaintedPage& page) {
    EXPECT_EQ(page.at(950, 575), palette::kWindowBackground);
    EXPECT_EQ(page.at(0, 579), palette::kWindowBackground);
    EXPECT_EQ(page.at(940, 40), palette::kHeaderBand);
    EXPECT_EQ(page.at(5, 5), palette::kHeaderBand);
    EXPECT_EQ(page.at(500, 87), palette::kHeaderSeparator);
    EXPECT_EQ(page.at(500, 88), palette::kWindowBackground);
}

TEST_P(GdiPages, EveryPixelIsPainted) {
    for (int kind = 1; kind <= 8; ++kind) {
        const PaintedPage page(FixedEditorModel(static_cast<ModuleKind>(kind)), GetParam());
        const std::uint32_t* bits = page.canvas().bits();
        int unpainted = 0;
        for (int i = 0; i < page.canvas().width() * page.canvas().height(); ++i) {
            unpainted += (bits[i] & 0xFFFFFF) == 0xFF00FF ? 1 : 0;
        }
        EXPECT_EQ(unpainted, 0) << "kind " << kind;
        expectCommonFrame(page);
    }
}

TEST_P(GdiPages, RecorderRecordingWithAClippingStereoInput) {
    FixedEditorModel model(ModuleKind::Recorder);
    model.snapshot.recorder.recording = true;
    model.snapshot.recorder.armed = true;
    model.snapshot.meteredChannels = 2;
    model.snapshot.peak = {0.3f, 1.0f};
    model.snapshot.rms = {0.1f, 0.6f};
    model.snapshot.clip = {0, 1};
    model.status = "Recording | take.wav";
    const PaintedPage page(model, GetParam());

    expectCommonFrame(page);
    EXPECT_EQ(page.at(366, 117), palette::kButtonInactiveFace); // Stop
    EXPECT_EQ(page.at(226, 117), palette::kButtonActiveFace);   // Record while recording
    EXPECT_EQ(page.at(502, 117), palette::kButtonActiveFace);   // Follow DAW transport
    EXPECT_EQ(page.at(362, 140), (Rgb{81, 100, 110}));          // a button's left edge
    EXPECT_EQ(page.at(400, 112), (Rgb{111, 133, 140}));         // and its top edge

    EXPECT_EQ(page.at(53, 249), palette::kStateRecording); // state circle
    EXPECT_EQ(page.at(53, 241), (Rgb{0, 0, 0}));           // its outline
    EXPECT_EQ(page.at(40, 225), palette::kRecorderStatePanel);

    // Second row at y 375, full scale: the top segments are hot, the clip box is lit.
    EXPECT_EQ(page.at(761, 380), palette::kMeterHot);
    EXPECT_EQ(page.at(701, 380), palette::kMeterWarm);
    EXPECT_EQ(page.at(300, 380), palette::kMeterCool);
    EXPECT_EQ(page.at(759, 380), palette::kMeterWell); // gap between two segments
    EXPECT_EQ(page.at(900, 377), palette::kClipBoxLit);
    EXPECT_EQ(page.at(900, 340), palette::kClipBoxDark);
    EXPECT_EQ(page.at(131, 392), palette::kMeterRms);
    EXPECT_EQ(page.at(129, 350), palette::kMeterFrame);
}

TEST_P(GdiPages, RecorderStateCircleColours) {
    struct Case {
        bool armed, diskError;
        Rgb colour;
    };
    for (const Case& c :
         {Case{false, false, palette::kStateIdle}, Case{true, false, palette::kStateArmed},
          Case{true, true, palette::kStateDiskError}}) {
        FixedEditorModel model(ModuleKind::Recorder);
        model.snapshot.recorder.armed = c.armed;
        model.snapshot.recorder.diskError = c.diskError;
        const PaintedPage page(model, GetParam());
        EXPECT_EQ(page.at(53, 249), c.colour);
        EXPECT_EQ(page.at(226, 117), palette::kButtonInactiveFace);
    }
}

TEST_P(GdiPages, PlayerWaveform) {
    FixedEditorModel model(ModuleKind::Player);
    SampleVector samples(48000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = 0.8f * static_cast<float>(std::sin(static_cast<double>(i) * 0.05));
    }
    model.clip = AudioClip(1, 48000, std::move(samples));
    const PaintedPage page(model, GetParam());
    expectCommonFrame(page);
    EXPECT_EQ(page.at(29, 340), palette::kWaveformArea); // left of the first column
    EXPECT_EQ(page.at(400, 340), palette::kAccent);      // a column at the centre line
    EXPECT_EQ(page.at(400, 340 - 70), palette::kAccent); // trunc(0.8 x 95) = 76 above
    EXPECT_EQ(page.at(400, 340 - 80), palette::kWaveformArea);
    EXPECT_EQ(page.at(226, 117), palette::kButtonInactiveFace); // Play is off
}

TEST_P(GdiPages, FaderBankStrip) {
    FixedEditorModel model(ModuleKind::FaderBank);
    model.set(stripMuteId(0), 1.0);
    const PaintedPage page(model, GetParam());
    expectCommonFrame(page);
    EXPECT_EQ(page.at(100, 400), palette::kStripPanel);
    EXPECT_EQ(page.at(77, 400), palette::kStripFaderTrack);
    EXPECT_EQ(page.at(50, 289), palette::kStripScaleTicks);
    EXPECT_EQ(page.at(42, 208), palette::kButtonActiveFace);    // strip 1 muted
    EXPECT_EQ(page.at(157, 208), palette::kButtonInactiveFace); // strip 2 not
    EXPECT_EQ(page.at(60, 280), palette::kCapMiddleLine);       // unity cap centre
}

TEST_P(GdiPages, GainPageTrackAndCap) {
    FixedEditorModel model(ModuleKind::Summing);
    const PaintedPage page(model, GetParam());
    expectCommonFrame(page);
    EXPECT_EQ(page.at(100, 400), palette::kGainFaderTrack);
    EXPECT_EQ(page.at(790, 402), palette::kCapMiddleLine); // unity cap centre at x 798
    EXPECT_EQ(page.at(33, 226), palette::kButtonInactiveFace);
}

} // namespace
} // namespace quillwave::plugins
