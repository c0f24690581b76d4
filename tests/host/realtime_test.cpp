// The audio thread never touches the heap: thousands of blocks of every kind, with automation,
// sync messages, clip hand-over and a take's whole life, while a replaced global allocator counts.

#include "dsp/sync_message.h"
#include "plugin/state_document.h"
#include "plugin/state_stream.h"
#include "support/heap_probe.h"
#include "support/test_host.h"
#include "support/wav_file.h"

#include "public.sdk/source/common/memorystream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

using namespace quillwave;
using namespace quillwave::test;

namespace {

// Heap operations inside process alone, summed over all the blocks that run() drives.
std::optional<ThreadHeapScope> gInsideProcess;
std::size_t gHeapEvents = 0;

template <typename F> std::size_t countHeapUse(std::initializer_list<TestHost*> hosts, F&& run) {
    for (TestHost* host : hosts) {
        host->processGuard = [](bool inside) {
            if (inside) {
                gInsideProcess.emplace();
            } else {
                gHeapEvents += gInsideProcess->events();
                gInsideProcess.reset();
            }
        };
    }
    gHeapEvents = 0;
    run();
    return gHeapEvents;
}

TEST(Realtime, EveryKindProcessesWithoutTheHeap) {
    using plugins::ModuleKind;
    for (ModuleKind kind : kAllKinds) {
        for (bool wide : {false, true}) {
            SCOPED_TRACE(static_cast<int>(kind));
            TestHost::Config c;
            c.kind = kind;
            c.inputChannels = kind == ModuleKind::Player ? 0 : 2;
            c.outputChannels = 2;
            c.maxBlock = 256;
            c.wide = wide;
            TestHost host(c);
            host.processor->setProcessing(true);
            host.fillInput(256, [](int i, int ch) { return 0.3 * ((i + ch) % 7 - 3); });
            const std::size_t used = countHeapUse({&host}, [&] {
                for (int b = 0; b < 600; ++b) {
                    auto& q = host.changes.queue(b % 2 ? 1 : 0);
                    q.add(b % 200, (b % 10) / 10.0);
                    host.changes.queue(plugins::stripMuteId(b % 64)).add(17, b % 2);
                    host.run(b % 7 == 0 ? 0 : 256 - b % 50, b % 40 < 20);
                    host.outEvents.clear();
                }
            });
            EXPECT_EQ(used, 0u);
        }
    }
}

TEST(Realtime, ATakesWholeLifeAndClipHandOverStayOffTheHeap) {
    TempFolder folder;
    TestHost::Config rc;
    rc.maxBlock = 128;
    TestHost recorder(rc);
    std::string error;
    ASSERT_TRUE(recorder.plugin().chooseFile(u16path(folder / "t.wav"), error)) << error;
    recorder.controller->setParamNormalized(400, 0.0);
    recorder.controller->setParamNormalized(401, 0.0); // the tail ends after 0.01 s
    // Each take armed anew and begun with a second of input kept before it.
    recorder.controller->setParamNormalized(402, 1.0);
    recorder.controller->setParamNormalized(403, 0.1);
    recorder.processor->setProcessing(true);
    recorder.fillInput(128, [](int i, int) { return i < 64 ? 0.5 : 0.0; });
    const std::array<std::uint8_t, 7> start = plugins::kSyncStartMessage;
    const std::array<std::uint8_t, 7> stop = plugins::kSyncStopMessage;
    const std::size_t used = countHeapUse({&recorder}, [&] {
        for (int b = 0; b < 2000; ++b) {
            if (b % 100 == 5) {
                Vst::Event e = sysExEvent(3, start.data(), 7);
                recorder.inEvents.addEvent(e);
            }
            if (b % 100 == 50) {
                Vst::Event e = sysExEvent(70, stop.data(), 7);
                recorder.inEvents.addEvent(e);
            }
            recorder.run(128, false);
        }
    });
    EXPECT_EQ(used, 0u);
    EXPECT_FALSE(recorder.plugin().recorder().recording()); // the tail ended the take

    TestHost::Config pc;
    pc.kind = plugins::ModuleKind::Player;
    pc.inputChannels = 0;
    pc.maxBlock = 128;
    TestHost player(pc);
    writeFloatWav(folder / "a.wav", 2, 44100, std::vector<float>(2 * 3000, 0.25f));
    player.processor->setProcessing(true);
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(player.plugin().chooseFile(u16path(folder / "a.wav"), error)) << error;
        const std::size_t renderUse = countHeapUse({&player}, [&] {
            for (int b = 0; b < 40; ++b) {
                player.run(128, b < 30 && b % 15 < 10); // takes the pending clip, plays, restarts
                player.outEvents.clear();
            }
        });
        EXPECT_EQ(renderUse, 0u);
    }
}

TEST(Realtime, APlayerDocumentLoadedWhilePlayingHandsOverOffTheAudioThreadHeap) {
    TempFolder folder;
    writeFloatWav(folder / "one.wav", 1, 48000, std::vector<float>(480000, 0.25f));
    writeFloatWav(folder / "two.wav", 1, 48000, std::vector<float>(4800, 0.5f));
    TestHost::Config pc;
    pc.kind = plugins::ModuleKind::Player;
    pc.inputChannels = 0;
    pc.maxBlock = 128;
    TestHost player(pc);
    std::string error;
    ASSERT_TRUE(player.plugin().chooseFile(u16path(folder / "one.wav"), error)) << error;
    ASSERT_EQ(player.component->setActive(true), kResultOk);
    ASSERT_EQ(player.processor->setProcessing(true), kResultOk);
    IPtr<MemoryStream> document(new MemoryStream, false);
    ASSERT_TRUE(plugins::writeFramedText(
        *document, plugins::writeStateDocument(plugins::ModuleKind::Player, player.plugin().table(),
                                               u16path(folder / "two.wav"))));
    document->seek(0, IBStream::kIBSeekSet, nullptr);

    std::atomic<int> blocks{0};
    std::atomic<bool> done{false};
    std::atomic<bool> foreignSample{false};
    const std::size_t used = countHeapUse({&player}, [&] {
        std::thread audio([&] {
            while (!done) {
                player.run(128, true);
                player.outEvents.clear();
                for (int i = 0; i < 128; ++i) {
                    const double y = player.outputAt(0, i);
                    foreignSample = foreignSample || (y != 0.0 && y != 0.25);
                }
                ++blocks;
                // Paced, so that the ten seconds of the first file outlast the load.
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        while (blocks < 5) {
            std::this_thread::yield();
        }
        EXPECT_TRUE(player.plugin().player().playing());
        EXPECT_EQ(player.component->setState(document), kResultOk);
        const int after = blocks + 10;
        while (blocks < after) {
            std::this_thread::yield();
        }
        done = true;
        audio.join();
    });
    EXPECT_EQ(used, 0u);         // the hand-over only exchanged pointers inside process
    EXPECT_FALSE(foreignSample); // the new clip never plays from the middle of a running start
    EXPECT_FALSE(player.plugin().player().playing());
    EXPECT_EQ(player.plugin().player().latestClip().frameCount(), 4800u);
    EXPECT_EQ(std::filesystem::path(player.plugin().filePath()), folder / "two.wav");

    // The next transport start plays the loaded file from its first frame.
    player.run(128, false);
    player.run(128, true);
    EXPECT_EQ(player.outputAt(0, 0), 0.5);
}

} // namespace
