#pragma once

#include <chrono>
#include <cstdint>
#include <thread>

namespace quillwave::bench {

// Calls block(position) for each block of blockFrames frames up to frames, each at its time as
// an audio device would ask for it, played speedup times faster than real time.
template <typename Block>
void runPacedBlocks(std::uint64_t frames, std::uint32_t blockFrames, double rate, double speedup,
                    Block&& block) {
    using Clock = std::chrono::steady_clock;
    const double blockSeconds = blockFrames / (rate * speedup);
    const auto t0 = Clock::now();
    for (std::uint64_t position = 0, n = 0; position < frames; position += blockFrames, ++n) {
        std::this_thread::sleep_until(
            t0 + std::chrono::duration_cast<Clock::duration>(
                     std::chrono::duration<double>(static_cast<double>(n) * blockSeconds)));
        block(position);
    }
}

} // namespace quillwave::bench
