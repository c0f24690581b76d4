// The transport page under the mouse: file, run, stop and follow buttons, and the recorder's
// maximum tail.

#include "editor/editor_layout.h"
#include "editor/paint_editor.h"
#include "editor/plugin_editor_model.h"
#include "editor/recorded_calls.h"
#include "editor_probe.h"
#include "support/test_host.h"
#include "support/vst_strings.h"
#include "support/wav_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace quillwave::plugins {
namespace {

using test::Edit;
using test::EditorProbe;
using test::TempFolder;
using test::TestHost;
using test::u16path;

constexpr std::pair kFile{100, 130};
constexpr std::pair kRun{280, 130};
constexpr std::pair kStop{420, 130};
constexpr std::pair kFollow{600, 130};
constexpr std::pair kTailLess{100, 490};
constexpr std::pair kTailMore{250, 490};
constexpr std::pair kNewTake{800, 490};
constexpr std::pair kTimeStamp{800, 540};

const std::u16string kNoDestination =
    u"Choose a new WAV destination first. The recorder prepares it before recording starts.";

TestHost::Config hostConfig(ModuleKind kind) {
    TestHost::Config config;
    config.kind = kind;
    config.maxBlock = 64;
    return config;
}

class RecorderPage : public ::testing::Test {
protected:
    void click(std::pair<int, int> point) { probe.click(point.first, point.second); }
    double tailSeconds() const { return probe.value(401) * 3600.0; }

    TempFolder folder;
    TestHost host{hostConfig(ModuleKind::Recorder)};
    EditorProbe probe{host.plugin()};
};

TEST_F(RecorderPage, RecordIsRefusedUntilADestinationIsReady) {
    click(kRun);
    EXPECT_TRUE(probe.takeEdits().empty());
    ASSERT_EQ(probe.dialogs.messages.size(), 1u);
    const auto& message = probe.dialogs.messages[0];
    EXPECT_EQ(message.text, kNoDestination);
    EXPECT_EQ(message.caption, u"QUILLWAVE");
    EXPECT_EQ(message.severity, MessageSeverity::Information);
    EXPECT_FALSE(message.narrow);
    EXPECT_EQ(probe.value(3), 0.0);
    EXPECT_EQ(probe.value(2), 1.0);

    std::string error;
    ASSERT_TRUE(host.plugin().chooseFile(u16path(folder / "take.wav"), error)) << error;
    click(kRun);
    // Following off first, then the switch on.
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{2, 0.0}, {3, 1.0}}));
    EXPECT_EQ(probe.dialogs.messages.size(), 1u);
}

TEST_F(RecorderPage, StopSwitchesRecordingAndFollowingOff) {
    probe.preset(3, 1.0);
    click(kStop);
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{3, 0.0}, {2, 0.0}}));
    EXPECT_EQ(probe.value(2), 0.0);
    EXPECT_EQ(probe.value(3), 0.0);
}

TEST_F(RecorderPage, FollowToggles) {
    click(kFollow);
    click(kFollow);
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{2, 0.0}, {2, 1.0}}));
}

TEST_F(RecorderPage, NewTakeEveryRunAndTimeStampedTakesToggle) {
    click(kNewTake);
    EXPECT_EQ(host.plugin().getParamNormalized(402), 1.0);
    click(kNewTake);
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{402, 1.0}, {402, 0.0}}));
    click(kTimeStamp);
    EXPECT_EQ(host.plugin().getParamNormalized(404), 1.0);
    click(kTimeStamp);
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{404, 1.0}, {404, 0.0}}));
}

TEST_F(RecorderPage, TailButtonsStepFiveSecondsWithinOneToThreeThousandSixHundred) {
    const auto expectTail = [&](double from, std::pair<int, int> button, double to) {
        probe.preset(401, from / 3600.0);
        click(button);
        const auto edits = probe.takeEdits();
        ASSERT_EQ(edits.size(), 1u) << from;
        EXPECT_EQ(edits[0].id, 401u);
        EXPECT_NEAR(edits[0].value * 3600.0, to, 1e-9) << from;
        EXPECT_NEAR(tailSeconds(), to, 1e-9) << from;
    };
    expectTail(30, kTailLess, 25);
    expectTail(5, kTailLess, 1);
    expectTail(1, kTailLess, 1);
    expectTail(3, kTailLess, 1);
    expectTail(30, kTailMore, 35);
    expectTail(3598, kTailMore, 3600);
    expectTail(3600, kTailMore, 3600);
    expectTail(0, kTailMore, 5);
    // Both buttons include their right and bottom edges.
    expectTail(30, {168, 511}, 25);
    expectTail(30, {30, 474}, 25);
    expectTail(30, {319, 511}, 35);
    expectTail(30, {181, 474}, 35);
    probe.preset(401, 30 / 3600.0);
    for (const auto& [x, y] :
         {std::pair{29, 490}, {169, 490}, {180, 490}, {320, 490}, {100, 473}, {100, 512}}) {
        probe.click(x, y);
    }
    EXPECT_TRUE(probe.takeEdits().empty());
}

TEST_F(RecorderPage, TailButtonsWalkTheWholeRangeOnWholeSeconds) {
    PluginEditorModel model(host.plugin());
    const auto check = [&](int seconds) {
        RecordingSurface surface;
        std::uint32_t bankPage = 0;
        paintEditor(model, bankPage, surface);
        const auto label = test::labelAt(surface, layout::kMaximumTailText);
        ASSERT_TRUE(label.has_value());
        const std::string number = std::to_string(seconds);
        EXPECT_EQ(label->text,
                  u"Maximum tail: " + std::u16string(number.begin(), number.end()) + u" s");
        Vst::String128 text{};
        ASSERT_EQ(host.controller->getParamStringByValue(401, probe.value(401), text), kResultOk);
        EXPECT_EQ(test::narrow(text), number + ".0000");
    };
    int expected = 30;
    check(expected);
    while (expected < 3600) {
        click(kTailMore);
        expected = std::min(expected + 5, 3600);
        check(expected);
    }
    while (expected > 1) {
        click(kTailLess);
        expected = std::max(expected - 5, 1);
        check(expected);
    }
    probe.takeEdits();
}

TEST_F(RecorderPage, TheFileButtonPreparesANewDestination) {
    const auto destination = folder / "mix.wav";
    probe.dialogs.answers.push_back(u16path(destination));
    click(kFile);
    ASSERT_EQ(probe.dialogs.asked, std::vector{WavDialog::Save});
    EXPECT_TRUE(probe.dialogs.messages.empty());
    EXPECT_EQ(host.plugin().filePath(), u16path(destination));
    EXPECT_TRUE(host.plugin().recorder().ready());
    EXPECT_TRUE(std::filesystem::exists(destination));
    EXPECT_TRUE(probe.takeEdits().empty());
}

TEST_F(RecorderPage, ACancelledDialogChangesNothingAndShowsNothing) {
    probe.dialogs.answers.push_back(std::nullopt);
    EXPECT_FALSE(probe.interaction.chooseFileFromDialog());
    EXPECT_EQ(probe.dialogs.asked.size(), 1u);
    EXPECT_TRUE(probe.dialogs.messages.empty());
    EXPECT_TRUE(host.plugin().filePath().empty());
}

TEST_F(RecorderPage, ARefusedDestinationIsReportedWithTheModulesMessage) {
    const auto existing = folder / "old.wav";
    { std::ofstream(existing) << "keep"; }
    probe.dialogs.answers.push_back(u16path(existing));
    EXPECT_FALSE(probe.interaction.chooseFileFromDialog());
    ASSERT_EQ(probe.dialogs.messages.size(), 1u);
    const auto& message = probe.dialogs.messages[0];
    EXPECT_TRUE(message.narrow);
    EXPECT_EQ(message.narrowText, "Destination exists; choose a new file");
    EXPECT_EQ(message.narrowCaption, "QUILLWAVE RECORDER");
    EXPECT_EQ(message.severity, MessageSeverity::Error);
    EXPECT_TRUE(host.plugin().filePath().empty());
    EXPECT_EQ(test::readBytes(existing).size(), 4u);
}

TEST_F(RecorderPage, WhileRecordingTheFileButtonAsksToStopFirstAndOpensNoDialog) {
    std::string error;
    ASSERT_TRUE(host.plugin().chooseFile(u16path(folder / "take.wav"), error)) << error;
    ASSERT_EQ(host.component->setActive(true), kResultOk);
    ASSERT_EQ(host.processor->setProcessing(true), kResultOk);
    host.fillInput(64, [](int, int) { return 0.5; });
    ASSERT_EQ(host.run(64, true), kResultOk); // the transport starts the take
    ASSERT_TRUE(host.plugin().recorder().recording());

    probe.dialogs.answers.push_back(u16path(folder / "other.wav"));
    click(kFile);
    EXPECT_TRUE(probe.dialogs.asked.empty());
    ASSERT_EQ(probe.dialogs.messages.size(), 1u);
    const auto& message = probe.dialogs.messages[0];
    EXPECT_EQ(message.text, u"Stop recording before choosing a new destination.");
    EXPECT_EQ(message.caption, u"QUILLWAVE RECORDER");
    EXPECT_EQ(message.severity, MessageSeverity::Plain);
    EXPECT_FALSE(std::filesystem::exists(folder / "other.wav"));

    ASSERT_EQ(host.processor->setProcessing(false), kResultOk);
    ASSERT_EQ(host.component->setActive(false), kResultOk);
}

class PlayerPage : public ::testing::Test {
protected:
    void click(std::pair<int, int> point) { probe.click(point.first, point.second); }

    TempFolder folder;
    TestHost host{hostConfig(ModuleKind::Player)};
    EditorProbe probe{host.plugin()};
};

TEST_F(PlayerPage, PlayNeedsALoadedFile) {
    click(kRun);
    ASSERT_EQ(probe.dialogs.messages.size(), 1u);
    EXPECT_EQ(probe.dialogs.messages[0].text, u"Choose a WAV file first.");
    EXPECT_EQ(probe.dialogs.messages[0].caption, u"QUILLWAVE");
    EXPECT_EQ(probe.dialogs.messages[0].severity, MessageSeverity::Information);
    EXPECT_TRUE(probe.takeEdits().empty());

    const auto source = folder / "loop.wav";
    test::writeFloatWav(source, 1, 48000, std::vector<float>(100, 0.25f));
    probe.dialogs.answers.push_back(u16path(source));
    click(kFile);
    ASSERT_EQ(probe.dialogs.asked, std::vector{WavDialog::Open});
    EXPECT_EQ(host.plugin().player().frameCount(), 100u);
    click(kRun);
    EXPECT_EQ(probe.takeEdits(), (std::vector<Edit>{{2, 0.0}, {3, 1.0}}));
    EXPECT_EQ(probe.dialogs.messages.size(), 1u);
}

TEST_F(PlayerPage, AFileThatIsNotWavIsReportedWithThePlayersName) {
    const auto text = folder / "notes.wav";
    { std::ofstream(text) << "not audio at all"; }
    probe.dialogs.answers.push_back(u16path(text));
    click(kFile);
    ASSERT_EQ(probe.dialogs.messages.size(), 1u);
    EXPECT_TRUE(probe.dialogs.messages[0].narrow);
    EXPECT_FALSE(probe.dialogs.messages[0].narrowText.empty());
    EXPECT_EQ(probe.dialogs.messages[0].narrowCaption, "QUILLWAVE PLAYER");
    EXPECT_EQ(probe.dialogs.messages[0].severity, MessageSeverity::Error);
    EXPECT_EQ(host.plugin().player().frameCount(), 0u);
}

TEST_F(PlayerPage, ThePlayerHasNoTailButtons) {
    click(kTailLess);
    click(kTailMore);
    click(kNewTake);
    click(kTimeStamp);
    EXPECT_TRUE(probe.takeEdits().empty());
    EXPECT_TRUE(probe.dialogs.messages.empty());
}

// A recorder whose disk failed keeps its destination ready but must not start another take.
class FailedDiskRecorder final : public EditorControls {
public:
    ModuleKind kind() const override { return ModuleKind::Recorder; }
    std::string_view displayName() const override { return "QUILLWAVE RECORDER"; }
    double parameter(ParamIndex) const override { return 0.0; }
    void beginGesture(ParamIndex) override {}
    void changeInGesture(ParamIndex id, double value) override { edits.push_back({id, value}); }
    void endGesture(ParamIndex) override {}
    std::uint64_t playerFrameCount() const override { return 0; }
    RecorderReadiness recorderReadiness() const override { return {true, false, true}; }
    bool chooseFile(const std::u16string&, std::string&) override { return false; }

    std::vector<Edit> edits;
};

TEST(RecorderAfterADiskError, RecordShowsTheDestinationMessageAndChangesNothing) {
    FailedDiskRecorder recorder;
    test::ScriptedDialogs dialogs;
    EditorInteraction interaction(recorder, dialogs);
    interaction.onMouseDown(kRun.first, kRun.second);
    EXPECT_TRUE(recorder.edits.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, kNoDestination);
}

} // namespace
} // namespace quillwave::plugins
