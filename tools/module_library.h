#pragma once

// Loads a built module file the way a host does and resolves its entry points.

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace quillwave::tools {

class ModuleLibrary {
public:
    explicit ModuleLibrary(const std::string& path) {
#ifdef _WIN32
        // Paths from the build system are Unix paths; wine maps them under Z:.
        std::wstring wide;
        if (!path.empty() && path.front() == '/') {
            wide = L"Z:";
        }
        for (char c : path) {
            wide.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
        }
        handle_ = LoadLibraryW(wide.c_str());
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
