#include "window/win32/form1.hpp"

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
