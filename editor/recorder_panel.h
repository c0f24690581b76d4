#pragma once

#include "dsp/meter_snapshot.h"
#include "editor/drawing_surface.h"

#include <optional>

namespace quillwave::plugins {

// The recorder's settings the panel shows, as normalized parameter values and switches.
struct RecorderPanelSettings {
    double maximumTail = 0.0;
    double preRecordTime = 0.0;
    bool newTakeEveryRun = false;
    bool timeStampedTakes = false;
};

// The recorder's part of the transport page, all of it from one snapshot: state, elapsed time,
// two meter rows with their scale, the meter summary, the capture counters, the maximum-tail and
// pre-record controls, the "New take every run" and "Time-stamped takes" switches and, when it
// is known, the recording time left on the destination's volume (secondsLeft).
void paintRecorderPanel(DrawingSurface& surface, const MeterSnapshot& snapshot,
                        const RecorderPanelSettings& settings, std::optional<double> secondsLeft);

} // namespace quillwave::plugins
