#include "host_options.h"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string_view>

namespace quillwave::host {
namespace {

[[noreturn]] void refuse(const std::string& message) {
    throw std::invalid_argument(message);
}

double parseNumber(std::string_view option, const std::string& text, double low, double high) {
    std::size_t used = 0;
    double value = 0.0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || text.empty() || !std::isfinite(value) || value < low ||
        value > high) {
        refuse(std::string(option) + " needs a number from " + std::to_string(low) + " to " +
               std::to_string(high) + ", not '" + text + "'");
    }
    return value;
}

std::uint64_t parseCount(std::string_view option, const std::string& text, std::uint64_t low,
                         std::uint64_t high) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty() || value < low ||
        value > high) {
        refuse(std::string(option) + " needs a whole number from " + std::to_string(low) + " to " +
               std::to_string(high) + ", not '" + text + "'");
    }
    return value;
}

} // namespace

HostOptions parseHostOptions(const std::vector<std::string>& args) {
    HostOptions options;
    bool generated = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                refuse(arg + " needs a value");
            }
            return args[++i];
        };
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--module") {
            options.module = value();
        } else if (arg == "--out") {
            options.destination = value();
        } else if (arg == "--in") {
            options.inputFile = value();
        } else if (arg == "--sine") {
            options.waveform = Waveform::Sine;
            options.frequencyHz = parseNumber(arg, value(), 0.0, 192000.0);
            generated = true;
        } else if (arg == "--ramp") {
            options.waveform = Waveform::Ramp;
            generated = true;
        } else if (arg == "--noise") {
            options.waveform = Waveform::Noise;
            generated = true;
        } else if (arg == "--seed") {
            options.seed = static_cast<std::uint32_t>(parseCount(arg, value(), 0, 0xFFFFFFFFu));
        } else if (arg == "--channels") {
            options.channels = static_cast<int>(parseCount(arg, value(), 1, 64));
        } else if (arg == "--rate") {
            options.sampleRate = parseNumber(arg, value(), 8000.0, 384000.0);
        } else if (arg == "--seconds") {
            options.seconds = parseNumber(arg, value(), 0.0, 86400.0);
        } else if (arg == "--from") {
            options.from = parseCount(arg, value(), 0, UINT64_MAX);
        } else if (arg == "--to") {
            options.to = parseCount(arg, value(), 0, UINT64_MAX);
        } else if (arg == "--block") {
            options.blockSize = static_cast<int>(parseCount(arg, value(), 1, 65536));
        } else if (arg == "--realtime") {
            options.realtime = true;
        } else if (arg == "--tail-silence") {
            options.tailSilenceSeconds = parseNumber(arg, value(), 0.0, 10.0);
        } else if (arg == "--max-tail") {
            options.maxTailSeconds = parseNumber(arg, value(), 0.0, 3600.0);
        } else if (arg == "--time-stamped") {
            options.timeStamped = true;
        } else if (arg == "--load-state") {
            options.loadState = value();
        } else if (arg == "--save-state") {
            options.saveState = value();
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else {
            refuse("unknown option '" + arg + "'");
        }
    }
    if (options.help) {
        return options;
    }
    if (options.module.empty()) {
        refuse("--module is required");
    }
    if (options.destination.empty() && options.loadState.empty()) {
        refuse("--out is required (or --load-state with a saved destination)");
    }
    if (!options.inputFile.empty() && generated) {
        refuse("--in cannot be combined with a generated signal");
    }
    if (options.to && *options.to < options.from) {
        refuse("--to must not come before --from");
    }
    return options;
}

const char* hostUsage() {
    return R"(usage: quillwave_host --module PATH --out FILE.wav [input] [options]

Loads QuillwaveRecorder.vst3 as a VST 3 host does, hands it the destination through its saved
state, plays the input through it with the transport running and waits until the take is
finalized. Prints the take's path, its captured, written and dropped frames, and the time
reference of a time-stamped take.

  --module PATH        the .vst3 bundle folder, or the module file inside it
  --out FILE.wav       destination; an existing name moves on to FILE-takeN.wav
input (default: a 440 Hz sine, 2 channels, 48000 Hz, 2 s):
  --in FILE.wav        a WAV file (PCM 16/24/32-bit or 32-bit float)
  --sine HZ | --ramp | --noise   a generated signal
  --channels N         1..64 (generated signals)
  --rate HZ            8000..384000 (generated signals)
  --seconds S          length of a generated signal
  --seed N             seed of --noise
transport:
  --from FRAME         first input frame played (default 0)
  --to FRAME           frame where the transport stops (default: the input's end);
                       the input's remainder, then silence, feeds the effect tail
  --block N            frames per process call, 1..65536 (default 512)
  --realtime           pace the blocks at the sample rate instead of running ahead
  --tail-silence S     "Tail silence time" in seconds (0..10), sent as automation
  --max-tail S         "Maximum tail" in seconds (0..3600), sent as automation
  --time-stamped       switch "Time-stamped takes" on: the take is a Broadcast WAV file whose
                       TimeReference is the project time of its first frame (the input frame
                       played first, --from)
state:
  --load-state FILE    load a saved state before recording (--out then overrides its path)
  --save-state FILE    write the module's state after the take
  --quiet              no progress bar

usage: quillwave_host repair FILE.wav...

Makes takes cut off by a crash readable again: rewrites the two size fields of each recorder take
from the whole frames on disk. Nothing else in the file changes; other files are refused.
)";
}

} // namespace quillwave::host
