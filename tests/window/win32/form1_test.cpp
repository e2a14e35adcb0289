// The Windows window driven through its controls, as Windows delivers clicks
// and keys: checked against the same tables as the Qt window.

#include "keypad.hpp"
#include "window/design.hpp"
#include "window/version.hpp"
#include "window/win32/form1.hpp"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <cmath>
#include <string>
#include <vector>

using rechner::Form1;
using rechner::utf8Of;
using rechner::wideOf;
using rechner::testing::kDesign;
using rechner::testing::kEveryKey;
using rechner::testing::Shown;

namespace {

std::string textOf(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return utf8Of(text);
}

std::string classOf(HWND window)
{
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return utf8Of(name);
}

struct Window {
    Form1 form;
    std::vector<std::string> reported;

    Window()
    {
        form.setErrorReporter([this](HWND, const std::string& message) { reported.push_back(message); });
        form.show(SW_SHOWNORMAL);
        pump();
    }

    // Hands every queued message to the window as its message loop does.
    void pump()
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!form.translateKey(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }

    // A key as the tests name it (namedControl).
    HWND key(const std::string& name)
    {
        const auto* control = rechner::testing::namedControl(name);
        const HWND found = control == nullptr ? nullptr : form.control(control->name);
        if (found == nullptr) ADD_FAILURE() << "no key " << name;
        return found;
    }

    HWND field(char n) { return form.control(std::string("txt_Text") + n); }

    // A key through the keyboard, as the user presses it: posted to the
    // window that has the focus and taken from the queue.
    void press(WPARAM virtualKey, bool heldDown = false)
    {
        PostMessageW(GetFocus(), WM_KEYDOWN, virtualKey, 1);
        if (heldDown) {   // long enough for the key to repeat once
            PostMessageW(GetFocus(), WM_KEYDOWN, virtualKey, static_cast<LPARAM>(0x40000001UL));
        }
        PostMessageW(GetFocus(), WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001UL));
        pump();
    }

    // The tests' steps (stepOf): a key is clicked; "@N:text" is typed into
    // field N over its whole text, selected first.
    void steps(const std::vector<std::string>& steps)
    {
        for (const auto& step : steps) {
            const rechner::testing::Step s = rechner::testing::stepOf(step);
            if (s.fill) {
                const HWND edit = form.control(s.control->name);
                SendMessageW(edit, EM_SETSEL, 0, -1);
                SendMessageW(edit, WM_CHAR, VK_BACK, 1);
                for (const wchar_t c : wideOf(s.text)) SendMessageW(edit, WM_CHAR, c, 1);
            } else {
                SendMessageW(key(step), BM_CLICK, 0, 0);
            }
            pump();
        }
    }

    Shown shown() { return {textOf(field('1')), textOf(field('2')), textOf(field('3')), textOf(field('5'))}; }
};

RECT placeOf(HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The message font at `percent` of its size while this lives, as "Make
// text bigger" sets it; for this session of Windows only, not saved.
struct MessageFont {
    NONCLIENTMETRICSW saved{};
    explicit MessageFont(int percent)
    {
        saved.cbSize = sizeof(saved);
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(saved), &saved, 0);
        NONCLIENTMETRICSW larger = saved;
        larger.lfMessageFont.lfHeight = MulDiv(saved.lfMessageFont.lfHeight, percent, 100);
        SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(larger), &larger, 0);
    }
    ~MessageFont() { SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(saved), &saved, 0); }
    MessageFont(const MessageFont&) = delete;
    MessageFont& operator=(const MessageFont&) = delete;
};

// How many lines a control's caption takes in its font within `width`
// pixels, and how high they are.
std::pair<int, int> linesOf(HWND control, const std::string& caption, int width)
{
    const HDC dc = GetDC(control);
    const HGDIOBJ before = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT r{0, 0, width, 0};
    const std::wstring text = wideOf(caption);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, before);
    ReleaseDC(control, dc);
    return {static_cast<int>((r.bottom + metrics.tmHeight / 2) / metrics.tmHeight), static_cast<int>(r.bottom)};
}

} // namespace

TEST(Layout, WhatWindowsShowsOfTheProgram)
{
    Window w;
    EXPECT_EQ(textOf(w.form.window()), "Form1");
    // What Windows shows of the window and the file: the icon, the product and its version.
    EXPECT_NE(GetClassLongPtrW(w.form.window(), GCLP_HICON), 0);
    EXPECT_NE(GetClassLongPtrW(w.form.window(), GCLP_HICONSM), 0);
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::vector<char> info(GetFileVersionInfoSizeW(path, nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, static_cast<DWORD>(info.size()), info.data()));
    for (const auto& [name, expected] : {std::pair{L"ProductName", "Rechner"}, std::pair{L"ProductVersion", RECHNER_VERSION}}) {
        void* value = nullptr;
        UINT size = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), (std::wstring(L"\\StringFileInfo\\040704B0\\") + name).c_str(), &value, &size));
        EXPECT_EQ(utf8Of(static_cast<const wchar_t*>(value)), expected);
    }
}

// At the screen's DPI and the message font's size: each control at its
// twips at the layout's scale, exactly the design's at a message font of
// 100 %, every caption whole, nothing outside the window or over another.
TEST(Layout, EveryControlAtItsTwipsAtEachDpiAndTextSize)
{
    struct Setting {
        UINT dpi;
        int percent;   // of the message font
    };
    for (const Setting setting : {Setting{96, 100}, Setting{144, 100}, Setting{96, 150}, Setting{96, 200}}) {
        const std::string at = std::to_string(setting.dpi) + " dpi, " + std::to_string(setting.percent) + " %";
        const MessageFont messageFont(setting.percent);
        Window w;
        const UINT dpi = setting.dpi;
        if (dpi != 96) {
            RECT suggested{0, 0, 822, 759};
            AdjustWindowRectExForDpi(&suggested, WS_OVERLAPPEDWINDOW, FALSE, 0, dpi);
            SendMessageW(w.form.window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        }
        const int layout = w.form.scale().dpi();
        EXPECT_GE(layout, static_cast<int>(dpi)) << at;
        EXPECT_EQ(layout > static_cast<int>(dpi), setting.percent > 100) << at;   // grown for a larger font only
        // (The window's frame stays that of the screen's real DPI: at a DPI
        // only told, the client area is the layout's give or take the frame.)
        const RECT designed{0, 0, std::lround(8220 * layout / 1440.0), std::lround(7590 * layout / 1440.0)};
        RECT client = designed;
        if (dpi == 96) {
            GetClientRect(w.form.window(), &client);
            EXPECT_TRUE(EqualRect(&client, &designed)) << at << ": " << client.right << " x " << client.bottom;
        }

        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi);
        std::vector<rechner::testing::Placed> placed;
        for (const auto& e : kDesign) {
            const HWND control = w.form.control(e.name);
            ASSERT_NE(control, nullptr) << e.name;
            const RECT r = placeOf(control);
            placed.push_back({e.name, r.left, r.top, r.right, r.bottom});
            EXPECT_EQ(r.left, std::lround(e.left * layout / 1440.0)) << e.name << " " << at;
            EXPECT_EQ(r.top, std::lround(e.top * layout / 1440.0)) << e.name << " " << at;
            EXPECT_EQ(r.right - r.left, std::lround(e.width * layout / 1440.0)) << e.name << " " << at;
            EXPECT_EQ(r.bottom - r.top, std::lround(e.height * layout / 1440.0)) << e.name << " " << at;

            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
            if (*e.family == '\0') {
                EXPECT_EQ(utf8Of(font.lfFaceName), utf8Of(metrics.lfMessageFont.lfFaceName)) << e.name;
                EXPECT_EQ(font.lfHeight, std::lround(metrics.lfMessageFont.lfHeight * w.form.scale().font))
                    << e.name << " " << at;
            } else {
                EXPECT_EQ(utf8Of(font.lfFaceName), e.family) << e.name;
                EXPECT_EQ(font.lfHeight, -std::lround(e.points * layout / 72)) << e.name << " " << at;
                EXPECT_EQ(font.lfWeight, e.bold ? FW_BOLD : FW_NORMAL) << e.name;
            }
            // The caption whole: a key's within its edge (two pixels on each
            // side) and text margins, on one line, " Schritt   zurück" on two.
            if (e.kind != 'T') {
                int width = r.right - r.left;
                if (e.kind == 'K') {
                    RECT margin{};
                    SendMessageW(control, BCM_GETTEXTMARGIN, 0, reinterpret_cast<LPARAM>(&margin));
                    width -= 4 + margin.left + margin.right;
                }
                const auto [lines, height] = linesOf(control, textOf(control), width);
                EXPECT_EQ(lines, std::string(e.name) == "cm_Command200" ? 2 : 1) << e.name << " " << at;
                EXPECT_LE(height, r.bottom - r.top) << e.name << " " << at;
            }
            if (dpi != 96 || setting.percent != 100) continue;
            EXPECT_EQ(classOf(control), e.kind == 'K' ? "Button" : e.kind == 'L' ? "Static" : "Edit") << e.name;
            if (e.caption != nullptr && e.kind != 'T') {
                EXPECT_EQ(textOf(control), e.caption) << e.name;
            }
            EXPECT_EQ((GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0, e.kind != 'L') << e.name;
        }
        // The live region: a pixel under no control, drawn in the window's
        // colour, never a tab stop.
        const RECT region = placeOf(w.form.announcement());
        EXPECT_EQ(region.right - region.left, 1) << at;
        EXPECT_EQ(region.bottom - region.top, 1) << at;
        placed.push_back({"the live region", region.left, region.top, region.right, region.bottom});
        EXPECT_EQ(rechner::testing::misplaced(placed, client.right, client.bottom, layout), std::vector<std::string>{})
            << at;
        EXPECT_EQ(GetWindowLongW(w.form.announcement(), GWL_STYLE) & WS_TABSTOP, 0);
        const HDC dc = GetDC(w.form.announcement());
        SendMessageW(w.form.window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(w.form.announcement()));
        EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_BTNFACE));
        ReleaseDC(w.form.announcement(), dc);
    }
}

TEST(Focus, StartsInVariable1AndTabWalksTheDesignOrder)
{
    Window w;
    std::vector<std::string> expected;
    for (const auto& e : kDesign) {
        if (e.kind != 'L') expected.emplace_back(e.name);
    }
    expected.emplace_back("txt_Text1");   // after "tan" the focus comes back round
    std::vector<std::string> walked;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (i > 0) w.press(VK_TAB);
        const HWND focus = GetFocus();
        const auto named = std::find_if(kDesign.begin(), kDesign.end(),
                                        [&](const auto& e) { return w.form.control(e.name) == focus; });
        walked.emplace_back(named == kDesign.end() ? "?" : named->name);
    }
    EXPECT_EQ(walked, expected);
}

TEST(Focus, ComesBackWhereItWasWhenTheWindowIsActivatedAgain)
{
    // Windows' own order, without a window manager's messages in between:
    // the window hears it is deactivated while the focus is still in it, the
    // focus leaves, and on activation the frame would take it.
    Window w;
    for (const char* name : {"txt_Text1", "txt_Text2", "cm_Command8", "cm_Command730"}) {
        SetFocus(w.form.control(name));
        SendMessageW(w.form.window(), WM_ACTIVATE, WA_INACTIVE, 0);
        SetFocus(w.form.window());
        SendMessageW(w.form.window(), WM_ACTIVATE, WA_ACTIVE, 0);
        EXPECT_EQ(GetFocus(), w.form.control(name)) << "after activating the window again, the focus is not back in " << name;
    }
}

TEST(Keys, ClickSpaceOrReturnOnAFocusedKeyRunsItsOperationOnce)
{
    for (const WPARAM pressed : {WPARAM{0}, WPARAM{VK_SPACE}, WPARAM{VK_RETURN}}) {
        for (const auto& row : kEveryKey) {
            Window w;
            w.steps(row.before);
            if (pressed == 0) {
                w.steps({row.key});
            } else {
                SetFocus(w.key(row.key));
                w.press(pressed, true);
            }
            EXPECT_EQ(w.shown(), row.shown) << row.key << " " << pressed;
            EXPECT_TRUE(w.reported.empty()) << row.key;
        }
    }
}

TEST(Typing, ChangesOnlyTheFieldAndReturnOrEscapeClickNothing)
{
    Window w;
    w.steps({"@1:5", "+", "@2:3", "="});
    const HWND result = w.field('3');
    SendMessageW(result, EM_SETSEL, GetWindowTextLengthW(result), GetWindowTextLengthW(result));
    for (const wchar_t c : wideOf("äöü😀")) SendMessageW(result, WM_CHAR, c, 1);
    w.pump();
    EXPECT_EQ(w.shown(), (Shown{"5", "3", "8äöü😀", "  +"}));
    EXPECT_FALSE(w.form.state().flg_EntryMade);
    for (const char n : {'1', '2', '3', '5'}) {
        SetFocus(w.field(n));
        w.press(VK_RETURN);
        w.press(VK_ESCAPE);
    }
    EXPECT_EQ(w.shown(), (Shown{"5", "3", "8äöü😀", "  +"}));
}

// Past the 30 000 characters an EDIT control takes by default. (Wine's EDIT
// control takes time growing with the square of the text's length, so a
// million characters are too slow to paste here.)
TEST(Typing, LongPastedTextsStayWholeAndCtrlASelectsThem)
{
    Window w;
    const std::wstring pasted(40000, L'1');
    SendMessageW(w.field('1'), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(pasted.c_str()));
    w.steps({"2"});
    EXPECT_EQ(GetWindowTextLengthW(w.field('1')), 40001);

    SetFocus(w.field('1'));
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    w.press('A');
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    DWORD start = 1;
    DWORD end = 0;
    SendMessageW(w.field('1'), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0U);
    EXPECT_EQ(end, 40001U);
}

namespace {

// The "Fehler" box as the user sees it, read and closed with Return from
// inside its own modal loop.
std::string boxTitle;
std::string boxText;

void CALLBACK closeErrorBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND box, LPARAM) -> BOOL {
            if (classOf(box) != "#32770") return TRUE;
            boxTitle = textOf(box);
            EnumChildWindows(
                box,
                [](HWND child, LPARAM) -> BOOL {
                    if (classOf(child) == "Static" && textOf(child).size() > boxText.size()) boxText = textOf(child);
                    return TRUE;
                },
                0);
            PostMessageW(box, WM_KEYDOWN, VK_RETURN, 1);
            return FALSE;
        },
        0);
    if (!boxTitle.empty()) KillTimer(nullptr, timer);
}

} // namespace

TEST(RuntimeErrors, AMessageBoxTellsAndTheCalculatorGoesOn)
{
    Form1 form;
    form.show(SW_SHOWNORMAL);
    const std::string pasted(1000, 'a');
    SetWindowTextW(form.control("txt_Text1"), wideOf(pasted).c_str());
    SetTimer(nullptr, 0, 50, closeErrorBox);
    SendMessageW(form.control("cm_Command720"), BM_CLICK, 0, 0);
    EXPECT_EQ(boxTitle, "Fehler");
    EXPECT_EQ(boxText, "Keine Zahl: „" + std::string(40, 'a') + "…“ (1000 Zeichen)");
    EXPECT_EQ(textOf(form.control("txt_Text1")), pasted);   // nothing pasted is lost
}

TEST(End, ExitAndTheFrameEndTheMessageLoopWithStatusZero)
{
    for (const bool byExit : {true, false}) {
        Form1 form;
        form.show(SW_SHOWNORMAL);
        if (byExit) {
            PostMessageW(form.control("cm_Command20"), BM_CLICK, 0, 0);
        } else {
            PostMessageW(form.window(), WM_CLOSE, 0, 0);
        }
        EXPECT_EQ(form.exec(), 0);
        EXPECT_EQ(form.window(), nullptr);
    }
}

// Under a contrast theme's system colours (white on black, as in Windows'
// dark contrast themes) the window draws in them: from its pixels on the
// screen, each caption at least 7:1 against its control's face (its inkiest
// pixel against its commonest), each key's and field's edge at least 3:1
// against the window around it.
TEST(Contrast, AContrastThemesColoursAreTheWindows)
{
    // The faces black, the texts and edges white.
    static const int elements[] = {COLOR_BTNFACE, COLOR_WINDOW, COLOR_BTNTEXT, COLOR_WINDOWTEXT, COLOR_3DHILIGHT,
                                   COLOR_3DSHADOW, COLOR_3DDKSHADOW, COLOR_3DLIGHT, COLOR_WINDOWFRAME};
    constexpr int count = static_cast<int>(std::size(elements));
    static COLORREF saved[count];
    COLORREF theme[count];
    for (int i = 0; i < count; ++i) {
        saved[i] = GetSysColor(elements[i]);
        theme[i] = i < 2 ? RGB(0, 0, 0) : RGB(255, 255, 255);
    }
    SetSysColors(count, elements, theme);
    const struct Restore {
        ~Restore() { SetSysColors(count, elements, saved); }
    } restore;

    Window w;
    w.steps({"@1:12", "@2:34", "@3:46", "@5:+"});
    SetFocus(w.form.control("txt_Text2"));   // the caret away from the fields looked at first
    RedrawWindow(w.form.window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    w.pump();
    const HDC screen = GetDC(w.form.window());
    const auto rgb = [screen](int x, int y) {
        const COLORREF c = GetPixel(screen, x, y);
        return static_cast<std::uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
    };
    const std::uint32_t around = rgb(2, 2);
    EXPECT_EQ(around, 0U) << "the window is not drawn in the theme's face colour";
    for (const auto& e : kDesign) {
        const RECT r = placeOf(w.form.control(e.name));
        const rechner::testing::Ink ink = rechner::testing::inkOn({r.left, r.top, r.right, r.bottom}, rgb);
        EXPECT_GE(ink.contrast, 7.0) << e.name << " on " << std::hex << ink.face;
        if (e.kind == 'L') continue;
        const std::uint32_t edge = rgb((r.left + r.right) / 2, r.top);
        EXPECT_GE(rechner::testing::contrastRatio(edge, around), 3.0) << e.name << "'s edge " << std::hex << edge;
    }
    ReleaseDC(w.form.window(), screen);
}

