#pragma once

#include "dsp/meter_snapshot.h"
#include "editor/drawing_surface.h"

#include <optional>

namespace quillwave::plugins {

// The recorder's part of the transport page, all of it from one snapshot: state, elapsed time,
// two meter rows with their scale, the meter summary, the capture counters and the maximum-tail
// control showing the normalized `maximumTail` parameter value, the "New take every run" and
// "Time-stamped takes" switches and, when it is known, the recording time left on the
// destination's volume (secondsLeft).
void paintRecorderPanel(DrawingSurface& surface, const MeterSnapshot& snapshot, double maximumTail,
                        bool newTakeEveryRun, bool timeStampedTakes,
                        std::optional<double> secondsLeft);

} // namespace quillwave::plugins
