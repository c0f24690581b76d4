#pragma once

// Counts the GDI objects that the editor creates and deletes, by routing this program's imports
// of the creating and deleting functions through counting wrappers for the census's lifetime.
// Works where GetGuiResources does not (wine reports 0 for every process). Windows only; one
// census at a time. It can also make bitmaps fail, as GDI does when a process runs out of them.

#include <windows.h>

#include <cstring>
#include <mutex>
#include <set>

namespace quillwave::test {

namespace gdi_census_detail {

// Replaces this executable's import of dll!name with replacement; returns what it held.
inline void* patchImport(const char* dll, const char* name, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; descriptor->Name != 0; ++descriptor) {
        if (_stricmp(reinterpret_cast<const char*>(base + descriptor->Name), dll) != 0) {
            continue;
        }
        auto* bound = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        const auto* names =
            reinterpret_cast<const IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++bound) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) {
                continue;
            }
            DWORD protection = 0;
            VirtualProtect(&bound->u1.Function, sizeof(bound->u1.Function), PAGE_READWRITE,
                           &protection);
            void* previous = reinterpret_cast<void*>(bound->u1.Function);
            bound->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&bound->u1.Function, sizeof(bound->u1.Function), protection,
                           &protection);
            return previous;
        }
    }
    return nullptr;
}

struct Ledger {
    std::mutex mutex;
    std::set<HGDIOBJ> live;
    long created = 0;
    long bitmaps = 0;
    bool failBitmaps = false;
};

inline Ledger& ledger() {
    static Ledger instance;
    return instance;
}

template <typename Handle> Handle track(Handle handle) {
    if (handle != nullptr) {
        const std::lock_guard lock(ledger().mutex);
        ledger().live.insert(handle);
        ++ledger().created;
    }
    return handle;
}

inline void untrack(HGDIOBJ handle) {
    const std::lock_guard lock(ledger().mutex);
    ledger().live.erase(handle);
}

inline decltype(&CreateSolidBrush) realCreateSolidBrush = nullptr;
inline decltype(&CreatePen) realCreatePen = nullptr;
inline decltype(&CreateFontW) realCreateFontW = nullptr;
inline decltype(&CreateCompatibleDC) realCreateCompatibleDC = nullptr;
inline decltype(&CreateCompatibleBitmap) realCreateCompatibleBitmap = nullptr;
inline decltype(&DeleteObject) realDeleteObject = nullptr;
inline decltype(&DeleteDC) realDeleteDC = nullptr;

inline HBRUSH WINAPI countedCreateSolidBrush(COLORREF colour) {
    return track(realCreateSolidBrush(colour));
}
inline HPEN WINAPI countedCreatePen(int style, int width, COLORREF colour) {
    return track(realCreatePen(style, width, colour));
}
inline HFONT WINAPI countedCreateFontW(int height, int width, int escapement, int orientation,
                                       int weight, DWORD italic, DWORD underline, DWORD strikeOut,
                                       DWORD charSet, DWORD precision, DWORD clipPrecision,
                                       DWORD quality, DWORD pitchAndFamily, LPCWSTR face) {
    return track(realCreateFontW(height, width, escapement, orientation, weight, italic, underline,
                                 strikeOut, charSet, precision, clipPrecision, quality,
                                 pitchAndFamily, face));
}
inline HDC WINAPI countedCreateCompatibleDC(HDC dc) {
    return track(realCreateCompatibleDC(dc));
}
inline HBITMAP WINAPI countedCreateCompatibleBitmap(HDC dc, int width, int height) {
    {
        const std::lock_guard lock(ledger().mutex);
        if (ledger().failBitmaps) {
            return nullptr;
        }
        ++ledger().bitmaps;
    }
    return track(realCreateCompatibleBitmap(dc, width, height));
}
inline BOOL WINAPI countedDeleteObject(HGDIOBJ object) {
    untrack(object);
    return realDeleteObject(object);
}
inline BOOL WINAPI countedDeleteDC(HDC dc) {
    untrack(dc);
    return realDeleteDC(dc);
}

template <typename Function> void route(const char* name, Function& real, Function counted) {
    real = reinterpret_cast<Function>(
        patchImport("gdi32.dll", name, reinterpret_cast<void*>(counted)));
}

template <typename Function> void restore(const char* name, Function& real) {
    if (real != nullptr) {
        patchImport("gdi32.dll", name, reinterpret_cast<void*>(real));
        real = nullptr;
    }
}

} // namespace gdi_census_detail

class GdiCensus {
public:
    GdiCensus() {
        using namespace gdi_census_detail;
        {
            const std::lock_guard lock(ledger().mutex);
            ledger().live.clear();
            ledger().created = 0;
            ledger().bitmaps = 0;
            ledger().failBitmaps = false;
        }
        route("CreateSolidBrush", realCreateSolidBrush, &countedCreateSolidBrush);
        route("CreatePen", realCreatePen, &countedCreatePen);
        route("CreateFontW", realCreateFontW, &countedCreateFontW);
        route("CreateCompatibleDC", realCreateCompatibleDC, &countedCreateCompatibleDC);
        route("CreateCompatibleBitmap", realCreateCompatibleBitmap, &countedCreateCompatibleBitmap);
        route("DeleteObject", realDeleteObject, &countedDeleteObject);
        route("DeleteDC", realDeleteDC, &countedDeleteDC);
    }
    ~GdiCensus() {
        using namespace gdi_census_detail;
        restore("CreateSolidBrush", realCreateSolidBrush);
        restore("CreatePen", realCreatePen);
        restore("CreateFontW", realCreateFontW);
        restore("CreateCompatibleDC", realCreateCompatibleDC);
        restore("CreateCompatibleBitmap", realCreateCompatibleBitmap);
        restore("DeleteObject", realDeleteObject);
        restore("DeleteDC", realDeleteDC);
    }
    GdiCensus(const GdiCensus&) = delete;
    GdiCensus& operator=(const GdiCensus&) = delete;

    // True when every creating and deleting import was found and rerouted.
    bool counting() const {
        using namespace gdi_census_detail;
        return realCreateSolidBrush && realCreatePen && realCreateFontW && realCreateCompatibleDC &&
               realCreateCompatibleBitmap && realDeleteObject && realDeleteDC;
    }
    long created() const {
        const std::lock_guard lock(gdi_census_detail::ledger().mutex);
        return gdi_census_detail::ledger().created;
    }
    // Compatible bitmaps asked for since the census began (the paint cycle's off-screen images).
    long bitmaps() const {
        const std::lock_guard lock(gdi_census_detail::ledger().mutex);
        return gdi_census_detail::ledger().bitmaps;
    }
    // From now on every compatible bitmap fails (or, with false, succeeds again).
    void failBitmaps(bool fail) const {
        const std::lock_guard lock(gdi_census_detail::ledger().mutex);
        gdi_census_detail::ledger().failBitmaps = fail;
    }
    // Objects created since the census began that are not deleted yet.
    std::size_t live() const {
        const std::lock_guard lock(gdi_census_detail::ledger().mutex);
        return gdi_census_detail::ledger().live.size();
    }
};

} // namespace quillwave::test
