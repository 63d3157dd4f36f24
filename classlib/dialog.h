#pragma once
// Dialogs from resource templates and the data exchange between members and controls.
#include <windows.h>
#include <commdlg.h>
#include "ctime.h"
#include "seams.h"
#include "wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : templateId_(templateId), parent_(parent) {}

    // Runs the dialog modally, owned by SafeOwner(parent) and centred on that owner
    // (or the screen): IDOK, IDCANCEL, the EndDialog value, or -1 when the template
    // cannot be loaded.
    virtual INT_PTR DoModal();
    // The same dialog, modeless (used by tests to inspect a live dialog).
    BOOL Create(CWnd* parent = nullptr);
    void EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

    virtual BOOL OnInitDialog();  // base: UpdateData(FALSE); TRUE = default focus
    virtual void OnOK();          // base: UpdateData(TRUE), then EndDialog(IDOK) on success
    virtual void OnCancel();      // base: EndDialog(IDCANCEL)

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Attaches the object to the dialog window when WM_INITDIALOG arrives.
    static INT_PTR Initialize(CDialog* self, HWND hwnd, WPARAM wParam, LPARAM lParam);
    UINT templateId_;

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DlgProc(HWND, UINT, WPARAM, LPARAM);
    CWnd* parent_;
    bool modal_ = false;
};

// One run of UpdateData: the window and the direction.
class CDataExchange {
public:
    CDataExchange(CWnd* window, BOOL saveAndValidate) : m_pDlgWnd(window), m_bSaveAndValidate(saveAndValidate) {}
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
    // The control for an exchange; remembered for Fail.
    HWND PrepareCtrl(int id);
    HWND PrepareEditCtrl(int id);
    // Ends the exchange as failed: focus back to the last control, UpdateData returns FALSE.
    [[noreturn]] void Fail();
    struct Failure {};

private:
    HWND last_ = nullptr;
    bool lastIsEdit_ = false;
};

void DDX_Text(CDataExchange* dx, int id, CString& value);
// Decimal integer; text that is not one shows "Enter an integer." and fails.
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Check(CDataExchange* dx, int id, int& value);
// Attaches the control to the object on the first exchange.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_CBIndex(CDataExchange* dx, int id, int& index);
// Loading selects the first entry that begins with the text (any case), or none;
// saving takes the selected entry's text, empty when nothing is selected.
void DDX_CBString(CDataExchange* dx, int id, CString& value);
// The calendar's date; saving keeps the date at 0:00:00.
void DDX_MonthCalCtrl(CDataExchange* dx, int id, CTime& value);

// The open or save box, through the replaceable file chooser.
class CFileDialog {
public:
    // The default extension may be given with or without its dot; filter entries
    // are separated by '|'.
    CFileDialog(BOOL open, const wchar_t* defaultExt, const wchar_t* fileName, DWORD flags, const wchar_t* filter,
                CWnd* parent);
    INT_PTR DoModal();  // IDOK or IDCANCEL
    CString GetPathName() const { return path_; }

private:
    ui::FileChoice choice_;
    CString path_;
};
