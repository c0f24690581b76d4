#pragma once

// Keeps the host from running further ahead of the recorder's disk writer than its capture ring
// can hold, and notices when the take has been finalized. The host sees only the file: its size
// trails the captured frames by what the writer still holds, and its header declares the data
// once the take is finalized.

#include <chrono>
#include <cstdint>
#include <filesystem>

namespace quillwave::host {

class DiskPacer {
public:
    // Samples the host lets the writer fall behind: a quarter of the module's smallest capture
    // ring (2^20 samples), so that a writer busy with one flush still has room for the next blocks.
    static constexpr std::uint64_t kMaxLeadSamples = std::uint64_t{1} << 18;
    // How long the file may stay the same size before the host stops waiting for it.
    static constexpr auto kStallLimit = std::chrono::seconds(10);

    DiskPacer(std::filesystem::path take, std::uint32_t channels, double sampleRate, bool realtime);

    // Before feeding a block: waits while more than kMaxLeadSamples of the capturedFrames sent so
    // far are not yet on disk (unless the take has ended), and in real time until the clock has
    // reached fedFrames.
    void beforeBlock(std::uint64_t capturedFrames, std::uint64_t fedFrames);

    // Whether the file's header declares its data, read at most every 2 ms.
    bool takeFinalized();

private:
    using Clock = std::chrono::steady_clock;

    std::filesystem::path take_;
    std::uint32_t channels_;
    double sampleRate_;
    bool realtime_;
    std::uint64_t framesOnDisk_ = 0;
    bool finalized_ = false;
    Clock::time_point started_ = Clock::now();
    Clock::time_point lastHeaderRead_{};
};

} // namespace quillwave::host
