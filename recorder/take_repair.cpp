#include "recorder/take_repair.h"

#include "recorder/recording_limits.h"

#include <array>
#include <cstring>
#include <fstream>
#include <system_error>

namespace quillwave::plugins {
namespace {

constexpr std::size_t kHeaderBytes = 44;

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

// The recorder writes exactly this layout; anything else is someone else's file.
bool isRecorderHeader(const std::array<unsigned char, kHeaderBytes>& h, std::uint32_t& channels,
                      std::uint32_t& rate) {
    channels = le16(&h[22]);
    rate = le32(&h[24]);
    return std::memcmp(&h[0], "RIFF", 4) == 0 && std::memcmp(&h[8], "WAVEfmt ", 8) == 0 &&
           le32(&h[16]) == 16 && le16(&h[20]) == 3 && channels >= kMinRecordingChannels &&
           channels <= kMaxRecordingChannels && rate >= kMinRecordingRate &&
           rate <= kMaxRecordingRate && le32(&h[28]) == channels * rate * 4 &&
           le16(&h[32]) == channels * 4 && le16(&h[34]) == 32 &&
           std::memcmp(&h[36], "data", 4) == 0;
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
    if (size < kHeaderBytes) {
        result.outcome = TakeRepair::Outcome::NotATake;
        result.message = displayPath(path) + " is not a recorder take";
        return result;
    }
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    std::array<unsigned char, kHeaderBytes> header{};
    if (!file || !file.read(reinterpret_cast<char*>(header.data()), kHeaderBytes)) {
        result.message = displayPath(path) + " cannot be opened for reading and writing";
        return result;
    }
    if (!isRecorderHeader(header, result.channels, result.sampleRate)) {
        result.outcome = TakeRepair::Outcome::NotATake;
        result.message = displayPath(path) + " is not a recorder take";
        return result;
    }
    result.declaredDataBytes = le32(&header[40]);
    const std::uint64_t frameBytes = 4ull * result.channels;
    const std::uint64_t present = static_cast<std::uint64_t>(size) - kHeaderBytes;
    result.dataBytes =
        sampleLimit(result.channels, present < kMaxDataBytes ? present : kMaxDataBytes) * 4;
    if (result.declaredDataBytes == result.dataBytes && le32(&header[4]) == result.dataBytes + 36) {
        result.outcome = TakeRepair::Outcome::Intact;
        result.message = displayPath(path) + " is intact";
        return result;
    }
    std::array<unsigned char, 4> riff{}, data{};
    put32(riff.data(), static_cast<std::uint32_t>(result.dataBytes + 36));
    put32(data.data(), static_cast<std::uint32_t>(result.dataBytes));
    file.seekp(4);
    file.write(reinterpret_cast<const char*>(riff.data()), 4);
    file.seekp(40);
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
