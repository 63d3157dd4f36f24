#pragma once
// Property sheets and pages, normal and wizard, over the system's property sheet.
#include <vector>
#include "dialog.h"

class CPropertySheet;

// What a finished wizard returns from DoModal.
constexpr INT_PTR ID_WIZFINISH = 12325;

class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT templateId);
    // Flags may be edited before the sheet runs (PSP_HASHELP is set). A wizard's title
    // bar shows the current page's caption: the template's, or pszTitle with PSP_USETITLE.
    PROPSHEETPAGEW m_psp;

    // Notifications from the sheet. The base OnSetActive refreshes the controls on
    // every activation but the first; the base OnKillActive saves them.
    virtual BOOL OnSetActive();
    virtual BOOL OnKillActive();
    virtual BOOL OnApply();          // base: OnOK, TRUE
    virtual void OnReset();          // base: OnCancel
    virtual BOOL OnQueryCancel();    // FALSE refuses the cancel
    virtual LRESULT OnWizardNext();  // 0 next page, -1 stay, or a template id
    virtual LRESULT OnWizardBack();
    virtual BOOL OnWizardFinish();  // FALSE keeps the wizard open
    void OnOK() override {}
    void OnCancel() override {}

    // The sheet window this page is on.
    HWND GetSheetHwnd() const { return ::GetParent(m_hWnd); }

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    static INT_PTR CALLBACK PageDlgProc(HWND, UINT, WPARAM, LPARAM);
    bool firstActivation_ = true;
};

class CPropertySheet : public CWnd {
public:
    CPropertySheet(const wchar_t* caption, CWnd* parent = nullptr, UINT startPage = 0);
    PROPSHEETHEADERW m_psh;  // flags may be edited before DoModal (PSH_HASHELP is set)

    void AddPage(CPropertyPage* page) { pages_.push_back(page); }
    void SetWizardMode() { m_psh.dwFlags |= PSH_WIZARD; }
    // Runs modally, centred on its owner (or the screen): IDOK, ID_WIZFINISH in
    // wizard mode, IDCANCEL, or -1 on failure.
    INT_PTR DoModal();
    void SetWizardButtons(DWORD flags) { PostMessage(PSM_SETWIZBUTTONS, 0, flags); }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    static int CALLBACK SheetCallback(HWND, UINT, LPARAM);
    bool placed_ = false;
    CString caption_;
    CWnd* parent_;
    std::vector<CPropertyPage*> pages_;
};
