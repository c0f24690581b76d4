#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quillwave::plugins {

enum class SampleEncoding : std::uint8_t { Pcm16, Pcm24, Pcm32, Float32 };

constexpr std::size_t bytesPerSample(SampleEncoding encoding) {
    switch (encoding) {
    case SampleEncoding::Pcm16:
        return 2;
    case SampleEncoding::Pcm24:
        return 3;
    default:
        return 4;
    }
}

// Little-endian sample words to float, from `src` (at least dst.size() words) into `dst`; the two
// must not overlap.
//  Pcm16: signed 16-bit times 2^-15, full scale maps to [-1, 1).
//  Pcm24: signed 24-bit (sign in bit 23) times 2^-23.
//  Pcm32: signed 32-bit rounded to the nearest float, then times 2^-31, so the largest give 1.0.
//  Float32: as stored, except that infinities and NaNs become 0.
void convertSamples(SampleEncoding encoding, std::span<const std::byte> src, std::span<float> dst);

// Converts samples [first, first + count) of words that were read into the storage of `samples`
// itself: the words of all samples.size() samples lie from byte `wordsOffset` on, with
// wordsOffset >= (4 - bytesPerSample) * samples.size(), placed at the end of the storage; a
// sample's word starts at byte wordsOffset + bytesPerSample * index. Every float is written only
// after the words under it have been consumed, and the floats of a range end at or before the
// words of every later sample: ranges converted in increasing order may each be read in just
// before their turn, so a decode needs no second buffer and converts each piece while it is
// still in the cache.
void convertSampleRangeInPlace(SampleEncoding encoding, std::span<float> samples,
                               std::size_t wordsOffset, std::size_t first, std::size_t count);

} // namespace quillwave::plugins
