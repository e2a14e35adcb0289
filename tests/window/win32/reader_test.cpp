// rechner.exe as a Windows screen reader meets it, from a process of its
// own: the live region's event caught out of context and its name read
// through MSAA at that moment, as NVDA reads a Win32 window; the keys
// clicked; the "Fehler" box read through MSAA. And as another program
// might meet it: messages no key sent, and DLLs put beside it.
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

// rechner.exe started (by default the one under test), and looked at from here.
class Rechner {
public:
    explicit Rechner(const std::wstring& path = rechnerPath)
    {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        std::wstring commandLine = L"\"" + path + L"\"";
        if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process_)) {
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
    bool stillRunning() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
    HWND window() const { return window_; }

    // The texts of the four fields, in tab order.
    std::string fields() const
    {
        std::string texts;
        for (const auto& c : kForm1Controls) {
            if (c.kind != rechner::ControlKind::TextField) continue;
            wchar_t text[256] = {};   // asked of the field: GetWindowText would give another process's window name
            SendMessageW(control(c.name), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
            texts += "[" + utf8Of(text) + "]";
        }
        return texts;
    }

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

// WM_COMMAND as any program can send it: a click for every control's id
// (and those beside them) without a handle, with the window's, with another
// control's, and for a field or label with its own. Rechner must go on
// running, and no field change.
TEST(ForeignPrograms, ClickNoKeyByMessage)
{
    Rechner rechner;
    ASSERT_TRUE(rechner.running());
    rechner.type('1', "7");
    rechner.type('2', "5");
    const std::string before = rechner.fields();
    ASSERT_EQ(before, "[7][5][][]");
    const int first = Form1::kFirstControlId;
    const int last = first + static_cast<int>(kForm1Controls.size());
    for (int id = first - 1; id <= last; ++id) {
        const HWND own = GetDlgItem(rechner.window(), id);
        const HWND other = GetDlgItem(rechner.window(), id == first ? first + 1 : first);
        const bool isKey = own != nullptr && rechner::isKey(kForm1Controls.at(static_cast<std::size_t>(id - first)).kind);
        std::vector<HWND> handles = {nullptr, rechner.window(), other};
        if (own != nullptr && !isKey) handles.push_back(own);
        for (const HWND handle : handles) {
            DWORD_PTR answer = 0;
            SendMessageTimeoutW(rechner.window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(handle),
                                SMTO_NORMAL, 60000, &answer);
            ASSERT_TRUE(rechner.stillRunning()) << "rechner.exe ended after WM_COMMAND for id " << id << " with handle "
                                                << handle;
            ASSERT_EQ(rechner.fields(), before) << "WM_COMMAND for id " << id << " with handle " << handle;
        }
    }
}

// DLLs that write a marker when loaded, put beside a copy of rechner.exe
// under the names of DLLs that Windows' libraries load at run time, and
// preferred to Wine's own for that program (as Windows prefers a program's
// folder for DLLs that are not its known ones): none is loaded, and Rechner
// calculates. (Not version.dll: Wine's user32 imports it, Windows' does not.)
TEST(ForeignPrograms, PlantNoDllBesideRechner)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring planted = self;
    planted = planted.substr(0, planted.find_last_of(L"\\/") + 1) + L"planted.dll";
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"rechner-planted\\";
    CreateDirectoryW(folder.c_str(), nullptr);   // or left by a run that failed
    ASSERT_TRUE(CopyFileW(rechnerPath.c_str(), (folder + L"rechner.exe").c_str(), FALSE)) << "cannot copy rechner.exe";
    // Wine's load order for one program, kept in its registry.
    const wchar_t* const overrides = L"Software\\Wine\\AppDefaults\\rechner.exe\\DllOverrides";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, overrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::vector<std::wstring> names = {L"uxtheme", L"msimg32", L"oleacc",  L"dwmapi",
                                             L"propsys", L"bcrypt",  L"crypt32", L"rsaenh"};
    const std::wstring nativeFirst = L"native,builtin";
    for (const auto& name : names) {
        ASSERT_TRUE(CopyFileW(planted.c_str(), (folder + name + L".dll").c_str(), FALSE)) << "cannot copy " << utf8Of(planted);
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(nativeFirst.c_str()),
                       static_cast<DWORD>((nativeFirst.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
    {
        Rechner rechner(folder + L"rechner.exe");
        EXPECT_TRUE(rechner.running()) << "rechner.exe beside the planted DLLs";
        if (rechner.running()) {
            for (const char* k : {"7", "+", "5", "="}) EXPECT_TRUE(rechner.press(k).empty()) << k;
            EXPECT_EQ(rechner.fields(), "[7][5][12][  +]") << "rechner.exe beside the planted DLLs";
        }
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, overrides);
    for (const auto& name : names) {
        const std::wstring marker = folder + name + L".dll.loaded";
        EXPECT_EQ(GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES)
            << "rechner.exe loaded the planted " << utf8Of(name) << ".dll";
        DeleteFileW(marker.c_str());
        DeleteFileW((folder + name + L".dll").c_str());
    }
    DeleteFileW((folder + L"rechner.exe").c_str());
    RemoveDirectoryW(folder.c_str());
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
