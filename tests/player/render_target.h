#pragma once

#include <cstdint>
#include <vector>

namespace quillwave::test {

// Output buffers as the module's channel scratch presents them: one float buffer per channel and a
// table of pointers to them. Filled with a marker so that untouched samples show.
class RenderTarget {
public:
    static constexpr float kUntouched = 12345.0f;

    RenderTarget(std::uint32_t channels, std::uint32_t length)
        : buffers_(channels, std::vector<float>(length, kUntouched)) {
        for (auto& buffer : buffers_) {
            table_.push_back(buffer.data());
        }
    }

    float* const* table() { return table_.data(); }
    std::uint32_t channels() const { return static_cast<std::uint32_t>(buffers_.size()); }
    std::uint32_t length() const {
        return buffers_.empty() ? 0 : static_cast<std::uint32_t>(buffers_[0].size());
    }
    const std::vector<float>& channel(std::uint32_t c) const { return buffers_[c]; }
    float at(std::uint32_t c, std::uint32_t i) const { return buffers_[c][i]; }

    // Leaves channel c out of the table, as a host may for an unused channel.
    void dropChannel(std::uint32_t c) { table_[c] = nullptr; }

private:
    std::vector<std::vector<float>> buffers_;
    std::vector<float*> table_;
};

} // namespace quillwave::test
