// Decode throughput of decodeWavFile for each encoding on files of about 200 MB, against
// libsndfile reading the same files into float in the same run, and the peak heap of a decode.
// Usage: player_decode_bench [megabytes per file] [repetitions]
#include "player/wav_reader.h"
#include "support/heap_probe.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#ifdef QUILLWAVE_HAVE_SNDFILE
#include <sndfile.h>
#endif

namespace {

using quillwave::plugins::AudioClip;
using quillwave::plugins::decodeWavFile;
using quillwave::plugins::kPreloadLimitBytes;
using Clock = std::chrono::steady_clock;

struct Encoding {
    const char* name;
    std::uint16_t tag;
    std::uint16_t bits;
};

constexpr Encoding kEncodings[] = {
    {"pcm16", 1, 16}, {"pcm24", 1, 24}, {"pcm32", 1, 32}, {"float32", 3, 32}};
constexpr std::uint16_t kChannels = 2;
constexpr std::uint32_t kRateHz = 48000;

void put16(std::vector<char>& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v));
    out.push_back(static_cast<char>(v >> 8));
}
void put32(std::vector<char>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Writes a canonical file of about `bytes` of random full-scale samples.
void writeFile(const std::filesystem::path& path, const Encoding& encoding, std::uint64_t bytes) {
    const std::uint32_t frameBytes = kChannels * encoding.bits / 8;
    const auto dataBytes = static_cast<std::uint32_t>(bytes / frameBytes * frameBytes);
    std::vector<char> header;
    header.insert(header.end(), {'R', 'I', 'F', 'F'});
    put32(header, 36 + dataBytes);
    header.insert(header.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(header, 16);
    put16(header, encoding.tag);
    put16(header, kChannels);
    put32(header, kRateHz);
    put32(header, kRateHz * frameBytes);
    put16(header, frameBytes);
    put16(header, encoding.bits);
    header.insert(header.end(), {'d', 'a', 't', 'a'});
    put32(header, dataBytes);

    std::ofstream out(path, std::ios::binary);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    std::mt19937 random(42);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::vector<char> block;
    std::uint64_t written = 0;
    while (written < dataBytes) {
        block.clear();
        for (int i = 0; i < 65536 && written + block.size() < dataBytes; ++i) {
            const std::uint32_t word = random();
            if (encoding.tag == 3) {
                const float value = unit(random);
                std::uint32_t bitsOfValue;
                std::memcpy(&bitsOfValue, &value, 4);
                put32(block, bitsOfValue);
            } else if (encoding.bits == 16) {
                put16(block, word);
            } else if (encoding.bits == 24) {
                put16(block, word);
                block.push_back(static_cast<char>(word >> 16));
            } else {
                put32(block, word);
            }
        }
        const auto count = std::min<std::uint64_t>(block.size(), dataBytes - written);
        out.write(block.data(), static_cast<std::streamsize>(count));
        written += count;
    }
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

struct Result {
    double best = 1e300;
    std::size_t samples = 0;
    float probe = 0.0f;
};

Result decodeOurs(const std::filesystem::path& path) {
    Result result;
    const auto start = Clock::now();
    const AudioClip clip = decodeWavFile(path.u16string(), kPreloadLimitBytes);
    result.best = seconds(Clock::now() - start);
    result.samples = clip.samples.size();
    result.probe = clip.samples[clip.samples.size() / 2];
    return result;
}

#ifdef QUILLWAVE_HAVE_SNDFILE
// `zeroed`: into a std::vector<float>, as a C++ caller would; otherwise into storage left
// uninitialized, libsndfile's best case.
Result decodeSndfile(const std::filesystem::path& path, bool zeroed) {
    Result result;
    const auto start = Clock::now();
    SF_INFO info{};
    SNDFILE* file = sf_open(path.string().c_str(), SFM_READ, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "libsndfile cannot open %s\n", path.string().c_str());
        std::exit(1);
    }
    const auto count = static_cast<std::size_t>(info.frames) * info.channels;
    std::vector<float> vector;
    std::unique_ptr<float[]> bare;
    float* samples = nullptr;
    if (zeroed) {
        vector.resize(count);
        samples = vector.data();
    } else {
        bare = std::make_unique_for_overwrite<float[]>(count);
        samples = bare.get();
    }
    const sf_count_t got = sf_readf_float(file, samples, info.frames);
    sf_close(file);
    result.best = seconds(Clock::now() - start);
    result.samples = static_cast<std::size_t>(got) * info.channels;
    result.probe = samples[count / 2];
    return result;
}
#endif

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 5;
    const auto folder = std::filesystem::temp_directory_path() /
                        ("quillwave-decode-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);

    std::printf("%-8s %8s %10s %13s %7s %13s %7s %10s %10s\n", "encoding", "file MB", "ours MB/s",
                "sndfile MB/s", "ratio", "sndfile* MB/s", "ratio*", "peak MB", "raw+dec MB");
    for (const Encoding& encoding : kEncodings) {
        const auto path = folder / (std::string(encoding.name) + ".wav");
        writeFile(path, encoding, megabytes << 20);
        const double fileMb = static_cast<double>(std::filesystem::file_size(path)) / 1048576.0;

        Result ours;
        Result theirs;
        Result theirsBare;
        std::size_t peak = 0;
        for (int r = 0; r < repetitions; ++r) {
            quillwave::test::resetPeakHeapBytes();
            const std::size_t before = quillwave::test::liveHeapBytes();
            const Result one = decodeOurs(path);
            peak = std::max(peak, quillwave::test::peakHeapBytes() - before);
            ours.best = std::min(ours.best, one.best);
            ours.samples = one.samples;
            ours.probe = one.probe;
#ifdef QUILLWAVE_HAVE_SNDFILE
            const Result other = decodeSndfile(path, true);
            theirs.best = std::min(theirs.best, other.best);
            theirs.samples = other.samples;
            theirs.probe = other.probe;
            theirsBare.best = std::min(theirsBare.best, decodeSndfile(path, false).best);
#endif
        }
        const std::size_t sampleBytes = encoding.bits / 8;
        const double expectedMb =
            static_cast<double>(ours.samples * sampleBytes + ours.samples * 4) / 1048576.0;
#ifdef QUILLWAVE_HAVE_SNDFILE
        if (theirs.samples != ours.samples || std::fabs(theirs.probe - ours.probe) > 1e-6f) {
            std::fprintf(stderr, "%s: decoders disagree\n", encoding.name);
        }
        std::printf("%-8s %8.1f %10.0f %13.0f %6.2fx %13.0f %6.2fx %10.1f %10.1f\n", encoding.name,
                    fileMb, fileMb / ours.best, fileMb / theirs.best, theirs.best / ours.best,
                    fileMb / theirsBare.best, theirsBare.best / ours.best,
                    static_cast<double>(peak) / 1048576.0, expectedMb);
#else
        std::printf("%-8s %8.1f %10.0f %13s %7s %13s %7s %10.1f %10.1f\n", encoding.name, fileMb,
                    fileMb / ours.best, "-", "-", "-", "-", static_cast<double>(peak) / 1048576.0,
                    expectedMb);
#endif
        std::filesystem::remove(path);
    }
    std::filesystem::remove_all(folder);
#ifdef QUILLWAVE_HAVE_SNDFILE
    std::printf("ratio: libsndfile time / ours, reading into a std::vector<float>; *: into "
                "uninitialized storage.\npeak: most heap bytes a decode held; raw+dec: the raw "
                "data plus the decoded samples.\n");
#else
    std::printf("libsndfile not found: no comparison\n");
#endif
    return 0;
}
