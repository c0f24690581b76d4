// Saving while the audio thread applies automation: every document is complete and each slot
// holds one of the values the audio thread stored. Loading while blocks run, takes start and stop
// and the editor reads the status: every file stays whole.

#include "editor/plugin_editor_controls.h"
#include "editor/plugin_editor_model.h"
#include "plugin/state_document.h"
#include "plugin/state_stream.h"
#include "recorder/recorder_test_support.h"
#include "state_streams.h"
#include "support/plugin_instance.h"
#include "support/test_host.h"
#include "support/wait_until.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <cstdio>
#include <optional>
#include <thread>

using namespace quillwave;
using namespace quillwave::test;

namespace {

TEST(StateConcurrency, SavingDuringAutomationReadsEachSlotWhole) {
    TestHost::Config config;
    config.maxBlock = 64;
    TestHost host(config);
    ASSERT_TRUE(host.arranged && host.setUp);
    ASSERT_EQ(host.component->setActive(true), kResultOk);
    ASSERT_EQ(host.processor->setProcessing(true), kResultOk);

    const double values[] = {0.25, 0.75};
    std::atomic<bool> done{false};
    std::thread audio([&] {
        for (int block = 0; !done.load(std::memory_order_acquire); ++block) {
            for (Vst::ParamID id : {Vst::ParamID{400}, Vst::ParamID{401}}) {
                host.changes.queue(id).add(block % 64, values[(block + id) % 2]);
            }
            host.run(64, false);
        }
    });

    for (int i = 0; i < 300; ++i) {
        MemoryStream stream;
        ASSERT_EQ(componentOf(host.plugin()).getState(&stream), kResultOk);
        const std::string bytes = streamBytes(stream);
        const auto document = nlohmann::json::parse(bytes.begin() + 4, bytes.end());
        for (const std::size_t slot : {std::size_t{400}, std::size_t{401}}) {
            const double v = document["parameters"][slot].get<double>();
            const double initial = slot == 400 ? 0.05 : 1.0 / 120.0;
            EXPECT_TRUE(v == values[0] || v == values[1] || v == initial) << v;
        }
    }
    done.store(true, std::memory_order_release);
    audio.join();
    host.processor->setProcessing(false);
    host.component->setActive(false);
    ASSERT_TRUE(host.waitForTakes());
}

// Channel 0 carries the running position, exactly; channel 1 its negative.
double positionSignal(std::uint64_t position, int channel) {
    const double v = 0.5 + static_cast<double>(position % (1u << 20)) / (1u << 22);
    return channel == 0 ? v : -v;
}

TEST(StateConcurrency, TwoHundredLoadsWhileBlocksRunKeepEveryTakeWhole) {
    TempFolder folder;
    TestHost::Config config;
    config.maxBlock = 64;
    TestHost host(config);
    ASSERT_EQ(host.component->setActive(true), kResultOk);
    ASSERT_EQ(host.processor->setProcessing(true), kResultOk);

    // The transport plays blocks 32..63 of every 64: each take is one run of 32 blocks and its
    // 480 frames of tail (the shortest maximum tail, on input that is never silent). A cycle
    // divides the signal's period, so a take's first sample tells where in its cycle it began.
    constexpr std::uint64_t kCycle = 64 * 64;
    constexpr std::uint64_t kRunStart = 32 * 64;
    constexpr std::uint64_t kTakeFrames = 32 * 64 + 480;
    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::uint64_t position = 0;
        // Ends before a run would start, so every take has ended by itself.
        for (int block = 0; !(done.load() && block % 64 == 32); ++block, position += 64) {
            host.fillInput(64, [&](int i, int c) { return positionSignal(position + i, c); });
            host.run(64, block / 32 % 2 == 1); // the transport starts and stops, takes race loads
            // About six times real time, so that the writer keeps up and nothing is dropped.
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    std::thread editor([&] {
        while (!done.load()) {
            EXPECT_FALSE(plugins::moduleStatusLine(host.plugin()).empty());
            MemoryStream stream;
            EXPECT_EQ(componentOf(host.plugin()).getState(&stream), kResultOk);
        }
    });
    struct StopThreads {
        std::atomic<bool>& done;
        std::thread& audio;
        std::thread& editor;
        ~StopThreads() {
            done = true;
            audio.join();
            editor.join();
        }
    };
    std::optional<StopThreads> stopThreads(std::in_place, done, audio, editor);
    plugins::ParameterTable values;
    values.set(401, 0.0); // the shortest tail: takes end soon after the transport stops
    const std::filesystem::path destinations[] = {folder / "d0.wav", folder / "d1.wav",
                                                  folder / "d2.wav"};
    for (int i = 0; i < 200; ++i) {
        values.set(400, i / 200.0);
        const std::string text = plugins::writeStateDocument(plugins::ModuleKind::Recorder, values,
                                                             u16path(destinations[i % 3]));
        IPtr<MemoryStream> stream(new MemoryStream, false);
        ASSERT_TRUE(plugins::writeFramedText(*stream, text));
        stream->seek(0, IBStream::kIBSeekSet, nullptr);
        ASSERT_EQ(i % 2 ? host.controller->setComponentState(stream)
                        : componentOf(host.plugin()).setState(stream),
                  kResultOk);
        ASSERT_EQ(host.plugin().getParamNormalized(400), i / 200.0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    stopThreads.reset();
    ASSERT_EQ(host.processor->setProcessing(false), kResultOk);
    ASSERT_EQ(host.component->setActive(false), kResultOk);
    ASSERT_TRUE(host.waitForTakes());
    EXPECT_EQ(host.plugin().recorder().droppedFrames(), 0u);

    // Every file is a valid WAV file; a take holds consecutive input frames, none lost or
    // repeated, from the start of a run through its whole tail: no load cut it.
    std::uint64_t recorded = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        const WavTake take = readTake(entry.path());
        ASSERT_TRUE(take.valid) << entry.path();
        EXPECT_EQ(take.fileSize, 44u + take.dataSize) << entry.path();
        for (std::uint64_t f = 0; f < take.frames(); ++f) {
            ASSERT_EQ(take.at(f, 1), -take.at(f, 0));
            if (f > 0) {
                const double step = (take.at(f, 0) - take.at(f - 1, 0)) * (1u << 22);
                ASSERT_TRUE(step == 1.0 || step == -double((1u << 20) - 1))
                    << entry.path() << " frame " << f;
            }
        }
        if (take.frames() > 0) {
            const auto first = static_cast<std::uint64_t>((take.at(0, 0) - 0.5) * (1u << 22));
            EXPECT_EQ(first % kCycle, kRunStart) << entry.path();
            EXPECT_EQ(take.frames(), kTakeFrames) << entry.path();
        }
        recorded += take.frames();
    }
    EXPECT_GT(recorded, 0u);
}

// The editor's edits write the SDK parameter objects that a load rewrites on another thread;
// ThreadSanitizer reports any of those writes made without the state lock.
TEST(StateConcurrency, EditorEditsWhileStatesLoadShareTheParameterObjectsSafely) {
    const auto plugin = makePlugin(plugins::ModuleKind::Output);
    std::atomic<bool> done{false};
    std::thread editor([&] {
        plugins::PluginEditorControls controls(*plugin);
        for (int i = 0; !done.load(); ++i) {
            controls.applyEdit(plugins::ParamId::Gain, (i % 100) / 100.0);
            controls.beginGesture(plugins::ParamId::Gain); // a drag
            controls.changeInGesture(plugins::ParamId::Gain, 0.5);
            controls.endGesture(plugins::ParamId::Gain);
        }
    });
    plugins::ParameterTable values;
    for (int i = 0; i < 300; ++i) {
        values.set(plugins::ParamId::Gain, i / 300.0);
        IPtr<MemoryStream> stream(new MemoryStream, false);
        ASSERT_TRUE(plugins::writeFramedText(
            *stream, plugins::writeStateDocument(plugins::ModuleKind::Output, values, u"")));
        stream->seek(0, IBStream::kIBSeekSet, nullptr);
        EXPECT_EQ(componentOf(*plugin).setState(stream), kResultOk);
    }
    done = true;
    editor.join();
}

// A take recorded while the disk stalls leaves its backlog in the ring, and a load then names
// another destination: the load returns at once, on a host thread or on the audio thread between
// two blocks, and the loaded destination is armed and records once the disk is back.
class StalledDiskLoad : public ::testing::TestWithParam<bool> {}; // true: the audio thread loads

TEST_P(StalledDiskLoad, ReturnsAtOnceAndArmsTheLoadedDestinationOnceTheDiskIsBack) {
    constexpr auto kStall = std::chrono::milliseconds(2000);
    TempFolder folder;
    auto faults = std::make_shared<plugins::test::StreamFaults>();
    TestHost::Config config;
    config.maxBlock = 64;
    config.recorderAccess = plugins::test::faultyAccess(faults);
    TestHost host(config);
    plugins::UtilityPlugin& plugin = host.plugin();
    host.controller->setParamNormalized(401, 0.0); // a tail of 480 frames
    std::string error;
    ASSERT_TRUE(plugin.chooseFile(u16path(folder / "first.wav"), error)) << error;
    ASSERT_EQ(host.component->setActive(true), kResultOk);
    ASSERT_EQ(host.processor->setProcessing(true), kResultOk);
    std::uint64_t position = 0;
    const auto block = [&](bool playing) {
        host.fillInput(64, [&](int i, int c) { return positionSignal(position + i, c); });
        position += 64;
        return host.run(64, playing);
    };

    faults->stall = true;
    for (int b = 0; b < 750; ++b) { // a second of audio, the tail then ends the take
        ASSERT_EQ(block(b > 0), kResultOk);
    }
    while (plugin.recorder().recording()) {
        ASSERT_EQ(block(false), kResultOk);
    }
    ASSERT_GT(plugin.recorder().writeIndex() - plugin.recorder().readIndex(), 48000u);
    std::thread disk([&] {
        std::this_thread::sleep_for(kStall);
        faults->stall = false;
    });
    const std::string text = plugins::writeStateDocument(plugins::ModuleKind::Recorder,
                                                         plugin.table(), u16path(folder / "second.wav"));
    tresult loaded = kResultFalse;
    std::chrono::steady_clock::duration took{};
    const auto load = [&] {
        IPtr<MemoryStream> stream(new MemoryStream, false);
        plugins::writeFramedText(*stream, text);
        stream->seek(0, IBStream::kIBSeekSet, nullptr);
        const auto start = std::chrono::steady_clock::now();
        loaded = host.component->setState(stream);
        took = std::chrono::steady_clock::now() - start;
    };
    if (GetParam()) {
        std::thread audio([&] {
            block(false);
            load();
            block(false);
        });
        audio.join();
    } else {
        load();
    }
    disk.join();
    EXPECT_EQ(loaded, kResultOk);
    EXPECT_LT(took, kStall / 4) << "the load waited for the disk";
    std::printf("load with a stalled disk took %.3f ms\n",
                std::chrono::duration<double, std::milli>(took).count());

    ASSERT_TRUE(waitUntil([&] {
        return plugin.readMeterSnapshot().recorder.armed &&
               std::filesystem::path(plugin.statusFilePath()) == folder / "second.wav";
    }));
    ASSERT_EQ(block(false), kResultOk);
    const std::uint64_t start = position;
    for (int b = 0; b < 10; ++b) {
        ASSERT_EQ(block(true), kResultOk);
    }
    ASSERT_EQ(host.processor->setProcessing(false), kResultOk);
    ASSERT_EQ(host.component->setActive(false), kResultOk);
    ASSERT_TRUE(host.waitForTakes());
    const WavTake take = readTake(folder / "second.wav");
    ASSERT_EQ(take.frames(), 640u);
    for (std::uint64_t f = 0; f < take.frames(); ++f) {
        ASSERT_EQ(take.at(f, 0), static_cast<float>(positionSignal(start + f, 0))) << f;
    }
    EXPECT_EQ(readTake(folder / "first.wav").frames(), 749u * 64 + 480);
}

INSTANTIATE_TEST_SUITE_P(Threads, StalledDiskLoad, ::testing::Values(false, true),
                         [](const auto& info) {
                             return std::string(info.param ? "AudioThread" : "HostThread");
                         });

} // namespace
