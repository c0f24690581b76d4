#include "editor/win32/win32_dialogs.h"

#include <cwchar>
#include <string>

namespace quillwave::plugins {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 text is passed to the wide API as is");

// One filter entry, description then pattern, the list ending in an empty entry.
constexpr wchar_t kWavFilter[] = L"WAV audio\0*.wav\0";

std::wstring wideText(std::u16string_view text) {
    return {text.begin(), text.end()};
}

} // namespace

OPENFILENAMEW wavDialogSettings(HWND owner, WavDialog dialog, std::vector<wchar_t>& buffer) {
    buffer.assign(kFileNameBufferUnits, L'\0');
    OPENFILENAMEW settings{};
    settings.lStructSize = sizeof(settings);
    settings.hwndOwner = owner;
    settings.lpstrFilter = kWavFilter;
    settings.lpstrFile = buffer.data();
    settings.nMaxFile = kFileNameBufferUnits;
    settings.lpstrDefExt = L"wav";
    settings.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (dialog == WavDialog::Open) {
        settings.Flags |= OFN_FILEMUSTEXIST;
    }
    return settings;
}

UINT messageBoxStyle(MessageSeverity severity) {
    switch (severity) {
    case MessageSeverity::Information:
        return MB_OK | MB_ICONINFORMATION;
    case MessageSeverity::Error:
        return MB_OK | MB_ICONERROR;
    case MessageSeverity::Plain:
        break;
    }
    return MB_OK;
}

std::optional<std::u16string> Win32Dialogs::askForWavFile(WavDialog dialog) {
    std::vector<wchar_t> buffer;
    OPENFILENAMEW settings = wavDialogSettings(owner_(), dialog, buffer);
    const BOOL chosen =
        dialog == WavDialog::Open ? GetOpenFileNameW(&settings) : GetSaveFileNameW(&settings);
    if (!chosen) {
        return std::nullopt; // cancelled, or the dialog failed
    }
    const std::size_t length = wcsnlen(buffer.data(), buffer.size());
    return std::u16string(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length));
}

void Win32Dialogs::showMessage(std::u16string_view text, std::u16string_view caption,
                               MessageSeverity severity) {
    MessageBoxW(owner_(), wideText(text).c_str(), wideText(caption).c_str(),
                messageBoxStyle(severity));
}

void Win32Dialogs::showNarrowMessage(std::string_view text, std::string_view caption,
                                     MessageSeverity severity) {
    MessageBoxA(owner_(), std::string(text).c_str(), std::string(caption).c_str(),
                messageBoxStyle(severity));
}

} // namespace quillwave::plugins
