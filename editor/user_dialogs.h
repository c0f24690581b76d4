#pragma once

// The dialogs of the editor: the WAV file dialog and the message boxes. The window layer binds
// them to the system's dialogs, owned by the editor window; tests replace them.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillwave::plugins {

enum class WavDialog {
    Open, // a file that must exist (the player's source)
    Save, // a new file (the recorder's destination); no overwrite prompt, the module refuses
          // existing files itself
};

enum class MessageSeverity {
    Plain,       // one OK button and no icon
    Information, // information icon
    Error,       // error icon
};

// The chosen path, or nothing when the user cancelled or the dialog failed.
using WavFileAnswer = std::function<void(std::optional<std::u16string>)>;

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // Asks for a "*.wav" file and hands the answer to `answer` on the editor thread: before
    // returning when the dialog is modal, later when it runs in another process. No answer comes
    // after the dialogs are destroyed.
    virtual void chooseWavFile(WavDialog dialog, WavFileAnswer answer) = 0;

    // A message box with UTF-16 text.
    virtual void showMessage(std::u16string_view text, std::u16string_view caption,
                             MessageSeverity severity) = 0;

    // A message box with narrow text, as the module's own failure messages are.
    virtual void showNarrowMessage(std::string_view text, std::string_view caption,
                                   MessageSeverity severity) = 0;

    // Closes what is still open, when the editor window goes; no answer comes after this.
    virtual void closeAll() {}

protected:
    UserDialogs() = default;
    UserDialogs(const UserDialogs&) = default;
    UserDialogs& operator=(const UserDialogs&) = default;
};

// Dialogs that block the editor thread until the user closes them, as the system's own do on
// Windows: the answer comes before chooseWavFile returns.
class ModalDialogs : public UserDialogs {
public:
    // Asks for a "*.wav" file; nothing when the user cancelled or the dialog failed.
    virtual std::optional<std::u16string> askForWavFile(WavDialog dialog) = 0;

    void chooseWavFile(WavDialog dialog, WavFileAnswer answer) final {
        answer(askForWavFile(dialog));
    }
};

} // namespace quillwave::plugins
