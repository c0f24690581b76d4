// The editor view on Windows: one child window of the host's parent window, painted at the
// view's scale, repainted from a timer and operated with the left mouse button.

#include "editor/editor_view.h"

#include "editor/editor_interaction.h"
#include "editor/paint_editor.h"
#include "editor/plugin_editor_controls.h"
#include "editor/plugin_editor_model.h"
#include "editor/recording_surface.h"
#include "editor/scalable_view.h"
#include "editor/win32/editor_window_class.h"
#include "editor/win32/paint_cycle.h"
#include "editor/win32/win32_dialogs.h"
#include "plugin/utility_plugin.h"

#include <windows.h>
#include <windowsx.h>

#include <cstring>

namespace quillwave::plugins {
namespace {

using namespace Steinberg;

static_assert(kCloseRequest == WM_APP + 0x39);

constexpr wchar_t kWindowTitle[] = L"QUILLWAVE";

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
constexpr UINT kDpiChangedAfterParent = 0x02E3; // WM_DPICHANGED_AFTERPARENT, Windows 10 1703

// The resolution of the screen window is on: GetDpiForWindow where Windows has it (10 1607 and
// later), else the resolution of its device context.
UINT windowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = [] {
        const HMODULE user32 = GetModuleHandleW(L"user32.dll");
        return user32 == nullptr
                   ? nullptr
                   : reinterpret_cast<GetDpiForWindowFunction>(
                         reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
    }();
    if (getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(window); dpi != 0) {
            return dpi;
        }
    }
    const HDC dc = GetDC(window);
    if (dc == nullptr) {
        return 96;
    }
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(window, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

class View final : public ScalableView {
public:
    View(UtilityPlugin& owner, std::unique_ptr<UserDialogs> dialogs)
        : owner_(&owner), model_(owner), controls_(owner),
          dialogs_(dialogs ? std::move(dialogs)
                           : std::make_unique<Win32Dialogs>([this] { return window_; })),
          interaction_(controls_, *dialogs_) {}

    ~View() override {
        if (!closeWindow()) {
            // The window outlives the view: from now on it must not reach the freed view.
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            return;
        }
        window_ = nullptr;
        systemWindow = nullptr;
        if (classRegistered_ && releaseEditorWindowClass(moduleInstance_)) {
            classRegistered_ = false;
            moduleInstance_ = nullptr;
        }
    }

    View(const View&) = delete;
    View& operator=(const View&) = delete;

    tresult PLUGIN_API isPlatformTypeSupported(FIDString type) override {
        return isHwnd(type) ? kResultTrue : kResultFalse;
    }

    tresult PLUGIN_API attached(void* parent, FIDString type) override;

    // A counted reference, released with the view, so a host frame never dangles here.
    tresult PLUGIN_API setFrame(IPlugFrame* frame) override {
        frame_ = frame;
        plugFrame = frame;
        return kResultTrue;
    }
    tresult PLUGIN_API removed() override;

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    static bool isHwnd(FIDString type) {
        return type != nullptr && std::strcmp(type, kPlatformTypeHWND) == 0;
    }

    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool closeWindow();
    // Draws the picture as calls, cheaply, and tells whether it differs from the last one.
    bool pictureChanged();
    void resizeWindow(ViewSize size) override;
    int designX(LPARAM lParam) const { return toDesignX(GET_X_LPARAM(lParam), page()); }
    int designY(LPARAM lParam) const { return toDesignY(GET_Y_LPARAM(lParam), page()); }
    // Ends the drag, if any, and lets the mouse go where this window holds it.
    void endDrag(HWND window);
    // Ends a drag whose window can no longer be seen or no longer holds the mouse: no release
    // may ever come for it.
    void endLostDrag(HWND window);

    IPtr<IPlugFrame> frame_; // released after the owner, last of all
    IPtr<UtilityPlugin> owner_;
    HWND window_ = nullptr;              // null while not attached; cleared at WM_NCDESTROY
    HINSTANCE moduleInstance_ = nullptr; // set while the view holds a use of the class
    bool classRegistered_ = false;
    PluginEditorModel model_;
    PluginEditorControls controls_;
    std::unique_ptr<UserDialogs> dialogs_;
    EditorInteraction interaction_;
    RecordingSurface picture_;
    std::vector<DrawCall> lastPicture_;
    OffscreenBuffer buffer_; // the window's image, while it has one; freed with the window
};

tresult PLUGIN_API View::attached(void* parent, FIDString type) {
    const auto parentWindow = static_cast<HWND>(parent);
    if (window_ != nullptr || classRegistered_ || parentWindow == nullptr ||
        !IsWindow(parentWindow) || !isHwnd(type)) {
        return kResultFalse;
    }
    // This library's own instance, found from an address inside it, without pinning it.
    HMODULE instance = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&View::windowProc), &instance) ||
        instance == nullptr) {
        moduleInstance_ = nullptr;
        return kResultFalse;
    }
    moduleInstance_ = instance;
    if (!acquireEditorWindowClass(moduleInstance_, &View::windowProc)) {
        moduleInstance_ = nullptr;
        return kResultFalse;
    }
    classRegistered_ = true;

    window_ =
        CreateWindowExW(0, kEditorWindowClassName, kWindowTitle, WS_CHILD | WS_VISIBLE, 0, 0,
                        size().width, size().height, parentWindow, nullptr, moduleInstance_, this);
    if (window_ == nullptr) {
        releaseEditorWindowClass(moduleInstance_);
        classRegistered_ = false;
        moduleInstance_ = nullptr;
        return kResultFalse;
    }
    systemWindow = parent;
    SetTimer(window_, kRefreshTimerId, refreshIntervalMs(owner_->kind()), nullptr);
    followScreenScale(scaleOfDpi(windowDpi(parentWindow)));
    return kResultOk;
}

tresult PLUGIN_API View::removed() {
    if (!closeWindow()) {
        return kResultFalse;
    }
    window_ = nullptr;
    systemWindow = nullptr;
    if (!classRegistered_) {
        return kResultOk;
    }
    // Kept on failure: a later attached is refused until a removed gives the class up.
    if (!releaseEditorWindowClass(moduleInstance_)) {
        return kResultFalse;
    }
    classRegistered_ = false;
    moduleInstance_ = nullptr;
    return kResultOk;
}

// True when the view has no live window any more.
bool View::closeWindow() {
    const HWND window = window_;
    if (window == nullptr || !IsWindow(window)) {
        return true;
    }
    KillTimer(window, kRefreshTimerId);
    bool closed = false;
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        closed = DestroyWindow(window) != 0;
    } else {
        // A window can only be destroyed by its own thread; this waits until it has.
        closed = SendMessageW(window, kCloseRequest, 0, 0) != 0;
    }
    return closed || !IsWindow(window);
}

bool View::pictureChanged() {
    picture_.clear();
    paintEditor(model_, interaction_.bankPage(), picture_);
    if (picture_.calls() == lastPicture_) {
        return false;
    }
    picture_.swapCalls(lastPicture_);
    return true;
}

void View::endDrag(HWND window) {
    interaction_.endDrag();
    if (GetCapture() == window) {
        ReleaseCapture();
    }
}

void View::endLostDrag(HWND window) {
    if (interaction_.drag().active() && (!IsWindowVisible(window) || GetCapture() != window)) {
        endDrag(window);
    }
}

void View::resizeWindow(ViewSize size) {
    if (window_ != nullptr) {
        SetWindowPos(window_, nullptr, 0, 0, size.width, size.height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(window_, nullptr, FALSE);
    }
}

LRESULT CALLBACK View::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* view = reinterpret_cast<View*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (view == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return view->handle(window, message, wParam, lParam);
}

LRESULT View::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        if (!paintWindow(window, buffer_, model_, interaction_.bankPage(), size())) {
            // Out of GDI resources: the next tick paints again, whether the picture changed
            // or not. Invalidating now instead would repaint in a busy loop.
            lastPicture_.clear();
        }
        return 0;
    case WM_DISPLAYCHANGE:
        // Only top-level windows are told, so the buffer also checks the format at each paint;
        // this catches a host that passes the message on, and a format of the same depth.
        buffer_.release();
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1; // the paint covers every pixel
    case WM_NCDESTROY:
        interaction_.endDrag(); // the host's gesture ends with the window, mid-drag too
        buffer_.release();
        window_ = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_TIMER:
        // Hidden with its parent or lost the capture without a word (no message tells a child
        // that an ancestor was hidden).
        endLostDrag(window);
        // Only a window that can be seen and whose picture changed is painted again.
        if (IsWindowVisible(window) && pictureChanged()) {
            InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    case WM_MOUSEMOVE:
        endLostDrag(window);
        if ((wParam & MK_LBUTTON) != 0) {
            interaction_.updateDrag(designX(lParam), designY(lParam));
            InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    case WM_LBUTTONDOWN: {
        // A dialog opened from here runs a modal loop in which the host may close and release
        // the view: it stays alive until this message is handled. The window may be gone by
        // then, which makes the calls below fail harmlessly.
        const IPtr<View> self(this);
        if (interaction_.onMouseDown(designX(lParam), designY(lParam))) {
            SetCapture(window); // the drag follows the mouse outside the window too
        }
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    }
    case WM_LBUTTONUP:
        interaction_.endDrag();
        ReleaseCapture();
        return 0;
    case WM_SHOWWINDOW:
        if (wParam == FALSE) {
            endDrag(window);
        }
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_CAPTURECHANGED:
        // lParam is the window that gains the capture: taking it again ourselves loses nothing.
        if (reinterpret_cast<HWND>(lParam) != window) {
            interaction_.endDrag();
        }
        return 0;
    case WM_PRINTCLIENT:
        paintScaled(reinterpret_cast<HDC>(wParam), model_, interaction_.bankPage(), size());
        return 0;
    case WM_DPICHANGED:
    case kDpiChangedAfterParent:
        // Moved to a screen of another scale (a child window learns it after its parent).
        followScreenScale(scaleOfDpi(windowDpi(window)));
        return 0;
    case kCloseRequest:
        KillTimer(window, kRefreshTimerId);
        return DestroyWindow(window) ? 1 : 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

IPlugView* createEditorView(UtilityPlugin& owner, FIDString name,
                            std::unique_ptr<UserDialogs> dialogs) {
    if (!isEditorViewName(name)) {
        return nullptr;
    }
    return new View(owner, std::move(dialogs));
}

} // namespace quillwave::plugins
