// rechner.exe as a Windows screen reader meets it, from a process of its
// own: the live region's event caught out of context and its name read
// through MSAA at that moment, as NVDA reads a Win32 window; the keys
// clicked; the "Fehler" box read through MSAA.
// Usage: reader_tests path\to\rechner.exe

#include "window/design.hpp"
#include "window/form1_controls.hpp"
#include "window/win32/form1.hpp"

#include <initguid.h>   // IID_IAccessible defined here: liboleacc's symbol of that name is no GUID

#include <oleacc.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

using rechner::Form1;
using rechner::kForm1Controls;
using rechner::utf8Of;
using rechner::wideOf;
using rechner::testing::kAnnounced;

namespace {

std::wstring rechnerPath;

std::wstring classOf(HWND window)
{
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return name;
}

// An object's name as MSAA gives it to a screen reader.
std::string accessibleName(IAccessible* object, VARIANT child)
{
    BSTR name = nullptr;
    std::string result = "(no name)";
    if (object != nullptr && SUCCEEDED(object->get_accName(child, &name)) && name != nullptr) {
        result = utf8Of(name);
        SysFreeString(name);
    }
    return result;
}

std::string accessibleName(HWND window, LONG object)
{
    IAccessible* accessible = nullptr;
    AccessibleObjectFromWindow(window, static_cast<DWORD>(object), IID_IAccessible, reinterpret_cast<void**>(&accessible));
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    std::string name = accessibleName(accessible, self);
    if (accessible != nullptr) accessible->Release();
    return name;
}

// What the live-region events said, and where the region was.
std::vector<std::string> heard;
std::vector<std::string> placesWithoutSize;

void CALLBACK liveRegionChanged(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    IAccessible* accessible = nullptr;
    VARIANT which{};
    if (FAILED(AccessibleObjectFromEvent(window, static_cast<DWORD>(object), static_cast<DWORD>(child), &accessible,
                                         &which))) {
        heard.emplace_back("(no object for the event)");
        return;
    }
    heard.push_back(accessibleName(accessible, which));
    LONG left = 0, top = 0, width = 0, height = 0;
    if (FAILED(accessible->accLocation(&left, &top, &width, &height, which)) || width < 1 || height < 1) {
        placesWithoutSize.push_back(heard.back());
    }
    accessible->Release();
}

struct ErrorBox {
    std::string title;
    std::string message;
};

// rechner.exe started, and looked at from here.
class Rechner {
public:
    Rechner()
    {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        std::wstring commandLine = L"\"" + rechnerPath + L"\"";
        if (!CreateProcessW(rechnerPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process_)) {
            ADD_FAILURE() << "rechner.exe did not start, error " << GetLastError();
            return;
        }
        // Idle once its window waits for input.
        WaitForInputIdle(process_.hProcess, 60000);
        window_ = FindWindowW(L"RechnerForm1", nullptr);
        DWORD owner = 0;
        GetWindowThreadProcessId(window_, &owner);
        if (window_ == nullptr || owner != process_.dwProcessId) {
            ADD_FAILURE() << "rechner.exe is idle but shows no window";
            window_ = nullptr;
            return;
        }
        hook_ = SetWinEventHook(EVENT_OBJECT_LIVEREGIONCHANGED, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr,
                                liveRegionChanged, process_.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
        heard.clear();
        placesWithoutSize.clear();
    }

    ~Rechner()
    {
        if (hook_ != nullptr) UnhookWinEvent(hook_);
        if (process_.hProcess == nullptr) return;
        if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
        DWORD status = 1;
        if (WaitForSingleObject(process_.hProcess, 60000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "rechner.exe did not end within 60 s of closing its window";
            TerminateProcess(process_.hProcess, 1);
        }
        GetExitCodeProcess(process_.hProcess, &status);
        EXPECT_EQ(status, 0U) << "closing the window";
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    Rechner(const Rechner&) = delete;
    Rechner& operator=(const Rechner&) = delete;

    bool running() const { return window_ != nullptr; }

    // A control by its name or, for a key, its caption: the control with
    // the id the window gave it.
    HWND control(std::string_view nameOrCaption) const
    {
        const auto found = std::find_if(kForm1Controls.begin(), kForm1Controls.end(), [&](const auto& c) {
            return nameOrCaption == c.name || (rechner::isKey(c.kind) && nameOrCaption == c.caption);
        });
        if (found == kForm1Controls.end()) return nullptr;
        return GetDlgItem(window_, Form1::kFirstControlId + static_cast<int>(found - kForm1Controls.begin()));
    }

    // Types a text at the end of field N, as keys typed there arrive.
    void type(char n, const std::string& text) const
    {
        const HWND edit = control(std::string("txt_Text") + n);
        const auto end = static_cast<WPARAM>(GetWindowTextLengthW(edit));
        SendMessageW(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
        for (const wchar_t c : wideOf(text)) SendMessageW(edit, WM_CHAR, c, 1);
    }

    // Presses a key and waits until it has run; an error box it opens is
    // read and closed with its OK key first. A button's default action in
    // MSAA is a click, but Wine's MSAA has none for a button: the key gets
    // the click itself, sent without waiting for the answer, which comes
    // back once the key has run.
    std::vector<ErrorBox> press(const std::string& caption)
    {
        std::vector<ErrorBox> boxes;
        const HWND key = control(caption);
        if (key == nullptr) {
            ADD_FAILURE() << "no key " << caption;
            return boxes;
        }
        bool done = false;
        SendMessageCallbackW(key, BM_CLICK, 0, 0, keyDone, reinterpret_cast<ULONG_PTR>(&done));

        const DWORD deadline = GetTickCount() + 60000;
        while (!done) {
            if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
                ADD_FAILURE() << "the key " << caption << " had not run after 60 s";
                break;
            }
            // The messages of this thread, the live-region events among
            // them; the box is looked for whenever nothing else came.
            if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT) == WAIT_TIMEOUT) {
                if (const HWND box = errorBox()) boxes.push_back(readAndClose(box));
            }
            pump();
        }
        pump();
        return boxes;
    }

private:
    static void CALLBACK keyDone(HWND, UINT, ULONG_PTR done, LRESULT) { *reinterpret_cast<bool*>(done) = true; }

    static void pump()
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }

    HWND errorBox() const
    {
        HWND found = nullptr;
        EnumThreadWindows(
            process_.dwThreadId,
            [](HWND window, LPARAM data) -> BOOL {
                if (classOf(window) != L"#32770" || !IsWindowVisible(window)) return TRUE;
                *reinterpret_cast<HWND*>(data) = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found;
    }

    // A message box's text is the static control 0xFFFF; its OK key IDOK.
    static ErrorBox readAndClose(HWND box)
    {
        ErrorBox read{accessibleName(box, OBJID_CLIENT), accessibleName(GetDlgItem(box, 0xFFFF), OBJID_CLIENT)};
        SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        return read;
    }

    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
    HWINEVENTHOOK hook_ = nullptr;
};

} // namespace

// Each row of the shared table in a fresh rechner.exe: every announcement
// heard once, in order, nothing for a key that changes nothing, and an
// error box read instead of an announcement.
TEST(ScreenReaders, HearEveryAnnouncementOnceFromOutside)
{
    for (const auto& row : kAnnounced) {
        Rechner rechner;
        ASSERT_TRUE(rechner.running());
        std::vector<ErrorBox> boxes;
        for (const auto& step : row.steps) {
            if (step.size() >= 3 && step[0] == '@') {
                rechner.type(step[1], step.substr(3));
            } else {
                for (const auto& box : rechner.press(step)) boxes.push_back(box);
            }
        }
        std::string joined;
        for (const auto& said : heard) joined += (joined.empty() ? "" : " | ") + said;
        EXPECT_EQ(joined, row.heard) << row.steps[0];
        EXPECT_TRUE(placesWithoutSize.empty()) << "a live region without size said " << placesWithoutSize.front();
        for (const auto& box : boxes) {
            EXPECT_EQ(box.title, "Fehler") << row.steps[0];
            EXPECT_EQ(box.message.rfind("Keine Zahl: ", 0), 0U) << row.steps[0] << ": " << box.message;
        }
        if (row.heard.empty()) {
            ASSERT_EQ(boxes.size(), 1U) << row.steps[0];
            EXPECT_EQ(boxes[0].message, "Keine Zahl: „abc“");
        }
    }
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: reader_tests rechner.exe\n");
        return 2;
    }
    rechnerPath = wideOf(argv[1]);
    CoInitialize(nullptr);
    const int status = RUN_ALL_TESTS();
    CoUninitialize();
    return status;
}
