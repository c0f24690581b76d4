#include "editor/status_line.h"

#include <gtest/gtest.h>

namespace quillwave::plugins {
namespace {

StatusLineInput recorderInput(std::u16string_view path, RecorderStatus status) {
    StatusLineInput input;
    input.kind = ModuleKind::Recorder;
    input.filePath = path;
    input.recorder = status;
    return input;
}

TEST(StatusLine, RecorderStatesByPriority) {
    const std::u16string path = u"C:\\takes\\mix-take1.wav";
    RecorderStatus s;
    EXPECT_EQ(statusLine(recorderInput(path, s)), "Choose a NEW WAV destination before playback");
    s.armed = true;
    EXPECT_EQ(statusLine(recorderInput(path, s)), "Armed and ready | mix-take1.wav");
    s.recording = true;
    EXPECT_EQ(statusLine(recorderInput(path, s)), "Recording | mix-take1.wav");
    s.capturingTail = true;
    EXPECT_EQ(statusLine(recorderInput(path, s)), "Capturing the effect tail | mix-take1.wav");
    s.diskError = true;
    EXPECT_EQ(statusLine(recorderInput(path, s)), "Recording failed; inspect output disk");

    RecorderStatus finalizing;
    finalizing.finalizing = true;
    finalizing.armed = true;
    EXPECT_EQ(statusLine(recorderInput(path, finalizing)), "Finalizing WAV | mix-take1.wav");

    RecorderStatus saved;
    saved.finalized = true;
    EXPECT_EQ(statusLine(recorderInput(path, saved)), "Finalized | mix-take1.wav");
    // A finished writer without a destination asks for one.
    EXPECT_EQ(statusLine(recorderInput(u"", saved)),
              "Choose a NEW WAV destination before playback");
}

TEST(StatusLine, Player) {
    StatusLineInput input;
    input.kind = ModuleKind::Player;
    EXPECT_EQ(statusLine(input), "Choose a WAV file. Disk is never read in the audio callback.");
    input.filePath = u"D:\\audio\\loop.wav";
    EXPECT_EQ(statusLine(input), "loop.wav | Ready");
    input.playerPlaying = true;
    EXPECT_EQ(statusLine(input), "loop.wav | Playing");
    // The recorder's flags mean nothing to a player.
    input.recorder.diskError = true;
    EXPECT_EQ(statusLine(input), "loop.wav | Playing");
}

TEST(StatusLine, OtherKindsDescribeTheModule) {
    for (const int kind : {1, 2, 3, 4, 7, 8, 0, 9, -1}) {
        StatusLineInput input;
        input.kind = static_cast<ModuleKind>(kind);
        input.filePath = u"C:\\x.wav";
        input.recorder.recording = true;
        EXPECT_EQ(statusLine(input),
                  "Host audio ports | Digital processing | No extra hardware engine")
            << kind;
    }
}

TEST(StatusLine, NonAsciiFileNameIsUtf8) {
    StatusLineInput input;
    input.kind = ModuleKind::Player;
    // "Über-Ström 音.wav" with a character outside the basic plane (U+1F3B5).
    input.filePath = u"C:/Musik/\u00DCber-Str\u00F6m \u97F3\U0001F3B5.wav";
    EXPECT_EQ(statusLine(input), "\xC3\x9C"
                                 "ber-Str\xC3\xB6m \xE9\x9F\xB3\xF0\x9F\x8E\xB5.wav | Ready");
}

TEST(FileNamePart, SeparatorsAndDriveDesignators) {
    EXPECT_EQ(fileNamePart(u"D:\\audio\\loop.wav"), u"loop.wav");
    EXPECT_EQ(fileNamePart(u"/home/me/takes/a.wav"), u"a.wav");
    EXPECT_EQ(fileNamePart(u"D:\\audio/mixed\\sep/loop.wav"), u"loop.wav");
    EXPECT_EQ(fileNamePart(u"C:take.wav"), u"take.wav");
    EXPECT_EQ(fileNamePart(u"take.wav"), u"take.wav");
    EXPECT_EQ(fileNamePart(u"C:\\folder\\"), u"");
    EXPECT_EQ(fileNamePart(u"\\\\server\\share\\t.wav"), u"t.wav");
    EXPECT_EQ(fileNamePart(u"1:x.wav"), u"1:x.wav"); // not a drive letter
    EXPECT_EQ(fileNamePart(u""), u"");
}

} // namespace
} // namespace quillwave::plugins
