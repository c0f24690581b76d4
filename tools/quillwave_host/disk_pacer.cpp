#include "disk_pacer.h"

#include "take_file.h"

#include <thread>

namespace quillwave::host {

DiskPacer::DiskPacer(std::filesystem::path take, std::uint32_t channels, double sampleRate,
                     bool realtime)
    : take_(std::move(take)), channels_(channels), sampleRate_(sampleRate), realtime_(realtime) {}

void DiskPacer::beforeBlock(std::uint64_t capturedFrames, std::uint64_t fedFrames) {
    if (realtime_) {
        const auto due =
            started_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                           static_cast<double>(fedFrames) / sampleRate_));
        std::this_thread::sleep_until(due);
    }
    const std::uint64_t maxLeadFrames = kMaxLeadSamples / channels_;
    auto behind = [&] { return capturedFrames > framesOnDisk_ + maxLeadFrames; };
    if (!behind()) {
        return;
    }
    framesOnDisk_ = framesOnDisk(take_, channels_);
    auto lastGrowth = Clock::now();
    while (behind() && !takeFinalized()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const std::uint64_t now = framesOnDisk(take_, channels_);
        if (now != framesOnDisk_) {
            framesOnDisk_ = now;
            lastGrowth = Clock::now();
        } else if (Clock::now() - lastGrowth > kStallLimit) {
            // The writer is stuck; what the ring cannot hold is dropped and reported.
            return;
        }
    }
}

bool DiskPacer::takeFinalized() {
    if (finalized_) {
        return true;
    }
    const auto now = Clock::now();
    if (now - lastHeaderRead_ < std::chrono::milliseconds(2)) {
        return false;
    }
    lastHeaderRead_ = now;
    finalized_ = declaresData(readTakeHeader(take_));
    return finalized_;
}

} // namespace quillwave::host
