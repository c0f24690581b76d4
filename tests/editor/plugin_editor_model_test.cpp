// The editor picture of live modules, read through PluginEditorModel.

#include "editor/editor_layout.h"
#include "editor/paint_editor.h"
#include "editor/plugin_editor_model.h"
#include "recorded_calls.h"
#include "support/plugin_instance.h"
#include "support/test_host.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace quillwave::plugins {
namespace {

using test::findLabel;
using test::labelAt;

RecordingSurface paint(UtilityPlugin& plugin) {
    const PluginEditorModel model(plugin);
    RecordingSurface surface;
    std::uint32_t bankPage = 0;
    paintEditor(model, bankPage, surface);
    return surface;
}

TEST(PluginEditorModel, EveryKindPaintsItsNameAndStatus) {
    for (const ModuleKind kind : test::kAllKinds) {
        const auto plugin = test::makePlugin(kind);
        const RecordingSurface s = paint(*plugin);
        const std::string_view name = displayName(kind);
        EXPECT_EQ(labelAt(s, {26, 13, 820, 46})->text, std::u16string(name.begin(), name.end()));
        const std::string status = moduleStatusLine(*plugin);
        switch (kind) {
        case ModuleKind::Player:
            EXPECT_EQ(status, "Choose a WAV file. Disk is never read in the audio callback.");
            EXPECT_TRUE(findLabel(s, u"Choose a WAV file to see its waveform."));
            break;
        case ModuleKind::Recorder:
            EXPECT_EQ(status, "Choose a NEW WAV destination before playback");
            EXPECT_TRUE(findLabel(s, u"CHOOSE A NEW WAV FILE"));
            EXPECT_TRUE(findLabel(s, u"Maximum tail: 30 s"));
            break;
        default:
            EXPECT_EQ(status, "Host audio ports | Digital processing | No extra hardware engine");
        }
    }
}

TEST(PluginEditorModel, BusesAndParametersComeFromTheModule) {
    const auto plugin = test::makePlugin(ModuleKind::FaderBank);
    const PluginEditorModel model(*plugin);
    EXPECT_EQ(model.audioInputChannels(0), 2);
    EXPECT_EQ(model.audioInputChannels(63), 2);
    EXPECT_EQ(model.audioInputChannels(64), std::nullopt);
    EXPECT_EQ(model.audioInputChannels(-1), std::nullopt);
    EXPECT_EQ(model.parameter(600), 0.0);

    plugin->setTableValue(stripMuteId(2), 1.0);
    plugin->setTableValue(ParamId::ActiveStrips, 3.0 / 63.0);
    const RecordingSurface s = paint(*plugin);
    EXPECT_TRUE(findLabel(s, u"4 strips"));
    EXPECT_EQ(labelAt(s, layout::stripMuteButton(2))->text, u"MUTED");
    EXPECT_EQ(labelAt(s, layout::stripRouting(0))->text, u"STEREO \u2192 STEREO");
}

TEST(PluginEditorModel, PlayerWithALoadedFile) {
    test::TempFolder folder;
    const auto path = folder / "loop.wav";
    test::writeFloatWav(path, 2, 44100, {0.5f, -0.25f, 0.1f, 0.2f, 0.0f, -1.0f});
    const auto plugin = test::makePlugin(ModuleKind::Player);
    std::string error;
    ASSERT_TRUE(plugin->chooseFile(test::u16path(path), error)) << error;

    EXPECT_EQ(moduleStatusLine(*plugin), "loop.wav | Ready");
    const RecordingSurface s = paint(*plugin);
    EXPECT_EQ(labelAt(s, layout::kStatusLine)->text, u"loop.wav | Ready");
    EXPECT_EQ(labelAt(s, layout::kWaveformInfo)->text, u"3 frames  /  44100 Hz  /  2 channels");
}

TEST(PluginEditorModel, RecorderWithAPreparedDestination) {
    test::TempFolder folder;
    const auto plugin = test::makePlugin(ModuleKind::Recorder);
    std::string error;
    ASSERT_TRUE(plugin->chooseFile(test::u16path(folder / "mix.wav"), error)) << error;
    const MeterSnapshot snapshot = PluginEditorModel(*plugin).meterSnapshot();
    ASSERT_TRUE(snapshot.recorder.armed);
    EXPECT_EQ(moduleStatusLine(*plugin), "Armed and ready | mix.wav");
    const RecordingSurface s = paint(*plugin);
    EXPECT_EQ(labelAt(s, layout::kStateText)->text, u"READY TO RECORD");
    EXPECT_EQ(labelAt(s, layout::kStatusLine)->text, u"Armed and ready | mix.wav");
}

TEST(PluginEditorModel, ALongTakeNamesThePartBeingWritten) {
    test::TempFolder folder;
    test::TestHost::Config config;
    config.recorderAccess.dataByteLimit = 8192 * 8; // 8192 stereo frames a file
    test::TestHost host(config);
    UtilityPlugin& plugin = host.plugin();
    std::string error;
    ASSERT_TRUE(plugin.chooseFile(test::u16path(folder / "mix.wav"), error)) << error;
    host.processor->setProcessing(true);
    host.fillInput(512, [](int i, int c) { return 0.001 * (i + c); });
    for (int block = 0; block < 20; ++block) {
        ASSERT_EQ(host.run(512, true), kResultOk);
    }
    const DiskRecorder& recorder = plugin.recorder();
    for (int wait = 0; wait < 5000 && recorder.writtenFrames() < 20 * 512; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(moduleStatusLine(plugin), "Recording | mix-part2.wav");
    const RecordingSurface s = paint(plugin);
    EXPECT_EQ(labelAt(s, layout::kStatusLine)->text, u"Recording | mix-part2.wav");
    // The counters run over the whole take.
    EXPECT_EQ(labelAt(s, layout::kCounters)->text,
              u"10240 captured frames  \u00b7  10240 written  \u00b7  0 dropped");
    EXPECT_EQ(plugin.filePath(), test::u16path(folder / "mix.wav"));

    host.processor->setProcessing(false);
    host.component->setActive(false);
    ASSERT_TRUE(host.waitForTakes());
    EXPECT_EQ(moduleStatusLine(plugin), "Finalized | mix.wav");
}

} // namespace
} // namespace quillwave::plugins
