#pragma once

// The command line of quillwave_host: what to load, what to feed it and where the take goes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillwave::host {

enum class Waveform { Sine, Ramp, Noise };

struct HostOptions {
    std::string module;      // the QuillwaveRecorder.vst3 bundle folder or module file
    std::string destination; // the WAV path handed to the recorder; empty: the loaded state's

    // Input: a WAV file, or a generated signal.
    std::string inputFile;
    Waveform waveform = Waveform::Sine;
    double frequencyHz = 440.0;
    std::uint32_t seed = 1;
    int channels = 2;
    double sampleRate = 48000.0;
    double seconds = 2.0;

    // Transport: frames [from, to) of the input play; to defaults to the input's end.
    std::uint64_t from = 0;
    std::optional<std::uint64_t> to;
    int blockSize = 512;
    bool realtime = false;

    // Tail settings sent as automation in the first block, in seconds.
    std::optional<double> tailSilenceSeconds;
    std::optional<double> maxTailSeconds;
    // "Time-stamped takes" switched on before the take file is prepared.
    bool timeStamped = false;

    std::string loadState;
    std::string saveState;
    bool quiet = false;
    bool help = false;
};

// Parses the arguments after the program name. Throws std::invalid_argument with a one-line
// message for anything it cannot use.
HostOptions parseHostOptions(const std::vector<std::string>& args);

// The text printed by --help.
const char* hostUsage();

} // namespace quillwave::host
