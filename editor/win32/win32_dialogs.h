#pragma once

// The editor's dialogs on Win32: the common file dialogs and message boxes, owned by the editor
// window.

#include "editor/user_dialogs.h"

#include <windows.h>

#include <commdlg.h>

#include <functional>
#include <vector>

namespace quillwave::plugins {

// Room for any path the system can name (32,767 units and the terminator).
inline constexpr DWORD kFileNameBufferUnits = 32768;

// The file dialog's settings: owner, the one "WAV audio" filter, the empty name buffer, default
// extension "wav", the system's title and folder, and no overwrite prompt. Open also requires an
// existing file. buffer receives the chosen name and must outlive the settings.
OPENFILENAMEW wavDialogSettings(HWND owner, WavDialog dialog, std::vector<wchar_t>& buffer);

// The message box style of each severity.
UINT messageBoxStyle(MessageSeverity severity);

class Win32Dialogs final : public ModalDialogs {
public:
    // owner yields the editor window at the time a dialog opens.
    explicit Win32Dialogs(std::function<HWND()> owner) : owner_(std::move(owner)) {}

    std::optional<std::u16string> askForWavFile(WavDialog dialog) override;
    void showMessage(std::u16string_view text, std::u16string_view caption,
                     MessageSeverity severity) override;
    void showNarrowMessage(std::string_view text, std::string_view caption,
                           MessageSeverity severity) override;

private:
    std::function<HWND()> owner_;
};

} // namespace quillwave::plugins
