#pragma once

#include "plugin/param_ids.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace quillwave::plugins {

class ParameterTable;

// Smoothed gains that glide to each new target across blocks and sub-blocks. Touched only by the
// audio thread, except the valid flag, which setProcessing(false) clears from a host thread.
struct GainState {
    std::array<double, kMaxStrips> stripGainCurrent{}; // linear, 0 at construction
    double masterGainCurrent = 1.0;
    std::atomic<bool> gainStateValid{false};

    static_assert(std::atomic<bool>::is_always_lock_free);
};

// Makes the next gain step start at its targets without a glide.
inline void invalidateGainState(GainState& state) {
    state.gainStateValid.exchange(false);
}

// What one call of the kernel aims at, from the parameter table.
struct GainTargets {
    int activeCount = 1;
    double master = 1.0;                    // linear gain of "Gain"
    std::array<double, kMaxStrips> strip{}; // 0 for inactive and muted strips
};

GainTargets computeGainTargets(const ParameterTable& table);

// Where one call of the kernel starts, and its per-frame coefficient. Each output channel starts
// from masterStart and its strip's stripStart and takes one smoothGain step per frame.
struct GainCall {
    double k = 1.0;
    double masterStart = 1.0;
    std::array<double, kMaxStrips> stripStart{};
};

// The gain step of one call of length frames: snaps to the targets when the state is not valid,
// returns the call's start values and coefficient, and advances the stored state in closed form
// to where the per-frame curve ends.
GainCall advanceGainState(GainState& state, const GainTargets& targets, double sampleRate,
                          std::uint32_t length);

} // namespace quillwave::plugins
