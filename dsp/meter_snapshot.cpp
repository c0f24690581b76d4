#include "dsp/meter_snapshot.h"

namespace quillwave::plugins {

MeterSnapshot readMeterSnapshot(const InputMeters& meters) noexcept {
    constexpr int kAttempts = 4;
    MeterSnapshot s;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const auto seq = meters.meterSequence.beginRead();
        if (!seq) {
            continue;
        }
        s.meteredChannels = meters.meteredChannels.load(std::memory_order_relaxed);
        for (int c = 0; c < kMeterChannels; ++c) {
            s.peak[c] = meters.peak[c].load(std::memory_order_relaxed);
            s.rms[c] = meters.rms[c].load(std::memory_order_relaxed);
            s.clip[c] = meters.clip[c].load(std::memory_order_relaxed);
        }
        if (meters.meterSequence.validateRead(*seq)) {
            return s;
        }
    }
    return MeterSnapshot{};
}

MeterSnapshot readMeterSnapshot(const InputMeters& meters, const DiskRecorder& recorder,
                                double publishedSampleRate) noexcept {
    MeterSnapshot s = readMeterSnapshot(meters);
    s.recorder = readRecorderStatus(recorder, publishedSampleRate);
    return s;
}

} // namespace quillwave::plugins
