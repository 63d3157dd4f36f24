#include "propsheet.h"

CPropertyPage::CPropertyPage(UINT templateId) : CDialog(templateId), m_psp{}
{
    m_psp.dwSize = sizeof m_psp;
    m_psp.dwFlags = PSP_DEFAULT | PSP_HASHELP;
    m_psp.hInstance = ::GetModuleHandleW(nullptr);
    m_psp.pszTemplate = MAKEINTRESOURCEW(templateId);
    m_psp.pfnDlgProc = PageDlgProc;
    m_psp.lParam = reinterpret_cast<LPARAM>(this);
}

INT_PTR CALLBACK CPropertyPage::PageDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_INITDIALOG)
        return FALSE;
    // The sheet passes its copy of the page description.
    auto* page = reinterpret_cast<CPropertyPage*>(reinterpret_cast<PROPSHEETPAGEW*>(lParam)->lParam);
    return Initialize(page, hwnd, wParam, lParam);
}

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    auto* nm = reinterpret_cast<NMHDR*>(lParam);
    if (nm->hwndFrom != GetSheetHwnd())
        return CDialog::OnNotify(wParam, lParam, result);
    switch (nm->code) {
    case PSN_SETACTIVE:
        *result = OnSetActive() ? 0 : -1;
        break;
    case PSN_KILLACTIVE:
        *result = !OnKillActive();
        break;
    case PSN_APPLY:
        *result = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
        break;
    case PSN_RESET:
        OnReset();
        *result = 0;
        break;
    case PSN_QUERYCANCEL:
        *result = !OnQueryCancel();
        break;
    case PSN_WIZNEXT:
        *result = OnWizardNext();
        break;
    case PSN_WIZBACK:
        *result = OnWizardBack();
        break;
    case PSN_WIZFINISH:
        *result = !OnWizardFinish();
        break;
    default:
        return CDialog::OnNotify(wParam, lParam, result);
    }
    return TRUE;
}

BOOL CPropertyPage::OnSetActive()
{
    if (firstActivation_)
        firstActivation_ = false;  // OnInitDialog has just filled the controls
    else
        UpdateData(FALSE);
    return TRUE;
}

BOOL CPropertyPage::OnKillActive()
{
    return UpdateData(TRUE);
}

BOOL CPropertyPage::OnApply()
{
    OnOK();
    return TRUE;
}

void CPropertyPage::OnReset()
{
    OnCancel();
}

BOOL CPropertyPage::OnQueryCancel()
{
    return TRUE;
}

LRESULT CPropertyPage::OnWizardNext()
{
    return 0;
}

LRESULT CPropertyPage::OnWizardBack()
{
    return 0;
}

BOOL CPropertyPage::OnWizardFinish()
{
    return TRUE;
}

namespace {
// The sheet whose window is being made on this thread; the system's callback has no
// context of its own.
thread_local CPropertySheet* t_creating = nullptr;
}  // namespace

CPropertySheet::CPropertySheet(const wchar_t* caption, CWnd* parent, UINT startPage)
    : m_psh{}, caption_(caption), parent_(parent)
{
    m_psh.dwSize = sizeof m_psh;
    m_psh.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_HASHELP;
    m_psh.hInstance = ::GetModuleHandleW(nullptr);
    m_psh.nStartPage = startPage;
    m_psh.pfnCallback = SheetCallback;
}

int CALLBACK CPropertySheet::SheetCallback(HWND hwnd, UINT msg, LPARAM)
{
    if (msg == PSCB_INITIALIZED && t_creating) {
        t_creating->SubclassWindow(hwnd);
        t_creating = nullptr;
    }
    return 0;
}

LRESULT CPropertySheet::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The sheet has its final size only once it is about to show.
    if (msg == WM_SHOWWINDOW && wParam && !placed_) {
        placed_ = true;
        CenterWindow();
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

INT_PTR CPropertySheet::DoModal()
{
    placed_ = false;
    std::vector<PROPSHEETPAGEW> pages;
    for (CPropertyPage* p : pages_)
        pages.push_back(p->m_psp);
    m_psh.dwFlags |= PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    m_psh.pfnCallback = SheetCallback;
    m_psh.hwndParent = SafeOwner(parent_ ? parent_->m_hWnd : nullptr);
    m_psh.pszCaption = caption_.c_str();
    m_psh.nPages = UINT(pages.size());
    m_psh.ppsp = pages.data();
    InitControlClasses();
    CPropertySheet* outer = t_creating;
    t_creating = this;
    INT_PTR r = ::PropertySheetW(&m_psh);
    t_creating = outer;
    if (r < 0)
        return -1;
    if (r == 0)
        return IDCANCEL;
    return (m_psh.dwFlags & PSH_WIZARD) ? ID_WIZFINISH : IDOK;
}
