#pragma once
// Window objects over raw Win32: the handle-to-object map, message maps, command
// routing, notification reflection and subclassing.
#include <windows.h>
#include <commctrl.h>
#include "cstring.h"

class CCmdTarget;
class CWnd;
class CDataExchange;

namespace afx {

// One message on its way to a handler; the handler may set the result.
struct MsgCall {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
};
using Handler = void (*)(CCmdTarget*, MsgCall&);

// A message-map row: message, notification code, control id range, handler.
struct MsgEntry {
    UINT msg;
    UINT code;
    UINT idFirst;
    UINT idLast;
    Handler fn;
};
struct MsgMap {
    const MsgMap* (*base)();
    const MsgEntry* entries;
};

// Messages a parent hands back to the control that sent them are looked up as
// kReflect + the original message.
constexpr UINT kReflect = 0xBC00;

template <class>
struct MemberOf;
template <class C, class F>
struct MemberOf<F C::*> {
    using type = C;
};
template <auto F>
using ClassOf = typename MemberOf<decltype(F)>::type;
template <auto F>
ClassOf<F>* Self(CCmdTarget* t)
{
    return static_cast<ClassOf<F>*>(t);
}

template <auto F>
void CallVoid(CCmdTarget* t, MsgCall&)
{
    (Self<F>(t)->*F)();
}
template <auto F>
void CallId(CCmdTarget* t, MsgCall& c)
{
    (Self<F>(t)->*F)(LOWORD(c.wParam));
}
template <auto F>
void CallNotify(CCmdTarget* t, MsgCall& c)
{
    (Self<F>(t)->*F)(reinterpret_cast<NMHDR*>(c.lParam), &c.result);
}
template <auto F>
void CallMessage(CCmdTarget* t, MsgCall& c)
{
    c.result = (Self<F>(t)->*F)(c.wParam, c.lParam);
}
template <auto F>
void CallTimer(CCmdTarget* t, MsgCall& c)
{
    (Self<F>(t)->*F)(UINT_PTR(c.wParam));
}
template <auto F>
void CallSize(CCmdTarget* t, MsgCall& c)
{
    (Self<F>(t)->*F)(UINT(c.wParam), short(LOWORD(c.lParam)), short(HIWORD(c.lParam)));
}
template <auto F>
void CallCreate(CCmdTarget* t, MsgCall& c)
{
    c.result = (Self<F>(t)->*F)(reinterpret_cast<CREATESTRUCTW*>(c.lParam));
}
template <auto F>
void CallSetFocus(CCmdTarget* t, MsgCall& c)
{
    (Self<F>(t)->*F)(reinterpret_cast<HWND>(c.wParam));
}
template <auto F>
void CallEraseBkgnd(CCmdTarget* t, MsgCall& c)
{
    c.result = (Self<F>(t)->*F)(reinterpret_cast<HDC>(c.wParam));
}
template <auto F>
void CallCtlColor(CCmdTarget* t, MsgCall& c)
{
    HBRUSH b =
        (Self<F>(t)->*F)(reinterpret_cast<HDC>(c.wParam), reinterpret_cast<HWND>(c.lParam), c.msg - WM_CTLCOLORMSGBOX);
    c.result = reinterpret_cast<LRESULT>(b);
}

}  // namespace afx

#define DECLARE_MESSAGE_MAP()                        \
protected:                                           \
    static const ::afx::MsgMap* GetThisMessageMap(); \
    const ::afx::MsgMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)           \
    const ::afx::MsgMap* theClass::GetMessageMap() const \
    {                                                    \
        return GetThisMessageMap();                      \
    }                                                    \
    const ::afx::MsgMap* theClass::GetThisMessageMap()   \
    {                                                    \
        using ThisClass [[maybe_unused]] = theClass;     \
        using BaseClass = baseClass;                     \
        static const ::afx::MsgEntry entries[] = {
#define END_MESSAGE_MAP()                                                   \
    {                                                                       \
        0, 0, 0, 0, nullptr                                                 \
    }                                                                       \
    }                                                                       \
    ;                                                                       \
    static const ::afx::MsgMap map{&BaseClass::GetThisMessageMap, entries}; \
    return &map;                                                            \
    }

// Commands from menus and accelerators, and button clicks (both code 0).
#define ON_COMMAND(id, fn) {WM_COMMAND, 0, UINT(id), UINT(id), &::afx::CallVoid<fn>},
#define ON_CONTROL(code, id, fn) {WM_COMMAND, UINT(code), UINT(id), UINT(id), &::afx::CallVoid<fn>},
#define ON_CONTROL_RANGE(code, first, last, fn) {WM_COMMAND, UINT(code), UINT(first), UINT(last), &::afx::CallId<fn>},
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
#define ON_NOTIFY(code, id, fn) {WM_NOTIFY, UINT(code), UINT(id), UINT(id), &::afx::CallNotify<fn>},
#define ON_NOTIFY_REFLECT(code, fn) {::afx::kReflect + WM_NOTIFY, UINT(code), 0, 0, &::afx::CallNotify<fn>},
#define ON_CONTROL_REFLECT(code, fn) {::afx::kReflect + WM_COMMAND, UINT(code), 0, 0, &::afx::CallVoid<fn>},
#define ON_MESSAGE(msg, fn) {UINT(msg), 0, 0, 0, &::afx::CallMessage<fn>},
#define ON_WM_CREATE() {WM_CREATE, 0, 0, 0, &::afx::CallCreate<&ThisClass::OnCreate>},
#define ON_WM_SETFOCUS() {WM_SETFOCUS, 0, 0, 0, &::afx::CallSetFocus<&ThisClass::OnSetFocus>},
#define ON_WM_DESTROY() {WM_DESTROY, 0, 0, 0, &::afx::CallVoid<&ThisClass::OnDestroy>},
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, 0, &::afx::CallVoid<&ThisClass::OnClose>},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, 0, &::afx::CallVoid<&ThisClass::OnPaint>},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, 0, &::afx::CallTimer<&ThisClass::OnTimer>},
#define ON_WM_SIZE() {WM_SIZE, 0, 0, 0, &::afx::CallSize<&ThisClass::OnSize>},
#define ON_WM_ERASEBKGND() {WM_ERASEBKGND, 0, 0, 0, &::afx::CallEraseBkgnd<&ThisClass::OnEraseBkgnd>},
#define ON_WM_CTLCOLOR()                                                               \
    {WM_CTLCOLOREDIT, 0, 0, 0, &::afx::CallCtlColor<&ThisClass::OnCtlColor>},          \
        {WM_CTLCOLORLISTBOX, 0, 0, 0, &::afx::CallCtlColor<&ThisClass::OnCtlColor>},   \
        {WM_CTLCOLORBTN, 0, 0, 0, &::afx::CallCtlColor<&ThisClass::OnCtlColor>},       \
        {WM_CTLCOLORDLG, 0, 0, 0, &::afx::CallCtlColor<&ThisClass::OnCtlColor>},       \
        {WM_CTLCOLORSCROLLBAR, 0, 0, 0, &::afx::CallCtlColor<&ThisClass::OnCtlColor>}, \
        {WM_CTLCOLORSTATIC, 0, 0, 0, &::afx::CallCtlColor<&ThisClass::OnCtlColor>},

// Anything that handles messages: windows and the application object.
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    // Runs the handler of a command (code 0 for menus, accelerators and clicks), or
    // with probe only tells whether there is one. Windows that route commands
    // onwards override it.
    virtual BOOL OnCmdMsg(UINT id, UINT code, bool probe = false);

protected:
    static const afx::MsgMap* GetThisMessageMap();
    virtual const afx::MsgMap* GetMessageMap() const;
    // Finds the row for (msg, code, id) in this object's map chain and runs it
    // (only looks when call is null).
    bool Dispatch(UINT msg, UINT code, UINT id, afx::MsgCall* call);
};

// The owner for a modal window: the parent's top-level window; with no parent, the
// main window's last active popup, else the active window's.
HWND SafeOwner(HWND parent);

// Reports an exception caught at a window-procedure boundary (call inside a catch).
void ReportCurrentException(HWND owner);

// Registers the common-control classes that templates and created windows use, once.
// Some systems register a class only when asked (the month calendar among them).
void InitControlClasses();

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    // The object attached to a window, or null; safe from any thread.
    static CWnd* FromHandle(HWND hwnd);

    // Creates a window; a class from AfxRegisterWndClass gets WM_CREATE, any other
    // class is subclassed once it exists.
    BOOL CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id);
    virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
    BOOL DestroyWindow();
    // Attaches an existing window (a dialog's control): its messages reach this
    // object first, unhandled ones go on to the window's own procedure.
    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();

    // The own map first; commands the main window does not handle go on to the application.
    BOOL OnCmdMsg(UINT id, UINT code, bool probe = false) override;
    virtual BOOL UpdateData(BOOL saveAndValidate = TRUE);
    virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }

    // Thin wrappers.
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    void SetWindowText(const wchar_t* text) { ::SetWindowTextW(m_hWnd, text); }
    CString GetWindowText() const;
    void SetDlgItemText(int id, const wchar_t* text) { ::SetDlgItemTextW(m_hWnd, id, text); }
    CString GetDlgItemText(int id) const;
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    void MoveWindow(int x, int y, int w, int h, BOOL repaint = TRUE) { ::MoveWindow(m_hWnd, x, y, w, h, repaint); }
    void MoveWindow(const RECT& r, BOOL repaint = TRUE)
    {
        MoveWindow(r.left, r.top, r.right - r.left, r.bottom - r.top, repaint);
    }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    void GetClientRect(RECT* r) const { ::GetClientRect(m_hWnd, r); }
    void GetWindowRect(RECT* r) const { ::GetWindowRect(m_hWnd, r); }
    void CenterWindow(HWND alternateOwner = nullptr);
    void SetFont(HFONT font, BOOL redraw = TRUE) { SendMessage(WM_SETFONT, WPARAM(font), redraw); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    LRESULT SendMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) { return ::SendMessageW(m_hWnd, msg, w, l); }
    BOOL PostMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) { return ::PostMessageW(m_hWnd, msg, w, l); }
    HICON SetIcon(HICON icon, BOOL big);
    DWORD GetStyle() const { return DWORD(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    void CheckRadioButton(int first, int last, int id) { ::CheckRadioButton(m_hWnd, first, last, id); }
    int GetCheckedRadioButton(int first, int last) const;
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    void CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
    // A message box owned by this window (caption: the application title when null).
    int MessageBox(const wchar_t* text, const wchar_t* caption = nullptr, UINT type = MB_OK);

protected:
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void DoDataExchange(CDataExchange*) {}
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A message the parent passed back to this control (WM_COMMAND, WM_NOTIFY,
    // WM_DRAWITEM, WM_MEASUREITEM, WM_CTLCOLOR*): the kReflect rows of the map.
    virtual BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Called after the window is gone and the object detached.
    virtual void PostNcDestroy() {}
    // The window's own handling of the message being dispatched.
    LRESULT Default();

    // Base handlers that the ON_WM_ rows of derived classes chain to.
    int OnCreate(CREATESTRUCTW*) { return int(Default()); }
    void OnSetFocus(HWND) { Default(); }
    void OnDestroy() { Default(); }
    void OnClose() { Default(); }
    void OnPaint() { Default(); }
    void OnTimer(UINT_PTR) { Default(); }
    void OnSize(UINT, int, int) { Default(); }
    BOOL OnEraseBkgnd(HDC) { return BOOL(Default()); }
    HBRUSH OnCtlColor(HDC, HWND, UINT) { return reinterpret_cast<HBRUSH>(Default()); }

    // Runs one message through WindowProc with the layer's guarantees: no exception
    // leaves it, and WM_NCDESTROY detaches the object.
    LRESULT Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

public:
    // The procedure of AfxRegisterWndClass classes.
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void Attach(HWND hwnd, bool subclassed);
    void Detach();
    bool Reflect(HWND child, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

    bool subclassed_ = false;
    int notifyLock_ = 0;  // > 0 while UpdateData moves data: control notifications are ignored
    MSG current_ = {};
};

// The whole text of a window ("" for none).
CString WindowText(HWND window);

// Registers (once) a window class whose windows dispatch to their CWnd objects.
const wchar_t* AfxRegisterWndClass(UINT style, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                                   HICON icon = nullptr);

// A message box owned by SafeOwner(nullptr) with the application title; an icon is
// added when none is given (exclamation, question for Yes/No).
int AfxMessageBox(const wchar_t* text, UINT type = MB_OK);

// The application's title ("" before any application object exists).
const wchar_t* AfxGetAppName();
CWnd* AfxGetMainWnd();
