// Recorder throughput against plain baselines measured in the same run:
//   capture   - cost per channel-sample of DiskRecorder::capture with 512-frame blocks, against
//               memcpy of the same planar samples into a ring-sized buffer;
//   writer    - sustained MB/s of a 20 s, 64-channel, 384 kHz take (98 MB/s in real time)
//               captured in 512-frame blocks, against a plain thread that fwrites the same bytes
//               to the same folder from a plain ring fed by the same producer.
//   stall     - the longest writer stall the ring rides out without a drop, per format.
//   parts     - a 64-channel, 96 kHz take of 3.5 minutes (5.2 GB) across a real 4 GiB part
//               boundary, from a source paced at a multiple of real time (default 2): frames
//               dropped, the writer's pause at each switch, and its real-time factor.
// Usage: recorder_bench [capture|writer|stall|all] [folder]
//        recorder_bench parts [folder] [speed]

#include "recorder/disk_recorder.h"
#include "bench/recorder/paced_blocks.h"
#include "recorder/interleave.h"
#include "support/discarding_stream.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
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

// Writes a file's dirty pages back and drops its pages from the cache, so that the next timed
// write starts from a clean page cache whatever came before it.
void dropFromCache(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0) {
        return;
    }
    ::fsync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
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

// Waits like a source paced by a clock: sleeping, so that the wait takes no processor time from
// the writer.
void waitForRoom(const DiskRecorder& r, std::uint64_t samples) {
    while (r.writeIndex() - r.readIndex() + samples > r.ringSamples()) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

void benchCapture(std::uint32_t channels) {
    const Planar in(channels);
    const std::uint64_t blockSamples = std::uint64_t{kBlockFrames} * channels;
    constexpr int kBatches = 200;
    RecorderFileAccess access;
    access.open = [](const std::u16string&) {
        return std::make_unique<quillwave::test::DiscardingStream>();
    };
    DiskRecorder recorder(access);
    recorder.prepare(u"discarded.wav", channels, 48000);
    recorder.start(0);
    // A batch fills half the ring, so the timed calls never meet a full ring.
    const std::uint64_t ringSamples = recorder.ringSamples();
    const std::uint32_t blocksPerBatch = static_cast<std::uint32_t>(ringSamples / 2 / blockSamples);

    std::vector<float> ring(ringSamples);
    std::uint64_t ringAt = 0;
    std::uint64_t position = 0;
    std::vector<double> captureTimes, copyTimes;
    for (int batch = 0; batch < kBatches; ++batch) {
        waitForRoom(recorder, ringSamples / 2 + blockSamples);
        auto t0 = Clock::now();
        for (std::uint32_t b = 0; b < blocksPerBatch; ++b) {
            recorder.capture(in.pointers.data(), channels, kBlockFrames, position);
            position += kBlockFrames;
        }
        captureTimes.push_back(seconds(Clock::now() - t0));

        t0 = Clock::now();
        for (std::uint32_t b = 0; b < blocksPerBatch; ++b) {
            for (std::uint32_t c = 0; c < channels; ++c) {
                std::memcpy(ring.data() + (ringAt & (ringSamples - 1)), in.pointers[c],
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

// The baseline writer: the same producer interleaves the same blocks into a plain ring of the
// recorder's size, and a plain thread fwrites it to a file in the same folder in the recorder's
// chunks, idling as long as the recorder's writer does, so that producing and writing overlap as
// they do in a take. Returns MB/s, including the close.
double fwriteMegabytesPerSecond(const fs::path& file, const Planar& in, std::uint32_t channels,
                                std::uint32_t rate, std::uint64_t frames) {
    const std::uint64_t ringSamples = CaptureRing::samplesFor(channels, rate);
    const std::uint64_t mask = ringSamples - 1;
    const std::uint64_t chunk = writeChunkSamples(channels);
    std::vector<float> ring(ringSamples);
    std::atomic<std::uint64_t> readIndex{0}, writeIndex{0};
    std::atomic<bool> done{false};
    std::FILE* f = std::fopen(file.string().c_str(), "wb");
    if (f == nullptr) {
        std::perror("fopen");
        return 0.0;
    }
    const auto t0 = Clock::now();
    std::thread writer([&] {
        for (;;) {
            const std::uint64_t r = readIndex.load(std::memory_order_relaxed);
            const std::uint64_t w = writeIndex.load(std::memory_order_acquire);
            if (r == w) {
                if (done.load()) {
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                continue;
            }
            const std::uint64_t run = std::min({ringSamples - (r & mask), w - r, chunk});
            std::fwrite(ring.data() + (r & mask), sizeof(float), run, f);
            readIndex.store(r + run, std::memory_order_release);
        }
    });
    const std::uint64_t blockSamples = std::uint64_t{kBlockFrames} * channels;
    for (std::uint64_t position = 0; position < frames; position += kBlockFrames) {
        // Blocks of 512 frames of 64 channels divide the ring: a block never wraps.
        while (writeIndex.load() - readIndex.load() + blockSamples > ringSamples) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        const std::uint64_t w = writeIndex.load(std::memory_order_relaxed);
        interleaveFinite(ring.data() + (w & mask), in.pointers.data(), channels, kBlockFrames);
        writeIndex.store(w + blockSamples, std::memory_order_release);
    }
    done = true;
    writer.join();
    std::fclose(f);
    return static_cast<double>(frames * channels * 4) / seconds(Clock::now() - t0) / 1e6;
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

    // Each timed write starts from a clean page cache (the file before it written back and
    // dropped), and the order of take and baseline alternates from round to round.
    constexpr int kRounds = 5;
    std::vector<double> takeRates, plainRates, ratios;
    for (int round = 0; round < kRounds; ++round) {
        for (int part = 0; part < 2; ++part) {
            const bool takeNow = (part == 0) == (round % 2 == 0);
            if (takeNow) {
                takeRates.push_back(takeMegabytesPerSecond(take, in, kChannels, kRate, kFrames));
            } else {
                plainRates.push_back(
                    fwriteMegabytesPerSecond(plain, in, kChannels, kRate, kFrames));
            }
            const fs::path& written = takeNow ? take : plain;
            dropFromCache(written);
            fs::remove(written);
        }
        ratios.push_back(takeRates.back() / plainRates.back());
        std::printf("  round %d (%s first): take %.0f MB/s, fwrite %.0f MB/s, ratio %.2fx\n", round,
                    round % 2 == 0 ? "take" : "fwrite", takeRates.back(), plainRates.back(),
                    ratios.back());
    }
    const double takeRate = median(takeRates);
    const double plainRate = median(plainRates);
    const double realTime = static_cast<double>(kChannels) * kRate * 4 / 1e6;
    std::printf("writer 64 ch @ 384 kHz, 20 s (%.0f MB) in %s: take %.0f MB/s, plain fwrite "
                "thread %.0f MB/s (medians of %d); ratio per round: median %.2fx, range "
                "%.2fx - %.2fx; real time needs %.0f MB/s: the take runs at %.1fx real time\n",
                static_cast<double>(bytes) / 1e6, folder.parent_path().string().c_str(), takeRate,
                plainRate, kRounds, median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()), realTime, takeRate / realTime);
}

// --- a take across a real 4 GiB part boundary ---

// When each file of the take was first and last written to, on the writer's clock.
struct PartTimes {
    Clock::time_point firstWrite{};
    Clock::time_point lastWrite{};
    bool written = false;
};

struct PartLog {
    std::vector<PartTimes> files; // in the order the writer opened them
    Clock::duration busy{};       // inside sample writes
};

// The product's file stream, with the times of its sample writes noted.
class TimedStream final : public RecordingStream {
public:
    TimedStream(std::unique_ptr<RecordingStream> inner, PartLog& log, std::size_t index)
        : inner_(std::move(inner)), log_(log), index_(index) {}
    std::size_t write(const void* data, std::size_t size, std::size_t count) override {
        const auto t0 = Clock::now();
        const std::size_t done = inner_->write(data, size, count);
        const auto t1 = Clock::now();
        if (size == 4) {
            PartTimes& times = log_.files[index_];
            if (!times.written) {
                times.firstWrite = t0;
                times.written = true;
            }
            times.lastWrite = t1;
            log_.busy += t1 - t0;
        }
        return done;
    }
    void seekToStart() override { inner_->seekToStart(); }
    bool flush() override { return inner_->flush(); }
    bool failed() const override { return inner_->failed(); }
    bool close() override { return inner_->close(); }

private:
    std::unique_ptr<RecordingStream> inner_;
    PartLog& log_;
    std::size_t index_;
};

void benchParts(const fs::path& folder, double speed) {
    constexpr std::uint32_t kChannels = 64;
    constexpr std::uint32_t kRate = 96000;
    constexpr std::uint64_t kFrames = std::uint64_t{kRate} * 210; // 3.5 minutes
    PartLog log;
    log.files.reserve(16);
    RecorderFileAccess access;
    access.open = [&log](const std::u16string& path) -> std::unique_ptr<RecordingStream> {
        auto inner = openNewRecordingFile(path);
        if (!inner) {
            return nullptr;
        }
        log.files.emplace_back();
        return std::make_unique<TimedStream>(std::move(inner), log, log.files.size() - 1);
    };
    DiskRecorder recorder(access);
    recorder.prepare((folder / "long.wav").u16string(), kChannels, kRate);
    recorder.start(0);

    // The source never waits for room: a frame the ring cannot take is dropped and counted.
    const Planar in(kChannels);
    const double blockSeconds = kBlockFrames / (kRate * speed);
    std::uint64_t largestFill = 0;
    const auto t0 = Clock::now();
    for (std::uint64_t position = 0, block = 0; position < kFrames;
         position += kBlockFrames, ++block) {
        std::this_thread::sleep_until(
            t0 + std::chrono::duration_cast<Clock::duration>(
                     std::chrono::duration<double>(static_cast<double>(block) * blockSeconds)));
        largestFill = std::max(largestFill, recorder.writeIndex() - recorder.readIndex());
        recorder.capture(in.pointers.data(), kChannels, kBlockFrames, position);
    }
    recorder.finish();
    recorder.joinWriter();
    const double wall = seconds(Clock::now() - t0);

    std::uint64_t bytesOnDisk = 0;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        bytesOnDisk += entry.file_size();
        ++files;
    }
    std::printf("parts 64 ch @ 96 kHz, %.0f s of audio (%.2f GB) at %.1fx real time: %d files "
                "on disk (%.2f GB), written %llu of %llu frames, dropped %llu, disk error %s\n",
                static_cast<double>(kFrames) / kRate,
                static_cast<double>(kFrames) * kChannels * 4 / 1e9, speed, files,
                static_cast<double>(bytesOnDisk) / 1e9,
                static_cast<unsigned long long>(recorder.writtenFrames()),
                static_cast<unsigned long long>(kFrames),
                static_cast<unsigned long long>(recorder.droppedFrames()),
                recorder.diskError() ? "yes" : "no");
    for (std::size_t k = 1; k < log.files.size(); ++k) {
        if (log.files[k].written && log.files[k - 1].written) {
            std::printf("  switch to part %zu: writer paused %.2f ms between the last write of "
                        "the full file and the first of the next\n",
                        k + 1,
                        seconds(log.files[k].firstWrite - log.files[k - 1].lastWrite) * 1000.0);
        }
    }
    const double audioSeconds = static_cast<double>(kFrames) / kRate;
    std::printf("  largest ring fill %.3f s of audio (ring %.2f s); writer busy in writes %.1f s "
                "for %.0f s of audio: %.1fx real time; the whole run took %.1f s\n",
                static_cast<double>(largestFill) / kChannels / kRate,
                static_cast<double>(recorder.ringSamples()) / kChannels / kRate, seconds(log.busy),
                audioSeconds, audioSeconds / seconds(log.busy), wall);
}

// --- stall tolerance ---
//
// The source is paced by a clock, k times faster than real time; the stall is measured on the
// source's clock (a write blocks until the source has captured stallMs more audio), so a
// compressed run stalls for exactly as much audio as a real-time one. One stall begins at the
// first write one second (of audio) after the previous stall ended. Every cycle starts from a
// drained ring (checked), so the outcome of a few cycles is that of a 60 s take.

struct StallPlan {
    std::uint32_t rate = 48000;
    std::uint64_t stallFrames = 0;
    std::atomic<std::uint64_t> sourceFrames{0}; // the source's clock
    std::atomic<bool> sourceDone{false};
    std::atomic<std::uint64_t> backlogAtStall{0}; // largest ring fill when a stall began
    const DiskRecorder* recorder = nullptr;
};

// Copies what it is given, as the system's copy into the file cache would, and stalls.
class StallingStream final : public RecordingStream {
public:
    explicit StallingStream(StallPlan& plan)
        : plan_(plan), cache_(kCacheSamples), nextStall_(plan.rate) {}
    std::size_t write(const void* data, std::size_t size, std::size_t count) override {
        if (size == 4) {
            stallIfDue();
            const auto* from = static_cast<const float*>(data);
            for (std::size_t done = 0; done < count;) {
                const std::size_t n = std::min(count - done, kCacheSamples);
                std::memcpy(cache_.data(), from + done, n * 4);
                done += n;
            }
        }
        return count;
    }
    void seekToStart() override {}
    bool flush() override { return true; }
    bool failed() const override { return false; }
    bool close() override { return true; }

private:
    static constexpr std::size_t kCacheSamples = 1 << 16;
    void stallIfDue() {
        const std::uint64_t now = plan_.sourceFrames.load();
        if (now < nextStall_ || plan_.stallFrames == 0) {
            return;
        }
        const std::uint64_t backlog = plan_.recorder->writeIndex() - plan_.recorder->readIndex();
        if (backlog > plan_.backlogAtStall.load()) {
            plan_.backlogAtStall = backlog;
        }
        const std::uint64_t until = now + plan_.stallFrames;
        while (plan_.sourceFrames.load() < until && !plan_.sourceDone.load()) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        nextStall_ = until + plan_.rate;
    }
    StallPlan& plan_;
    std::vector<float> cache_;
    std::uint64_t nextStall_; // source frame at or after which the next stall begins
};

struct StallRun {
    std::uint64_t dropped = 0;
    std::uint64_t backlogAtStall = 0; // samples
    double speedup = 1.0;
};

StallRun runStalledTake(std::uint32_t channels, std::uint32_t rate, double stallMs) {
    // Compress time where the writer's own 2 ms naps stay small against the stall and the data
    // rate stays ordinary.
    const double bytesPerSecond = 4.0 * channels * rate;
    const double speedup = std::clamp(std::min(stallMs / 200.0, 100e6 / bytesPerSecond), 1.0, 10.0);
    StallPlan plan;
    plan.rate = rate;
    plan.stallFrames = static_cast<std::uint64_t>(stallMs / 1000.0 * rate);
    RecorderFileAccess access;
    access.open = [&plan](const std::u16string&) { return std::make_unique<StallingStream>(plan); };
    DiskRecorder recorder(access);
    plan.recorder = &recorder;
    recorder.prepare(u"stalled-never-created.wav", channels, rate);
    recorder.start(0);

    const Planar in(channels);
    const double cycleSeconds = stallMs / 1000.0 + 1.0;
    const auto takeFrames = static_cast<std::uint64_t>((3 * cycleSeconds + 0.5) * rate);
    quillwave::bench::runPacedBlocks(takeFrames, kBlockFrames, rate, speedup, [&](std::uint64_t position) {
        recorder.capture(in.pointers.data(), channels, kBlockFrames, position);
        plan.sourceFrames = position + kBlockFrames;
    });
    plan.sourceDone = true;
    recorder.finish();
    recorder.joinWriter();
    return {recorder.droppedFrames(), plan.backlogAtStall.load(), speedup};
}

void benchStall(std::uint32_t channels, std::uint32_t rate) {
    // From 640 ms, double the stall until frames are lost or halve it until none are, then halve
    // the interval to within 2 %.
    double good = 0.0, bad = 0.0;
    StallRun lastGood;
    for (double stallMs = 640.0;;) {
        const StallRun run = runStalledTake(channels, rate, stallMs);
        if (run.dropped == 0) {
            good = stallMs;
            lastGood = run;
            if (bad != 0.0 || stallMs >= 20000.0) {
                break;
            }
            stallMs *= 2;
        } else {
            bad = stallMs;
            if (good != 0.0 || stallMs < 1.0) {
                break;
            }
            stallMs /= 2;
        }
    }
    while (bad - good > std::max(2.0, good * 0.02)) {
        const double middle = (good + bad) / 2;
        const StallRun run = runStalledTake(channels, rate, middle);
        (run.dropped == 0 ? good : bad) = middle;
        if (run.dropped == 0) {
            lastGood = run;
        }
    }
    std::printf("stall %2u ch @ %6u Hz: longest stall without a drop %7.0f ms (time x%.0f, "
                "largest fill when a stall began %.1f ms)\n",
                channels, rate, good, lastGood.speedup,
                static_cast<double>(lastGood.backlogAtStall) / channels / rate * 1000.0);
}

} // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "all";
    if (what == "capture" || what == "all") {
        benchCapture(2);
        benchCapture(64);
    }
    if (what == "stall" || what == "all") {
        for (const std::uint32_t channels : {2u, 16u, 64u}) {
            for (const std::uint32_t rate : {48000u, 96000u, 384000u}) {
                benchStall(channels, rate);
            }
        }
    }
    if (what == "parts") {
        const fs::path base = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path();
        const double speed = argc > 3 ? std::atof(argv[3]) : 2.0;
        const fs::path folder =
            base / ("quillwave-parts-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder);
        benchParts(folder, speed > 0.0 ? speed : 2.0);
        for (const auto& entry : fs::directory_iterator(folder)) {
            dropFromCache(entry.path());
        }
        fs::remove_all(folder);
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
