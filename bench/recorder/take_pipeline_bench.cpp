// What the take pipeline costs and rides out:
//   creation - the longest file-creation stall a run that starts at once rides out with no frame
//              lost, per format: the run is captured into the ring while the file is being made.
//              The source is paced by a clock up to 10 times faster than real time, and the stall
//              is measured on the source's clock, so a compressed run stalls for exactly as much
//              audio as a real-time one.
//   idle     - wake-ups per second of the recorder module's own threads (context switches of
//              every thread but this one) with nothing armed, after a finished take, and while a
//              take is armed and waiting for a run, with "New take every run" off and on.
// Usage: take_pipeline_bench [creation|idle|all]

#include "plugin/utility_plugin.h"
#include "recorder/disk_recorder.h"
#include "bench/recorder/paced_blocks.h"
#include "platform/module_threads.h"
#include "support/discarding_stream.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

using namespace quillwave::plugins;
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kBlockFrames = 512;

// Frames lost by a run that starts in the block right after its destination was armed, while
// the file's creation stalls for stallMs of the source's audio.
std::uint64_t runThroughCreationStall(std::uint32_t channels, std::uint32_t rate, double stallMs) {
    const double speedup =
        std::clamp(std::min(stallMs / 200.0, 100e6 / (4.0 * channels * rate)), 1.0, 10.0);
    const auto stallFrames = static_cast<std::uint64_t>(stallMs / 1000.0 * rate);
    std::atomic<std::uint64_t> sourceFrames{0};
    std::atomic<bool> sourceDone{false};
    RecorderFileAccess access;
    access.open = [&](const std::u16string&) -> std::unique_ptr<RecordingStream> {
        while (sourceFrames.load() < stallFrames && !sourceDone.load()) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        return std::make_unique<quillwave::test::DiscardingStream>(); // only the creation stalls
    };
    DiskRecorder recorder(access);
    recorder.arm(u"stalled-never-created.wav", DestinationMode::Exact, channels, rate);
    recorder.start(0);

    std::vector<std::vector<float>> planes(channels, std::vector<float>(kBlockFrames, 0.25f));
    std::vector<const float*> pointers;
    for (const auto& plane : planes) {
        pointers.push_back(plane.data());
    }
    const auto takeFrames = stallFrames + rate; // the stall and a second after it
    quillwave::bench::runPacedBlocks(takeFrames, kBlockFrames, rate, speedup, [&](std::uint64_t position) {
        recorder.capture(pointers.data(), channels, kBlockFrames, position);
        sourceFrames = position + kBlockFrames;
    });
    sourceDone = true;
    recorder.joinWriter();
    return recorder.droppedFrames();
}

void benchCreation(std::uint32_t channels, std::uint32_t rate) {
    // Double from 640 ms until frames are lost, then halve the interval to within 2 %.
    double good = 0.0, bad = 0.0;
    for (double stallMs = 640.0; bad == 0.0 && stallMs <= 40000.0; stallMs *= 2) {
        (runThroughCreationStall(channels, rate, stallMs) == 0 ? good : bad) = stallMs;
    }
    while (bad != 0.0 && bad - good > std::max(2.0, good * 0.02)) {
        const double middle = (good + bad) / 2;
        (runThroughCreationStall(channels, rate, middle) == 0 ? good : bad) = middle;
    }
    const double ringMs = static_cast<double>(CaptureRing::samplesFor(channels, rate)) /
                          channels / rate * 1000.0;
    std::printf("creation %2u ch @ %5u Hz: longest creation stall without a lost frame %6.0f ms "
                "(ring holds %6.0f ms)\n",
                channels, rate, good, ringMs);
}

// Context switches of every thread of this process but the calling one.
std::uint64_t otherThreadsSwitches() {
    std::uint64_t total = 0;
    const std::string self = std::to_string(gettid());
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        if (task.path().filename() == self) {
            continue;
        }
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) {
                total += std::stoull(line.substr(line.find(':') + 1));
            }
        }
    }
    return total;
}

std::size_t threadCount() {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/task"),
                                                  fs::directory_iterator{}));
}

void report(const char* state) {
    const std::uint64_t before = otherThreadsSwitches();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const std::uint64_t after = otherThreadsSwitches();
    std::printf("idle %-44s %zu threads, %6.1f wake-ups/s\n", state, threadCount() - 1,
                static_cast<double>(after - before) / 2.0);
}

void benchIdle(const fs::path& folder, bool newTakeEveryRun) {
    Steinberg::IPtr<UtilityPlugin> plugin(new UtilityPlugin(ModuleKind::Recorder), false);
    plugin->initialize(nullptr);
    plugin->setParamNormalized(ParamId::NewTakeEveryRun, newTakeEveryRun ? 1.0 : 0.0);
    const char* mode = newTakeEveryRun ? "(new take every run on) " : "(new take every run off)";
    plugin->setActive(true);
    plugin->setProcessing(true);
    report((std::string("no destination ") + mode).c_str());
    std::string error;
    plugin->chooseFile((folder / (newTakeEveryRun ? "on.wav" : "off.wav")).u16string(), error);
    report((std::string("armed, waiting ") + mode).c_str());
    plugin->setProcessing(false);
    plugin->setActive(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    report((std::string("deactivated     ") + mode).c_str());
    plugin->terminate();
    plugin = nullptr;
    quillwave::platform::joinModuleThreads();
}

} // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "all";
    if (what == "idle" || what == "all") {
        const fs::path folder =
            fs::temp_directory_path() / ("quillwave-idle-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder);
        benchIdle(folder, false);
        benchIdle(folder, true);
        fs::remove_all(folder);
    }
    if (what == "creation" || what == "all") {
        for (const std::uint32_t channels : {2u, 16u, 64u}) {
            for (const std::uint32_t rate : {48000u, 96000u}) {
                benchCreation(channels, rate);
            }
        }
    }
    return 0;
}
