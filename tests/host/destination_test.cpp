// Destinations through the module: choosing, refusing, and arming take names on activation.

#include "support/test_host.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>

#include "plugin/state_document.h"
#include "plugin/state_stream.h"

#include "public.sdk/source/common/memorystream.h"

#include <filesystem>
#include <fstream>

using namespace quillwave;
using namespace quillwave::test;
namespace fs = std::filesystem;

namespace {

TestHost::Config recorderConfig(int channels = 2) {
    TestHost::Config c;
    c.kind = plugins::ModuleKind::Recorder;
    c.inputChannels = channels;
    c.outputChannels = channels;
    c.maxBlock = 64;
    return c;
}

TEST(Destination, ExistingNamesAreRefusedAndLeftUntouched) {
    TempFolder folder;
    TestHost host(recorderConfig());
    { std::ofstream(folder / "old.wav") << "precious"; }
    fs::create_directory(folder / "dir.wav");
    std::string error;
    EXPECT_FALSE(host.plugin().chooseFile(u16path(folder / "old.wav"), error));
    EXPECT_EQ(error, "Destination exists; choose a new file");
    EXPECT_FALSE(host.plugin().chooseFile(u16path(folder / "dir.wav"), error));
    EXPECT_EQ(error, "Destination exists; choose a new file");
    EXPECT_FALSE(host.plugin().chooseFile(u16path(folder / "missing" / "x.wav"), error));
    EXPECT_EQ(error, "Cannot create recording file");
    EXPECT_TRUE(host.plugin().filePath().empty());
    EXPECT_EQ(readBytes(folder / "old.wav").size(), 8u);
}

TEST(Destination, ActivationAfterAFinishedTakeArmsTheFirstFreeTakeName) {
    TempFolder folder;
    TestHost host(recorderConfig());
    std::string error;
    ASSERT_TRUE(host.plugin().chooseFile(u16path(folder / "mix.WAV"), error)) << error;
    ASSERT_EQ(host.component->setActive(true), kResultOk);
    // Still armed for the same format: the same file stays.
    ASSERT_EQ(host.component->setActive(true), kResultOk);
    EXPECT_EQ(fs::path(host.plugin().filePath()), folder / "mix.WAV");
    EXPECT_FALSE(fs::exists(folder / "mix-take1.wav"));

    ASSERT_EQ(host.component->setActive(false), kResultOk);
    ASSERT_TRUE(host.waitForTakes());
    EXPECT_EQ(readBytes(folder / "mix.WAV").size(), 44u); // an armed file that got no audio
    { std::ofstream(folder / "mix-take1.wav") << "someone else's"; }
    ASSERT_EQ(host.component->setActive(true), kResultOk);
    EXPECT_TRUE(host.plugin().recorder().ready()); // at once; the writer finds the name
    EXPECT_TRUE(waitUntil([&] { return fs::path(host.plugin().filePath()) == folder / "mix-take2.wav"; }));

    // Later activations count on from the chosen name instead of stacking suffixes.
    ASSERT_EQ(host.component->setActive(false), kResultOk);
    ASSERT_TRUE(host.waitForTakes());
    ASSERT_EQ(host.component->setActive(true), kResultOk);
    EXPECT_TRUE(waitUntil([&] { return fs::path(host.plugin().filePath()) == folder / "mix-take3.wav"; }));
    EXPECT_EQ(readTake(folder / "mix-take2.wav").riffSize, 36u);
    EXPECT_EQ(readBytes(folder / "mix-take1.wav").size(), 14u);
}

TEST(Destination, ANewInputWidthClosesTheArmedFileAndArmsATake) {
    TempFolder folder;
    TestHost host(recorderConfig(2));
    std::string error;
    ASSERT_TRUE(host.plugin().chooseFile(u16path(folder / "a.wav"), error)) << error;
    Vst::SpeakerArrangement quad = TestHost::arrangement(4);
    ASSERT_EQ(host.processor->setBusArrangements(&quad, 1, &quad, 1), kResultOk);
    ASSERT_EQ(host.component->setActive(true), kResultOk);
    ASSERT_TRUE(waitUntil([&] { return fs::path(host.plugin().filePath()) == folder / "a-take1.wav"; }));
    const WavTake first = readTake(folder / "a.wav");
    EXPECT_EQ(first.channels, 2);
    EXPECT_EQ(first.fileSize, 44u);
    EXPECT_EQ(fs::path(host.plugin().filePath()), folder / "a-take1.wav");
    EXPECT_EQ(host.plugin().recorder().fileChannels(), 4u);
}

TEST(Destination, AStateNamingAnotherFileMovesTheArmedDestinationThere) {
    TempFolder folder;
    TestHost host(recorderConfig());
    std::string error;
    ASSERT_TRUE(host.plugin().chooseFile(u16path(folder / "chosen.wav"), error)) << error;
    // A host loads a preset or an undo step while the chosen file is still armed.
    IPtr<MemoryStream> state(new MemoryStream, false);
    ASSERT_TRUE(plugins::writeFramedText(
        *state, plugins::writeStateDocument(plugins::ModuleKind::Recorder, host.plugin().table(),
                                            u16path(folder / "restored.wav"))));
    state->seek(0, IBStream::kIBSeekSet, nullptr);
    ASSERT_EQ(host.component->setState(state), kResultOk);
    ASSERT_EQ(host.component->setActive(true), kResultOk);
    // The take goes where the module says it goes.
    EXPECT_EQ(fs::path(host.plugin().filePath()), folder / "restored.wav");
    EXPECT_TRUE(host.plugin().recorder().ready());
    ASSERT_TRUE(waitUntil([&] { return readTake(folder / "restored.wav").fileSize == 44u; }));
    EXPECT_EQ(readTake(folder / "chosen.wav").fileSize, 44u); // closed as an empty take
}

TEST(Destination, ChooseFileRefusalsOfEachKind) {
    TempFolder folder;
    std::string error;
    TestHost input([] {
        TestHost::Config c;
        c.kind = plugins::ModuleKind::Input;
        return c;
    }());
    EXPECT_FALSE(input.plugin().chooseFile(u16path(folder / "x.wav"), error));
    EXPECT_EQ(error, "Module has no file interface");
    EXPECT_FALSE(fs::exists(folder / "x.wav"));

    TestHost recorder(recorderConfig());
    ASSERT_TRUE(recorder.plugin().chooseFile(u16path(folder / "r.wav"), error)) << error;
    recorder.processor->setProcessing(true);
    recorder.controller->setParamNormalized(2, 0.0);
    recorder.controller->setParamNormalized(3, 1.0);
    ASSERT_EQ(recorder.run(64), kResultOk);
    ASSERT_TRUE(recorder.plugin().recorder().recording());
    EXPECT_FALSE(recorder.plugin().chooseFile(u16path(folder / "r2.wav"), error));
    EXPECT_EQ(error, "Stop recording first");
    EXPECT_EQ(fs::path(recorder.plugin().filePath()), folder / "r.wav");

    TestHost::Config pc;
    pc.kind = plugins::ModuleKind::Player;
    pc.inputChannels = 0;
    TestHost player(pc);
    writeFloatWav(folder / "one.wav", 1, 48000, std::vector<float>(48000, 0.5f));
    writeFloatWav(folder / "two.wav", 1, 48000, std::vector<float>(10, 0.5f));
    ASSERT_TRUE(player.plugin().chooseFile(u16path(folder / "one.wav"), error)) << error;
    player.processor->setProcessing(true);
    ASSERT_EQ(player.run(64, true), kResultOk);
    ASSERT_TRUE(player.plugin().player().playing());
    EXPECT_FALSE(player.plugin().chooseFile(u16path(folder / "two.wav"), error));
    EXPECT_EQ(error,
              "Stop file playback before replacing WAV; the DAW audio engine can stay running");
    EXPECT_EQ(fs::path(player.plugin().filePath()), folder / "one.wav");
    EXPECT_EQ(player.plugin().player().frameCount(), 48000u);
    player.processor->setProcessing(false);
    EXPECT_FALSE(player.plugin().chooseFile(u16path(folder / "none.wav"), error));
    EXPECT_EQ(error, "Cannot open WAV file");
    EXPECT_EQ(fs::path(player.plugin().filePath()), folder / "one.wav");
}

TEST(Destination, WhenEveryTakeNumberIsUsedTheTakeCannotBeCreatedAndThePathStays) {
#ifdef _WIN32
    // 100,000 files take minutes under wine's single file server; the search is the same code.
    GTEST_SKIP() << "native only";
#endif
    TempFolder folder;
    TestHost host(recorderConfig());
    std::string error;
    ASSERT_TRUE(host.plugin().chooseFile(u16path(folder / "full.wav"), error)) << error;
    ASSERT_EQ(host.component->setActive(false), kResultOk);
    ASSERT_TRUE(host.waitForTakes());
    for (int n = 1; n <= 99999; ++n) {
        std::ofstream(folder / ("full-take" + std::to_string(n) + ".wav"));
    }
    // Activation never waits for the search: the writer fails, and the page says so.
    EXPECT_EQ(host.component->setActive(true), kResultOk);
    ASSERT_TRUE(waitUntil([&] { return host.plugin().readMeterSnapshot().recorder.creationFailed; }));
    EXPECT_EQ(fs::path(host.plugin().filePath()), folder / "full.wav");
    EXPECT_FALSE(host.plugin().recorder().ready());
}

} // namespace
