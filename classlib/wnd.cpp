#include "wnd.h"
#include <algorithm>
#include <cwchar>
#include <exception>
#include <string>
#include "app.h"
#include "file.h"
#include "seams.h"

namespace {

const wchar_t kObjectProp[] = L"Brisvale.CWnd";
constexpr UINT_PTR kSubclassId = 0xB215;

// Reflected messages and the control that sent them.
HWND ReflectTarget(HWND self, UINT msg, WPARAM, LPARAM lParam)
{
    switch (msg) {
    case WM_DRAWITEM: {
        auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        return d->CtlType == ODT_MENU ? nullptr : d->hwndItem;
    }
    case WM_MEASUREITEM: {
        auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        return m->CtlType == ODT_MENU ? nullptr : ::GetDlgItem(self, int(m->CtlID));
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_HSCROLL:
    case WM_VSCROLL:
        return reinterpret_cast<HWND>(lParam);
    default:
        return nullptr;
    }
}

std::wstring Widen(const char* text)
{
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, w.data(), n);
    w.resize(size_t(n - 1));
    return w;
}

}  // namespace

// ---- CCmdTarget

const afx::MsgMap* CCmdTarget::GetThisMessageMap()
{
    static const afx::MsgEntry entries[] = {{0, 0, 0, 0, nullptr}};
    static const afx::MsgMap map{nullptr, entries};
    return &map;
}

const afx::MsgMap* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

bool CCmdTarget::Dispatch(UINT msg, UINT code, UINT id, afx::MsgCall* call)
{
    for (const afx::MsgMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (const afx::MsgEntry* e = map->entries; e->fn; ++e) {
            if (e->msg == msg && e->code == code && id >= e->idFirst && id <= e->idLast) {
                if (call)
                    e->fn(this, *call);
                return true;
            }
        }
    }
    return false;
}

BOOL CCmdTarget::OnCmdMsg(UINT id, UINT code, bool probe)
{
    afx::MsgCall call{WM_COMMAND, MAKEWPARAM(id, code), 0, 0};
    return Dispatch(WM_COMMAND, code, id, probe ? nullptr : &call);
}

// ---- owner rule and exception reports

HWND SafeOwner(HWND parent)
{
    HWND h = parent;
    if (!h) {
        CWnd* main = AfxGetMainWnd();
        h = main && ::IsWindow(main->m_hWnd) ? main->m_hWnd : ::GetActiveWindow();
    }
    // A popup cannot be owned by a child window.
    while (h && (::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD))
        h = ::GetParent(h);
    if (!parent && h)
        h = ::GetLastActivePopup(h);
    return h;
}

void ReportCurrentException(HWND owner)
{
    std::wstring text;
    try {
        throw;
    } catch (const CFileException& e) {
        text = e.GetErrorMessage();
    } catch (const std::exception& e) {
        text = Widen(e.what());
    } catch (...) {
    }
    if (text.empty())
        text = L"An unexpected error has stopped this operation.";
    try {
        ui::Prompt(owner, text.c_str(), AfxGetAppName(), MB_OK | MB_ICONERROR);
    } catch (...) {
    }
}

void InitControlClasses()
{
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

// ---- CWnd

CWnd::~CWnd()
{
    if (m_hWnd) {
        if (subclassed_)
            UnsubclassWindow();
        else
            ::DestroyWindow(m_hWnd);
    }
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    return hwnd ? static_cast<CWnd*>(::GetPropW(hwnd, kObjectProp)) : nullptr;
}

void CWnd::Attach(HWND hwnd, bool subclassed)
{
    m_hWnd = hwnd;
    subclassed_ = subclassed;
    ::SetPropW(hwnd, kObjectProp, this);
}

void CWnd::Detach()
{
    if (!m_hWnd)
        return;
    ::RemovePropW(m_hWnd, kObjectProp);
    m_hWnd = nullptr;
    subclassed_ = false;
}

BOOL CWnd::SubclassWindow(HWND hwnd)
{
    if (!hwnd || m_hWnd || FromHandle(hwnd))
        return FALSE;
    if (!::SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return FALSE;
    Attach(hwnd, true);
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, int(id)));
}

HWND CWnd::UnsubclassWindow()
{
    HWND h = m_hWnd;
    if (!h || !subclassed_)
        return nullptr;
    ::RemoveWindowSubclass(h, SubclassProc, kSubclassId);
    Detach();
    return h;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCTW&)
{
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id)
{
    CREATESTRUCTW cs = {};
    cs.dwExStyle = exStyle;
    cs.lpszClass = className;
    cs.lpszName = text;
    cs.style = style;
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    cs.hwndParent = parent ? parent->m_hWnd : nullptr;
    cs.hMenu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(UINT_PTR(id)) : nullptr;
    cs.hInstance = ::GetModuleHandleW(nullptr);
    InitControlClasses();
    if (!PreCreateWindow(cs))
        return FALSE;
    HWND h = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                               cs.hwndParent, cs.hMenu, cs.hInstance, this);
    if (!h)
        return FALSE;
    if (!m_hWnd && !SubclassWindow(h)) {
        ::DestroyWindow(h);
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

LRESULT CALLBACK CWnd::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CWnd* self = FromHandle(hwnd);
    if (!self && msg == WM_NCCREATE) {
        self = static_cast<CWnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self)
            self->Attach(hwnd, false);
    }
    if (!self)
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    return self->Handle(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref)
{
    return reinterpret_cast<CWnd*>(ref)->Handle(hwnd, msg, wParam, lParam);
}

LRESULT CWnd::Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    MSG saved = current_;
    current_ = MSG{};
    current_.hwnd = hwnd;
    current_.message = msg;
    current_.wParam = wParam;
    current_.lParam = lParam;
    LRESULT result = 0;
    try {
        result = WindowProc(msg, wParam, lParam);
    } catch (...) {
        // A C++ exception must never unwind into the system's frames.
        ReportCurrentException(SafeOwner(hwnd));
        if (msg == WM_CREATE)
            result = -1;
        else if (msg == WM_PAINT)
            ::ValidateRect(hwnd, nullptr);
    }
    current_ = saved;
    if (msg == WM_NCDESTROY) {
        if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) {
            app->m_pMainWnd = nullptr;
            ::PostQuitMessage(0);
        }
        if (subclassed_)
            ::RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
        Detach();
        try {
            PostNcDestroy();
        } catch (...) {
            ReportCurrentException(nullptr);
        }
    }
    return result;
}

LRESULT CWnd::Default()
{
    const MSG& m = current_;
    return subclassed_ ? ::DefSubclassProc(m.hwnd, m.message, m.wParam, m.lParam)
                       : ::DefWindowProcW(m.hwnd, m.message, m.wParam, m.lParam);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (msg == WM_COMMAND) {
        if (OnCommand(wParam, lParam))
            return 0;
    } else if (msg == WM_NOTIFY) {
        if (OnNotify(wParam, lParam, &result))
            return result;
    } else {
        afx::MsgCall call{msg, wParam, lParam, 0};
        if (Dispatch(msg, 0, 0, &call))
            return call.result;
        HWND child = ReflectTarget(m_hWnd, msg, wParam, lParam);
        if (child && child != m_hWnd && Reflect(child, msg, wParam, lParam, &result))
            return result;
    }
    return Default();
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    HWND control = reinterpret_cast<HWND>(lParam);
    UINT id = LOWORD(wParam);
    UINT code = control ? HIWORD(wParam) : 0;
    if (control && notifyLock_ > 0)
        return TRUE;  // data exchange in progress
    if (OnCmdMsg(id, code))
        return TRUE;
    LRESULT ignored = 0;
    return control && Reflect(control, WM_COMMAND, wParam, lParam, &ignored);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    auto* nm = reinterpret_cast<NMHDR*>(lParam);
    if (notifyLock_ > 0)
        return TRUE;
    afx::MsgCall call{WM_NOTIFY, wParam, lParam, 0};
    if (Dispatch(WM_NOTIFY, nm->code, UINT(nm->idFrom), &call)) {
        *result = call.result;
        return TRUE;
    }
    return Reflect(nm->hwndFrom, WM_NOTIFY, wParam, lParam, result);
}

bool CWnd::Reflect(HWND child, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    CWnd* target = FromHandle(child);
    return target && target != this && target->OnChildNotify(msg, wParam, lParam, result);
}

BOOL CWnd::OnCmdMsg(UINT id, UINT code, bool probe)
{
    if (CCmdTarget::OnCmdMsg(id, code, probe))
        return TRUE;
    CWinApp* app = AfxGetApp();
    return app && app->m_pMainWnd == this && app->OnCmdMsg(id, code, probe);
}

BOOL CWnd::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    UINT code = 0;
    if (msg == WM_NOTIFY)
        code = reinterpret_cast<NMHDR*>(lParam)->code;
    else if (msg == WM_COMMAND)
        code = HIWORD(wParam);
    afx::MsgCall call{afx::kReflect + msg, wParam, lParam, 0};
    if (!Dispatch(afx::kReflect + msg, code, 0, &call))
        return FALSE;
    *result = call.result;
    return TRUE;
}

CString WindowText(HWND window)
{
    if (!window)
        return CString();
    int n = ::GetWindowTextLengthW(window);
    std::wstring text(size_t(n) + 1, L'\0');
    int got = ::GetWindowTextW(window, text.data(), n + 1);
    text.resize(size_t(got > 0 ? got : 0));
    return CString(std::move(text));
}

CString CWnd::GetWindowText() const
{
    return WindowText(m_hWnd);
}

CString CWnd::GetDlgItemText(int id) const
{
    return WindowText(GetDlgItem(id));
}

void CWnd::CenterWindow(HWND alternateOwner)
{
    HWND owner = alternateOwner ? alternateOwner : ::GetWindow(m_hWnd, GW_OWNER);
    RECT area;
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);
    else
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT r;
    ::GetWindowRect(m_hWnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = (area.left + area.right - w) / 2, y = (area.top + area.bottom - h) / 2;
    // Never off the work area of the monitor it lands on (the caption stays reachable).
    RECT work = area;
    MONITORINFO mi = {sizeof mi, {}, {}, 0};
    if (::GetMonitorInfoW(::MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &mi))
        work = mi.rcWork;
    x = std::max(LONG(work.left), std::min(LONG(x), work.right - w));
    y = std::max(LONG(work.top), std::min(LONG(y), work.bottom - h));
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HICON CWnd::SetIcon(HICON icon, BOOL big)
{
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

int CWnd::GetCheckedRadioButton(int first, int last) const
{
    for (int id = first; id <= last; ++id)
        if (::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED)
            return id;
    return 0;
}

int CWnd::MessageBox(const wchar_t* text, const wchar_t* caption, UINT type)
{
    return ui::Prompt(m_hWnd, text, caption ? caption : AfxGetAppName(), type);
}

// ---- window classes and message boxes

const wchar_t* AfxRegisterWndClass(UINT style, HCURSOR cursor, HBRUSH background, HICON icon)
{
    // One class per combination. The name is per thread and of a plain type: a
    // thread-local object with a destructor is freed unsafely when its thread ends
    // under this runtime.
    static thread_local wchar_t name[64];
    swprintf(name, 64, L"Brisvale:%x:%p:%p:%p", style, static_cast<void*>(cursor), static_cast<void*>(background),
             static_cast<void*>(icon));
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    WNDCLASSW wc = {};
    if (!::GetClassInfoW(inst, name, &wc)) {
        wc.style = style;
        wc.lpfnWndProc = CWnd::WndProc;
        wc.hInstance = inst;
        wc.hCursor = cursor;
        wc.hbrBackground = background;
        wc.hIcon = icon;
        wc.lpszClassName = name;
        if (!::RegisterClassW(&wc))
            return nullptr;
    }
    return name;
}

int AfxMessageBox(const wchar_t* text, UINT type)
{
    if ((type & MB_ICONMASK) == 0) {
        UINT buttons = type & MB_TYPEMASK;
        type |= (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) ? MB_ICONQUESTION : MB_ICONEXCLAMATION;
    }
    return ui::Prompt(SafeOwner(nullptr), text, AfxGetAppName(), type);
}
