#pragma once

// The editor's dialogs on a Linux desktop. The file chooser is the desktop's file chooser portal
// when one runs on the session bus; otherwise it, and every message box, is shown by a desktop
// helper, "zenity" or else "kdialog", run as a child process. The host's run loop watches the bus
// connection or the helper's output, so the host's user interface keeps running while the user
// decides. Without a helper (or without a run loop) messages are drawn inside the editor.

#include "editor/posix/child_process.h"
#include "editor/posix/editor_notice.h"
#include "editor/posix/host_run_loop.h"
#include "editor/posix/portal_file_chooser.h"
#include "editor/user_dialogs.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillwave::plugins {

enum class DesktopHelper { None, Zenity, KDialog };

// The helper found on PATH now: zenity first, as GNOME and most other desktops have it.
DesktopHelper findDesktopHelper();

// The helper's command line for a WAV file dialog and for a message box; owner is the X window
// the dialog belongs to, 0 for none.
std::vector<std::string> fileDialogCommand(DesktopHelper helper, WavDialog dialog,
                                           std::uintptr_t owner);
std::vector<std::string> messageCommand(DesktopHelper helper, const std::string& text,
                                        const std::string& caption, MessageSeverity severity,
                                        std::uintptr_t owner);

// The path a helper printed: its first line, with ".wav" added to a saved name that has no
// extension (as the system's save dialog adds its default extension). Nothing when empty or not
// UTF-8.
std::optional<std::u16string> chosenPath(const std::string& output, WavDialog dialog);

class DesktopDialogs final : public UserDialogs {
public:
    // Brings the top-level window of a helper process to the front; false when it cannot.
    using BringToFront = std::function<bool(pid_t)>;

    // Both must outlive the dialogs; owner yields the editor's X window when a dialog opens.
    DesktopDialogs(HostRunLoop& runLoop, NoticeBoard& notices,
                   std::function<std::uintptr_t()> owner = {}, BringToFront bringToFront = {})
        : runLoop_(runLoop), notices_(notices), owner_(std::move(owner)),
          bringToFront_(std::move(bringToFront)) {}
    ~DesktopDialogs() override { closeAll(); }
    DesktopDialogs(const DesktopDialogs&) = delete;
    DesktopDialogs& operator=(const DesktopDialogs&) = delete;

    // One file dialog at a time: a request while one is open is answered by the open one, which
    // comes to the front; where it cannot (the portal's, or a helper's window not found on the
    // display), the editor says that it is still open.
    void chooseWavFile(WavDialog dialog, WavFileAnswer answer) override;
    void showMessage(std::u16string_view text, std::u16string_view caption,
                     MessageSeverity severity) override;
    void showNarrowMessage(std::string_view text, std::string_view caption,
                           MessageSeverity severity) override;
    void closeAll() override;

    bool fileDialogOpen() const;

private:
    // The output and the exit status, once the child ended.
    using HelperDone = std::function<void(const std::string&, int)>;
    // The helper to run, and whether it takes --attach.
    using WithHelper = std::function<void(DesktopHelper, bool)>;
    static constexpr std::uint32_t kExitPollMs = 10;

    struct Running {
        std::unique_ptr<PortalFileChooser> portal; // or else
        std::unique_ptr<ChildProcess> child;
        RunLoopHandler* watch = nullptr; // the output's, then the exit's
        std::string output;
        HelperDone done;
        bool fileDialog = false;
    };

    // Asks the portal; false when there is none or it cannot be asked.
    bool askPortal(WavDialog dialog, const WavFileAnswer& answer);
    void askHelper(WavDialog dialog, WavFileAnswer answer);
    // Runs then with the helper found now, once it is known whether it takes --attach: at once,
    // or after zenity's answer to the one question about its version.
    void withHelper(bool fileDialog, WithHelper then);
    // Runs command and hands its output and status to done when it ends; false when it cannot
    // run.
    bool run(std::vector<std::string> command, HelperDone done, bool fileDialog);
    void onOutput(Running* running);
    void onExitCheck(Running* running);
    // Answers with the path a dialog printed; a name that is not UTF-8 is refused with a word.
    void answerWith(const std::string& output, WavDialog dialog, const WavFileAnswer& answer);
    // A message box through the helper, or inside the editor when the helper cannot show it.
    void showBox(const std::string& text, const std::string& caption, std::u16string wideText,
                 std::u16string wideCaption, MessageSeverity severity);
    void onPortal(Running* running, WavDialog dialog, const WavFileAnswer& answer);
    // Takes running out of the list (before its answer, which may open the next dialog) and
    // withdraws its watch.
    std::unique_ptr<Running> takeOut(Running* running);
    // True when the open file dialog is a helper's whose window came to the front.
    bool bringFileDialogToFront();
    void showInEditor(std::u16string caption, std::u16string text, MessageSeverity severity);
    std::uintptr_t owner() const { return owner_ ? owner_() : 0; }

    HostRunLoop& runLoop_;
    NoticeBoard& notices_;
    std::function<std::uintptr_t()> owner_;
    BringToFront bringToFront_;
    std::vector<std::unique_ptr<Running>> running_;
    std::vector<WithHelper> versionWaiters_; // while zenity is asked for its version
    bool fileDialogWaiting_ = false;         // one of them opens the file dialog
};

} // namespace quillwave::plugins
