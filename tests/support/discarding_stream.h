#pragma once

#include "recorder/recording_stream.h"

#include <cstddef>

namespace quillwave::test {

// A take's stream that accepts every write and stores nothing: figures measured through it
// exclude the disk.
class DiscardingStream final : public plugins::RecordingStream {
public:
    std::size_t write(const void*, std::size_t, std::size_t count) override { return count; }
    void seekToStart() override {}
    bool flush() override { return true; }
    bool failed() const override { return false; }
    bool close() override { return true; }
};

} // namespace quillwave::test
