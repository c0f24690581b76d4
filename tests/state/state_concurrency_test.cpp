// Saving while the audio thread applies automation: every document is complete and each slot
// holds one of the values the audio thread stored. Loading while blocks run, takes start and stop
// and the editor reads the status: every file stays whole.

#include "editor/plugin_editor_controls.h"
#include "editor/plugin_editor_model.h"
#include "plugin/state_document.h"
#include "plugin/state_stream.h"
#include "state_streams.h"
#include "support/plugin_instance.h"
#include "support/test_host.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
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

    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::uint64_t position = 0;
        for (int block = 0; !done.load(); ++block, position += 64) {
            host.fillInput(64, [&](int i, int c) { return positionSignal(position + i, c); });
            host.run(64, block / 40 % 2 == 1); // the transport starts and stops, takes race loads
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
    EXPECT_EQ(host.plugin().recorder().droppedFrames(), 0u);

    // Every file is a valid WAV file; a take holds consecutive input frames, none lost or
    // repeated.
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

} // namespace
