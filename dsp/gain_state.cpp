#include "dsp/gain_state.h"

#include "dsp/gain_law.h"
#include "plugin/parameter_table.h"

#include <cmath>

namespace quillwave::plugins {

GainTargets computeGainTargets(const ParameterTable& table) {
    GainTargets t;
    t.activeCount = activeCount(table.get(ParamId::ActiveStrips));
    t.master = linearGain(table.get(ParamId::Gain));
    for (int s = 0; s < kMaxStrips; ++s) {
        const bool silent = s >= t.activeCount || table.get(stripMuteId(s)) >= 0.5;
        t.strip[s] = silent ? 0.0 : linearGain(table.get(stripGainId(s)));
    }
    return t;
}

GainCall advanceGainState(GainState& state, const GainTargets& targets, double sampleRate,
                          std::uint32_t length) {
    if (!state.gainStateValid.load(std::memory_order_relaxed)) {
        state.stripGainCurrent = targets.strip;
        state.masterGainCurrent = targets.master;
        state.gainStateValid.exchange(true);
    }
    GainCall call;
    call.k = gainSmoothingCoefficient(sampleRate);
    call.masterStart = state.masterGainCurrent;
    call.stripStart = state.stripGainCurrent;

    const double f = std::pow(1.0 - call.k, static_cast<double>(length));
    for (int s = 0; s < kMaxStrips; ++s) {
        state.stripGainCurrent[s] = targets.strip[s] + (call.stripStart[s] - targets.strip[s]) * f;
    }
    state.masterGainCurrent = targets.master + (call.masterStart - targets.master) * f;
    return call;
}

} // namespace quillwave::plugins
