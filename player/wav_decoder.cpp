#include "player/wav_decoder.h"

#include "player/sample_conversion.h"

#include <array>
#include <cstring>
#include <memory>
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

// The "data" payload as it was read; `size` counts only the bytes that arrived.
struct RawData {
    std::unique_ptr<std::byte[]> bytes;
    std::size_t size = 0;
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

bool isSupported(const Format& format, std::size_t dataBytes) {
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

void convert(const Format& format, std::span<const std::byte> raw, std::span<float> samples) {
    if (format.tag == kTagFloat) {
        convertFloat32(raw, samples);
    } else if (format.bitsPerSample == 16) {
        convertPcm16(raw, samples);
    } else if (format.bitsPerSample == 24) {
        convertPcm24(raw, samples);
    } else {
        convertPcm32(raw, samples);
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
    RawData data;
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

            // A payload that arrives short means the file changed under us or the device
            // failed: what was read still counts, but nothing after it is trusted.
            bool complete = true;
            if (hasId(&chunk[0], "fmt ")) {
                if (size < kMinFormatBytes || size > kMaxFormatBytes) {
                    refuse("Invalid WAV format");
                }
                std::array<std::byte, kMaxFormatBytes> payload{};
                complete = source.read(std::span(payload).first(size)) == size;
                format = parseFormat(payload, size);
            } else if (hasId(&chunk[0], "data")) {
                if (size > limit) {
                    refuse("WAV exceeds preload limit");
                }
                // Let go of an earlier payload first, so that two never exist together.
                data = RawData{};
                data.bytes = std::make_unique_for_overwrite<std::byte[]>(size);
                data.size = source.read(std::span(data.bytes.get(), size));
                complete = data.size == size;
            }
            if (!complete) {
                break;
            }
            position += kChunkHeaderBytes + size + (size & 1u);
        }
    }

    if (!isSupported(format, data.size)) {
        refuse("Unsupported WAV encoding/layout");
    }
    const std::size_t sampleCount = data.size / (format.bitsPerSample / 8u);
    if (sampleCount > limit / 4) {
        refuse("Decoded WAV exceeds preload limit");
    }

    AudioClip clip;
    clip.channels = format.channels;
    clip.sampleRateHz = format.sampleRateHz;
    clip.samples.resize(sampleCount);
    convert(format, std::span(data.bytes.get(), data.size), clip.samples);
    return clip;
}

} // namespace quillwave::plugins
