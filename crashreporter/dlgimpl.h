// Pellisk's own small dialog layer: a module object, a window wrapper, a
// message map and a modal dialog template, plus the save-file box.
#pragma once

#include <windows.h>

#include <commdlg.h>

// The module whose resources the dialogs load.
class CAppModule {
public:
    HRESULT Init(HINSTANCE instance)
    {
        instance_ = instance;
        return S_OK;
    }
    void Term() { instance_ = nullptr; }
    HINSTANCE GetResourceInstance() const { return instance_; }

private:
    HINSTANCE instance_ = nullptr;
};

extern CAppModule appModule;

class CWindow {
public:
    HWND m_hWnd = nullptr;

    HWND GetParent() const { return ::GetParent(m_hWnd); }
    // Centres on `center`, or on the work area when it is null or hidden.
    void CenterWindow(HWND center = nullptr);
    HICON SetIcon(HICON icon, BOOL big)
    {
        return reinterpret_cast<HICON>(
            SendMessageW(m_hWnd, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }
    int MessageBox(const wchar_t* text, const wchar_t* caption, UINT type)
    {
        return ::MessageBoxW(m_hWnd, text, caption, type);
    }
};

class CMessageMap {
public:
    // Handles msg for map mapId; TRUE when handled, with its result in result.
    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result,
                                      DWORD mapId) = 0;
};

// A message map is one ProcessWindowMessage. Handlers take
// (msg, wParam, lParam, handled) or, for commands, (code, id, control,
// handled), and may clear handled to pass the message on.
#define BEGIN_MSG_MAP(theClass)                                                                                       \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult, DWORD dwMsgMapID) \
        override                                                                                                      \
    {                                                                                                                 \
        (void)hWnd;                                                                                                   \
        BOOL bHandled = TRUE;                                                                                         \
        if (dwMsgMapID != 0)                                                                                          \
            return FALSE;

#define MESSAGE_HANDLER(msg, func)                      \
    if (uMsg == (msg)) {                                \
        bHandled = TRUE;                                \
        lResult = func(uMsg, wParam, lParam, bHandled); \
        if (bHandled)                                   \
            return TRUE;                                \
    }

#define COMMAND_HANDLER(id, code, func)                                                           \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (code)) {               \
        bHandled = TRUE;                                                                          \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
        if (bHandled)                                                                             \
            return TRUE;                                                                          \
    }

#define COMMAND_ID_HANDLER(id, func)                                                              \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) {                                           \
        bHandled = TRUE;                                                                          \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
        if (bHandled)                                                                             \
            return TRUE;                                                                          \
    }

#define END_MSG_MAP() \
    return FALSE;     \
    }

// The part of a dialog that does not depend on its class.
class CDialogImplBase : public CWindow, public CMessageMap {
public:
    virtual ~CDialogImplBase() = default;
    virtual DLGPROC GetDialogProc() { return DialogProc; }
    virtual void OnFinalMessage(HWND) {}
    BOOL EndDialog(int result) { return ::EndDialog(m_hWnd, result); }

protected:
    INT_PTR DoModalTemplate(int templateId, HWND parent);

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

// A modal dialog from resource T::IDD whose messages go to T's message map.
template <class T>
class CDialogImpl : public CDialogImplBase {
public:
    INT_PTR DoModal(HWND parent = ::GetActiveWindow()) { return DoModalTemplate(T::IDD, parent); }
};

// The Explorer-style save-file box.
class CFileDialog {
public:
    // filter: pairs of NUL-terminated texts, ended by an empty one.
    CFileDialog(const wchar_t* defaultExtension, DWORD flags, const wchar_t* filter);
    // IDOK with the chosen path in m_szFileName, or IDCANCEL.
    INT_PTR DoModal(HWND owner);

    wchar_t m_szFileName[2048] = {};

private:
    const wchar_t* defaultExtension_;
    DWORD flags_;
    const wchar_t* filter_;
};
