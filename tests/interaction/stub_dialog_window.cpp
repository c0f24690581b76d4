// A stand-in for a helper's dialog: a top-level window at (x, y) carrying this process's id, as
// the toolkits mark their windows, shown until the process is ended. Usage: stub_dialog_window x y

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr || argc != 3) {
        return 2;
    }
    const ::Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), std::atoi(argv[1]),
                            std::atoi(argv[2]), 200, 100, 0, 0, 0xFFFFFF);
    const long pid = ::getpid();
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    XMapWindow(display, window);
    XSync(display, False);
    for (;;) {
        ::pause();
    }
}
