#include "player/wav_decoder.h"

#include "player/sample_conversion.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

namespace quillwave::plugins {
namespace {

constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;
constexpr std::uint16_t kTagExtensible = 0xFFFE;

constexpr std::uint64_t kRiffHeaderBytes = 12;
constexpr std::uint64_t kChunkHeaderBytes = 8;
// Below a RIFF header plus one chunk header there is nothing to walk.
constexpr std::uint64_t kSmallestWalkedFile = kRiffHeaderBytes + kChunkHeaderBytes;

constexpr std::uint32_t kMinFormatBytes = 16;
constexpr std::uint32_t kMaxFormatBytes = 4096;
constexpr std::uint32_t kExtensibleFormatBytes = 40;
constexpr std::size_t kSubFormatOffset = 24;

constexpr std::uint32_t kMaxChannels = 64;
constexpr std::uint32_t kMinRateHz = 8000;
constexpr std::uint32_t kMaxRateHz = 384000;

// Samples read and converted at a time: a piece of words and its floats stay in the second-level
// cache between the two steps.
constexpr std::size_t kDecodeStepSamples = std::size_t{1} << 16;

[[noreturn]] void refuse(const char* message) {
    throw std::runtime_error(message);
}

std::uint16_t le16(const std::byte* p) {
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(p[0]) |
                                      std::to_integer<unsigned>(p[1]) << 8);
}

std::uint32_t le32(const std::byte* p) {
    return std::to_integer<std::uint32_t>(p[0]) | std::to_integer<std::uint32_t>(p[1]) << 8 |
           std::to_integer<std::uint32_t>(p[2]) << 16 | std::to_integer<std::uint32_t>(p[3]) << 24;
}

bool hasId(const std::byte* p, const char (&id)[5]) {
    return std::memcmp(p, id, 4) == 0;
}

struct Format {
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRateHz = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
};

// Where the last "data" chunk's payload lies; it is read once the format is known.
struct DataChunk {
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
};

// `payload` holds `size` declared bytes, zeros where a short read left them unread.
Format parseFormat(const std::array<std::byte, kMaxFormatBytes>& payload, std::uint32_t size) {
    Format format;
    format.tag = le16(&payload[0]);
    format.channels = le16(&payload[2]);
    format.sampleRateHz = le32(&payload[4]);
    format.blockAlign = le16(&payload[12]);
    format.bitsPerSample = le16(&payload[14]);
    if (format.tag == kTagExtensible) {
        if (size < kExtensibleFormatBytes) {
            refuse("Invalid extensible WAV");
        }
        // The sub-format GUID begins with the plain format tag.
        format.tag = le16(&payload[kSubFormatOffset]);
    }
    return format;
}

bool isSupported(const Format& format, std::uint64_t dataBytes) {
    const std::uint32_t channels = format.channels;
    if (channels < 1 || channels > kMaxChannels) {
        return false;
    }
    if (format.sampleRateHz < kMinRateHz || format.sampleRateHz > kMaxRateHz) {
        return false;
    }
    // Both factors are 16-bit, so the product fits 32 bits.
    const std::uint32_t frameBytes = channels * ((format.bitsPerSample + 7u) / 8u);
    if (format.blockAlign == 0 || format.blockAlign != frameBytes) {
        return false;
    }
    if (dataBytes % format.blockAlign != 0) {
        return false;
    }
    const unsigned bits = format.bitsPerSample;
    return (format.tag == kTagPcm && (bits == 16 || bits == 24 || bits == 32)) ||
           (format.tag == kTagFloat && bits == 32);
}

SampleEncoding encodingOf(const Format& format) {
    if (format.tag == kTagFloat) {
        return SampleEncoding::Float32;
    }
    return format.bitsPerSample == 16   ? SampleEncoding::Pcm16
           : format.bitsPerSample == 24 ? SampleEncoding::Pcm24
                                        : SampleEncoding::Pcm32;
}

void checkSupported(const Format& format, std::uint64_t dataBytes) {
    if (!isSupported(format, dataBytes)) {
        refuse("Unsupported WAV encoding/layout");
    }
}

} // namespace

AudioClip decodeWav(ByteSource& source, std::uint64_t limit) {
    std::array<std::byte, kRiffHeaderBytes> header;
    if (source.read(header) != header.size() || !hasId(&header[0], "RIFF") ||
        !hasId(&header[8], "WAVE")) {
        refuse("Only RIFF WAV supported");
    }

    Format format;
    DataChunk data;
    // The storage's size, not the RIFF size field: chunk sizes are checked against what really
    // exists, so a lying header can neither make us read past the end nor allocate for it.
    const std::uint64_t fileSize = source.size();

    if (fileSize >= kSmallestWalkedFile) {
        std::uint64_t position = kRiffHeaderBytes;
        // Written as a difference: position may pass fileSize by the pad byte of a last chunk.
        while (position <= fileSize && fileSize - position >= kChunkHeaderBytes) {
            std::array<std::byte, kChunkHeaderBytes> chunk;
            if (!source.seek(position) || source.read(chunk) != chunk.size()) {
                break;
            }
            const std::uint32_t size = le32(&chunk[4]);
            if (size > fileSize - (position + kChunkHeaderBytes)) {
                refuse("Truncated WAV chunk");
            }
            if (hasId(&chunk[0], "fmt ")) {
                if (size < kMinFormatBytes || size > kMaxFormatBytes) {
                    refuse("Invalid WAV format");
                }
                std::array<std::byte, kMaxFormatBytes> payload{};
                // A payload that arrives short means the file changed under us or the device
                // failed: the fields decide on what was read (zeros elsewhere), and nothing
                // after it is trusted.
                const bool complete = source.read(std::span(payload).first(size)) == size;
                format = parseFormat(payload, size);
                if (!complete) {
                    break;
                }
            } else if (hasId(&chunk[0], "data")) {
                if (size > limit) {
                    refuse("WAV exceeds preload limit");
                }
                data = DataChunk{position + kChunkHeaderBytes, size};
            }
            position += kChunkHeaderBytes + size + (size & 1u);
        }
    }

    checkSupported(format, data.size);
    const SampleEncoding encoding = encodingOf(format);
    const std::size_t wordBytes = bytesPerSample(encoding);
    std::size_t sampleCount = data.size / wordBytes;
    if (sampleCount > limit / 4) {
        refuse("Decoded WAV exceeds preload limit");
    }

    AudioClip clip;
    clip.channels = format.channels;
    clip.sampleRateHz = format.sampleRateHz;
    // The payload is read into the end of the clip's own storage and widened to floats from the
    // front, so a decode holds the decoded samples and nothing else of its size. It is read a
    // piece at a time and each piece converted at once, while it is still in the cache.
    clip.samples.resize(sampleCount);
    auto* storage = reinterpret_cast<std::byte*>(clip.samples.data());
    const std::size_t wordsOffset = (4 - wordBytes) * sampleCount;
    std::size_t converted = 0;
    std::uint64_t arrived = 0;
    if (data.size != 0 && source.seek(data.offset)) {
        while (converted < sampleCount) {
            const std::size_t wanted = std::min(kDecodeStepSamples, sampleCount - converted);
            const std::size_t got = source.read(
                std::span(storage + wordsOffset + wordBytes * converted, wordBytes * wanted));
            const std::size_t whole = got / wordBytes;
            convertSampleRangeInPlace(encoding, clip.samples, wordsOffset, converted, whole);
            converted += whole;
            arrived += got;
            if (got != wordBytes * wanted) {
                break;
            }
        }
    }
    if (converted != sampleCount) {
        // The file shrank since its size was taken, or the device failed: only what arrived
        // counts, and it must still be whole frames.
        checkSupported(format, arrived);
        clip.samples.resize(converted);
    }
    return clip;
}

} // namespace quillwave::plugins
