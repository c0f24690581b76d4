#pragma once

#include "dsp/meter_snapshot.h"
#include "editor/drawing_surface.h"

namespace quillwave::plugins {

// The recorder's part of the transport page, all of it from one snapshot: state, elapsed time,
// two meter rows with their scale, the meter summary, the capture counters and the maximum-tail
// control showing the normalized `maximumTail` parameter value, and the "New take every run" and
// "Time-stamped takes" switches.
void paintRecorderPanel(DrawingSurface& surface, const MeterSnapshot& snapshot, double maximumTail,
                        bool newTakeEveryRun, bool timeStampedTakes);

} // namespace quillwave::plugins
