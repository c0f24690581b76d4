#pragma once

#include <array>
#include <cstdint>

namespace quillwave::plugins {

// One thing that happens at a sample offset of the current block: a parameter change (id below
// 512) or a sync start/stop of the event input. Other ids do nothing but still cut the block.
struct BlockEvent {
    std::int32_t offset;
    std::uint32_t id;
    double value;
};
static_assert(sizeof(BlockEvent) == 16);

inline constexpr std::uint32_t kSyncStart = 601;
inline constexpr std::uint32_t kSyncStop = 602;
// Every host parameter point with an id outside the table: the sync ids belong to the event input
// alone, so a host point can never start or stop a take.
inline constexpr std::uint32_t kHostPointOutsideTable = 0xFFFFFFFFu;
inline constexpr std::int32_t kMaxBlockEvents = 4096;
inline constexpr std::int32_t kMaxParameterQueues = 512;
inline constexpr std::int32_t kMaxPointsPerQueue = 4096;

// The fixed, preallocated list of one block's events. Audio thread only: no allocation.
class BlockEventBuffer {
public:
    void clear() { size_ = 0; }
    bool full() const { return size_ >= kMaxBlockEvents; }
    std::int32_t size() const { return size_; }
    const BlockEvent& operator[](std::int32_t i) const {
        return entries_[static_cast<std::size_t>(i)];
    }

    void add(const BlockEvent& event) {
        if (!full()) {
            entries_[static_cast<std::size_t>(size_++)] = event;
        }
    }

    // Orders the entries by offset and keeps collection order among equal offsets, so two points
    // of one parameter at one offset apply in the host's order.
    void sortByOffset();

private:
    std::array<BlockEvent, kMaxBlockEvents> entries_{};
    std::array<BlockEvent, kMaxBlockEvents> scratch_{};
    std::int32_t size_ = 0;
};

} // namespace quillwave::plugins
