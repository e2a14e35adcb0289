// The Windows start-up reference: a bare window of the platform's own
// controls, as many of each kind as Form1 (4 EDIT fields, 29 BUTTON keys,
// 5 STATIC labels) at fixed places, with no fonts, accessibility or wiring
// of its own. It moves with the machine, Wine and the display, as rechner.exe does.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_DESTROY) {
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    };
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"Bare";
    RegisterClassExW(&windowClass);
    const HWND window = CreateWindowExW(0, L"Bare", L"Bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 564,
                                        545, nullptr, nullptr, instance, nullptr);
    const auto child = [&](const wchar_t* kind, const std::wstring& text, DWORD style, int x, int y, int w, int h) {
        CreateWindowExW(0, kind, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, window, nullptr, instance,
                        nullptr);
    };
    for (int i = 0; i < 4; ++i) {
        child(L"EDIT", L"", WS_BORDER | ES_AUTOHSCROLL, 32, 24 + 68 * i, 297, 33);
    }
    for (int i = 0; i < 29; ++i) {
        child(L"BUTTON", std::to_wstring(i), BS_PUSHBUTTON, 40 + 70 * (i % 7), 232 + 35 * (i / 7), 49, 25);
    }
    for (int i = 0; i < 5; ++i) {
        child(L"STATIC", L"Label", SS_LEFT, 336, 32 + 68 * i, 113, 25);
    }
    ShowWindow(window, showCommand);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
