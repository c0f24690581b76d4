#pragma once

// Loads a built module file the way a host does and resolves its entry points.

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace quillwave::tools {

#ifdef _WIN32
// Paths from the build system are Unix paths; wine maps them under Z:. The rest is UTF-8.
inline std::wstring systemPath(const std::string& path) {
    std::string text = path;
    if (!text.empty() && text.front() == '/') {
        text = "Z:" + text;
    }
    for (char& c : text) {
        c = c == '/' ? '\\' : c;
    }
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return wide;
}
#else
inline std::string systemPath(const std::string& path) {
    return path;
}
#endif

class ModuleLibrary {
public:
    explicit ModuleLibrary(const std::string& path) {
#ifdef _WIN32
        const std::wstring wide = systemPath(path);
        handle_ = wide.empty() ? nullptr : LoadLibraryW(wide.c_str());
#else
        handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
    }
    ~ModuleLibrary() {
        if (handle_) {
#ifdef _WIN32
            FreeLibrary(handle_);
#else
            dlclose(handle_);
#endif
        }
    }
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    bool loaded() const {
        return handle_ != nullptr;
    }

    // The system's handle, which the Linux entry point ModuleEntry receives.
    void* nativeHandle() const {
        return reinterpret_cast<void*>(handle_);
    }

    template <typename Function> Function symbol(const char* name) const {
        if (!handle_) {
            return nullptr;
        }
#ifdef _WIN32
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle_, name)));
#else
        return reinterpret_cast<Function>(dlsym(handle_, name));
#endif
    }

private:
#ifdef _WIN32
    HMODULE handle_ = nullptr;
#else
    void* handle_ = nullptr;
#endif
};

} // namespace quillwave::tools
