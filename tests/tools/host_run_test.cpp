// The command-line host records through the built module, loaded by its entry points: takes hold
// the played input sample for sample, then the effect tail; names move on to take names; failures
// end in one line and a non-zero exit.

#include "host_run_support.h"

#include "tools/quillwave_host/input_signal.h"

#include <cmath>
#include <cstring>
#include <fstream>

using namespace quillwave;
using namespace quillwave::test;

namespace {

using host::Waveform;

// Frames the silence test needs at rate for a "Tail silence time" of seconds, as the module
// derives them from the normalized value the host sends.
std::uint64_t silenceFrames(double seconds, double rate) {
    const double applied = std::max((seconds / 10.0) * 10.0, 0.01);
    return static_cast<std::uint64_t>(std::trunc(rate) * applied);
}

bool sameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Checks that take holds frames [from, to) of input, then the input from `to` on (silence past
// its end) for tail frames, and prints what it holds.
void expectTake(const WavTake& take, const host::InputSignal& input, std::uint64_t from,
                std::uint64_t to, std::uint64_t tail) {
    ASSERT_TRUE(take.valid);
    EXPECT_EQ(take.formatTag, 3);
    ASSERT_EQ(take.channels, input.channels);
    EXPECT_EQ(take.sampleRate, static_cast<std::uint32_t>(input.sampleRate));
    ASSERT_EQ(take.frames(), to - from + tail);
    for (std::uint64_t f = 0; f < take.frames(); ++f) {
        for (std::uint32_t c = 0; c < input.channels; ++c) {
            const float x = input.at(from + f, c);
            const float expected = std::isfinite(x) ? x : 0.0f;
            ASSERT_TRUE(sameBits(take.at(f, c), expected))
                << "frame " << f << " channel " << c << ": " << take.at(f, c) << " vs " << expected;
        }
    }
}

struct GeneratedCase {
    const char* name;
    Waveform waveform;
    int channels;
    double rate;
    double seconds;
    std::uint64_t from;
    std::uint64_t to; // 0: the input's end
    int block;
    double tailSilence; // < 0: the module's default of 0.5 s
};

void PrintTo(const GeneratedCase& c, std::ostream* os) {
    *os << c.name;
}

class GeneratedTake : public HostRun, public ::testing::WithParamInterface<GeneratedCase> {};

TEST_P(GeneratedTake, HoldsThePlayedSegmentThenTheTail) {
    const GeneratedCase& p = GetParam();
    const host::InputSignal input =
        host::generateSignal(p.waveform, 997.0, 7, p.channels, p.rate, p.seconds);
    const std::uint64_t to = p.to ? p.to : input.frames;
    std::vector<std::string> args = {"--out",      argPath(folder / "gen.wav"),
                                     "--channels", std::to_string(p.channels),
                                     "--rate",     std::to_string(static_cast<int>(p.rate)),
                                     "--seconds",  std::to_string(p.seconds),
                                     "--seed",     "7",
                                     "--from",     std::to_string(p.from),
                                     "--block",    std::to_string(p.block)};
    if (p.to) {
        args.insert(args.end(), {"--to", std::to_string(p.to)});
    }
    switch (p.waveform) {
    case Waveform::Sine:
        args.insert(args.end(), {"--sine", "997"});
        break;
    case Waveform::Ramp:
        args.push_back("--ramp");
        break;
    case Waveform::Noise:
        args.push_back("--noise");
        break;
    }
    if (p.tailSilence >= 0) {
        args.insert(args.end(), {"--tail-silence", std::to_string(p.tailSilence)});
    }
    const ChildResult run = host(args);
    ASSERT_EQ(run.exitCode, 0) << run.err;

    // None of these signals is ever silent on every channel for a whole silence time, so the
    // tail is the input's remainder plus the silence that ends it, less the frame that ends it.
    const std::uint64_t tail =
        (input.frames - to) + silenceFrames(p.tailSilence >= 0 ? p.tailSilence : 0.5, p.rate) - 1;
    expectTake(readTake(folder / "gen.wav"), input, p.from, to, tail);
    auto report = reportLines(run.out);
    EXPECT_EQ(report["written"], std::to_string(to - p.from + tail) + " frames");
    EXPECT_EQ(report["dropped"], "0 frames");
    EXPECT_NE(report["take"].find("gen.wav"), std::string::npos) << report["take"];
}

INSTANTIATE_TEST_SUITE_P(Signals, GeneratedTake,
                         ::testing::Values(GeneratedCase{"SineWholeInput", Waveform::Sine, 3, 44100,
                                                         1.0, 0, 0, 512, -1},
                                           GeneratedCase{"Ramp64ChannelsSegment", Waveform::Ramp,
                                                         64, 48000, 0.25, 1000, 9000, 777, 0.02},
                                           GeneratedCase{"NoiseOneFrameBlocks", Waveform::Noise, 1,
                                                         8000, 0.5, 0, 0, 1, 0},
                                           GeneratedCase{"NoiseLargeBlocksSegment", Waveform::Noise,
                                                         2, 96000, 0.3, 5000, 20000, 4096, 0.1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostRun, WavInputIsRecordedSampleForSample) {
    const std::uint32_t rate = 22050;
    const std::uint64_t frames = 5000;
    std::vector<float> samples;
    for (std::uint64_t n = 0; n < frames; ++n) {
        samples.push_back(static_cast<float>(std::sin(0.01 * static_cast<double>(n)) * 0.9));
        samples.push_back(static_cast<float>(n % 17) / 16.0f - 0.5f);
    }
    samples[2 * 100] = std::numeric_limits<float>::quiet_NaN();
    samples[2 * 200 + 1] = std::numeric_limits<float>::infinity();
    samples[2 * 300] = std::numeric_limits<float>::denorm_min();
    samples[2 * 400 + 1] = -1.0f;
    writeFloatWav(folder / "input.wav", 2, rate, samples);

    const ChildResult run = host({"--in", argPath(folder / "input.wav"), "--out",
                                  argPath(folder / "copy.wav"), "--block", "333"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    host::InputSignal input;
    input.channels = 2;
    input.sampleRate = rate;
    input.frames = frames;
    input.planar.assign(2, std::vector<float>(frames));
    for (std::uint64_t n = 0; n < frames; ++n) {
        input.planar[0][n] = samples[2 * n];
        input.planar[1][n] = samples[2 * n + 1];
    }
    expectTake(readTake(folder / "copy.wav"), input, 0, frames, silenceFrames(0.5, rate) - 1);
}

TEST_F(HostRun, SecondRunMovesOnToATakeNameAndLeavesTheFirstFileAlone) {
    const std::vector<std::string> args = {
        "--out", argPath(folder / "mix.wav"), "--ramp", "--seconds", "0.2", "--tail-silence",
        "0.01"};
    const ChildResult first = host(args);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const std::vector<unsigned char> firstBytes = readBytes(folder / "mix.wav");

    const ChildResult second = host(args);
    ASSERT_EQ(second.exitCode, 0) << second.err;
    const std::string take = reportLines(second.out)["take"];
    EXPECT_EQ(take.substr(take.size() - std::strlen("/mix-take1.wav")), "/mix-take1.wav");
    EXPECT_EQ(readBytes(folder / "mix.wav"), firstBytes);
    EXPECT_EQ(readBytes(folder / "mix-take1.wav"), firstBytes);
    EXPECT_EQ(wavFiles(), (std::vector<std::string>{"mix-take1.wav", "mix.wav"}));
}

// The take starts on input frame 480000, which the host plays at project time 480000.
TEST_F(HostRun, ATimeStampedTakeReportsTheProjectTimeOfItsFirstFrame) {
    const ChildResult run =
        host({"--out", argPath(folder / "bwf.wav"), "--ramp", "--rate", "48000", "--seconds",
              "10.1", "--from", "480000", "--tail-silence", "0.01", "--time-stamped"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(reportLines(run.out)["time reference"], "480000 samples");
    EXPECT_EQ(reportLines(run.out)["dropped"], "0 frames");
    const std::vector<unsigned char> bytes = readBytes(folder / "bwf.wav");
    ASSERT_GT(bytes.size(), 656u);
    EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "bext");
    EXPECT_EQ(le32(&bytes[20 + 338]), 480000u);
}

TEST_F(HostRun, SavedStateCarriesDestinationAndTailSettings) {
    const std::string state = argPath(folder / "session.state");
    const ChildResult first =
        host({"--out", argPath(folder / "s.wav"), "--rate", "48000", "--seconds", "0.1",
              "--tail-silence", "0.03", "--save-state", state});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const std::vector<unsigned char> bytes = readBytes(folder / "session.state");
    ASSERT_GT(bytes.size(), 4u);
    const std::string text(bytes.begin() + 4, bytes.end());
    EXPECT_EQ(le32(bytes.data()), text.size());
    EXPECT_EQ(text.rfind("{\"kind\":6,\"parameters\":[", 0), 0u);
    EXPECT_NE(text.find("/s.wav\",\"schema\":1}"), std::string::npos) << text;

    // No destination and no tail option: both come from the state.
    const ChildResult second = host({"--load-state", state, "--rate", "48000", "--seconds", "0.1"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    const WavTake take = readTake(folder / "s-take1.wav");
    ASSERT_TRUE(take.valid);
    EXPECT_EQ(take.frames(), 4800 + silenceFrames(0.03, 48000) - 1);
}

TEST_F(HostRun, FailuresEndInOneLineAndANonZeroExit) {
    writeFloatWav(folder / "ok.wav", 1, 48000, std::vector<float>(100, 0.5f));
    std::ofstream(folder / "text.wav") << "this is not a WAV file";
    std::ofstream(folder / "bad.state") << "not a state";
    const std::string out = argPath(folder / "take.wav");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
    };
    const std::vector<Case> cases = {
        {"missing module", {"--module", argPath(folder / "none.vst3"), "--out", out}, 1},
        {"module that is not a library", {"--module", argPath(folder / "ok.wav"), "--out", out}, 1},
        {"destination folder missing", {"--out", argPath(folder / "missing" / "take.wav")}, 1},
        {"input missing", {"--out", out, "--in", argPath(folder / "missing.wav")}, 1},
        {"input not a WAV file", {"--out", out, "--in", argPath(folder / "text.wav")}, 1},
        {"state refused", {"--out", out, "--load-state", argPath(folder / "bad.state")}, 1},
        {"segment beyond the input", {"--out", out, "--seconds", "0.1", "--to", "999999"}, 1},
        {"unknown option", {"--out", out, "--fast"}, 2},
        {"no destination", {"--sine", "440"}, 2},
        {"65 channels", {"--out", out, "--channels", "65"}, 2},
    };
    for (const Case& c : cases) {
        const ChildResult run = host(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name << ": " << run.err;
        EXPECT_EQ(run.out, "") << c.name;
        std::string err = run.err;
        std::erase(err, '\r');
        EXPECT_EQ(err.rfind("quillwave_host: ", 0), 0u) << c.name << ": " << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << c.name << ": " << err;
        EXPECT_EQ(err.back(), '\n') << c.name;
    }
    EXPECT_EQ(wavFiles(), (std::vector<std::string>{"ok.wav", "text.wav"}));
}

} // namespace

namespace {

using namespace quillwave::test;

TEST_F(HostRun, RepairMakesACutOffTakeReadableAgain) {
    // A take whose recording process died: the header still declares an empty data chunk.
    std::vector<float> samples;
    for (int i = 0; i < 2 * 3000; ++i) {
        samples.push_back(static_cast<float>(i % 100) / 100.0f);
    }
    const auto cut = folder / "cut.wav";
    writeFloatWav(cut, 2, 48000, samples);
    {
        std::fstream f(cut, std::ios::in | std::ios::out | std::ios::binary);
        const std::uint32_t riff = 36, data = 0;
        f.seekp(4);
        f.write(reinterpret_cast<const char*>(&riff), 4);
        f.seekp(40);
        f.write(reinterpret_cast<const char*>(&data), 4);
    }
    ASSERT_EQ(readTake(cut).dataSize, 0u);
    std::ofstream(folder / "notes.wav") << "not a take at all, but long enough to have a header";

    const ChildResult repaired =
        runChild(QUILLWAVE_HOST_EXE, {"repair", argPath(cut)}, folder.path());
    EXPECT_EQ(repaired.exitCode, 0) << repaired.err;
    const WavTake take = readTake(cut);
    ASSERT_TRUE(take.valid);
    EXPECT_EQ(take.frames(), 3000u);
    EXPECT_EQ(take.samples, samples);

    const ChildResult refused =
        runChild(QUILLWAVE_HOST_EXE, {"repair", argPath(folder / "notes.wav")}, folder.path());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("is not a recorder take"), std::string::npos) << refused.err;
}

} // namespace
