#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace quillwave::plugins {

// Where the WAV decoder takes its bytes from. The file reader and the in-memory source used by
// tests and the fuzzer share one parser through it.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Reads up to dst.size() bytes at the current position and returns how many arrived.
    virtual std::size_t read(std::span<std::byte> dst) = 0;

    // Moves to an absolute offset; false when the source refuses.
    virtual bool seek(std::uint64_t offset) = 0;

    // Total size in bytes as the storage reports it (not as the content claims). May throw.
    virtual std::uint64_t size() = 0;
};

// Bytes already in memory; the view must outlive the source.
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const std::byte> bytes) : bytes_(bytes) {}

    std::size_t read(std::span<std::byte> dst) override {
        const std::size_t count = std::min(dst.size(), bytes_.size() - position_);
        if (count != 0) {
            std::memcpy(dst.data(), bytes_.data() + position_, count);
        }
        position_ += count;
        return count;
    }

    bool seek(std::uint64_t offset) override {
        if (offset > bytes_.size()) {
            return false;
        }
        position_ = static_cast<std::size_t>(offset);
        return true;
    }

    std::uint64_t size() override { return bytes_.size(); }

private:
    std::span<const std::byte> bytes_;
    std::size_t position_ = 0;
};

} // namespace quillwave::plugins
