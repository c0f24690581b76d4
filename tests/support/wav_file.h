#pragma once

// Small WAV helpers for tests: read back a take (float data) with its header fields, and write
// input files for the player.

#include "tests/support/remove_folder.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quillwave::test {

struct WavTake {
    bool valid = false;
    std::uint32_t riffSize = 0;
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t dataSize = 0;
    std::uint64_t fileSize = 0;
    std::vector<float> samples; // the data chunk's declared bytes as floats

    std::uint64_t frames() const { return channels ? samples.size() / channels : 0; }
    float at(std::uint64_t frame, std::uint32_t channel) const {
        return samples[static_cast<std::size_t>(frame * channels + channel)];
    }
};

inline std::uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::vector<unsigned char> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Reads a file in the recorder's 44-byte layout.
inline WavTake readTake(const std::filesystem::path& path) {
    WavTake take;
    const std::vector<unsigned char> bytes = readBytes(path);
    take.fileSize = bytes.size();
    if (bytes.size() < 44 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVEfmt ", 8) != 0 ||
        std::memcmp(bytes.data() + 36, "data", 4) != 0) {
        return take;
    }
    take.riffSize = le32(&bytes[4]);
    take.formatTag = le16(&bytes[20]);
    take.channels = le16(&bytes[22]);
    take.sampleRate = le32(&bytes[24]);
    take.dataSize = le32(&bytes[40]);
    if (44 + static_cast<std::uint64_t>(take.dataSize) > bytes.size()) {
        return take;
    }
    take.samples.resize(take.dataSize / 4);
    if (!take.samples.empty()) {
        std::memcpy(take.samples.data(), bytes.data() + 44, take.samples.size() * 4);
    }
    take.valid = true;
    return take;
}

// Writes interleaved float samples as a 32-bit float WAV file.
inline void writeFloatWav(const std::filesystem::path& path, std::uint16_t channels,
                          std::uint32_t rate, const std::vector<float>& samples) {
    std::ofstream out(path, std::ios::binary);
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out.put(static_cast<char>(v >> (8 * i)));
        }
    };
    auto put16 = [&](std::uint16_t v) {
        out.put(static_cast<char>(v));
        out.put(static_cast<char>(v >> 8));
    };
    const auto data = static_cast<std::uint32_t>(samples.size() * 4);
    out.write("RIFF", 4);
    put32(36 + data);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(3);
    put16(channels);
    put32(rate);
    put32(rate * channels * 4);
    put16(static_cast<std::uint16_t>(channels * 4));
    put16(32);
    out.write("data", 4);
    put32(data);
    out.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(data));
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            path_ = base / ("quillwave-test-" + std::to_string(std::rand()) + "-" +
                            std::to_string(++counter));
            if (std::filesystem::create_directory(path_)) {
                break;
            }
        }
    }
    ~TempFolder() {
        removeFolder(path_);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// The module's paths are UTF-16.
inline std::u16string u16path(const std::filesystem::path& path) {
    const auto text = path.u16string();
    return {text.begin(), text.end()};
}

} // namespace quillwave::test
