#pragma once

#include "plugin/param_ids.h"

#include <array>
#include <atomic>
#include <cmath>

namespace quillwave::plugins {

// The one store of parameter values: 512 normalized slots that host, editor and audio thread
// share without a lock. The last store wins; there is no ordering between slots.
class ParameterTable {
public:
    static_assert(std::atomic<double>::is_always_lock_free,
                  "slots must be lock-free on the audio thread");

    // Every slot 0, then the defaults of every kind.
    ParameterTable();

    double get(ParamIndex id) const {
        return id < kParameterSlots ? slots_[id].load(std::memory_order_seq_cst) : 0.0;
    }

    // The validating writer: ignores ids above 511 and values that are not finite, clamps to
    // [0, 1]. Safe on the audio thread.
    void set(ParamIndex id, double value) {
        if (id >= kParameterSlots || !std::isfinite(value)) {
            return;
        }
        slots_[id].exchange(value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value),
                            std::memory_order_seq_cst);
    }

    // Plain store of a value the caller has already checked.
    void store(ParamIndex id, double value) {
        slots_[id].exchange(value, std::memory_order_seq_cst);
    }

private:
    std::array<std::atomic<double>, kParameterSlots> slots_;
};

} // namespace quillwave::plugins
