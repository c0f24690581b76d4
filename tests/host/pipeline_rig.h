#pragma once

// A recorder in a test host whose input tells each frame's position, for takes checked
// sample-exact: shared by the pipeline and pre-record tests.

#include "plugin/state_document.h"
#include "plugin/state_stream.h"
#include "recorder/recorder_test_support.h"
#include "support/test_host.h"
#include "support/wav_file.h"

#include "public.sdk/source/common/memorystream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <memory>

namespace quillwave::test::pipeline {

namespace fs = std::filesystem;

constexpr int kFrames = 64;

// Every frame tells its position: exact in float, never below the tail threshold.
inline double positionSignal(std::uint64_t position, int channel) {
    const double v = 0.5 + static_cast<double>(position % (1u << 20)) / (1u << 22);
    return channel == 0 ? v : -v;
}

struct Rig {
    TempFolder folder;
    std::shared_ptr<plugins::test::StreamFaults> faults =
        std::make_shared<plugins::test::StreamFaults>();
    TestHost host{[this] {
        TestHost::Config c;
        c.maxBlock = kFrames;
        c.recorderAccess = plugins::test::faultyAccess(faults);
        return c;
    }()};
    std::uint64_t position = 0;

    plugins::UtilityPlugin& plugin() { return host.plugin(); }
    tresult block(bool playing) {
        host.fillInput(kFrames, [&](int i, int c) { return positionSignal(position + i, c); });
        position += kFrames;
        return host.run(kFrames, playing);
    }
    tresult load(const fs::path& destination, bool controllerSide = false) {
        IPtr<MemoryStream> stream(new MemoryStream, false);
        plugins::writeFramedText(*stream, plugins::writeStateDocument(plugins::ModuleKind::Recorder,
                                                                      plugin().table(),
                                                                      u16path(destination)));
        stream->seek(0, IBStream::kIBSeekSet, nullptr);
        return controllerSide ? host.controller->setComponentState(stream)
                              : host.component->setState(stream);
    }
    void activate() {
        ASSERT_EQ(host.component->setActive(true), kResultOk);
        ASSERT_EQ(host.processor->setProcessing(true), kResultOk);
    }
    void stop() {
        ASSERT_EQ(host.processor->setProcessing(false), kResultOk);
        ASSERT_EQ(host.component->setActive(false), kResultOk);
        ASSERT_TRUE(host.waitForTakes());
    }
    std::size_t files() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder.path()),
                                                      fs::directory_iterator{}));
    }
};

// The file holds exactly the frames [start, start + frames) of the input.
inline void expectTake(const fs::path& file, std::uint64_t start, std::uint64_t frames) {
    const WavTake take = readTake(file);
    ASSERT_TRUE(take.valid) << file;
    ASSERT_EQ(take.frames(), frames) << file;
    for (std::uint64_t f = 0; f < frames; ++f) {
        ASSERT_EQ(take.at(f, 0), static_cast<float>(positionSignal(start + f, 0)))
            << file << " frame " << f;
    }
}

} // namespace quillwave::test::pipeline
