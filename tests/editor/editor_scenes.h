#pragma once

// Representative editor states, shared by the picture renderer and the benchmarks.

#include "fixed_editor_model.h"

#include <cmath>
#include <string>
#include <vector>

namespace quillwave::test {

inline FixedEditorModel recorderArmedScene() {
    FixedEditorModel model(plugins::ModuleKind::Recorder);
    model.status = "Armed and ready | session-take3.wav";
    model.snapshot.recorder.armed = true;
    model.secondsLeft = 8062.0; // 2 h 14 min
    model.set(plugins::ParamId::PreRecordTime, 0.5);
    model.snapshot.meteredChannels = 2;
    model.snapshot.peak = {0.12f, 0.09f};
    model.snapshot.rms = {0.035f, 0.028f};
    return model;
}

inline FixedEditorModel recorderRecordingScene() {
    FixedEditorModel model(plugins::ModuleKind::Recorder);
    model.status = "Recording | session-take3.wav";
    auto& r = model.snapshot.recorder;
    r.armed = true;
    r.recording = true;
    r.capturedFrames = 9956064; // 3 min 27.418 s at 48 kHz
    r.writtenFrames = 9951232;
    r.capturedSeconds = 9956064.0 / 48000.0;
    model.secondsLeft = 7855.0; // 2 h 10 min
    model.snapshot.meteredChannels = 2;
    model.snapshot.peak = {0.42f, 1.0f};
    model.snapshot.rms = {0.16f, 0.55f};
    model.snapshot.clip = {0, 1};
    return model;
}

// A drum-like loop: decaying bursts over a quiet tone, two channels.
inline plugins::AudioClip loopClip(std::uint64_t seconds) {
    constexpr std::uint32_t kRate = 48000;
    const std::uint64_t frames = seconds * kRate;
    plugins::SampleVector samples(frames * 2);
    for (std::uint64_t f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / kRate;
        const double beat = std::fmod(t, 0.5);
        const double accent = std::fmod(t, 2.0) < 0.5 ? 0.95 : 0.6;
        const double burst = accent * std::exp(-beat * 9.0) * std::sin(2 * 3.14159265 * 70 * t);
        const double tone = 0.08 * std::sin(2 * 3.14159265 * 220 * t);
        samples[2 * f] = static_cast<float>(burst + tone);
        samples[2 * f + 1] = static_cast<float>(0.8 * burst - tone);
    }
    return plugins::AudioClip(2, kRate, std::move(samples));
}

inline FixedEditorModel playerScene(std::uint64_t seconds = 8) {
    FixedEditorModel model(plugins::ModuleKind::Player);
    model.status = "drum-loop.wav | Playing";
    model.set(plugins::ParamId::PlayRecord, 1.0);
    model.set(plugins::ParamId::FollowTransport, 0.0);
    model.clip = loopClip(seconds);
    return model;
}

inline FixedEditorModel faderBankScene() {
    FixedEditorModel model(plugins::ModuleKind::FaderBank);
    model.set(plugins::ParamId::ActiveStrips, 11.0 / 63.0); // 12 strips, page 1 of 2
    model.inputBuses = {1, 1, 2, 2, 2, 1, 2, 2, 2, 2, 1, 1};
    const double gains[] = {15.0 / 17.0, 0.80, 0.93, 0.70, 15.0 / 17.0, 0.55, 1.0, 0.86};
    for (int s = 0; s < 8; ++s) {
        model.set(plugins::stripGainId(s), gains[s]);
    }
    model.set(plugins::stripMuteId(3), 1.0);
    model.set(plugins::stripMuteId(5), 1.0);
    return model;
}

inline FixedEditorModel summingScene() {
    FixedEditorModel model(plugins::ModuleKind::Summing);
    model.set(plugins::ParamId::ActiveStrips, 3.0 / 63.0);   // 4 inputs
    model.set(plugins::ParamId::Gain, (90.0 - 6.0) / 102.0); // -6 dB
    return model;
}

// The pages the documentation shows, by the names of their picture files.
struct PictureScene {
    const char* name;
    FixedEditorModel (*make)();
};
inline constexpr PictureScene kPictureScenes[] = {
    {"recorder-armed", recorderArmedScene},
    {"recorder-recording", recorderRecordingScene},
    {"player-waveform", [] { return playerScene(); }},
    {"fader-bank", faderBankScene},
    {"gain-summing", summingScene},
};

// The pages the documentation also shows scaled, and their scales by picture name suffix.
inline constexpr PictureScene kScaledPictureScenes[] = {
    {"recorder-recording", recorderRecordingScene},
    {"fader-bank", faderBankScene},
};
struct PictureScale {
    const char* suffix;
    double scale;
};
inline constexpr PictureScale kPictureScales[] = {{"-1.5x", 1.5}, {"-2x", 2.0}};

} // namespace quillwave::test
