#include "window/win32/form1.hpp"

// Every DLL loaded at run time comes from the system folder only, never
// from the folder the program was started from (a download folder, say),
// where a DLL of the same name could have been put. Set before anything
// else runs: the first constructor, ahead of the stack protector's (which
// asks the system's cryptography for its canary). What the program imports
// itself is Windows' known DLLs, which come from the system folder anyway;
// the common controls are loaded by the window once this holds.
__attribute__((constructor(101))) static void searchDllsInTheSystemFolderOnly()
{
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// A program without a console: the command line has nowhere to answer, so
// it is ignored.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    rechner::Form1 form;
    if (form.window() == nullptr) {
        MessageBoxW(nullptr, L"Rechner kann sein Fenster nicht öffnen.", L"Fehler", MB_OK | MB_ICONERROR);
        return 1;
    }
    form.show(showCommand);
    return form.exec();
}
