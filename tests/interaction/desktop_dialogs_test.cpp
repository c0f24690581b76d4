// The Linux dialogs: helper command lines, the chosen path, and real child processes (stub
// helper scripts on PATH) watched through a host's poll loop without blocking it.

#include <gtest/gtest.h>

#include "editor/posix/desktop_dialogs.h"
#include "fake_portal.h"
#include "stub_helpers.h"
#include "x11_host.h" // after GoogleTest: Xlib's macros would rename parts of it

#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <iterator>

namespace quillwave::plugins {
namespace {

using namespace std::chrono_literals;
using test::StubHelpers;

struct DialogsUnderTest {
    DialogsUnderTest() { runLoop.connect(static_cast<Steinberg::IPlugFrame*>(&host)); }
    test::PollingHost host;
    HostRunLoop runLoop;
    NoticeBoard notices;
    DesktopDialogs dialogs{runLoop, notices};
};

TEST(DesktopDialogs, ChosenPathTakesTheFirstLineAndAddsTheDefaultExtensionToSavedNames) {
    EXPECT_EQ(chosenPath("/a/b.wav\n", WavDialog::Open), u"/a/b.wav");
    EXPECT_EQ(chosenPath("/a/take\n", WavDialog::Save), u"/a/take.wav");
    EXPECT_EQ(chosenPath("/a.dir/take\n", WavDialog::Save), u"/a.dir/take.wav");
    EXPECT_EQ(chosenPath("/a/take\n", WavDialog::Open), u"/a/take");
    EXPECT_EQ(chosenPath("/a/t\xC3\xA9.wav\nignored\n", WavDialog::Open), u"/a/t\u00E9.wav");
    EXPECT_EQ(chosenPath("", WavDialog::Save), std::nullopt);
    EXPECT_EQ(chosenPath("\xFF\n", WavDialog::Open), std::nullopt);
}

TEST(DesktopDialogs, TheChooserRunsBesideTheHostsLoopAndItsAnswerComesThroughIt) {
    StubHelpers helpers;
    helpers.add("zenity", "/bin/sleep 0.2; echo /music/new-take");
    DialogsUnderTest under;
    std::vector<std::optional<std::u16string>> answers;
    under.dialogs.chooseWavFile(WavDialog::Save, [&](auto path) { answers.push_back(path); });
    EXPECT_TRUE(answers.empty()); // the host's loop goes on meanwhile
    EXPECT_EQ(under.host.eventHandlers(), 1u);
    under.dialogs.chooseWavFile(WavDialog::Save, [&](auto path) { answers.push_back(path); });
    under.host.run(5s, [&] { return !answers.empty(); });
    under.host.run(50ms);
    ASSERT_EQ(answers.size(), 1u); // the second request, made while one was open, was dropped
    EXPECT_EQ(answers[0], u"/music/new-take.wav");
    EXPECT_EQ(under.host.eventHandlers(), 0u);
    EXPECT_EQ(helpers.arguments("zenity"),
              (std::vector<std::string>{"--file-selection", "--file-filter=WAV audio | *.wav",
                                        "--save"}));

    // A cancelled chooser prints nothing.
    helpers.add("zenity", "exit 1");
    under.dialogs.chooseWavFile(WavDialog::Open, [&](auto path) { answers.push_back(path); });
    under.host.run(5s, [&] { return answers.size() == 2; });
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[1], std::nullopt);
    EXPECT_EQ(helpers.arguments("zenity").back(), "--file-filter=WAV audio | *.wav");
}

TEST(DesktopDialogs, MessagesGoToTheHelperAsPlainText) {
    StubHelpers helpers;
    helpers.add("kdialog", "");
    DialogsUnderTest under;
    under.dialogs.showNarrowMessage("Destination exists; <choose> a new file", "QUILLWAVE RECORDER",
                                    MessageSeverity::Error);
    const auto finished = [&] { return under.host.eventHandlers() + under.host.timers() == 0; };
    under.host.run(5s, finished);
    EXPECT_EQ(helpers.arguments("kdialog"),
              (std::vector<std::string>{"--title", "QUILLWAVE RECORDER", "--error",
                                        "Destination exists; <choose> a new file"}));
    helpers.add("zenity", "");
    under.dialogs.showMessage(u"Choose a WAV file first.", u"QUILLWAVE",
                              MessageSeverity::Information);
    under.host.run(5s, finished);
    EXPECT_EQ(helpers.arguments("zenity"),
              (std::vector<std::string>{"--info", "--no-markup", "--title=QUILLWAVE",
                                        "--text=Choose a WAV file first."}));
    EXPECT_FALSE(under.notices.current());
}

TEST(DesktopDialogs, ClosingEndsTheHelperAndNoAnswerComes) {
    StubHelpers helpers;
    helpers.add("zenity", "echo $$ > '" + helpers.path("pid").string() + "'; exec /bin/sleep 30");
    DialogsUnderTest under;
    bool answered = false;
    under.dialogs.chooseWavFile(WavDialog::Open, [&](auto) { answered = true; });
    under.host.run(5s, [&] { return std::filesystem::exists(helpers.path("pid")); });
    under.host.run(50ms);
    pid_t pid = 0;
    std::ifstream(helpers.path("pid")) >> pid;
    ASSERT_GT(pid, 0);
    under.dialogs.closeAll();
    EXPECT_EQ(under.host.eventHandlers(), 0u);
    under.host.run(2s, [&] { return ::kill(pid, 0) != 0; });
    EXPECT_NE(::kill(pid, 0), 0); // ended and reaped
    EXPECT_FALSE(answered);
}

TEST(DesktopDialogs, AHelperThatCannotRunLeavesTheMessageAndTheChoosersFailureToTheEditor) {
    StubHelpers helpers;
    // As zenity does in a host bundle that points the loader at its own libraries.
    helpers.add("zenity", "exit 127");
    DialogsUnderTest under;
    under.dialogs.showNarrowMessage("Destination exists; choose a new file", "QUILLWAVE RECORDER",
                                    MessageSeverity::Error);
    under.host.run(5s, [&] { return under.notices.current().has_value(); });
    ASSERT_TRUE(under.notices.current());
    EXPECT_EQ(under.notices.current()->text, u"Destination exists; choose a new file");
    EXPECT_EQ(under.notices.current()->caption, u"QUILLWAVE RECORDER");
    under.notices.dismiss();

    std::vector<std::optional<std::u16string>> answers;
    under.dialogs.chooseWavFile(WavDialog::Save, [&](auto path) { answers.push_back(path); });
    under.host.run(5s, [&] { return !answers.empty(); });
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0], std::nullopt);
    ASSERT_TRUE(under.notices.current());
    EXPECT_EQ(under.notices.current()->text.rfind(u"No file dialog could be opened", 0), 0u);
    EXPECT_EQ(under.host.eventHandlers() + under.host.timers(), 0u);

    // The helper starts without the host's loader variables.
    ::setenv("LD_LIBRARY_PATH", "/opt/host/lib", 1);
    helpers.add("zenity",
                "echo \"${LD_LIBRARY_PATH-unset}\" > '" + helpers.path("env").string() + "'");
    under.dialogs.showMessage(u"Choose a WAV file first.", u"QUILLWAVE",
                              MessageSeverity::Information);
    ::unsetenv("LD_LIBRARY_PATH");
    under.host.run(5s, [&] { return under.host.eventHandlers() + under.host.timers() == 0; });
    std::string seen;
    std::ifstream(helpers.path("env")) >> seen;
    EXPECT_EQ(seen, "unset");
}

// A host that reaps every child in its own SIGCHLD handler, as some hosts do.
void reapEveryChild(int) {
    const int saved = errno;
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    }
    errno = saved;
}

TEST(DesktopDialogs, AnswersArriveWhateverTheHostDoesWithSigchld) {
    StubHelpers helpers;
    helpers.addZenity("3.44.0", "echo /music/reaped");
    for (const auto disposition : {SIG_IGN, &reapEveryChild}) {
        struct sigaction hosts {};
        struct sigaction saved {};
        hosts.sa_handler = disposition;
        sigemptyset(&hosts.sa_mask);
        hosts.sa_flags = SA_RESTART;
        ::sigaction(SIGCHLD, &hosts, &saved);
        DialogsUnderTest under;
        std::vector<std::optional<std::u16string>> answers;
        under.dialogs.chooseWavFile(WavDialog::Open, [&](auto path) { answers.push_back(path); });
        under.host.run(5s, [&] { return !answers.empty(); });
        // A box the user saw is not drawn again in the editor.
        under.dialogs.showMessage(u"Choose a WAV file first.", u"QUILLWAVE",
                                  MessageSeverity::Information);
        under.host.run(5s, [&] { return under.host.eventHandlers() + under.host.timers() == 0; });
        ::sigaction(SIGCHLD, &saved, nullptr);
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers[0], u"/music/reaped");
        EXPECT_FALSE(under.notices.current());
    }
}

TEST(DesktopDialogs, AZenityWithoutAttachIsAskedItsVersionOnceAndItsDialogsOpenUnowned) {
    StubHelpers helpers;
    // As zenity 4 does: an option it does not know ends it before it shows anything.
    helpers.addZenity("4.0.1",
                      "for a; do case \"$a\" in --attach*) exit 255;; esac; done; echo /music/z4");
    DialogsUnderTest under;
    DesktopDialogs owned(under.runLoop, under.notices, [] { return std::uintptr_t{0x2a00001}; });
    std::vector<std::optional<std::u16string>> answers;
    for (std::size_t asked = 1; asked <= 2; ++asked) {
        owned.chooseWavFile(WavDialog::Open, [&](auto path) { answers.push_back(path); });
        under.host.run(5s, [&] { return answers.size() == asked; });
    }
    EXPECT_EQ(answers, (std::vector<std::optional<std::u16string>>(2, u"/music/z4")));
    std::ifstream versions(helpers.path("zenity.versions"));
    EXPECT_EQ(std::count(std::istreambuf_iterator<char>(versions), {}, '\n'), 1);
}

TEST(DesktopDialogs, AnEarlyPortalResponseStillChoosesTheFile) {
    StubHelpers helpers;
    helpers.add("zenity", "echo /from/zenity.wav");
    test::FakePortal portal("file:///music/early.wav", true, true);
    DialogsUnderTest under;
    std::vector<std::optional<std::u16string>> answers;
    under.dialogs.chooseWavFile(WavDialog::Open, [&](auto path) { answers.push_back(path); });
    under.host.run(5s, [&] { return !answers.empty(); });
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0], u"/music/early.wav");
    // A second request is answered on its own token.
    under.dialogs.chooseWavFile(WavDialog::Open, [&](auto path) { answers.push_back(path); });
    under.host.run(5s, [&] { return answers.size() == 2; });
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[1], u"/music/early.wav");
    EXPECT_FALSE(std::filesystem::exists(helpers.path("zenity.args")));
}

TEST(DesktopDialogs, WithoutAHelperTheEditorShowsTheMessageItself) {
    StubHelpers helpers; // nothing on PATH
    DialogsUnderTest under;
    under.dialogs.showMessage(u"Choose a WAV file first.", u"QUILLWAVE",
                              MessageSeverity::Information);
    ASSERT_TRUE(under.notices.current());
    EXPECT_EQ(under.notices.current()->text, u"Choose a WAV file first.");
    EXPECT_EQ(under.notices.current()->severity, MessageSeverity::Information);
    bool answered = false;
    under.dialogs.chooseWavFile(WavDialog::Save, [&](auto) { answered = true; });
    EXPECT_FALSE(answered);
    EXPECT_EQ(under.notices.current()->text.rfind(u"No file chooser is available", 0), 0u);
    EXPECT_EQ(under.host.eventHandlers(), 0u);
    EXPECT_TRUE(under.notices.dismiss());
    EXPECT_FALSE(under.notices.current());
}

TEST(DesktopDialogs, FileUrisBecomeLocalPaths) {
    EXPECT_EQ(pathOfFileUri("file:///music/new%20take.wav"), "/music/new take.wav");
    EXPECT_EQ(pathOfFileUri("file://localhost/a/t%C3%A9.wav"), "/a/t\xC3\xA9.wav");
    EXPECT_EQ(pathOfFileUri("file:///100%"), "/100%");
    EXPECT_EQ(pathOfFileUri("https://example.org/a.wav"), std::nullopt);
}

TEST(DesktopDialogs, ARunningPortalChoosesAndOneWithoutAChooserLeavesItToTheHelper) {
    StubHelpers helpers;
    helpers.add("zenity", "echo /from/zenity.wav");
    for (const bool hasChooser : {true, false}) {
        test::FakePortal portal("file:///music/new%20take", hasChooser);
        DialogsUnderTest under;
        std::vector<std::optional<std::u16string>> answers;
        under.dialogs.chooseWavFile(WavDialog::Save, [&](auto path) { answers.push_back(path); });
        EXPECT_TRUE(answers.empty());
        under.host.run(5s, [&] { return !answers.empty(); });
        under.host.run(20ms);
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers[0], hasChooser ? u"/music/new take.wav" : u"/from/zenity.wav");
        EXPECT_EQ(portal.requests(), (std::vector<std::string>{"SaveFile", ""}));
        EXPECT_EQ(under.host.eventHandlers(), 0u);
        EXPECT_EQ(std::filesystem::exists(helpers.path("zenity.args")), !hasChooser);
    }
}

} // namespace
} // namespace quillwave::plugins
