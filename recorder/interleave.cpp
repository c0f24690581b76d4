#include "recorder/interleave.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillwave::plugins {
namespace {

#if defined(__SSE2__)

// Clears the lanes whose exponent bits are all ones (infinities and NaNs).
inline __m128 finiteOrZero4(__m128 x) {
    const __m128i exponent = _mm_set1_epi32(0x7F800000);
    const __m128i bits = _mm_castps_si128(x);
    const __m128i nonFinite = _mm_cmpeq_epi32(_mm_and_si128(bits, exponent), exponent);
    return _mm_andnot_ps(_mm_castsi128_ps(nonFinite), x);
}

void interleaveMono(float* dst, const float* src, std::uint32_t frames) {
    std::uint32_t i = 0;
    for (; i + 4 <= frames; i += 4) {
        _mm_storeu_ps(dst + i, finiteOrZero4(_mm_loadu_ps(src + i)));
    }
    for (; i < frames; ++i) {
        dst[i] = finiteOrZero(src[i]);
    }
}

void interleaveStereo(float* dst, const float* left, const float* right, std::uint32_t frames) {
    std::uint32_t i = 0;
    for (; i + 4 <= frames; i += 4) {
        const __m128 l = finiteOrZero4(_mm_loadu_ps(left + i));
        const __m128 r = finiteOrZero4(_mm_loadu_ps(right + i));
        _mm_storeu_ps(dst + 2 * i, _mm_unpacklo_ps(l, r));
        _mm_storeu_ps(dst + 2 * i + 4, _mm_unpackhi_ps(l, r));
    }
    for (; i < frames; ++i) {
        dst[2 * i] = finiteOrZero(left[i]);
        dst[2 * i + 1] = finiteOrZero(right[i]);
    }
}

// Blocks of 4 frames x 4 channels are transposed in registers; leftover channels and frames are
// copied one sample at a time.
void interleaveWide(float* dst, const float* const* src, std::uint32_t channels,
                    std::uint32_t frames) {
    const std::uint32_t wideChannels = channels & ~3u;
    std::uint32_t i = 0;
    for (; i + 4 <= frames; i += 4) {
        float* const out = dst + static_cast<std::size_t>(i) * channels;
        std::uint32_t c = 0;
        for (; c < wideChannels; c += 4) {
            __m128 a = finiteOrZero4(_mm_loadu_ps(src[c] + i));
            __m128 b = finiteOrZero4(_mm_loadu_ps(src[c + 1] + i));
            __m128 d = finiteOrZero4(_mm_loadu_ps(src[c + 2] + i));
            __m128 e = finiteOrZero4(_mm_loadu_ps(src[c + 3] + i));
            _MM_TRANSPOSE4_PS(a, b, d, e);
            _mm_storeu_ps(out + c, a);
            _mm_storeu_ps(out + channels + c, b);
            _mm_storeu_ps(out + 2 * channels + c, d);
            _mm_storeu_ps(out + 3 * channels + c, e);
        }
        for (; c < channels; ++c) {
            for (std::uint32_t k = 0; k < 4; ++k) {
                out[k * channels + c] = finiteOrZero(src[c][i + k]);
            }
        }
    }
    for (; i < frames; ++i) {
        float* const out = dst + static_cast<std::size_t>(i) * channels;
        for (std::uint32_t c = 0; c < channels; ++c) {
            out[c] = finiteOrZero(src[c][i]);
        }
    }
}

#else

void interleaveMono(float* dst, const float* src, std::uint32_t frames) {
    for (std::uint32_t i = 0; i < frames; ++i) {
        dst[i] = finiteOrZero(src[i]);
    }
}

void interleaveStereo(float* dst, const float* left, const float* right, std::uint32_t frames) {
    for (std::uint32_t i = 0; i < frames; ++i) {
        dst[2 * i] = finiteOrZero(left[i]);
        dst[2 * i + 1] = finiteOrZero(right[i]);
    }
}

void interleaveWide(float* dst, const float* const* src, std::uint32_t channels,
                    std::uint32_t frames) {
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (std::uint32_t c = 0; c < channels; ++c) {
            dst[static_cast<std::size_t>(i) * channels + c] = finiteOrZero(src[c][i]);
        }
    }
}

#endif

} // namespace

void interleaveFinite(float* dst, const float* const* sources, std::uint32_t channels,
                      std::uint32_t frameCount) noexcept {
    switch (channels) {
    case 0:
        return;
    case 1:
        interleaveMono(dst, sources[0], frameCount);
        return;
    case 2:
        interleaveStereo(dst, sources[0], sources[1], frameCount);
        return;
    default:
        interleaveWide(dst, sources, channels, frameCount);
        return;
    }
}

} // namespace quillwave::plugins
