#include "editor/posix/desktop_dialogs.h"

#include "editor/posix/zenity_version.h"
#include "platform/utf.h"

#include <algorithm>
#include <cstdlib>

namespace quillwave::plugins {
namespace {

constexpr std::u16string_view kDialogCaption = u"QUILLWAVE";
constexpr std::u16string_view kNoChooserText =
    u"No file chooser is available on this desktop. Install zenity or kdialog to choose a WAV "
    u"file.";
constexpr std::u16string_view kChooserFailedText =
    u"No file dialog could be opened: the desktop's file chooser did not start. Install zenity or "
    u"kdialog, or a file chooser portal, to choose a WAV file.";
constexpr std::u16string_view kChooserStillOpenText =
    u"The file dialog is still open. It may be behind another window; answer or close it first.";
constexpr std::u16string_view kUndecodablePathText =
    u"The chosen file's name is not valid UTF-8, so it cannot be used. Choose a file whose name "
    u"is valid UTF-8.";

// A helper that shows its dialog ends with 0 (OK, or a file chosen) or 1 (cancelled, or the
// window closed); anything else (127 when it cannot start, a signal when it crashed) means the
// user saw nothing. A status nobody can know (the host reaped the helper) is judged by what the
// helper printed: a box counts as shown, and a chooser chose what it printed, if anything.
bool dialogShown(int exitStatus) {
    return exitStatus == 0 || exitStatus == 1 || exitStatus == ChildProcess::kUnknownStatus;
}
bool answerPrinted(int exitStatus) {
    return exitStatus == 0 || exitStatus == ChildProcess::kUnknownStatus;
}

std::u16string wideText(std::string_view utf8) {
    if (auto text = platform::utf8ToUtf16(utf8)) {
        return std::move(*text);
    }
    return std::u16string(utf8.begin(), utf8.end()); // bytes as Latin-1 rather than nothing
}

std::string startFolder() {
    const char* home = std::getenv("HOME");
    return home != nullptr && *home != '\0' ? home : ".";
}

} // namespace

DesktopHelper findDesktopHelper() {
    if (!findOnPath("zenity").empty()) {
        return DesktopHelper::Zenity;
    }
    if (!findOnPath("kdialog").empty()) {
        return DesktopHelper::KDialog;
    }
    return DesktopHelper::None;
}

std::vector<std::string> fileDialogCommand(DesktopHelper helper, WavDialog dialog,
                                           std::uintptr_t owner) {
    const bool save = dialog == WavDialog::Save;
    if (helper == DesktopHelper::Zenity) {
        // No overwrite confirmation: the recorder refuses an existing file itself.
        std::vector<std::string> command{"zenity", "--file-selection",
                                         "--file-filter=WAV audio | *.wav"};
        if (save) {
            command.emplace_back("--save");
        }
        if (owner != 0) {
            command.emplace_back("--attach=" + std::to_string(owner));
        }
        return command;
    }
    if (helper == DesktopHelper::KDialog) {
        std::vector<std::string> command{"kdialog"};
        if (owner != 0) {
            command.emplace_back("--attach=" + std::to_string(owner));
        }
        command.emplace_back(save ? "--getsavefilename" : "--getopenfilename");
        command.emplace_back(startFolder());
        command.emplace_back("WAV audio (*.wav)");
        return command;
    }
    return {};
}

std::vector<std::string> messageCommand(DesktopHelper helper, const std::string& text,
                                        const std::string& caption, MessageSeverity severity,
                                        std::uintptr_t owner) {
    const bool error = severity == MessageSeverity::Error;
    if (helper == DesktopHelper::Zenity) {
        // Plain text: zenity would read angle brackets and ampersands in a path as markup.
        std::vector<std::string> command{"zenity", error ? "--error" : "--info", "--no-markup",
                                         "--title=" + caption, "--text=" + text};
        if (owner != 0) {
            command.emplace_back("--attach=" + std::to_string(owner));
        }
        return command;
    }
    if (helper == DesktopHelper::KDialog) {
        std::vector<std::string> command{"kdialog"};
        if (owner != 0) {
            command.emplace_back("--attach=" + std::to_string(owner));
        }
        command.insert(command.end(), {"--title", caption, error ? "--error" : "--msgbox", text});
        return command;
    }
    return {};
}

std::optional<std::u16string> chosenPath(const std::string& output, WavDialog dialog) {
    std::string path = output.substr(0, output.find('\n'));
    if (path.empty()) {
        return std::nullopt; // cancelled
    }
    const std::size_t nameStart = path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1;
    if (dialog == WavDialog::Save && path.find('.', nameStart) == std::string::npos) {
        path += ".wav";
    }
    return platform::utf8ToUtf16(path);
}

void DesktopDialogs::chooseWavFile(WavDialog dialog, WavFileAnswer answer) {
    if (fileDialogOpen()) {
        // The open one answers; the user sees it, or else learns where the click went.
        if (bringFileDialogToFront()) {
            return;
        }
        showInEditor(std::u16string(kDialogCaption), std::u16string(kChooserStillOpenText),
                     MessageSeverity::Information);
        return;
    }
    if (!askPortal(dialog, answer)) {
        askHelper(dialog, std::move(answer));
    }
}

bool DesktopDialogs::askPortal(WavDialog dialog, const WavFileAnswer& answer) {
    if (!runLoop_.connected()) {
        return false;
    }
    auto portal = PortalFileChooser::connect();
    if (portal == nullptr || !portal->ask(dialog, owner())) {
        return false;
    }
    auto entry = std::make_unique<Running>();
    Running* const raw = entry.get();
    entry->watch = runLoop_.watch(portal->fileDescriptor(), [this, raw, dialog, answer](int) {
        onPortal(raw, dialog, answer);
    });
    if (entry->watch == nullptr) {
        return false;
    }
    entry->portal = std::move(portal);
    entry->fileDialog = true;
    running_.push_back(std::move(entry));
    return true;
}

void DesktopDialogs::askHelper(WavDialog dialog, WavFileAnswer answer) {
    withHelper(true, [this, dialog, answer](DesktopHelper helper, bool attaches) {
        const auto command = fileDialogCommand(helper, dialog, attaches ? owner() : 0);
        const bool started = run(
            command,
            [this, answer, dialog](const std::string& output, int exitStatus) {
                if (!dialogShown(exitStatus)) {
                    showInEditor(std::u16string(kDialogCaption), std::u16string(kChooserFailedText),
                                 MessageSeverity::Error);
                    answer(std::nullopt);
                    return;
                }
                answerWith(answerPrinted(exitStatus) ? output : std::string(), dialog, answer);
            },
            true);
        if (!started) {
            showInEditor(
                std::u16string(kDialogCaption),
                std::u16string(helper == DesktopHelper::None ? kNoChooserText : kChooserFailedText),
                helper == DesktopHelper::None ? MessageSeverity::Information
                                              : MessageSeverity::Error);
        }
    });
}

void DesktopDialogs::withHelper(bool fileDialog, WithHelper then) {
    const DesktopHelper helper = findDesktopHelper();
    if (helper != DesktopHelper::Zenity) {
        then(helper, true); // kdialog has always taken --attach
        return;
    }
    const std::string path = findOnPath("zenity");
    if (const auto attaches = knownZenityAttach(path)) {
        then(helper, *attaches);
        return;
    }
    fileDialogWaiting_ = fileDialogWaiting_ || fileDialog;
    versionWaiters_.push_back(std::move(then));
    if (versionWaiters_.size() > 1) {
        return; // asked already; its answer serves this one too
    }
    const auto answered = [this, path](const std::string& output, int) {
        noteZenityVersion(path, output);
        const auto attaches = knownZenityAttach(path).value_or(false);
        auto waiters = std::move(versionWaiters_);
        versionWaiters_.clear();
        fileDialogWaiting_ = false;
        for (const WithHelper& waiter : waiters) {
            waiter(DesktopHelper::Zenity, attaches);
        }
    };
    if (!run({"zenity", "--version"}, answered, fileDialog)) {
        answered(std::string(), -1); // it will not run its dialog either: that says so
    }
}

void DesktopDialogs::answerWith(const std::string& output, WavDialog dialog,
                                const WavFileAnswer& answer) {
    auto path = chosenPath(output, dialog);
    if (!path && !output.substr(0, output.find('\n')).empty()) {
        showInEditor(std::u16string(kDialogCaption), std::u16string(kUndecodablePathText),
                     MessageSeverity::Error);
    }
    answer(std::move(path));
}

void DesktopDialogs::showMessage(std::u16string_view text, std::u16string_view caption,
                                 MessageSeverity severity) {
    showBox(platform::utf16ToUtf8(text), platform::utf16ToUtf8(caption), std::u16string(text),
            std::u16string(caption), severity);
}

void DesktopDialogs::showNarrowMessage(std::string_view text, std::string_view caption,
                                       MessageSeverity severity) {
    showBox(std::string(text), std::string(caption), wideText(text), wideText(caption), severity);
}

void DesktopDialogs::showBox(const std::string& text, const std::string& caption,
                             std::u16string wideText, std::u16string wideCaption,
                             MessageSeverity severity) {
    withHelper(false, [=, this](DesktopHelper helper, bool attaches) {
        const auto command =
            messageCommand(helper, text, caption, severity, attaches ? owner() : 0);
        // A helper that could not show the box leaves the message to the editor.
        auto inEditor = [this, wideCaption, wideText, severity] {
            showInEditor(wideCaption, wideText, severity);
        };
        const bool started = run(
            command,
            [inEditor](const std::string&, int exitStatus) {
                if (!dialogShown(exitStatus)) {
                    inEditor();
                }
            },
            false);
        if (!started) {
            inEditor();
        }
    });
}

void DesktopDialogs::closeAll() {
    // Each child is ended and reaped as its record goes; no answer is given.
    auto running = std::move(running_);
    running_.clear();
    versionWaiters_.clear();
    fileDialogWaiting_ = false;
    for (const auto& entry : running) {
        runLoop_.stop(entry->watch);
    }
}

bool DesktopDialogs::fileDialogOpen() const {
    return fileDialogWaiting_ || std::any_of(running_.begin(), running_.end(),
                                             [](const auto& entry) { return entry->fileDialog; });
}

bool DesktopDialogs::bringFileDialogToFront() {
    // No call raises a portal's dialog: only a helper's window can be found by its process.
    const auto open = std::find_if(running_.begin(), running_.end(),
                                   [](const auto& entry) { return entry->fileDialog; });
    return open != running_.end() && (*open)->child != nullptr && bringToFront_ &&
           bringToFront_((*open)->child->pid());
}

bool DesktopDialogs::run(std::vector<std::string> command, HelperDone done, bool fileDialog) {
    if (command.empty() || !runLoop_.connected()) {
        return false;
    }
    auto entry = std::make_unique<Running>();
    entry->child = std::make_unique<ChildProcess>(command);
    if (!entry->child->running()) {
        return false;
    }
    Running* const raw = entry.get();
    entry->watch =
        runLoop_.watch(entry->child->outputDescriptor(), [this, raw](int) { onOutput(raw); });
    if (entry->watch == nullptr) {
        return false; // the child is ended as entry goes
    }
    entry->done = std::move(done);
    entry->fileDialog = fileDialog;
    running_.push_back(std::move(entry));
    return true;
}

void DesktopDialogs::onOutput(Running* running) {
    if (!running->child->readAvailable(running->output)) {
        return; // more to come
    }
    // The output ended: the child is on its way out. Its status decides whether the user saw
    // the dialog; until it is known, the run loop looks again now and then.
    runLoop_.stop(running->watch);
    running->watch = runLoop_.every(kExitPollMs, [this, running] { onExitCheck(running); });
    onExitCheck(running);
}

void DesktopDialogs::onExitCheck(Running* running) {
    const std::optional<int> status = running->child->exitStatus();
    if (!status && running->watch != nullptr) {
        return;
    }
    const auto finished = takeOut(running);
    if (finished != nullptr && finished->done) {
        finished->done(finished->output, status.value_or(0));
    }
}

void DesktopDialogs::onPortal(Running* running, WavDialog dialog, const WavFileAnswer& answer) {
    const PortalFileChooser::State state = running->portal->poll();
    if (state == PortalFileChooser::State::Waiting) {
        return;
    }
    // A copy: the watch that holds the answer goes with the entry.
    const WavFileAnswer keep = answer;
    const auto finished = takeOut(running);
    if (finished == nullptr) {
        return;
    }
    if (state == PortalFileChooser::State::Failed) {
        askHelper(dialog, keep);
        return;
    }
    const auto& path = finished->portal->answer();
    answerWith(path.value_or(std::string()), dialog, keep);
}

std::unique_ptr<DesktopDialogs::Running> DesktopDialogs::takeOut(Running* running) {
    const auto found = std::find_if(running_.begin(), running_.end(),
                                    [&](const auto& entry) { return entry.get() == running; });
    if (found == running_.end()) {
        return nullptr;
    }
    std::unique_ptr<Running> entry = std::move(*found);
    running_.erase(found);
    runLoop_.stop(entry->watch);
    return entry;
}

void DesktopDialogs::showInEditor(std::u16string caption, std::u16string text,
                                  MessageSeverity severity) {
    notices_.post({std::move(caption), std::move(text), severity});
}

} // namespace quillwave::plugins
