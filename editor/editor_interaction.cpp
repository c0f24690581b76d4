#include "editor/editor_interaction.h"

#include "editor/control_values.h"
#include "editor/editor_layout.h"
#include "editor/hit_test.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

namespace quillwave::plugins {
namespace {

constexpr std::u16string_view kRunCaption = u"QUILLWAVE";
constexpr std::u16string_view kNoPlayerFile = u"Choose a WAV file first.";
constexpr std::u16string_view kNoDestination =
    u"Choose a new WAV destination first. The recorder prepares it before recording starts.";
constexpr std::u16string_view kStillRecording =
    u"Stop recording before choosing a new destination.";
constexpr std::u16string_view kRecorderCaption = u"QUILLWAVE RECORDER";

bool hasStripCount(ModuleKind kind) {
    return kind == ModuleKind::Summing || kind == ModuleKind::Breakout ||
           kind == ModuleKind::Distributor;
}

} // namespace

bool EditorInteraction::onMouseDown(int x, int y) {
    // A press without a release before it (the release went elsewhere, or the window went)
    // ends that gesture first, whatever this press does, so nothing later moves that control.
    endDrag();
    switch (module_.kind()) {
    case ModuleKind::Input:
    case ModuleKind::Output:
    case ModuleKind::Summing:
    case ModuleKind::Breakout:
    case ModuleKind::Distributor:
        return pressGainPage(x, y);
    case ModuleKind::Player:
    case ModuleKind::Recorder:
        pressTransportPage(x, y);
        return false;
    case ModuleKind::FaderBank:
        break;
    }
    // A kind outside the family is drawn as the fader bank, so it is operated as one.
    return pressStripPage(x, y);
}

ParamIndex FaderDrag::parameter() const {
    return strip >= 0 ? stripGainId(strip) : ParamIndex{ParamId::Gain};
}

void EditorInteraction::updateDrag(int x, int y) {
    if (!drag_.active()) {
        return;
    }
    const double value =
        drag_.strip >= 0
            ? drag_.startValue + (drag_.startPos - y) / layout::kStripFaderTravel // up raises it
            : drag_.startValue + (x - drag_.startPos) / layout::kGainFaderTravel;
    module_.changeInGesture(drag_.parameter(), unitValue(value));
}

void EditorInteraction::endDrag() {
    if (!drag_.active()) {
        return;
    }
    const ParamIndex id = drag_.parameter();
    drag_ = FaderDrag{};
    module_.endGesture(id);
}

bool EditorInteraction::chooseFileFromDialog() {
    const ModuleKind kind = module_.kind();
    if (kind == ModuleKind::Recorder && module_.recorderReadiness().recording) {
        dialogs_.showMessage(kStillRecording, kRecorderCaption, MessageSeverity::Plain);
        return false;
    }
    // A dialog of another process answers later, after this returns false.
    const auto taken = std::make_shared<bool>(false);
    dialogs_.chooseWavFile(
        kind == ModuleKind::Player ? WavDialog::Open : WavDialog::Save,
        [this, taken](std::optional<std::u16string> path) { *taken = takeChosenFile(path); });
    return *taken;
}

bool EditorInteraction::takeChosenFile(const std::optional<std::u16string>& path) {
    if (!path || path->empty()) {
        return false; // cancelled: nothing changes and nothing is shown
    }
    std::string message;
    if (!module_.chooseFile(*path, message)) {
        dialogs_.showNarrowMessage(message, module_.displayName(), MessageSeverity::Error);
        return false;
    }
    return true;
}

bool EditorInteraction::pressStripPage(int x, int y) {
    const int lastIndex = activeStripsIndex(module_.parameter(ParamId::ActiveStrips));
    if (contains(layout::kStripFewerButton, x, y)) {
        changeStripCount(-1);
        return false;
    }
    if (contains(layout::kStripMoreButton, x, y)) {
        changeStripCount(+1);
        return false;
    }
    if (contains(layout::kPagePreviousButton, x, y)) {
        if (bankPage_ > 0) {
            --bankPage_;
        }
        return false;
    }
    if (contains(layout::kPageNextButton, x, y)) {
        if (bankPage_ < static_cast<std::uint32_t>(lastIndex / layout::kStripsPerPage)) {
            ++bankPage_;
        }
        return false;
    }
    // The strips of the page as last set; a page past the last strip (the count was just
    // lowered and not painted yet) shows nothing and so has nothing to press.
    const std::int64_t firstStrip = std::int64_t{bankPage_} * layout::kStripsPerPage;
    for (int i = 0; i < layout::kStripsPerPage && firstStrip + i <= lastIndex; ++i) {
        const int strip = static_cast<int>(firstStrip + i);
        if (contains(layout::stripMuteButton(i), x, y)) {
            const bool muted = switchOn(module_.parameter(stripMuteId(strip)));
            module_.applyEdit(stripMuteId(strip), muted ? 0.0 : 1.0);
            return false;
        }
        if (contains(layout::stripFaderHit(i), x, y)) {
            const double value = module_.parameter(stripGainId(strip));
            FaderDrag drag;
            drag.strip = strip;
            drag.startPos = y;
            // A press on the cap keeps the value; anywhere else on the track it jumps there.
            drag.startValue =
                std::abs(y - layout::stripCapCentreY(value)) <= layout::kStripGrabDistance
                    ? value
                    : unitValue(1.0 - static_cast<double>(y - layout::kStripFaderTop) /
                                          layout::kStripFaderTravel);
            beginDrag(drag, x, y);
            return true;
        }
    }
    return false;
}

bool EditorInteraction::pressGainPage(int x, int y) {
    if (hasStripCount(module_.kind())) {
        if (containsInclusive(layout::kGainFewerButton, x, y)) {
            changeStripCount(-1);
            return false;
        }
        if (containsInclusive(layout::kGainMoreButton, x, y)) {
            changeStripCount(+1);
            return false;
        }
    }
    if (contains(layout::kGainFaderHit, x, y)) {
        const double value = module_.parameter(ParamId::Gain);
        FaderDrag drag;
        drag.gain = true;
        drag.startPos = x;
        drag.startValue = std::abs(x - layout::gainCapCentreX(value)) <= layout::kGainGrabDistance
                              ? value
                              : unitValue(static_cast<double>(x - layout::kGainFaderLeft) /
                                          layout::kGainFaderTravel);
        beginDrag(drag, x, y);
        return true;
    }
    return false;
}

void EditorInteraction::pressTransportPage(int x, int y) {
    if (contains(layout::kFileButton, x, y)) {
        chooseFileFromDialog();
    } else if (contains(layout::kRunButton, x, y)) {
        requestRun();
    } else if (contains(layout::kStopButton, x, y)) {
        // Stop also ends following, so the next transport start does not restart the take.
        module_.applyEdit(ParamId::PlayRecord, 0.0);
        module_.applyEdit(ParamId::FollowTransport, 0.0);
    } else if (contains(layout::kFollowButton, x, y)) {
        toggle(ParamId::FollowTransport);
    } else if (module_.kind() == ModuleKind::Recorder) {
        if (containsInclusive(layout::kTailLessButton, x, y)) {
            stepSeconds(ParamId::MaximumTail, kMaximumTailRangeSeconds, -kTailStepSeconds,
                        kTailMinimumSeconds);
        } else if (containsInclusive(layout::kTailMoreButton, x, y)) {
            stepSeconds(ParamId::MaximumTail, kMaximumTailRangeSeconds, +kTailStepSeconds,
                        kTailMinimumSeconds);
        } else if (containsInclusive(layout::kPreRecordLessButton, x, y)) {
            stepSeconds(ParamId::PreRecordTime, kPreRecordRangeSeconds, -kPreRecordStepSeconds,
                        0.0);
        } else if (containsInclusive(layout::kPreRecordMoreButton, x, y)) {
            stepSeconds(ParamId::PreRecordTime, kPreRecordRangeSeconds, +kPreRecordStepSeconds,
                        0.0);
        } else if (contains(layout::kNewTakeButton, x, y)) {
            toggle(ParamId::NewTakeEveryRun);
        } else if (contains(layout::kTimeStampButton, x, y)) {
            toggle(ParamId::TimeStampedTakes);
        }
    }
}

void EditorInteraction::requestRun() {
    const bool player = module_.kind() == ModuleKind::Player;
    bool allowed = false;
    if (player) {
        allowed = module_.playerFrameCount() != 0;
    } else {
        const RecorderReadiness recorder = module_.recorderReadiness();
        allowed = recorder.ready && !recorder.diskError;
    }
    if (!allowed) {
        dialogs_.showMessage(player ? kNoPlayerFile : kNoDestination, kRunCaption,
                             MessageSeverity::Information);
        return;
    }
    // Following off first, so the transport cannot stop what the switch starts.
    module_.applyEdit(ParamId::FollowTransport, 0.0);
    module_.applyEdit(ParamId::PlayRecord, 1.0);
}

void EditorInteraction::stepSeconds(ParamIndex id, double range, double step, double minimum) {
    // From whole seconds: value x range is rarely an integer, and stepping from it drifts off the
    // grid one rounding error at a time.
    const double current = std::round(module_.parameter(id) * range);
    const double next = std::clamp(current + step, minimum, range);
    module_.applyEdit(id, wholeSecondsValue(next, range));
}

void EditorInteraction::toggle(ParamIndex id) {
    module_.applyEdit(id, switchOn(module_.parameter(id)) ? 0.0 : 1.0);
}

void EditorInteraction::beginDrag(FaderDrag drag, int x, int y) {
    drag_ = drag;
    module_.beginGesture(drag_.parameter());
    // Sends the start value at once, so a press away from the cap moves the fader there.
    updateDrag(x, y);
}

void EditorInteraction::changeStripCount(int delta) {
    const int count = activeStripsCount(module_.parameter(ParamId::ActiveStrips));
    const int next = std::clamp(count + delta, 1, kMaxStrips);
    module_.applyEdit(ParamId::ActiveStrips, static_cast<double>(next - 1) / kMaxActiveStripsIndex);
}

} // namespace quillwave::plugins
