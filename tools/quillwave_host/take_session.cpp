#include "take_session.h"

#include "block_feeder.h"
#include "disk_pacer.h"
#include "host_paths.h"
#include "progress_bar.h"
#include "tail_model.h"
#include "take_file.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace quillwave::host {
namespace {

constexpr Steinberg::Vst::ParamID kTailSilenceTime = 400;
constexpr Steinberg::Vst::ParamID kMaximumTail = 401;

double normalizedOr(const std::optional<double>& seconds, double range, double current) {
    return seconds ? *seconds / range : current;
}

} // namespace

TakeReport recordTake(HostedRecorder& recorder, const InputSignal& input,
                      const HostOptions& options, const std::filesystem::path& take) {
    const std::uint64_t from = options.from;
    const std::uint64_t to = options.to.value_or(input.frames);
    const auto block = static_cast<std::uint64_t>(options.blockSize);
    const double silence =
        normalizedOr(options.tailSilenceSeconds, 10.0, recorder.parameter(kTailSilenceTime));
    const double maxTail =
        normalizedOr(options.maxTailSeconds, 3600.0, recorder.parameter(kMaximumTail));

    TakeReport report;
    report.playedFrames = to - from;
    // Without a played frame there is no take to wait for: the armed file stays empty.
    if (report.playedFrames > 0) {
        report.tailFrames =
            expectedTailFrames(input, to, tailSettings(silence, maxTail, input.sampleRate));
    }

    BlockFeeder feeder(recorder, input, options.blockSize, options.realtime);
    DiskPacer pacer(take, input.channels, input.sampleRate, options.realtime);
    ProgressBar progress(!options.quiet && stderrIsTerminal(), report.capturedFrames(),
                         input.sampleRate);
    if (options.tailSilenceSeconds) {
        feeder.automate(kTailSilenceTime, silence);
    }
    if (options.maxTailSeconds) {
        feeder.automate(kMaximumTail, maxTail);
    }

    recorder.startProcessing();
    std::uint64_t frame = from;
    while (frame < to && !pacer.takeFinalized()) {
        const auto n = static_cast<std::int32_t>(std::min(block, to - frame));
        pacer.beforeBlock(frame - from, feeder.position());
        feeder.feed(frame, n, true);
        frame += static_cast<std::uint64_t>(n);
        progress.update(frame - from);
    }
    if (report.playedFrames > 0) {
        // The module ends the take by itself at the latest maxTailFrames after the stop; what it
        // applied is what the tail is measured with.
        const TailSettings applied =
            tailSettings(recorder.parameter(kTailSilenceTime), recorder.parameter(kMaximumTail),
                         input.sampleRate);
        report.tailFrames = expectedTailFrames(input, to, applied);
        const std::uint64_t limit = applied.maxTailFrames + block;
        while (frame - to < limit && !pacer.takeFinalized()) {
            const auto n = static_cast<std::int32_t>(std::min(block, limit - (frame - to)));
            pacer.beforeBlock(frame - from, feeder.position());
            feeder.feed(frame, n, false);
            frame += static_cast<std::uint64_t>(n);
            progress.update(std::min(frame - from, report.capturedFrames()));
        }
    }
    progress.finish();
    recorder.stop();
    // Deactivation returns at once; the module's writer finalizes the take after it.
    const auto deadline = std::chrono::steady_clock::now() + DiskPacer::kStallLimit;
    while (report.playedFrames > 0 && !pacer.takeFinalized() &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    const std::optional<TakeHeader> header = readTakeHeader(take);
    if (!header || header->formatTag != 3 || header->bitsPerSample != 32 ||
        header->channels != input.channels) {
        throw std::runtime_error("the take " + pathText(take) + " is not a " +
                                 std::to_string(input.channels) + "-channel 32-bit float WAV file");
    }
    report.writtenFrames = header->dataBytes / (4 * std::uint64_t{header->channels});
    report.timeReference = header->timeReference;
    return report;
}

} // namespace quillwave::host
