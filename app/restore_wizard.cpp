#include "restore_wizard.h"
#include "res/resource.h"
#include "restore_contents_page.h"
#include "restore_finish_page.h"
#include "restore_page.h"
#include "restore_select_page.h"

BOOL CRestoreWizardBasicPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    titleFont_.CreateFont(25, 0, 0, 0, FW_NORMAL, TRUE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, L"Arial");
    ::SendMessageW(GetDlgItem(IDC_WIZ_TITLE), WM_SETFONT, WPARAM(HFONT(titleFont_)), TRUE);
    return TRUE;
}

BOOL CRestoreWizardBasicPage::OnQueryCancel()
{
    return MessageBox(L"Exit restore wizard, are you sure?", L"Question", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void CRestoreWizardBasicPage::SetStatus(const wchar_t* text)
{
    SetDlgItemText(IDC_WIZ_STATUS, text);
}

void CRestoreWizardBasicPage::AwaitWorkerEnd(const std::atomic<bool>& running)
{
    while (running.load())
        ::Sleep(1);
}

int RunRestoreWizard(CWnd* parent, const wchar_t* archivePath)
{
    CString title;
    title.Format(L"%ls Restore Wizard", L"Outlook Express");
    CPropertySheet sheet(title.c_str(), parent, 0);
    CRestoreWizardPg1 pg1;
    CRestoreWizardPg2 pg2;
    CRestoreWizardPg3 pg3;
    CRestoreWizardPg4 pg4;
    RestoreContext context;
    sheet.m_psh.dwFlags &= ~PSH_HASHELP;
    for (CRestoreWizardBasicPage* page :
         {static_cast<CRestoreWizardBasicPage*>(&pg1), static_cast<CRestoreWizardBasicPage*>(&pg2),
          static_cast<CRestoreWizardBasicPage*>(&pg3), static_cast<CRestoreWizardBasicPage*>(&pg4)}) {
        sheet.AddPage(page);
        page->m_psp.dwFlags &= ~PSP_HASHELP;
        // The wizard's name stays in the title bar on every page; the pages' own
        // captions are their title labels.
        page->m_psp.dwFlags |= PSP_USETITLE;
        page->m_psp.pszTitle = title.c_str();
        page->SetContext(&context);
        page->SetSheet(&sheet);
    }
    if (archivePath)
        pg1.archivePath = archivePath;
    sheet.SetWizardMode();
    return int(sheet.DoModal());
}
