#include "input_signal.h"

#include "host_paths.h"
#include "player/wav_reader.h"

#include <stdexcept>

namespace quillwave::host {

InputSignal readWavSignal(const std::filesystem::path& path) {
    const std::u16string wide = path.u16string();
    plugins::AudioClip clip;
    try {
        clip = plugins::decodeWavFile(wide, plugins::kPreloadLimitBytes);
    } catch (const std::exception& e) {
        throw std::runtime_error("cannot read the input " + pathText(path) + ": " + e.what());
    }
    InputSignal signal;
    signal.channels = clip.channels;
    signal.sampleRate = clip.sampleRateHz;
    signal.frames = clip.frameCount();
    signal.planar.assign(signal.channels, std::vector<float>(signal.frames));
    for (std::uint64_t n = 0; n < signal.frames; ++n) {
        for (std::uint32_t c = 0; c < signal.channels; ++c) {
            signal.planar[c][static_cast<std::size_t>(n)] =
                clip.samples[static_cast<std::size_t>(n * signal.channels + c)];
        }
    }
    return signal;
}

} // namespace quillwave::host
