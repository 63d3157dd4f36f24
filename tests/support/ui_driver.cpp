#include "ui_driver.h"

namespace uitest {
namespace {

constexpr milliseconds kPoll{20};
// A send to another thread that takes longer than this is a hung window. Under
// the emulator on a busy machine a sound window may take several seconds.
constexpr UINT kSendTimeoutMs = 30000;

LRESULT send(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result))
        throw Failure("window did not answer message " + std::to_string(msg));
    return static_cast<LRESULT>(result);
}

std::wstring title_of(HWND window) {
    // GetWindowTextW reads a window of another process without sending to it.
    wchar_t buffer[512] = {};
    GetWindowTextW(window, buffer, 512);
    return buffer;
}

struct WindowQuery {
    const wchar_t* title;
    const wchar_t* cls;
    DWORD pid;
    HWND except;
    HWND found;
};

BOOL CALLBACK match_window(HWND w, LPARAM p) {
    auto& q = *reinterpret_cast<WindowQuery*>(p);
    if (w == q.except || !IsWindowVisible(w)) return TRUE;
    if (q.pid) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner != q.pid) return TRUE;
    }
    if (q.cls && class_of(w) != q.cls) return TRUE;
    if (title_of(w) != q.title) return TRUE;
    q.found = w;
    return FALSE;
}

BOOL CALLBACK close_window(HWND w, LPARAM anyVisible) {
    if (!IsWindowVisible(w)) return TRUE;
    *reinterpret_cast<bool*>(anyVisible) = true;
    PostMessageW(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    PostMessageW(w, WM_CLOSE, 0, 0);
    return TRUE;
}

void collect(HWND parent, const wchar_t* cls, bool visibleOnly, std::vector<HWND>& out) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (visibleOnly && !IsWindowVisible(c)) continue;
        if (!cls || _wcsicmp(class_of(c).c_str(), cls) == 0) out.push_back(c);
        collect(c, cls, visibleOnly, out);
    }
}

}  // namespace

std::string narrow(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

bool wait_until(const std::function<bool()>& pred, milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (pred()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(kPoll);
    }
}

void require(const std::function<bool()>& pred, const std::string& what, milliseconds timeout) {
    if (!wait_until(pred, timeout)) throw Failure("timed out: " + what);
}

HWND find_window(const wchar_t* title, const wchar_t* cls, DWORD pid, HWND except) {
    WindowQuery q{title, cls, pid, except, nullptr};
    EnumWindows(match_window, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

HWND wait_window(const wchar_t* title, const wchar_t* cls, DWORD pid, milliseconds timeout) {
    HWND found = nullptr;
    require([&] { return (found = find_window(title, cls, pid)) != nullptr; },
            "window \"" + narrow(title) + "\"", timeout);
    return found;
}

void wait_gone(HWND window, milliseconds timeout) {
    require([&] { return !IsWindow(window) || !IsWindowVisible(window); },
            "window \"" + narrow(title_of(window)) + "\" to close", timeout);
}

DWORD wait_exit(HANDLE process, milliseconds timeout) {
    DWORD code = STILL_ACTIVE;
    require([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; },
            "process " + std::to_string(GetProcessId(process)) + " to end", timeout);
    GetExitCodeProcess(process, &code);
    return code;
}

HWND child(HWND parent, int id) {
    HWND c = GetDlgItem(parent, id);
    if (!c) throw Failure("no control " + std::to_string(id) + " in \"" + narrow(title_of(parent)) + "\"");
    return c;
}

std::vector<HWND> descendants(HWND parent, const wchar_t* cls, bool visibleOnly) {
    std::vector<HWND> out;
    collect(parent, cls, visibleOnly, out);
    return out;
}

HWND first_descendant(HWND parent, const wchar_t* cls) {
    auto all = descendants(parent, cls);
    if (all.empty())
        throw Failure("no visible " + narrow(cls) + " in \"" + narrow(title_of(parent)) + "\"");
    return all.front();
}

std::wstring class_of(HWND window) {
    wchar_t buffer[256] = {};
    GetClassNameW(window, buffer, 256);
    return buffer;
}

std::wstring text(HWND window) {
    auto length = send(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring out(static_cast<size_t>(length) + 1, L'\0');
    auto got = send(window, WM_GETTEXT, out.size(), reinterpret_cast<LPARAM>(out.data()));
    out.resize(static_cast<size_t>(got));
    return out;
}

void set_text(HWND window, const std::wstring& value) {
    if (!send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str())))
        throw Failure("WM_SETTEXT refused");
}

std::vector<std::wstring> texts(HWND parent, const wchar_t* cls) {
    std::vector<std::wstring> out;
    for (HWND c : descendants(parent, cls)) out.push_back(text(c));
    return out;
}

bool is_checked(HWND button) { return send(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void set_check(HWND button, bool checked) {
    if (!IsWindowEnabled(button)) throw Failure("check box \"" + narrow(title_of(button)) + "\" is disabled");
    // A click does what the user's click does: auto check boxes toggle,
    // radio buttons clear their group, and the parent hears BN_CLICKED.
    if (is_checked(button) != checked) send(button, BM_CLICK, 0, 0);
    if (is_checked(button) != checked)
        throw Failure("check box \"" + narrow(title_of(button)) + "\" did not change");
}

void select_combo(HWND combo, int index) {
    if (!IsWindowEnabled(combo)) throw Failure("combo box is disabled");
    if (send(combo, CB_SETCURSEL, index, 0) != index) throw Failure("no combo entry " + std::to_string(index));
    int id = GetDlgCtrlID(combo);
    send(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void press(HWND dlg, int id) {
    HWND button = GetDlgItem(dlg, id);
    if (!button && id != IDOK && id != IDCANCEL)
        throw Failure("no button " + std::to_string(id) + " in \"" + narrow(title_of(dlg)) + "\"");
    if (button && (!IsWindowVisible(button) || !IsWindowEnabled(button)))
        throw Failure("button \"" + narrow(title_of(button)) + "\" cannot be pressed");
    if (!PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)))
        throw Failure("cannot post to \"" + narrow(title_of(dlg)) + "\"");
}

bool close_thread_windows(DWORD threadId) {
    bool any = false;
    EnumThreadWindows(threadId, close_window, reinterpret_cast<LPARAM>(&any));
    return any;
}

Driver::Driver(std::function<void()> script)
    : uiThread_(GetCurrentThreadId()), done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this, script = std::move(script)] {
        try {
            script();
        } catch (const std::exception& e) {
            failure_ = e.what();
        } catch (...) {
            failure_ = "driver script threw";
        }
        // Nested modal loops end one by one, and the loop the script was
        // meant to drive may not be open yet: keep closing until finish().
        if (!failure_.empty())
            while (!finishing_) {
                close_thread_windows(uiThread_);
                std::this_thread::sleep_for(milliseconds(100));
            }
        SetEvent(done_);
    });
}

Driver::~Driver() {
    finishing_ = true;
    if (thread_.joinable()) thread_.join();
    CloseHandle(done_);
}

std::string Driver::finish(milliseconds timeout) {
    finishing_ = true;
    // Keep this thread's windows answering while the script ends.
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() < 0) left = milliseconds(0);
        DWORD r = MsgWaitForMultipleObjects(1, &done_, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) break;
        if (r != WAIT_OBJECT_0 + 1) return "driver script did not finish in time";
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    thread_.join();
    return failure_;
}

}  // namespace uitest
