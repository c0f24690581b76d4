// The module's load and unload entry points. The factory does all the work; the exit waits for
// the module's own threads that outlived the objects that started them (disk writers finalizing
// takes of released instances, free-space readings), so that none runs in the module's code once
// the host unloads it.

#include "platform/module_threads.h"
#include "pluginterfaces/base/fplatform.h"

#if SMTG_OS_WINDOWS
#include <windows.h>

extern "C" {
bool InitDll() {
    return true;
}
bool ExitDll() {
    quillwave::platform::joinModuleThreads();
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
    quillwave::platform::joinModuleThreads();
    return true;
}
}

#endif
