// The module's load and unload entry points. The factory does all the work, so these only answer.

#include "pluginterfaces/base/fplatform.h"

#if SMTG_OS_WINDOWS
#include <windows.h>

extern "C" {
bool InitDll() {
    return true;
}
bool ExitDll() {
    return true;
}
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

#else

extern "C" {
__attribute__((visibility("default"))) bool ModuleEntry(void*) {
    return true;
}
__attribute__((visibility("default"))) bool ModuleExit() {
    return true;
}
}

#endif
