#include "editor/recorder_panel.h"

#include "editor/control_values.h"
#include "editor/draw_elements.h"
#include "editor/editor_layout.h"
#include "editor/meter_row.h"
#include "editor/palette.h"
#include "editor/status_line.h"
#include "editor/value_text.h"
#include "platform/utf.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace quillwave::plugins {
namespace {

std::u16string_view stateText(RecorderDisplayState state) {
    switch (state) {
    case RecorderDisplayState::DiskError:
        return u"DISK ERROR";
    case RecorderDisplayState::CapturingTail:
        return u"REC \u00B7 CAPTURING TAIL";
    case RecorderDisplayState::Recording:
        return u"RECORDING";
    case RecorderDisplayState::Finalizing:
        return u"FINALIZING WAV";
    case RecorderDisplayState::Armed:
        return u"READY TO RECORD";
    case RecorderDisplayState::Finalized:
        return u"WAV SAVED";
    case RecorderDisplayState::NoDestination:
        break;
    }
    return u"CHOOSE A NEW WAV FILE";
}

// The colour has its own order: a tail capture is still a recording.
Rgb stateColour(const RecorderStatus& status) {
    if (status.diskError) {
        return palette::kStateDiskError;
    }
    if (status.recording) {
        return palette::kStateRecording;
    }
    if (status.finalizing) {
        return palette::kStateFinalizing;
    }
    if (status.armed) {
        return palette::kStateArmed;
    }
    return palette::kStateIdle;
}

void paintState(DrawingSurface& surface, const RecorderStatus& status) {
    // The panel shows a saved take whether or not a destination is still set.
    const auto text = stateText(recorderDisplayState(status, true));
    const Rgb colour = stateColour(status);
    surface.fillCircle(layout::kStateCircle, colour);
    surface.drawLabel(layout::kStateText, text, colour, 17, FontWeight::Semibold,
                      TextPlacement::Left);
    surface.drawLabel(layout::kElapsedText, elapsedTimeText(status.capturedSeconds),
                      palette::kPrimaryText, 30, FontWeight::Semibold, TextPlacement::Right);
}

void paintScale(DrawingSurface& surface) {
    for (int d = -60; d <= 0; d += 12) {
        const int x = layout::kMeterLeft + (d + 60) * layout::kMeterSpan / 60;
        std::u16string text = decimalText(static_cast<std::uint64_t>(-d));
        if (d < 0) {
            text.insert(0, 1, u'-'); // an ASCII hyphen-minus, unlike the meter texts
        }
        surface.drawLabel(layout::scaleMarkText(x), text, palette::kSecondaryText, 10,
                          FontWeight::Normal, TextPlacement::TopCentre);
    }
}

void paintMeterSummary(DrawingSurface& surface, const MeterSnapshot& snapshot,
                       std::uint32_t channels) {
    std::uint32_t loudest = 0;
    bool anyClip = false;
    for (std::uint32_t c = 0; c < channels; ++c) {
        if (snapshot.peak[c] > snapshot.peak[loudest]) {
            loudest = c;
        }
        anyClip = anyClip || snapshot.clip[c] != 0;
    }
    std::u16string text = channels <= 2
                              ? std::u16string(u"Input metering stays active before recording.")
                              : decimalText(channels) + u" channels \u00B7 loudest: " +
                                    decimalText(loudest + 1) + u" (" +
                                    formatDbfs(snapshot.peak[loudest]) + u" dBFS)";
    if (anyClip) {
        text += u"  CLIP detected";
    }
    surface.drawLabel(layout::kMeterSummary, text,
                      anyClip ? palette::kClipSummary : palette::kSecondaryText, 13,
                      FontWeight::Normal, TextPlacement::Left);
}

void paintCounters(DrawingSurface& surface, const RecorderStatus& status) {
    surface.drawLabel(layout::kCounters,
                      decimalText(status.capturedFrames) + u" captured frames  \u00B7  " +
                          decimalText(status.writtenFrames) + u" written  \u00B7  " +
                          decimalText(status.droppedFrames) + u" dropped",
                      status.droppedFrames != 0 ? palette::kStateDiskError
                                                : palette::kSecondaryText,
                      13, FontWeight::Normal, TextPlacement::Left);
}

void paintTimeLeft(DrawingSurface& surface, const RecorderStatus& status,
                   std::optional<double> secondsLeft) {
    if (!secondsLeft) {
        return; // the volume cannot be asked: nothing rather than a guess
    }
    const bool warn = diskAlmostFull(recorderDisplayState(status, true), secondsLeft);
    const auto text = platform::utf8ToUtf16("Disk: " + timeLeftText(*secondsLeft));
    surface.drawLabel(layout::kDiskTimeLeft, text.value_or(u""),
                      warn ? palette::kStateDiskError : palette::kSecondaryText, 13,
                      FontWeight::Normal, TextPlacement::Right);
}

// "Pre-record: off", "Pre-record: 3 s", and what is kept when the format allows less.
std::u16string preRecordText(double normalized, double limitSeconds) {
    const double seconds = unitValue(normalized) * kPreRecordRangeSeconds;
    if (!(seconds > 0.0)) {
        return u"Pre-record: off";
    }
    auto secondsText = [](double s) {
        const double whole = std::round(s);
        return std::fabs(s - whole) < 0.05 ? decimalText(static_cast<std::uint64_t>(whole))
                                           : oneDecimalText(s);
    };
    std::u16string text = u"Pre-record: " + secondsText(seconds) + u" s";
    if (limitSeconds > 0.0 && limitSeconds < seconds) {
        text += u" (" + oneDecimalText(std::floor(limitSeconds * 10.0) / 10.0) +
                u" s at this format)";
    }
    return text;
}

} // namespace

void paintRecorderPanel(DrawingSurface& surface, const MeterSnapshot& snapshot,
                        const RecorderPanelSettings& settings, std::optional<double> secondsLeft) {
    surface.fillBox(layout::kRecorderStatePanel, palette::kRecorderStatePanel);
    paintState(surface, snapshot.recorder);

    surface.drawLabel(layout::kMeterHeading, u"INPUT \u00B7 PEAK / RMS", palette::kSecondaryText,
                      12, FontWeight::Semibold, TextPlacement::Left);
    paintScale(surface);

    // A count beyond the arrays would be a broken snapshot; never read past them.
    const std::uint32_t channels =
        std::min<std::uint32_t>(snapshot.meteredChannels, kMeterChannels);
    drawMeterRow(surface, layout::kMeterRowFirstY, channels == 1 ? u"MONO" : u"LEFT / 1",
                 snapshot.peak[0], snapshot.rms[0], snapshot.clip[0] != 0);
    const bool second = channels > 1;
    drawMeterRow(surface, layout::kMeterRowSecondY, u"RIGHT / 2", second ? snapshot.peak[1] : 0.0f,
                 second ? snapshot.rms[1] : 0.0f, second && snapshot.clip[1] != 0);
    paintMeterSummary(surface, snapshot, channels);
    paintCounters(surface, snapshot.recorder);
    paintTimeLeft(surface, snapshot.recorder, secondsLeft);

    drawButton(surface, layout::kTailLessButton, u"Tail \u2212", false);
    drawButton(surface, layout::kTailMoreButton, u"Tail +", false);
    surface.drawLabel(layout::kMaximumTailText,
                      u"Maximum tail: " +
                          decimalText(static_cast<std::uint64_t>(
                              maximumTailSeconds(settings.maximumTail))) +
                          u" s",
                      palette::kAccent, 17, FontWeight::Semibold, TextPlacement::Left);
    drawButton(surface, layout::kNewTakeButton, u"New take every run", settings.newTakeEveryRun);
    drawButton(surface, layout::kTimeStampButton, u"Time-stamped takes",
               settings.timeStampedTakes);

    drawButton(surface, layout::kPreRecordLessButton, u"Pre-record \u2212", false);
    drawButton(surface, layout::kPreRecordMoreButton, u"Pre-record +", false);
    surface.drawLabel(layout::kPreRecordText,
                      preRecordText(settings.preRecordTime, snapshot.recorder.preRecordLimitSeconds),
                      palette::kAccent, 17, FontWeight::Semibold, TextPlacement::Left);
}

} // namespace quillwave::plugins
