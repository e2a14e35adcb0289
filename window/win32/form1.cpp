#include "window/win32/form1.hpp"

#include "window/form1_controls.hpp"

#include <commctrl.h>
#include <initguid.h>
#include <oleacc.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace rechner {
namespace {

constexpr wchar_t kClassName[] = L"RechnerForm1";
constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW;

// UI Automation's live setting, which Debian 12's mingw-w64 headers lack.
// A polite live region is read when the screen reader is done speaking.
constexpr GUID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kPolite = 1;

int scaled(int twips, UINT dpi) { return scaledPixels(twips, static_cast<int>(dpi)); }

// The window default, the system's user-interface font: the one message
// boxes use, which "Make text bigger" enlarges.
constexpr FontDescription kMessageFont{nullptr, 0.0, false};

// The font of a control: the message font at the screen's DPI, drawn at
// `shrink` times its size (smaller only on a screen too small for the
// window it needs); a named font at the layout's DPI.
HFONT createFont(const FontDescription& description, UINT dpi, double shrink = 1.0)
{
    LOGFONTW font{};
    if (description.family == nullptr) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi);
        font = metrics.lfMessageFont;
        if (shrink < 1.0) {
            font.lfHeight = static_cast<LONG>(std::lround(font.lfHeight * shrink));
        }
    } else {
        font.lfHeight = -static_cast<LONG>(std::lround(description.points * dpi / 72.0));
        font.lfWeight = description.bold ? FW_BOLD : FW_NORMAL;
        font.lfCharSet = ANSI_CHARSET;
        const std::wstring face = wideOf(description.family);
        std::copy_n(face.c_str(), std::min<std::size_t>(face.size() + 1, LF_FACESIZE), font.lfFaceName);
    }
    return CreateFontIndirectW(&font);
}

bool isClass(HWND window, const wchar_t* name)
{
    wchar_t found[16] = {};
    GetClassNameW(window, found, 16);
    return lstrcmpiW(found, name) == 0;
}

} // namespace

std::wstring wideOf(std::string_view utf8)
{
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string utf8Of(std::wstring_view wide)
{
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    std::string utf8(
        static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}

Form1::ComApartment::ComApartment() : started(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}

Form1::ComApartment::~ComApartment()
{
    if (started) {
        CoUninitialize();
    }
}

void Form1::Release::operator()(IAccPropServices* services) const
{
    services->Release();
}

Form1::Form1()
{
    // The common controls of the manifest's version, loaded here rather than
    // imported: what they load in turn then follows the program's DLL search
    // order (rechner.exe allows the system folder only), which is not yet in
    // force while Windows loads a program's imports. The theme's drawing
    // library is loaded up front as well: Wine's themes load it on first use
    // past that search order, from the program's folder first.
    LoadLibraryExW(L"msimg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (const HMODULE commonControls = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        using Initialise = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        const auto initialise = reinterpret_cast<Initialise>(
            reinterpret_cast<void (*)()>(GetProcAddress(commonControls, "InitCommonControlsEx")));
        const INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
        if (initialise != nullptr) {
            initialise(&common);
        }
    }

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    static const bool registered = [instance] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = windowProcedure;
        windowClass.hInstance = instance;
        windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                          GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
        windowClass.hIconSm = static_cast<HICON>(LoadImageW(
            instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));   // IDC_ARROW
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass) != 0;
    }();
    if (!registered) {
        return;
    }
    // Made at its size for the DPI of the screen it opens on, the system's;
    // a window that lands on a screen of another DPI is laid out anew.
    const UINT dpi = GetDpiForSystem();
    RECT frame{0, 0, scaled(kClientWidthTwips, dpi), scaled(kClientHeightTwips, dpi)};
    AdjustWindowRectExForDpi(&frame, kFrameStyle, FALSE, 0, dpi);
    window_ = CreateWindowExW(0, kClassName, L"Form1", kFrameStyle, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                              frame.bottom - frame.top, nullptr, nullptr, instance, this);
    if (window_ == nullptr) {
        return;
    }
    scale_.layout = dpi / 96.0;
    createControls(dpi);
    if (std::find(controls_.begin(), controls_.end(), nullptr) != controls_.end() || announcement_ == nullptr) {
        tearDown(false);
        return;
    }
    layOut(GetDpiForWindow(window_));
    lastFocus_ = control(fieldControl(FieldRole::Variable1).name);
}

Form1::~Form1()
{
    tearDown(false);   // gone with its owner, the window ends no message loop
}

void Form1::createControls(UINT dpi)
{
    setFonts(dpi, scale_);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    // Created in tab order: the dialog keys walk the controls in that order.
    for (std::size_t i = 0; i < kForm1Controls.size(); ++i) {
        const ControlDescription& c = kForm1Controls[i];
        const wchar_t* windowClass = L"STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE;
        DWORD extended = 0;
        switch (c.kind) {
        case ControlKind::TextField:
            windowClass = L"EDIT";
            style |= WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
            extended = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::Key:
        case ControlKind::ExitKey:
            // A caption wider than its key wraps at its blanks.
            windowClass = L"BUTTON";
            style |= WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE;
            break;
        case ControlKind::Label:
            style |= SS_LEFT | SS_NOPREFIX;
            break;
        }
        const HWND control = CreateWindowExW(
            extended, windowClass, wideOf(c.caption).c_str(), style, scaled(c.left, dpi), scaled(c.top, dpi),
            scaled(c.width, dpi), scaled(c.height, dpi), window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)), instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[i]), FALSE);
        if (c.kind == ControlKind::TextField) {
            SendMessageW(control, EM_SETLIMITTEXT, 0, 0);   // no limit of its own, not 30 000 characters
        }
        controls_.push_back(control);
    }
    // The live region screen readers read after each key: one pixel in the
    // top left corner, where no control stands, drawn in the colour of the
    // window (WM_CTLCOLORSTATIC); UI Automation counts an empty rectangle as
    // off-screen. Not a tab stop.
    announcement_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 1, 1, window_,
                                    nullptr, instance, nullptr);

    // Screen readers: each field named by its label, each key by its name
    // with its caption as description, the live region polite. Without the
    // service (Wine has none) they name the controls by their texts.
    IAccPropServices* properties = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                   reinterpret_cast<void**>(&properties)))) {
        annotations_.reset(properties);
        for (std::size_t i = 0; i < kForm1Controls.size(); ++i) {
            const ControlDescription& c = kForm1Controls[i];
            properties->SetHwndPropStr(controls_[i], static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME,
                                       wideOf(c.accessibleName).c_str());
            if (isKey(c.kind)) {
                properties->SetHwndPropStr(controls_[i], static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                           PROPID_ACC_DESCRIPTION, wideOf(c.caption).c_str());
            }
        }
        VARIANT polite{};
        polite.vt = VT_I4;
        polite.lVal = kPolite;
        properties->SetHwndProp(announcement_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kLiveSettingProperty,
                                polite);
    }
}

// One font for each control at a DPI, made once for each description the
// controls share; the window default is the one message boxes use. The
// fonts made before stay until the caller lets them go.
void Form1::setFonts(UINT dpi, const LayoutScale& scale)
{
    const auto same = [](const FontDescription& a, const FontDescription& b) {
        return a.family == b.family && a.points == b.points && a.bold == b.bold;
    };
    std::vector<HFONT> fonts;
    std::vector<OwnedFont> made;
    for (std::size_t i = 0; i < kForm1Controls.size(); ++i) {
        std::size_t first = 0;
        while (!same(kForm1Controls[first].font, kForm1Controls[i].font)) {
            ++first;
        }
        if (first == i) {
            const FontDescription& font = kForm1Controls[i].font;
            made.emplace_back(font.family == nullptr ? createFont(font, dpi, scale.font)
                                                     : createFont(font, static_cast<UINT>(scale.dpi())));
            fonts.push_back(made.back().get());
        } else {
            fonts.push_back(fonts[first]);
        }
    }
    fonts_.swap(fonts);
    ownFonts_.swap(made);
}

std::vector<CaptionNeed> Form1::captionNeeds(UINT dpi, double font) const
{
    const OwnedFont measured(createFont(kMessageFont, dpi, font));
    const HDC dc = GetDC(window_);
    const HGDIOBJ before = SelectObject(dc, measured.get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    std::vector<CaptionNeed> needs;
    for (std::size_t i = 0; i < kForm1Controls.size(); ++i) {
        const ControlDescription& c = kForm1Controls[i];
        if (!inDefaultFont(c)) {
            continue;
        }
        const std::wstring caption = wideOf(c.caption);
        SIZE size{};
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
        CaptionNeed need{c.width, c.height, static_cast<double>(size.cx), static_cast<double>(metrics.tmHeight), 0, 0};
        if (isKey(c.kind)) {
            // A key draws its caption inside its edge and focus rectangle,
            // three pixels at 96 dpi on each side, and its text margins.
            RECT margin{};
            SendMessageW(controls_[i], BCM_GETTEXTMARGIN, 0, reinterpret_cast<LPARAM>(&margin));
            const double edge = 2.0 * MulDiv(3, static_cast<int>(dpi), 96);
            need.frameWidth = edge + margin.left + margin.right;
            need.frameHeight = edge + margin.top + margin.bottom;
        }
        needs.push_back(need);
    }
    SelectObject(dc, before);
    ReleaseDC(window_, dc);
    return needs;
}

double Form1::screenRoom(UINT dpi) const
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return 1e9;   // no screen to ask: as large as the captions need
    }
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectExForDpi(&frame, kFrameStyle, FALSE, 0, dpi);
    const double width = (monitor.rcWork.right - monitor.rcWork.left) - (frame.right - frame.left);
    const double height = (monitor.rcWork.bottom - monitor.rcWork.top) - (frame.bottom - frame.top);
    return roomFor(width, height);
}

// Lays the window out for a DPI: at the scale the message font's captions
// need (fitLayout), every control at its twips converted at that scale, the
// window's client area as large as the layout. The old fonts go once no
// control uses them.
void Form1::layOut(UINT dpi)
{
    scale_ = fitLayout([this, dpi](double font) { return captionNeeds(dpi, font); }, dpi / 96.0, screenRoom(dpi));
    const auto layoutDpi = static_cast<UINT>(scale_.dpi());
    const std::vector<OwnedFont> old = std::move(ownFonts_);
    setFonts(dpi, scale_);
    RECT frame{0, 0, scaled(kClientWidthTwips, layoutDpi), scaled(kClientHeightTwips, layoutDpi)};
    AdjustWindowRectExForDpi(&frame, kFrameStyle, FALSE, 0, dpi);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (std::size_t i = 0; i < kForm1Controls.size(); ++i) {
        const ControlDescription& c = kForm1Controls[i];
        SetWindowPos(controls_[i], nullptr, scaled(c.left, layoutDpi), scaled(c.top, layoutDpi),
                     scaled(c.width, layoutDpi), scaled(c.height, layoutDpi), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[i]), TRUE);
    }
}

// The annotations are kept by the service, not by the controls: they are
// cleared before the controls go.
void Form1::tearDown(bool alreadyGoing)
{
    if (window_ == nullptr) {
        return;
    }
    if (annotations_ != nullptr) {
        const MSAAPROPID named[] = {PROPID_ACC_NAME, PROPID_ACC_DESCRIPTION};
        for (const HWND control : controls_) {
            annotations_->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, named, 2);
        }
        const MSAAPROPID live[] = {kLiveSettingProperty};
        annotations_->ClearHwndProps(announcement_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, live, 1);
        annotations_.reset();
    }
    const HWND window = std::exchange(window_, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (!alreadyGoing) {
        DestroyWindow(window);
    }
}

HWND Form1::control(std::string_view name) const
{
    const auto found = std::find_if(kForm1Controls.begin(), kForm1Controls.end(),
                                    [name](const ControlDescription& c) { return name == c.name; });
    return found == kForm1Controls.end() ? nullptr : controls_.at(static_cast<std::size_t>(found - kForm1Controls.begin()));
}

void Form1::show(int showCommand)
{
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    SetFocus(control(fieldControl(FieldRole::Variable1).name));
}

int Form1::exec()
{
    MSG message;
    while (const BOOL got = GetMessageW(&message, nullptr, 0, 0)) {
        if (got == -1) {
            return 1;   // the queue failed: nothing more can be run
        }
        if (!translateKey(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

bool Form1::translateKey(MSG& message)
{
    if (window_ == nullptr) {
        return false;
    }
    const HWND focus = GetFocus();
    if (message.message == WM_KEYDOWN && focus != nullptr && GetParent(focus) == window_) {
        const bool repeated = (message.lParam & (1L << 30)) != 0;
        if (message.wParam == VK_RETURN && isClass(focus, L"Button")) {
            if (!repeated) {
                SendMessageW(focus, BM_CLICK, 0, 0);
            }
            return true;
        }
        if (message.wParam == 'A' && GetKeyState(VK_CONTROL) < 0 && isClass(focus, L"Edit")) {
            SendMessageW(focus, EM_SETSEL, 0, -1);
            return true;
        }
    }
    return IsDialogMessageW(window_, &message) != FALSE;
}

LRESULT CALLBACK Form1::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return form == nullptr ? DefWindowProcW(window, message, wParam, lParam) : form->handle(window, message, wParam, lParam);
}

LRESULT Form1::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        // Only a key's own click runs it: the id and the handle must both be
        // that key's. Any program may post WM_COMMAND to this window; a made-up
        // one, or one naming a field or a label, does nothing.
        const int id = LOWORD(wParam);
        const auto index = static_cast<std::size_t>(id - kFirstControlId);
        if (HIWORD(wParam) == BN_CLICKED && id >= kFirstControlId && index < kForm1Controls.size() &&
            isKey(kForm1Controls[index].kind) && reinterpret_cast<HWND>(lParam) == controls_[index]) {
            click(kForm1Controls[index]);
        }
        return 0;   // Return and Escape in a field (IDOK, IDCANCEL) click nothing
    }
    case WM_ACTIVATE:
        // The keyboard focus comes back to where it was when the window is
        // activated again.
        if (LOWORD(wParam) == WA_INACTIVE) {
            lastFocus_ = GetFocus();
        } else if (lastFocus_ != nullptr) {
            SetFocus(lastFocus_);
        }
        return 0;
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        layOut(HIWORD(wParam));
        return 0;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == announcement_) {
            const auto hdc = reinterpret_cast<HDC>(wParam);
            SetTextColor(hdc, GetSysColor(COLOR_BTNFACE));
            SetBkColor(hdc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_DESTROY:
        // The only window is gone: the program ends with status 0.
        tearDown(true);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

std::string Form1::fieldText(const ControlDescription& field) const
{
    const HWND edit = control(field.name);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    return utf8Of(text);
}

void Form1::setFieldText(const ControlDescription& field, std::string_view text)
{
    SetWindowTextW(control(field.name), wideOf(text).c_str());
}

void Form1::announce(const std::string& text)
{
    SetWindowTextW(announcement_, wideOf(text).c_str());
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, announcement_, OBJID_CLIENT, CHILDID_SELF);
}

void Form1::showError(const std::string& message)
{
    report_(window_, message);
}

void Form1::end()
{
    DestroyWindow(window_);   // the window goes at once; the message loop ends with status 0
}

void Form1::showErrorBox(HWND owner, const std::string& message)
{
    MessageBoxW(owner, wideOf(message).c_str(), L"Fehler", MB_OK | MB_ICONWARNING);
}

} // namespace rechner
