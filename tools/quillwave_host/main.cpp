// quillwave_host: a small command-line VST 3 host that records a signal through the built
// QuillwaveRecorder module. It loads the module through its entry points and factory, hands it a
// destination through its saved state, plays the input with the transport running, waits until
// the take is finalized and reports what the file holds.

#include "host_application.h"
#include "host_options.h"
#include "host_paths.h"
#include "hosted_recorder.h"
#include "input_signal.h"
#include "loaded_module.h"
#include "repair_command.h"
#include "take_session.h"

#include "platform/free_space.h"
#include "platform/utf.h"
#include "recorder/recording_time_left.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

using namespace quillwave::host;
namespace platform = quillwave::platform;
namespace plugins = quillwave::plugins;

namespace {

constexpr Steinberg::Vst::ParamID kTimeStampedTakes = 404;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + pathText(path));
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + pathText(path));
    }
}

InputSignal loadInput(const HostOptions& options) {
    InputSignal input = options.inputFile.empty()
                            ? generateSignal(options.waveform, options.frequencyHz, options.seed,
                                             options.channels, options.sampleRate, options.seconds)
                            : readWavSignal(argumentPath(options.inputFile));
    if (input.channels < 1 || input.channels > 64) {
        throw std::runtime_error("the input has " + std::to_string(input.channels) +
                                 " channels; the recorder takes 1 to 64");
    }
    if (input.sampleRate < 8000.0 || input.sampleRate > 384000.0) {
        throw std::runtime_error("the input's rate of " + std::to_string(input.sampleRate) +
                                 " Hz is outside 8000..384000 Hz");
    }
    if (options.from > input.frames || options.to.value_or(input.frames) > input.frames) {
        throw std::runtime_error("--from/--to lie beyond the input's " +
                                 std::to_string(input.frames) + " frames");
    }
    return input;
}

// The recording time the take's volume still holds at the input's format, when it can be told.
void printTimeLeft(const std::string& takePath, const InputSignal& input) {
    const auto path = platform::utf8ToUtf16(takePath);
    const auto bytes = path ? platform::freeBytesForPath(*path) : std::nullopt;
    const auto seconds = bytes ? plugins::recordingSecondsLeft(
                                     *bytes, input.channels,
                                     static_cast<std::uint32_t>(input.sampleRate))
                               : std::nullopt;
    if (seconds) {
        std::printf("disk: %s\n", plugins::timeLeftText(*seconds).c_str());
        std::fflush(stdout);
    }
}

int run(const HostOptions& options) {
    const InputSignal input = loadInput(options);
    const LoadedModule module(argumentPath(options.module));
    HostApplication application;
    HostedRecorder recorder(module.factory(), &application);
    recorder.configure(input.channels, input.sampleRate, options.blockSize, options.realtime);

    if (!options.loadState.empty()) {
        const std::filesystem::path file = argumentPath(options.loadState);
        try {
            recorder.loadState(readFile(file));
        } catch (const std::runtime_error& e) {
            throw std::runtime_error(std::string(e.what()) + " in " + pathText(file));
        }
    }
    if (!options.destination.empty()) {
        recorder.setDestination(pathText(argumentPath(options.destination)));
    } else if (recorder.statePath().empty()) {
        throw std::runtime_error("the loaded state names no destination; give --out");
    }
    if (options.timeStamped) {
        recorder.setParameter(kTimeStampedTakes, 1.0);
    }
    recorder.activate();
    // The module arms the first free name and keeps it as its path.
    const std::string takeText = recorder.statePath();
    printTimeLeft(takeText, input);
    const TakeReport report = recordTake(recorder, input, options, pathFromText(takeText));
    if (!options.saveState.empty()) {
        writeFile(argumentPath(options.saveState), recorder.saveState());
    }

    std::printf("take: %s\n", takeText.c_str());
    std::printf("captured: %llu frames (%llu played + %llu tail)\n",
                static_cast<unsigned long long>(report.capturedFrames()),
                static_cast<unsigned long long>(report.playedFrames),
                static_cast<unsigned long long>(report.tailFrames));
    std::printf("written: %llu frames\n", static_cast<unsigned long long>(report.writtenFrames));
    std::printf("dropped: %llu frames\n", static_cast<unsigned long long>(report.droppedFrames()));
    if (report.timeReference) {
        std::printf("time reference: %llu samples\n",
                    static_cast<unsigned long long>(*report.timeReference));
    }
    std::fflush(stdout);
    if (report.droppedFrames() > 0) {
        throw std::runtime_error("the take is missing " + std::to_string(report.droppedFrames()) +
                                 " frames (dropped or lost to a disk error)");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = commandLineArguments(argc, argv);
    if (!args.empty() && args.front() == "repair") {
        return repairTakes({args.begin() + 1, args.end()});
    }
    HostOptions options;
    try {
        options = parseHostOptions(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillwave_host: %s (see --help)\n", e.what());
        return 2;
    }
    if (options.help) {
        std::fputs(hostUsage(), stdout);
        return 0;
    }
    try {
        return run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillwave_host: %s\n", e.what());
        return 1;
    }
}
