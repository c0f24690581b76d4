// Recorder throughput against plain baselines measured in the same run:
//   capture   - cost per channel-sample of DiskRecorder::capture with 512-frame blocks, against
//               memcpy of the same planar samples into a ring-sized buffer;
//   writer    - sustained MB/s of a 20 s, 64-channel, 384 kHz take (98 MB/s in real time)
//               captured in 512-frame blocks, against fwrite of the same bytes to the same folder.
// Usage: recorder_bench [capture|writer|all] [folder]

#include "recorder/disk_recorder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

using namespace quillwave::plugins;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint32_t kBlockFrames = 512;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Planar input of one block, with ordinary audio-like values.
struct Planar {
    explicit Planar(std::uint32_t channels)
        : data(channels, std::vector<float>(kBlockFrames)), pointers(channels) {
        std::mt19937 random(42);
        std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
        for (std::uint32_t c = 0; c < channels; ++c) {
            for (auto& x : data[c]) {
                x = sample(random);
            }
            pointers[c] = data[c].data();
        }
    }
    std::vector<std::vector<float>> data;
    std::vector<const float*> pointers;
};

// Takes whatever it is given and stores nothing: the capture figures exclude the disk.
class DiscardingStream final : public RecordingStream {
public:
    std::size_t write(const void*, std::size_t, std::size_t count) override { return count; }
    void seekToStart() override {}
    bool flush() override { return true; }
    bool failed() const override { return false; }
    bool close() override { return true; }
};

// Waits like a source paced by a clock: sleeping, so that the wait takes no processor time from
// the writer.
void waitForRoom(const DiskRecorder& r, std::uint64_t samples) {
    while (r.writeIndex() - r.readIndex() + samples > DiskRecorder::kRingSamples) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

void benchCapture(std::uint32_t channels) {
    const Planar in(channels);
    const std::uint64_t blockSamples = std::uint64_t{kBlockFrames} * channels;
    // A batch fills half the ring, so the timed calls never meet a full ring.
    const std::uint32_t blocksPerBatch =
        static_cast<std::uint32_t>(DiskRecorder::kRingSamples / 2 / blockSamples);
    constexpr int kBatches = 200;

    RecorderFileAccess access;
    access.open = [](const std::u16string&) { return std::make_unique<DiscardingStream>(); };
    DiskRecorder recorder(access);
    recorder.prepare(u"discarded.wav", channels, 48000);
    recorder.start(0);

    std::vector<float> ring(DiskRecorder::kRingSamples);
    std::uint64_t ringAt = 0;
    std::uint64_t position = 0;
    std::vector<double> captureTimes, copyTimes;
    for (int batch = 0; batch < kBatches; ++batch) {
        waitForRoom(recorder, DiskRecorder::kRingSamples / 2 + blockSamples);
        auto t0 = Clock::now();
        for (std::uint32_t b = 0; b < blocksPerBatch; ++b) {
            recorder.capture(in.pointers.data(), channels, kBlockFrames, position);
            position += kBlockFrames;
        }
        captureTimes.push_back(seconds(Clock::now() - t0));

        t0 = Clock::now();
        for (std::uint32_t b = 0; b < blocksPerBatch; ++b) {
            for (std::uint32_t c = 0; c < channels; ++c) {
                std::memcpy(ring.data() + (ringAt & DiskRecorder::kRingMask), in.pointers[c],
                            kBlockFrames * sizeof(float));
                ringAt += kBlockFrames;
            }
        }
        copyTimes.push_back(seconds(Clock::now() - t0));
    }
    recorder.finish();
    recorder.joinWriter();
    if (recorder.droppedFrames() != 0) {
        std::printf("  (dropped %llu frames: figures invalid)\n",
                    static_cast<unsigned long long>(recorder.droppedFrames()));
    }
    const double samples = static_cast<double>(blocksPerBatch) * blockSamples;
    const double captureNs = median(captureTimes) / samples * 1e9;
    const double copyNs = median(copyTimes) / samples * 1e9;
    std::printf("capture %2u ch, 512-frame blocks: %.3f ns/sample, memcpy %.3f ns/sample, "
                "ratio %.2fx (%.2f us per block)\n",
                channels, captureNs, copyNs, captureNs / copyNs,
                captureNs * static_cast<double>(blockSamples) / 1000.0);
}

double fwriteMegabytesPerSecond(const fs::path& file, std::uint64_t bytes) {
    constexpr std::size_t kChunk = 4u << 20;
    std::vector<char> chunk(kChunk, 1);
    const auto t0 = Clock::now();
    std::FILE* f = std::fopen(file.string().c_str(), "wb");
    if (f == nullptr) {
        std::perror("fopen");
        return 0.0;
    }
    for (std::uint64_t done = 0; done < bytes;) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, bytes - done));
        std::fwrite(chunk.data(), 1, n, f);
        done += n;
    }
    std::fclose(f);
    return static_cast<double>(bytes) / seconds(Clock::now() - t0) / 1e6;
}

// Writes the take through a DiskRecorder: capture in 512-frame blocks as fast as the writer
// takes them (waiting for room, never dropping). Returns MB/s, including the final header and
// close.
double takeMegabytesPerSecond(const fs::path& file, const Planar& in, std::uint32_t channels,
                              std::uint32_t rate, std::uint64_t frames) {
    DiskRecorder recorder;
    recorder.prepare(file.u16string(), channels, rate);
    recorder.start(0);
    const auto t0 = Clock::now();
    for (std::uint64_t position = 0; position < frames; position += kBlockFrames) {
        waitForRoom(recorder, std::uint64_t{kBlockFrames} * channels);
        recorder.capture(in.pointers.data(), channels, kBlockFrames, position);
    }
    recorder.finish();
    recorder.joinWriter();
    const double elapsed = seconds(Clock::now() - t0);
    if (recorder.droppedFrames() != 0 || recorder.writtenFrames() != frames ||
        recorder.diskError()) {
        std::printf("  take incomplete: dropped %llu, written %llu of %llu\n",
                    static_cast<unsigned long long>(recorder.droppedFrames()),
                    static_cast<unsigned long long>(recorder.writtenFrames()),
                    static_cast<unsigned long long>(frames));
    }
    return static_cast<double>(frames * channels * 4) / elapsed / 1e6;
}

void benchWriter(const fs::path& folder) {
    constexpr std::uint32_t kChannels = 64;
    constexpr std::uint32_t kRate = 384000;
    constexpr std::uint64_t kFrames = std::uint64_t{kRate} * 20;
    const std::uint64_t bytes = kFrames * kChannels * 4;
    const Planar in(kChannels);
    const fs::path take = folder / "bench-take.wav";
    const fs::path plain = folder / "bench-fwrite.bin";

    // Each timed write starts with no dirty pages left by the one before, in alternating order.
    constexpr int kRounds = 6;
    std::vector<double> takeRates, plainRates;
    for (int round = 0; round < kRounds; ++round) {
        for (int part = 0; part < 2; ++part) {
            fs::remove(take);
            fs::remove(plain);
            ::sync();
            if ((part == 0) == (round % 2 == 0)) {
                takeRates.push_back(takeMegabytesPerSecond(take, in, kChannels, kRate, kFrames));
            } else {
                plainRates.push_back(fwriteMegabytesPerSecond(plain, bytes));
            }
        }
        std::printf("  round %d: take %.0f MB/s, fwrite %.0f MB/s\n", round, takeRates.back(),
                    plainRates.back());
    }
    fs::remove(take);
    fs::remove(plain);
    ::sync();
    const double takeRate = median(takeRates);
    const double plainRate = median(plainRates);
    std::printf("writer 64 ch @ 384 kHz, 20 s (%.0f MB) in %s: take %.0f MB/s, fwrite %.0f MB/s "
                "(medians of %d), ratio %.2fx; real time needs %.0f MB/s\n",
                static_cast<double>(bytes) / 1e6, folder.parent_path().string().c_str(), takeRate,
                plainRate, kRounds, takeRate / plainRate,
                static_cast<double>(kChannels) * kRate * 4 / 1e6);
}

} // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "all";
    if (what == "capture" || what == "all") {
        benchCapture(2);
        benchCapture(64);
    }
    if (what == "writer" || what == "all") {
        const fs::path base = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path();
        const fs::path folder =
            base / ("quillwave-bench-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder);
        benchWriter(folder);
        fs::remove_all(folder);
    }
    return 0;
}
