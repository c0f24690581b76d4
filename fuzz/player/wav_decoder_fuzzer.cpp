// libFuzzer target: arbitrary bytes through the same WAV parser that decodeWavFile uses, then the
// decoded clip through the player. Any crash, sanitizer report or broken invariant is a finding.
#include "player/byte_source.h"
#include "player/file_player.h"
#include "player/wav_decoder.h"
#include "player/wav_reader.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace {

using namespace quillwave::plugins;

// Small enough that the limit checks are reached by small inputs.
constexpr std::uint64_t kSmallLimit = 256;

constexpr const char* kMessages[] = {
    "Only RIFF WAV supported",
    "Truncated WAV chunk",
    "Invalid WAV format",
    "Invalid extensible WAV",
    "WAV exceeds preload limit",
    "Unsupported WAV encoding/layout",
    "Decoded WAV exceeds preload limit",
};

void require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool isKnownMessage(const char* text) {
    for (const char* message : kMessages) {
        if (std::strcmp(text, message) == 0) {
            return true;
        }
    }
    return false;
}

// The clip, or nullptr-like empty result with the refusal checked.
bool tryDecode(std::span<const std::byte> bytes, std::uint64_t limit, AudioClip& out) {
    MemoryByteSource source(bytes);
    try {
        out = decodeWav(source, limit);
        return true;
    } catch (const std::runtime_error& error) {
        require(isKnownMessage(error.what()));
        return false;
    }
}

void checkClip(const AudioClip& clip, std::uint64_t limit, std::size_t inputSize) {
    require(clip.channels >= 1 && clip.channels <= 64);
    require(clip.sampleRateHz >= 8000 && clip.sampleRateHz <= 384000);
    require(clip.samples.size() % clip.channels == 0);
    require(clip.samples.size() <= limit / 4);
    require(clip.samples.size() <= inputSize / 2); // at least two bytes of file per sample
    for (float sample : clip.samples) {
        require(std::isfinite(sample));
    }
}

void play(AudioClip&& clip) {
    FilePlayer player;
    player.installClip(std::move(clip));
    std::array<std::array<float, 64>, 3> buffers{};
    std::array<float*, 3> table{buffers[0].data(), buffers[1].data(), buffers[2].data()};
    player.startPlayback(10, 0);
    for (std::uint64_t position = 0; position < 256 && (player.playing() || position < 10);
         position += 64) {
        player.renderPlayback(table.data(), 3, 64, 44100.0, position);
        for (const auto& buffer : buffers) {
            for (float sample : buffer) {
                require(std::isfinite(sample));
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span bytes(reinterpret_cast<const std::byte*>(data), size);

    AudioClip full;
    const bool decoded = tryDecode(bytes, kPreloadLimitBytes, full);
    if (decoded) {
        checkClip(full, kPreloadLimitBytes, size);
    }

    // A smaller limit can only refuse more, never decode differently.
    AudioClip small;
    if (tryDecode(bytes, kSmallLimit, small)) {
        require(decoded);
        checkClip(small, kSmallLimit, size);
        require(small.channels == full.channels && small.sampleRateHz == full.sampleRateHz);
        require(small.samples.size() == full.samples.size());
        require(small.samples.empty() || std::memcmp(small.samples.data(), full.samples.data(),
                                                     small.samples.size() * sizeof(float)) == 0);
    }

    if (decoded) {
        play(std::move(full));
    }
    return 0;
}
