#include "recorder/capture_ring.h"

#include "recorder/wav_header.h"

#include <cstring>
#include <new>

namespace quillwave::plugins {
namespace {

constexpr std::size_t kCacheLine = 64;
constexpr std::size_t kPadding = kCacheLine / sizeof(float);

// The ring starts the header's length past a cache-line boundary, so that every sample sits at
// the same offset within a cache line in the ring as in the file. The system's copy into the
// file cache is sensitive to that pairing: misaligned, sustained writing measured about 40 %
// slower.
float* alignWithFile(float* storage) {
    const auto address = reinterpret_cast<std::uintptr_t>(storage);
    const std::size_t shiftBytes =
        (kWavHeaderBytes + kCacheLine - address % kCacheLine) % kCacheLine;
    return storage + shiftBytes / sizeof(float); // both are multiples of 4 bytes
}

} // namespace

std::unique_ptr<CaptureRing> CaptureRing::allocate(std::uint64_t samples) noexcept {
    std::unique_ptr<float[]> storage(new (std::nothrow) float[samples + kPadding]);
    if (!storage) {
        return nullptr;
    }
    // Zeroing here, on the preparing thread, also makes the system commit every page now rather
    // than on the audio thread's first write into it.
    std::memset(storage.get(), 0, (samples + kPadding) * sizeof(float));
    float* const data = alignWithFile(storage.get());
    std::unique_ptr<CaptureRing> ring(new (std::nothrow)
                                          CaptureRing(std::move(storage), data, samples));
    return ring;
}

} // namespace quillwave::plugins
