#pragma once

// The modal dialogs of the editor: the WAV file dialog and the message boxes. The window layer
// binds them to the system's dialogs, owned by the editor window; tests replace them.

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

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // Asks for a "*.wav" file; nothing when the user cancelled or the dialog failed.
    virtual std::optional<std::u16string> askForWavFile(WavDialog dialog) = 0;

    // A message box with UTF-16 text.
    virtual void showMessage(std::u16string_view text, std::u16string_view caption,
                             MessageSeverity severity) = 0;

    // A message box with narrow text, as the module's own failure messages are.
    virtual void showNarrowMessage(std::string_view text, std::string_view caption,
                                   MessageSeverity severity) = 0;

protected:
    UserDialogs() = default;
    UserDialogs(const UserDialogs&) = default;
    UserDialogs& operator=(const UserDialogs&) = default;
};

} // namespace quillwave::plugins
