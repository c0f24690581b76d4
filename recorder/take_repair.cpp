#include "recorder/take_repair.h"

#include "recorder/recording_limits.h"
#include "recorder/wav_header.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <system_error>

namespace quillwave::plugins {
namespace {

using Header = std::array<unsigned char, kBroadcastWavHeaderBytes>;

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
void put32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>(v >> (8 * i));
    }
}

// The layout of the `available` header bytes read: a time-stamped take has its bext chunk first.
const TakeHeaderLayout& layoutOf(const Header& h, std::size_t available) {
    const bool broadcast = available >= kBroadcastWavHeaderBytes &&
                           std::memcmp(&h[12], "bext", 4) == 0 && le32(&h[16]) == kBextPayloadBytes;
    return broadcast ? kBroadcastTakeLayout : kPlainTakeLayout;
}

// The recorder writes exactly these layouts; anything else is someone else's file.
bool isRecorderHeader(const Header& h, const TakeHeaderLayout& layout, std::uint32_t& channels,
                      std::uint32_t& rate) {
    const unsigned char* fmt = &h[layout.fmtChunk];
    channels = le16(fmt + 10);
    rate = le32(fmt + 12);
    return std::memcmp(&h[0], "RIFF", 4) == 0 && std::memcmp(&h[8], "WAVE", 4) == 0 &&
           std::memcmp(fmt, "fmt ", 4) == 0 && le32(fmt + 4) == 16 && le16(fmt + 8) == 3 &&
           channels >= kMinRecordingChannels && channels <= kMaxRecordingChannels &&
           rate >= kMinRecordingRate && rate <= kMaxRecordingRate &&
           le32(fmt + 16) == channels * rate * 4 && le16(fmt + 20) == channels * 4 &&
           le16(fmt + 22) == 32 && std::memcmp(fmt + 24, "data", 4) == 0;
}

// UTF-8 for the message whatever the platform's narrow encoding is.
std::string displayPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

} // namespace

TakeRepair repairTake(const std::filesystem::path& path) {
    TakeRepair result;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        result.message = "Cannot read " + displayPath(path) + ": " + ec.message();
        return result;
    }
    if (size < kWavHeaderBytes) {
        result.outcome = TakeRepair::Outcome::NotATake;
        result.message = displayPath(path) + " is not a recorder take";
        return result;
    }
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    Header header{};
    const std::size_t available =
        static_cast<std::size_t>(std::min<std::uintmax_t>(size, header.size()));
    if (!file || !file.read(reinterpret_cast<char*>(header.data()),
                            static_cast<std::streamsize>(available))) {
        result.message = displayPath(path) + " cannot be opened for reading and writing";
        return result;
    }
    const TakeHeaderLayout& layout = layoutOf(header, available);
    if (!isRecorderHeader(header, layout, result.channels, result.sampleRate)) {
        result.outcome = TakeRepair::Outcome::NotATake;
        result.message = displayPath(path) + " is not a recorder take";
        return result;
    }
    result.declaredDataBytes = le32(&header[layout.dataSizeField]);
    const std::uint64_t frameBytes = 4ull * result.channels;
    const std::uint64_t present = static_cast<std::uint64_t>(size) - layout.bytes;
    result.dataBytes =
        sampleLimit(result.channels, std::min(present, maxDataBytesAfter(layout.bytes))) * 4;
    // The RIFF chunk holds everything after its own 8-byte header.
    const std::uint64_t riffBytes = result.dataBytes + layout.bytes - 8;
    if (result.declaredDataBytes == result.dataBytes && le32(&header[4]) == riffBytes) {
        result.outcome = TakeRepair::Outcome::Intact;
        result.message = displayPath(path) + " is intact";
        return result;
    }
    std::array<unsigned char, 4> riff{}, data{};
    put32(riff.data(), static_cast<std::uint32_t>(riffBytes));
    put32(data.data(), static_cast<std::uint32_t>(result.dataBytes));
    file.seekp(4);
    file.write(reinterpret_cast<const char*>(riff.data()), 4);
    file.seekp(static_cast<std::streamoff>(layout.dataSizeField));
    file.write(reinterpret_cast<const char*>(data.data()), 4);
    file.flush();
    if (!file) {
        result.message = "Cannot write " + displayPath(path);
        return result;
    }
    result.outcome = TakeRepair::Outcome::Repaired;
    result.message = displayPath(path) + ": repaired, " +
                     std::to_string(result.dataBytes / frameBytes) + " frames of " +
                     std::to_string(result.channels) + " channels at " +
                     std::to_string(result.sampleRate) + " Hz";
    return result;
}

} // namespace quillwave::plugins
