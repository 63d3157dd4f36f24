#include "dialog.h"
#include "controls.h"
#include <climits>

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

INT_PTR CDialog::DoModal()
{
    HWND owner = SafeOwner(parent_ ? parent_->m_hWnd : nullptr);
    InitControlClasses();
    struct Modal {
        bool& flag;
        explicit Modal(bool& f) : flag(f) { flag = true; }
        ~Modal() { flag = false; }
    } modal(modal_);
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner, DlgProc,
                             reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::Create(CWnd* parent)
{
    InitControlClasses();
    HWND h = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_),
                                  parent ? parent->m_hWnd : nullptr, DlgProc, reinterpret_cast<LPARAM>(this));
    return h != nullptr;
}

INT_PTR CALLBACK CDialog::DlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Everything after WM_INITDIALOG reaches the object through its subclass first;
    // the dialog manager's default handling follows from there.
    if (msg != WM_INITDIALOG)
        return FALSE;
    return Initialize(reinterpret_cast<CDialog*>(lParam), hwnd, wParam, lParam);
}

INT_PTR CDialog::Initialize(CDialog* self, HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    if (!self || !self->SubclassWindow(hwnd))
        return FALSE;
    return self->Handle(hwnd, WM_INITDIALOG, wParam, lParam);
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        // Before OnInitDialog, which may place the window itself.
        if (modal_)
            CenterWindow();
        return OnInitDialog();
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

// ---- data exchange

BOOL CWnd::UpdateData(BOOL saveAndValidate)
{
    struct Lock {
        int& n;
        explicit Lock(int& c) : n(c) { ++n; }
        ~Lock() { --n; }
    } lock(notifyLock_);
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CDataExchange::Failure&) {
        return FALSE;
    }
    return TRUE;
}

HWND CDataExchange::PrepareCtrl(int id)
{
    last_ = m_pDlgWnd->GetDlgItem(id);
    lastIsEdit_ = false;
    return last_;
}

HWND CDataExchange::PrepareEditCtrl(int id)
{
    PrepareCtrl(id);
    lastIsEdit_ = true;
    return last_;
}

void CDataExchange::Fail()
{
    if (!m_bSaveAndValidate || !last_)
        throw Failure{};
    ::SetFocus(last_);
    if (lastIsEdit_)
        ::SendMessageW(last_, EM_SETSEL, 0, -1);
    throw Failure{};
}

namespace {

// Blanks around an optional sign and decimal digits, within int's range.
bool ParseInt(const std::wstring& text, int& out)
{
    size_t i = 0, n = text.size();
    while (i < n && (text[i] == L' ' || text[i] == L'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == L'+' || text[i] == L'-'))
        negative = text[i++] == L'-';
    if (i >= n || text[i] < L'0' || text[i] > L'9')
        return false;
    long long v = 0;
    for (; i < n && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        v = v * 10 + (text[i] - L'0');
        if (v > 1LL + INT_MAX)
            return false;
    }
    while (i < n && (text[i] == L' ' || text[i] == L'\t'))
        ++i;
    if (i != n)
        return false;
    v = negative ? -v : v;
    if (v < INT_MIN || v > INT_MAX)
        return false;
    out = int(v);
    return true;
}

}  // namespace

namespace {

// Rewriting an edit moves its caret to the start: a handler of the user's typing
// that refreshes the controls would otherwise scramble what is being typed.
void SetTextIfChanged(HWND control, const CString& text)
{
    if (WindowText(control) != text)
        ::SetWindowTextW(control, text.c_str());
}

}  // namespace

void DDX_Text(CDataExchange* dx, int id, CString& value)
{
    HWND h = dx->PrepareEditCtrl(id);
    if (dx->m_bSaveAndValidate)
        value = WindowText(h);
    else
        SetTextIfChanged(h, value);
}

void DDX_Text(CDataExchange* dx, int id, int& value)
{
    HWND h = dx->PrepareEditCtrl(id);
    if (dx->m_bSaveAndValidate) {
        int parsed = 0;
        if (!ParseInt(WindowText(h), parsed)) {
            AfxMessageBox(L"Enter an integer.", MB_ICONEXCLAMATION);
            dx->Fail();
        }
        value = parsed;
    } else {
        CString text;
        text.Format(L"%d", value);
        SetTextIfChanged(h, text);
    }
}

void DDX_Check(CDataExchange* dx, int id, int& value)
{
    HWND h = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate)
        value = int(::SendMessageW(h, BM_GETCHECK, 0, 0));
    else
        ::SendMessageW(h, BM_SETCHECK, WPARAM(value), 0);
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (!control.m_hWnd)
        control.SubclassWindow(dx->PrepareCtrl(id));
}

void DDX_CBIndex(CDataExchange* dx, int id, int& index)
{
    HWND h = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate)
        index = int(::SendMessageW(h, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageW(h, CB_SETCURSEL, WPARAM(index), 0);
}

void DDX_CBString(CDataExchange* dx, int id, CString& value)
{
    HWND h = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        int sel = int(::SendMessageW(h, CB_GETCURSEL, 0, 0));
        value = sel != CB_ERR ? CComboBox::GetLBText(h, sel) : CString();
        return;
    }
    int count = int(::SendMessageW(h, CB_GETCOUNT, 0, 0));
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i) {
        CString text = CComboBox::GetLBText(h, i);
        if (text.size() < value.size())
            continue;
        if (value.empty() || ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text.c_str(), int(value.size()),
                                              value.c_str(), int(value.size())) == CSTR_EQUAL)
            found = i;
    }
    ::SendMessageW(h, CB_SETCURSEL, WPARAM(found), 0);
}

void DDX_MonthCalCtrl(CDataExchange* dx, int id, CTime& value)
{
    HWND h = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate)
        CMonthCalCtrl::GetCurSel(h, value);
    else
        CMonthCalCtrl::SetCurSel(h, value);
}

CFileDialog::CFileDialog(BOOL open, const wchar_t* defaultExt, const wchar_t* fileName, DWORD flags,
                         const wchar_t* filter, CWnd* parent)
{
    choice_.save = !open;
    choice_.owner = parent ? parent->m_hWnd : SafeOwner(nullptr);
    // The system would append a second dot.
    if (defaultExt)
        choice_.defaultExt = defaultExt[0] == L'.' ? defaultExt + 1 : defaultExt;
    choice_.fileName = fileName ? fileName : L"";
    choice_.filter = filter ? filter : L"";
    choice_.flags = flags;
}

INT_PTR CFileDialog::DoModal()
{
    std::optional<std::wstring> path = ui::ChooseFile(choice_);
    if (!path)
        return IDCANCEL;
    path_ = *path;
    return IDOK;
}
