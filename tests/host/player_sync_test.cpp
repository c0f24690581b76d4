// A player and a recorder in one host: the player's sync messages and audio feed the recorder,
// whose take starts on the file's first frame and whose tail begins where the file ran out.

#include "support/test_host.h"
#include "support/wav_file.h"

#include "public.sdk/source/common/memorystream.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace quillwave;
using namespace quillwave::test;

namespace {

constexpr int kBlock = 128;

struct Rig {
    TempFolder folder;
    TestHost player{playerConfig()};
    TestHost recorder{recorderConfig()};
    std::vector<float> file;

    static TestHost::Config playerConfig() {
        TestHost::Config c;
        c.kind = plugins::ModuleKind::Player;
        c.inputChannels = 0;
        c.outputChannels = 2;
        c.maxBlock = kBlock;
        return c;
    }
    static TestHost::Config recorderConfig() {
        TestHost::Config c;
        c.kind = plugins::ModuleKind::Recorder;
        c.maxBlock = kBlock;
        return c;
    }

    explicit Rig(int fileFrames) {
        for (int f = 0; f < fileFrames; ++f) {
            file.push_back(0.1f + 0.8f * static_cast<float>(f) / static_cast<float>(fileFrames));
            file.push_back(-0.3f);
        }
        writeFloatWav(folder / "source.wav", 2, 48000, file);
        std::string error;
        EXPECT_TRUE(player.plugin().chooseFile(u16path(folder / "source.wav"), error)) << error;
        EXPECT_TRUE(recorder.plugin().chooseFile(u16path(folder / "take.wav"), error)) << error;
        recorder.controller->setParamNormalized(400, 0.01); // 0.1 s
        for (TestHost* host : {&player, &recorder}) {
            EXPECT_EQ(host->component->setActive(true), kResultOk);
            EXPECT_EQ(host->processor->setProcessing(true), kResultOk);
        }
    }

    // One block: the player runs first, its output and events go to the recorder.
    void block(bool transportForPlayer) {
        ASSERT_EQ(player.run(kBlock, transportForPlayer), kResultOk);
        recorder.fillInput(kBlock, [&](int i, int c) { return player.outputAt(c, i); });
        for (const Vst::Event& e : player.outEvents.events()) {
            Vst::Event copy = e;
            recorder.inEvents.addEvent(copy);
        }
        player.outEvents.clear();
        ASSERT_EQ(recorder.run(kBlock, false), kResultOk);
    }

    WavTake finish() {
        recorder.processor->setProcessing(false);
        recorder.component->setActive(false);
        EXPECT_TRUE(recorder.waitForTakes());
        return readTake(folder / "take.wav");
    }
};

TEST(PlayerSync, TakeStartsOnTheFilesFirstFrameAndTailsFromItsEnd) {
    // Also with 2 s of pre-record: the take then begins with the 484 frames the recorder heard
    // before the start message, and the file's first frame follows them exactly.
    for (const double preRecord : {0.0, 0.2}) {
        SCOPED_TRACE(preRecord);
        const int fileFrames = 1000;
        Rig rig(fileFrames);
        rig.player.controller->setParamNormalized(2, 0.0); // the player's own switch
        rig.recorder.controller->setParamNormalized(403, preRecord);
        for (int b = 0; b < 70; ++b) {
            if (b == 3) {
                rig.player.changes.queue(3).add(100, 1.0);
            }
            rig.block(false);
            if (b == 3) {
                EXPECT_EQ(rig.recorder.plugin().recorder().startPosition(), 3u * kBlock + 100);
            }
        }
        const int kept = preRecord > 0.0 ? 3 * kBlock + 100 : 0;
        EXPECT_EQ(rig.recorder.plugin().recorder().keptFrames(), static_cast<std::uint64_t>(kept));
        const WavTake take = rig.finish();
        ASSERT_TRUE(take.valid);
        ASSERT_EQ(take.frames(), static_cast<std::uint64_t>(kept + fileFrames) + 4800 - 1);
        for (int f = 0; f < fileFrames; ++f) {
            ASSERT_EQ(take.at(kept + f, 0), rig.file[2 * f]) << f;
            ASSERT_EQ(take.at(kept + f, 1), rig.file[2 * f + 1]) << f;
        }
        EXPECT_EQ(take.at(kept + fileFrames, 0), 0.0f);
        EXPECT_EQ(rig.recorder.plugin().recorder().stopPosition(),
                  3u * kBlock + 100 + fileFrames);
    }
}

TEST(PlayerSync, TheStopMessageCarriesTheFramePastTheFilesEnd) {
    Rig rig(1000); // starts at 484 and ends at 1484: frame 76 of block 11
    rig.player.controller->setParamNormalized(2, 0.0);
    for (int b = 0; b < 12; ++b) {
        if (b == 3) {
            rig.player.changes.queue(3).add(100, 1.0);
        }
        if (b == 11) {
            rig.player.changes.queue(1).add(20, 0.5); // the file ends in the stretch from 20
        }
        rig.player.outEvents.clear();
        ASSERT_EQ(rig.player.run(kBlock), kResultOk);
    }
    const auto& events = rig.player.outEvents.events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].data.bytes[5], 2);
    EXPECT_EQ(events[0].sampleOffset, 76);
    EXPECT_NE(rig.player.outputAt(0, 75), 0.0);
    EXPECT_EQ(rig.player.outputAt(0, 76), 0.0);
}

TEST(PlayerSync, StoppingThePlayerStartsTheTailThere) {
    Rig rig(48000);
    for (int b = 0; b < 60; ++b) {
        rig.block(b >= 2 && b < 10); // transport plays blocks 2..9
    }
    const WavTake take = rig.finish();
    ASSERT_TRUE(take.valid);
    EXPECT_EQ(rig.recorder.plugin().recorder().startPosition(), 2u * kBlock);
    EXPECT_EQ(rig.recorder.plugin().recorder().stopPosition(), 10u * kBlock);
    ASSERT_EQ(take.frames(), 8u * kBlock + 4800 - 1);
    EXPECT_EQ(take.at(0, 0), rig.file[0]);
    EXPECT_EQ(take.at(8 * kBlock - 1, 0), rig.file[2 * (8 * kBlock - 1)]);
}

TEST(PlayerSync, APresetLoadedWhileThePlayerPlaysStartsTheFollowersTailAtOnce) {
    Rig rig(48000);
    MemoryStream preset;
    ASSERT_EQ(rig.player.component->getState(&preset), kResultOk);
    for (int b = 0; b < 6; ++b) {
        rig.block(b >= 2); // the transport plays from block 2 on
    }
    ASSERT_TRUE(rig.player.plugin().player().playing());
    preset.seek(0, IBStream::kIBSeekSet, nullptr);
    ASSERT_EQ(rig.player.component->setState(&preset), kResultOk); // stops the player
    for (int b = 6; b < 50; ++b) {
        rig.block(true);
    }
    EXPECT_EQ(rig.recorder.plugin().recorder().stopPosition(), 6u * kBlock);
    const WavTake take = rig.finish();
    ASSERT_TRUE(take.valid);
    EXPECT_EQ(take.frames(), 4u * kBlock + 4800 - 1); // the played frames and a silent tail
}

TEST(PlayerSync, StartingWithoutAFileSendsStartAndStopTogether) {
    TestHost player(Rig::playerConfig());
    player.processor->setProcessing(true);
    player.controller->setParamNormalized(2, 0.0);
    player.changes.queue(3).add(40, 1.0);
    ASSERT_EQ(player.run(kBlock), kResultOk);
    const auto& events = player.outEvents.events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].sampleOffset, 40);
    EXPECT_EQ(events[0].data.bytes[5], 1);
    EXPECT_EQ(events[1].sampleOffset, 40);
    EXPECT_EQ(events[1].data.bytes[5], 2);
    EXPECT_EQ(events[0].type, Vst::Event::kDataEvent);
    EXPECT_EQ(events[0].data.type, Vst::DataEvent::kMidiSysEx);
    EXPECT_EQ(events[0].data.size, 7u);
    EXPECT_EQ(events[0].busIndex, 0);
    EXPECT_FALSE(player.plugin().player().playing());
    EXPECT_EQ(player.outputAt(0, 50), 0.0);
}

} // namespace
