#include "restore_finish_page.h"
#include "res/resource.h"

CRestoreWizardPg4::CRestoreWizardPg4() : CRestoreWizardBasicPage(IDD_RESTORE_DONE) {}

BOOL CRestoreWizardPg4::OnInitDialog()
{
    CRestoreWizardBasicPage::OnInitDialog();
    CString format, text;
    format.LoadString(IDS_FINISH_NOTE);
    text.Format(format.c_str(), L"Outlook Express");
    SetDlgItemText(IDC_FINISH_NOTE, text.c_str());
    return TRUE;
}

BOOL CRestoreWizardPg4::OnSetActive()
{
    PostWizardButtons(PSWIZB_FINISH);
    SetStatus(GetContext()->restoredAll ? L"Congratulation! Restore successfully!"
                                        : L"Restore process has finished, but some items could not be restored.");
    return CRestoreWizardBasicPage::OnSetActive();
}
