#include "plugin/parameter_table.h"

namespace quillwave::plugins {

ParameterTable::ParameterTable() {
    for (auto& slot : slots_) {
        slot.store(0.0);
    }
    constexpr double kUnityGain = 15.0 / 17.0; // 0 dB on the -90..+12 dB law
    store(ParamId::ActiveStrips, 1.0 / 9.0);   // 8 strips
    store(ParamId::Gain, kUnityGain);
    store(ParamId::FollowTransport, 1.0);
    for (int s = 0; s < kMaxStrips; ++s) {
        store(stripGainId(s), kUnityGain);
    }
    store(ParamId::TailSilenceTime, 0.05);    // 0.5 s
    store(ParamId::MaximumTail, 1.0 / 120.0); // 30 s
}

} // namespace quillwave::plugins
