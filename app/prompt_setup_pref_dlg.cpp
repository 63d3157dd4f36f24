#include "prompt_setup_pref_dlg.h"
#include "res/resource.h"

CPromptSetupPrefDlg::CPromptSetupPrefDlg(CWnd* parent) : CDialog(IDD_PROMPT_SETUP_PREF, parent) {}

BEGIN_MESSAGE_MAP(CPromptSetupPrefDlg, CDialog)
    ON_BN_CLICKED(IDC_DONT_SHOW_AGAIN, &CPromptSetupPrefDlg::OnDontShowAgainClicked)
END_MESSAGE_MAP()

void CPromptSetupPrefDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_DONT_SHOW_AGAIN, dontShowAgain);
}
