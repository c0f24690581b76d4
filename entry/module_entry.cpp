// The module's load and unload entry points. The factory does all the work; unloading waits for
// the disk writers that still finalize takes of released instances, so that no thread runs in
// the module once it is gone.

#include "pluginterfaces/base/fplatform.h"
#include "recorder/writer_threads.h"

#if SMTG_OS_WINDOWS
#include <windows.h>

extern "C" {
bool InitDll() {
    return true;
}
bool ExitDll() {
    quillwave::plugins::joinWriterThreads();
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
    quillwave::plugins::joinWriterThreads();
    return true;
}
}

#endif
