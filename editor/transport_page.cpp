#include "editor/audio_clip_frames.h"
#include "editor/control_values.h"
#include "editor/draw_elements.h"
#include "editor/editor_layout.h"
#include "editor/editor_pages.h"
#include "editor/palette.h"
#include "editor/recorder_panel.h"
#include "editor/status_line.h"
#include "editor/waveform.h"

namespace quillwave::plugins {

void paintTransportPage(const EditorModel& model, DrawingSurface& surface) {
    // One snapshot for the whole page, so one picture shows one set of values.
    const MeterSnapshot snapshot = model.meterSnapshot();
    const bool player = model.kind() == ModuleKind::Player;

    drawButton(surface, layout::kFileButton, player ? u"Open WAV\u2026" : u"New WAV file\u2026",
               false);
    const bool running =
        player ? switchOn(model.parameter(ParamId::PlayRecord)) : snapshot.recorder.recording;
    drawButton(surface, layout::kRunButton, player ? u"Play" : u"Record", running);
    drawButton(surface, layout::kStopButton, u"Stop", false);
    drawButton(surface, layout::kFollowButton, u"Follow DAW transport",
               switchOn(model.parameter(ParamId::FollowTransport)));

    // Read once, so that the status line, its colour and the panel agree.
    const std::optional<double> secondsLeft =
        player ? std::nullopt : model.recordingSecondsLeft();
    const bool diskWarning =
        !player && diskAlmostFull(recorderDisplayState(snapshot.recorder, true), secondsLeft);
    surface.drawLabel(layout::kStatusLine, displayText(model.statusLine()),
                      diskWarning ? palette::kStateDiskError : palette::kAccent, 15,
                      FontWeight::Normal, TextPlacement::Wrap);

    if (player) {
        model.readLatestClip(
            [&](const AudioClip& clip) { paintWaveform(surface, AudioClipFrames(clip)); });
    } else {
        RecorderPanelSettings settings;
        settings.maximumTail = model.parameter(ParamId::MaximumTail);
        settings.preRecordTime = model.parameter(ParamId::PreRecordTime);
        settings.newTakeEveryRun = switchOn(model.parameter(ParamId::NewTakeEveryRun));
        settings.timeStampedTakes = switchOn(model.parameter(ParamId::TimeStampedTakes));
        paintRecorderPanel(surface, snapshot, settings, secondsLeft);
    }

    if (player) {
        surface.drawLabel(layout::kTransportFooter,
                          u"WAV PCM 16/24/32-bit or float32. Preloaded audio, maximum 512 MiB "
                          u"decoded.",
                          palette::kSecondaryText, 14, FontWeight::Normal, TextPlacement::Left);
    } else {
        // Under the pre-record controls, smaller: the row above is theirs.
        surface.drawLabel(layout::kRecorderFooter,
                          u"New files only: existing recordings are never intentionally "
                          u"overwritten.",
                          palette::kSecondaryText, 12, FontWeight::Normal, TextPlacement::Left);
    }
}

} // namespace quillwave::plugins
