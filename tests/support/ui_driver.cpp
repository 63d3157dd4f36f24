#include "ui_driver.h"
#include <commctrl.h>
#include <cstdlib>

namespace uitest {
namespace {

constexpr milliseconds kPoll{20};
// A send to another thread that takes longer than this is a hung window. Under
// the emulator on a busy machine a sound window may take several seconds.
constexpr UINT kSendTimeoutMs = 30000;

LRESULT send(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, msg, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result))
        throw Failure("window did not answer message " + std::to_string(msg));
    return static_cast<LRESULT>(result);
}

std::wstring title_of(HWND window)
{
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

BOOL CALLBACK match_window(HWND w, LPARAM p)
{
    auto& q = *reinterpret_cast<WindowQuery*>(p);
    if (w == q.except || !IsWindowVisible(w))
        return TRUE;
    if (q.pid) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner != q.pid)
            return TRUE;
    }
    if (q.cls && class_of(w) != q.cls)
        return TRUE;
    if (title_of(w) != q.title)
        return TRUE;
    q.found = w;
    return FALSE;
}

BOOL CALLBACK close_window(HWND w, LPARAM anyVisible)
{
    if (!IsWindowVisible(w))
        return TRUE;
    *reinterpret_cast<bool*>(anyVisible) = true;
    PostMessageW(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    PostMessageW(w, WM_CLOSE, 0, 0);
    return TRUE;
}

void collect(HWND parent, const wchar_t* cls, bool visibleOnly, std::vector<HWND>& out)
{
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (visibleOnly && !IsWindowVisible(c))
            continue;
        if (!cls || _wcsicmp(class_of(c).c_str(), cls) == 0)
            out.push_back(c);
        collect(c, cls, visibleOnly, out);
    }
}

}  // namespace

std::string narrow(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

static BOOL CALLBACK collect_tips(HWND w, LPARAM tips)
{
    if (class_of(w) == TOOLTIPS_CLASSW)
        reinterpret_cast<std::vector<HWND>*>(tips)->push_back(w);
    return TRUE;
}

std::wstring tool_tip(HWND window, POINT point)
{
    std::vector<HWND> tips;
    EnumThreadWindows(GetCurrentThreadId(), collect_tips, reinterpret_cast<LPARAM>(&tips));
    for (HWND tip : tips) {
        TTTOOLINFOW ti = {};
        ti.cbSize = sizeof ti;
        for (UINT i = 0; SendMessageW(tip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&ti)); ++i) {
            if (ti.hwnd != window || !PtInRect(&ti.rect, point))
                continue;
            wchar_t text[256] = {};
            ti.lpszText = text;
            SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&ti));
            return text;
        }
    }
    return L"(no tool)";
}

bool wait_until(const std::function<bool()>& pred, milliseconds timeout)
{
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        // Answer what other threads send meanwhile: a thread whose input is
        // attached to ours sends us focus and input-method messages, and
        // waits for the answer.
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        if (pred())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(kPoll);
    }
}

void require(const std::function<bool()>& pred, const std::string& what, milliseconds timeout)
{
    if (!wait_until(pred, timeout))
        throw Failure("timed out: " + what);
}

HWND find_window(const wchar_t* title, const wchar_t* cls, DWORD pid, HWND except)
{
    WindowQuery q{title, cls, pid, except, nullptr};
    EnumWindows(match_window, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

HWND wait_window(const wchar_t* title, const wchar_t* cls, DWORD pid, milliseconds timeout)
{
    HWND found = nullptr;
    require([&] { return (found = find_window(title, cls, pid)) != nullptr; }, "window \"" + narrow(title) + "\"",
            timeout);
    return found;
}

void wait_gone(HWND window, milliseconds timeout)
{
    require([&] { return !IsWindow(window) || !IsWindowVisible(window); },
            "window \"" + narrow(title_of(window)) + "\" to close", timeout);
}

DWORD wait_exit(HANDLE process, milliseconds timeout)
{
    DWORD code = STILL_ACTIVE;
    require([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; },
            "process " + std::to_string(GetProcessId(process)) + " to end", timeout);
    GetExitCodeProcess(process, &code);
    return code;
}

HWND child(HWND parent, int id)
{
    HWND c = GetDlgItem(parent, id);
    if (!c)
        throw Failure("no control " + std::to_string(id) + " in \"" + narrow(title_of(parent)) + "\"");
    return c;
}

std::vector<HWND> descendants(HWND parent, const wchar_t* cls, bool visibleOnly)
{
    std::vector<HWND> out;
    collect(parent, cls, visibleOnly, out);
    return out;
}

HWND first_descendant(HWND parent, const wchar_t* cls)
{
    auto all = descendants(parent, cls);
    if (all.empty())
        throw Failure("no visible " + narrow(cls) + " in \"" + narrow(title_of(parent)) + "\"");
    return all.front();
}

std::wstring class_of(HWND window)
{
    wchar_t buffer[256] = {};
    GetClassNameW(window, buffer, 256);
    return buffer;
}

std::wstring text(HWND window)
{
    auto length = send(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring out(static_cast<size_t>(length) + 1, L'\0');
    auto got = send(window, WM_GETTEXT, out.size(), reinterpret_cast<LPARAM>(out.data()));
    out.resize(static_cast<size_t>(got));
    return out;
}

void set_text(HWND window, const std::wstring& value)
{
    if (!send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str())))
        throw Failure("WM_SETTEXT refused");
}

std::vector<std::wstring> texts(HWND parent, const wchar_t* cls)
{
    std::vector<std::wstring> out;
    for (HWND c : descendants(parent, cls))
        out.push_back(text(c));
    return out;
}

bool is_checked(HWND button)
{
    return send(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void set_check(HWND button, bool checked)
{
    if (!IsWindowEnabled(button))
        throw Failure("check box \"" + narrow(title_of(button)) + "\" is disabled");
    // A click does what the user's click does: auto check boxes toggle,
    // radio buttons clear their group, and the parent hears BN_CLICKED.
    if (is_checked(button) != checked)
        send(button, BM_CLICK, 0, 0);
    if (is_checked(button) != checked)
        throw Failure("check box \"" + narrow(title_of(button)) + "\" did not change");
}

void select_combo(HWND combo, int index)
{
    if (!IsWindowEnabled(combo))
        throw Failure("combo box is disabled");
    if (send(combo, CB_SETCURSEL, index, 0) != index)
        throw Failure("no combo entry " + std::to_string(index));
    int id = GetDlgCtrlID(combo);
    send(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

namespace {

// Shares the input state of the driver thread with the thread of `target`
// while it lives: focus can then be set on that thread's windows, and the
// shared key state shows which keys that thread has taken from its queue.
class InputLink {
public:
    explicit InputLink(HWND target) : self_(GetCurrentThreadId()), other_(GetWindowThreadProcessId(target, nullptr))
    {
        if (other_ == self_)
            throw Failure("real input must come from a driver thread, not the window's own");
        if (!AttachThreadInput(self_, other_, TRUE))
            throw Failure("cannot attach to the window's input");
    }
    ~InputLink() { AttachThreadInput(self_, other_, FALSE); }
    InputLink(const InputLink&) = delete;
    InputLink& operator=(const InputLink&) = delete;

private:
    DWORD self_, other_;
};

void send_key(WORD vk, bool up)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (SendInput(1, &in, sizeof in) != 1)
        throw Failure("SendInput refused a key");
}

void send_unicode(wchar_t c)
{
    INPUT in[2] = {};
    for (int i = 0; i < 2; ++i) {
        in[i].type = INPUT_KEYBOARD;
        in[i].ki.wScan = c;
        in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
    }
    if (SendInput(2, in, sizeof in[0]) != 2)
        throw Failure("SendInput refused a character");
}

// Input is handled in order, so once the window's thread has taken a press
// and release of an unused key from its queue, it has handled all input sent
// before. A window that closes meanwhile may leave the marker to nobody. When
// the window system takes the focus (after a click) Wine sets the key state
// afresh from the display's and may drop the marker: it is then sent again.
void wait_handled(HWND window)
{
    HWND root = GetAncestor(window, GA_ROOT);
    auto end = std::chrono::steady_clock::now() + kDefaultTimeout;
    for (bool up : {false, true}) {
        for (;;) {
            send_key(VK_F24, up);
            bool seen = wait_until(
                [&] {
                    return ((GetKeyState(VK_F24) & 0x8000) != 0) != up || !IsWindow(root) || !IsWindowVisible(root);
                },
                milliseconds(1000));
            if (seen)
                break;
            if (std::chrono::steady_clock::now() >= end)
                throw Failure("input to \"" + narrow(title_of(root)) + "\" was not handled (" +
                              (up ? "release" : "press") + " of the marker; in front: \"" +
                              narrow(title_of(GetForegroundWindow())) + "\", focus: " + narrow(class_of(GetFocus())) +
                              ")");
        }
    }
}

void bring_to_front(HWND window)
{
    HWND root = GetAncestor(window, GA_ROOT);
    if (!IsWindowVisible(root))
        throw Failure("window \"" + narrow(title_of(root)) + "\" is not shown");
    SetForegroundWindow(root);
    require([&] { return GetForegroundWindow() == root; }, "\"" + narrow(title_of(root)) + "\" in front");
}

// The window a click at p reaches: group boxes let the mouse through to the
// controls they frame.
HWND window_at(POINT p)
{
    HWND under = WindowFromPoint(p);
    if (class_of(under) != L"Button" || (GetWindowLongW(under, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX)
        return under;
    for (HWND c = GetWindow(under, GW_HWNDFIRST); c; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(c, &r);
        if (c == under || !IsWindowVisible(c) || !PtInRect(&r, p))
            continue;
        if (class_of(c) == L"Button" && (GetWindowLongW(c, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX)
            continue;
        return c;
    }
    return under;
}

// Gives control the focus as the Tab key would, unless it has it already.
void focus(HWND control)
{
    if (GetFocus() == control)
        return;
    if (!IsWindowVisible(control) || !IsWindowEnabled(control))
        throw Failure(narrow(class_of(control)) + " \"" + narrow(title_of(control)) + "\" cannot take the focus");
    HWND parent = GetParent(control);
    if (parent && class_of(parent) == L"#32770")
        send(parent, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    else
        SetFocus(control);
    require([&] { return GetFocus() == control; }, "focus on " + narrow(class_of(control)));
}

}  // namespace

void type(HWND control, const std::wstring& text)
{
    bring_to_front(control);
    InputLink link(control);
    focus(control);
    for (wchar_t c : text) {
        SHORT scan = c == L'\n' ? VK_RETURN : VkKeyScanW(c);
        // Characters the keyboard has without Ctrl or Alt go as their keys, others as themselves.
        if (scan == -1 || (HIBYTE(scan) & 6)) {
            send_unicode(c);
            continue;
        }
        bool shift = HIBYTE(scan) & 1;
        if (shift)
            send_key(VK_SHIFT, false);
        send_key(LOBYTE(scan), false);
        send_key(LOBYTE(scan), true);
        if (shift)
            send_key(VK_SHIFT, true);
    }
    wait_handled(control);
}

void key(HWND control, UINT vk, bool ctrl, bool shift)
{
    bring_to_front(control);
    InputLink link(control);
    focus(control);
    if (ctrl)
        send_key(VK_CONTROL, false);
    if (shift)
        send_key(VK_SHIFT, false);
    send_key(static_cast<WORD>(vk), false);
    send_key(static_cast<WORD>(vk), true);
    if (shift)
        send_key(VK_SHIFT, true);
    if (ctrl)
        send_key(VK_CONTROL, true);
    wait_handled(control);
}

void click(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    click_at(window, r.right / 2, r.bottom / 2);
}

void click_at(HWND window, int x, int y)
{
    bring_to_front(window);
    InputLink link(window);
    // A window just shown, raised or moved may take a moment to be on top where it is drawn.
    POINT p;
    HWND under = nullptr;
    HWND root = GetAncestor(window, GA_ROOT);
    wait_until([&] {
        p = {x, y};
        ClientToScreen(window, &p);
        under = window_at(p);
        // Under load Wine may put a disabled owner above the modal dialog it
        // owns, which Windows never does: the dialog goes back above it.
        if (under != window && GetAncestor(under, GA_ROOT) == GetWindow(root, GW_OWNER) && !IsWindowEnabled(under))
            SetWindowPos(root, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return under == window;
    });
    if (under != window) {
        RECT r;
        GetWindowRect(root, &r);
        HWND owner = GetWindow(root, GW_OWNER);
        throw Failure("a click on " + narrow(class_of(window)) + " \"" + narrow(title_of(window)) + "\" at " +
                      std::to_string(p.x) + "," + std::to_string(p.y) + " would land on " + narrow(class_of(under)) +
                      " \"" + narrow(title_of(under)) + "\" (its window at " + std::to_string(r.left) + "," +
                      std::to_string(r.top) + "-" + std::to_string(r.right) + "," + std::to_string(r.bottom) +
                      ", owned by \"" + narrow(title_of(owner)) + "\")");
    }
    // Two clicks on one spot of a window within the double-click time are a
    // double click, which many controls (tabs among them) ignore; a person's
    // second single click comes later, so wait until it would.
    static HWND lastWindow = nullptr;
    static POINT lastPoint{};
    static DWORD lastTime = 0;
    if (window == lastWindow && std::abs(p.x - lastPoint.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
        std::abs(p.y - lastPoint.y) <= GetSystemMetrics(SM_CYDOUBLECLK))
        wait_until([] { return GetTickCount() - lastTime > GetDoubleClickTime(); });
    // Absolute positions are in 1/65536ths of the screen; round up so they map back exactly.
    // Every event carries the position, so the press and release land there even
    // when the display's late report of an earlier move pulls the cursor back.
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT in[3] = {};
    DWORD flags[3] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 3; ++i) {
        in[i].type = INPUT_MOUSE;
        in[i].mi.dx = static_cast<LONG>((p.x * 65536LL + w - 1) / w);
        in[i].mi.dy = static_cast<LONG>((p.y * 65536LL + h - 1) / h);
        in[i].mi.dwFlags = flags[i] | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    }
    if (SendInput(3, in, sizeof in[0]) != 3)
        throw Failure("SendInput refused a click");
    wait_handled(window);
    lastWindow = window;
    lastPoint = p;
    lastTime = GetTickCount();
}

void press(HWND dlg, int id)
{
    HWND button = GetDlgItem(dlg, id);
    if (!button && id != IDOK && id != IDCANCEL)
        throw Failure("no button " + std::to_string(id) + " in \"" + narrow(title_of(dlg)) + "\"");
    if (button && (!IsWindowVisible(button) || !IsWindowEnabled(button)))
        throw Failure("button \"" + narrow(title_of(button)) + "\" cannot be pressed");
    if (!PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)))
        throw Failure("cannot post to \"" + narrow(title_of(dlg)) + "\"");
}

bool close_thread_windows(DWORD threadId)
{
    bool any = false;
    EnumThreadWindows(threadId, close_window, reinterpret_cast<LPARAM>(&any));
    return any;
}

Driver::Driver(std::function<void()> script)
    : uiThread_(GetCurrentThreadId()), done_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
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

Driver::~Driver()
{
    finishing_ = true;
    if (thread_.joinable())
        thread_.join();
    CloseHandle(done_);
}

std::string Driver::finish(milliseconds timeout)
{
    finishing_ = true;
    // Keep this thread's windows answering while the script ends.
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() < 0)
            left = milliseconds(0);
        DWORD r = MsgWaitForMultipleObjects(1, &done_, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
        if (r == WAIT_OBJECT_0)
            break;
        if (r != WAIT_OBJECT_0 + 1)
            return "driver script did not finish in time";
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
