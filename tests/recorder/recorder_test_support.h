#pragma once

// Shared helpers of the recorder tests: a fresh folder per test, WAV parsing, a stream with
// injectable faults, and an audio-thread stand-in that feeds the recorder.

#include "recorder/disk_recorder.h"
#include "recorder/file_recording_stream.h"
#include "support/wait_until.h"
#include "tests/support/remove_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace quillwave::plugins::test {

namespace fs = std::filesystem;

// A new, empty folder under the system's temporary folder; removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::random_device rd;
        for (int attempt = 0;; ++attempt) {
            path_ = fs::temp_directory_path() /
                    ("quillwave-rec-" + std::to_string(rd()) + "-" + std::to_string(attempt));
            if (fs::create_directory(path_)) {
                break;
            }
        }
    }
    ~TempFolder() {
        quillwave::test::removeFolder(path_);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    fs::path path() const { return path_; }
    std::u16string file(const std::string& name) const { return (path_ / name).u16string(); }

private:
    fs::path path_;
};

inline std::vector<std::uint8_t> readBytes(const std::u16string& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::u16string& path, const std::string& bytes) {
    std::ofstream out(fs::path(path), std::ios::binary);
    out << bytes;
}

inline std::uint32_t u32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

inline std::uint16_t u16At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// The pieces of a recorded file that tests compare.
struct WavContents {
    std::uint32_t riffSize = 0;
    std::uint32_t dataSize = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::vector<float> samples; // everything after the header, whatever the header says
    std::size_t fileBytes = 0;
};

inline WavContents readWav(const std::u16string& path) {
    const auto bytes = readBytes(path);
    WavContents w;
    w.fileBytes = bytes.size();
    if (bytes.size() < 44) {
        ADD_FAILURE() << "file shorter than a header: " << bytes.size() << " bytes";
        return w;
    }
    w.riffSize = u32At(bytes, 4);
    w.channels = u16At(bytes, 22);
    w.rate = u32At(bytes, 24);
    w.dataSize = u32At(bytes, 40);
    w.samples.resize((bytes.size() - 44) / 4);
    if (!w.samples.empty()) {
        std::memcpy(w.samples.data(), bytes.data() + 44, w.samples.size() * 4);
    }
    return w;
}

// The test signal: every sample names its frame position and channel, exactly representable.
inline float signal(std::uint64_t position, std::uint32_t channel) {
    return static_cast<float>((position * 64 + channel + 1) % (1u << 24));
}

// Planar buffers for one block, as the audio thread hands them to capture.
class Block {
public:
    Block(std::uint32_t channels, std::uint32_t frames)
        : frames_(frames), data_(channels, std::vector<float>(frames)), pointers_(channels) {
        for (std::uint32_t c = 0; c < channels; ++c) {
            pointers_[c] = data_[c].data();
        }
    }
    // Fills the block with signal() for positions from blockPosition on.
    Block& fillSignal(std::uint64_t blockPosition) {
        for (std::uint32_t c = 0; c < data_.size(); ++c) {
            for (std::uint32_t i = 0; i < frames_; ++i) {
                data_[c][i] = signal(blockPosition + i, c);
            }
        }
        return *this;
    }
    Block& fill(float value) {
        for (auto& ch : data_) {
            std::fill(ch.begin(), ch.end(), value);
        }
        return *this;
    }
    float& at(std::uint32_t channel, std::uint32_t frame) { return data_[channel][frame]; }
    const float* const* pointers() const { return pointers_.data(); }
    std::uint32_t channels() const { return static_cast<std::uint32_t>(data_.size()); }
    std::uint32_t frames() const { return frames_; }
    void setNull(std::uint32_t channel) { pointers_[channel] = nullptr; }

private:
    std::uint32_t frames_;
    std::vector<std::vector<float>> data_;
    std::vector<const float*> pointers_;
};

using quillwave::test::waitUntil;

// Waits until the writer has taken everything out of the ring.
inline bool waitForDrain(const DiskRecorder& r) {
    return waitUntil([&] { return r.readIndex() == r.writeIndex(); });
}

// Captures frames frames of the test signal from position on in blocks of blockFrames, waiting
// for room in the ring as a real-time source paced by the clock would, so that nothing is dropped.
inline std::uint64_t captureSignal(DiskRecorder& r, std::uint32_t channels, std::uint64_t position,
                                   std::uint64_t frames, std::uint32_t blockFrames = 512) {
    Block block(channels, blockFrames);
    const std::uint64_t end = position + frames;
    while (position < end) {
        const auto n =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(blockFrames, end - position));
        while (r.writeIndex() - r.readIndex() + std::uint64_t{n} * channels >
               r.ringSamples()) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        block.fillSignal(position);
        r.capture(block.pointers(), channels, n, position);
        position += n;
    }
    return position;
}

// Faults a test can switch on while a take runs.
struct StreamFaults {
    std::atomic<bool> stall{false};           // sample writes block while set
    std::atomic<bool> stallCreation{false};   // creating a file blocks while set
    std::atomic<int> creations{0};            // files the recorder tried to create
    std::atomic<std::int64_t> dataBudget{-1}; // sample bytes that still fit; -1 = unlimited
    std::atomic<bool> errorAfterWrite{
        false}; // the next sample write succeeds, then the stream fails
    std::atomic<bool> failFirstHeader{false};
    std::atomic<bool> failFlush{false};
    std::atomic<bool> failClose{false};
    std::atomic<int> sampleWrites{0};
};

// A real file stream with faults injected in front of it. Sample writes are the 4-byte item
// writes; the header is written as bytes.
class FaultyStream final : public RecordingStream {
public:
    FaultyStream(std::unique_ptr<RecordingStream> inner, std::shared_ptr<StreamFaults> faults)
        : inner_(std::move(inner)), faults_(std::move(faults)) {}

    std::size_t write(const void* data, std::size_t itemSize, std::size_t itemCount) override {
        if (itemSize != 4) {
            if (faults_->failFirstHeader.load() && !headerSeen_) {
                headerSeen_ = true;
                failed_ = true;
                return 0;
            }
            headerSeen_ = true;
            return inner_->write(data, itemSize, itemCount);
        }
        while (faults_->stall.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ++faults_->sampleWrites;
        std::size_t items = itemCount;
        const std::int64_t budget = faults_->dataBudget.load();
        if (budget >= 0 && static_cast<std::int64_t>(itemCount * itemSize) > budget) {
            items = static_cast<std::size_t>(budget) / itemSize; // disk full: a short write
            failed_ = true;
        }
        const std::size_t done = inner_->write(data, itemSize, items);
        if (budget >= 0) {
            faults_->dataBudget.store(budget - static_cast<std::int64_t>(done * itemSize));
        }
        if (faults_->errorAfterWrite.exchange(false)) {
            failed_ = true;
        }
        return done;
    }
    void seekToStart() override { inner_->seekToStart(); }
    bool flush() override {
        const bool ok = inner_->flush();
        return ok && !faults_->failFlush.load();
    }
    bool failed() const override { return failed_ || inner_->failed(); }
    bool close() override {
        const bool ok = inner_->close();
        return ok && !faults_->failClose.load();
    }

private:
    std::unique_ptr<RecordingStream> inner_;
    std::shared_ptr<StreamFaults> faults_;
    bool failed_ = false;
    bool headerSeen_ = false;
};

inline RecorderFileAccess faultyAccess(std::shared_ptr<StreamFaults> faults,
                                       std::uint64_t dataByteLimit = kMaxDataBytes) {
    RecorderFileAccess access;
    access.open = [faults](const std::u16string& path) -> std::unique_ptr<RecordingStream> {
        ++faults->creations;
        while (faults->stallCreation.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        auto inner = openNewRecordingFile(path);
        if (!inner) {
            return nullptr;
        }
        return std::make_unique<FaultyStream>(std::move(inner), faults);
    };
    access.dataByteLimit = dataByteLimit;
    return access;
}

// Checks that the file holds exactly frames [from, to) of the test signal, with matching sizes.
inline void expectSignalFile(const std::u16string& path, std::uint32_t channels, std::uint64_t from,
                             std::uint64_t to) {
    const WavContents w = readWav(path);
    const std::uint64_t samples = (to - from) * channels;
    EXPECT_EQ(w.dataSize, samples * 4);
    EXPECT_EQ(w.riffSize, samples * 4 + 36);
    ASSERT_EQ(w.samples.size(), samples);
    for (std::uint64_t p = from; p < to; ++p) {
        for (std::uint32_t c = 0; c < channels; ++c) {
            const float got = w.samples[(p - from) * channels + c];
            if (got != signal(p, c)) {
                FAIL() << "frame " << p << " channel " << c << ": " << got
                       << " != " << signal(p, c);
            }
        }
    }
}

} // namespace quillwave::plugins::test
