#include "host_paths.h"

#include "platform/utf.h"

#ifdef _WIN32
#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>
#endif

#include <stdexcept>

namespace quillwave::host {
namespace {

#ifdef _WIN32
bool runningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
#endif

std::u8string asU8(const std::string& text) {
    return {text.begin(), text.end()};
}

} // namespace

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    std::vector<std::string> args;
#ifdef _WIN32
    // argv holds the ANSI code page's rendering; the wide command line keeps every character.
    (void)argc;
    (void)argv;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        throw std::runtime_error("cannot read the command line");
    }
    for (int i = 1; i < count; ++i) {
        const std::wstring_view arg(wide[i]);
        args.push_back(platform::utf16ToUtf8(
            std::u16string_view(reinterpret_cast<const char16_t*>(arg.data()), arg.size())));
    }
    LocalFree(wide);
#else
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
#endif
    return args;
}

std::filesystem::path argumentPath(const std::string& utf8) {
    std::string text = utf8;
#ifdef _WIN32
    if (runningUnderWine() && text.size() > 1 && text[0] == '/' && text[1] != '/') {
        text = "Z:" + text;
    }
#endif
    std::filesystem::path path(asU8(text));
    return std::filesystem::absolute(path).lexically_normal();
}

std::string pathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::filesystem::path pathFromText(const std::string& utf8) {
    return std::filesystem::path(asU8(utf8));
}

} // namespace quillwave::host
