#include "pr_ftp_page.h"
#include <cwchar>
#include "res/resource.h"

CPrFTPPage::CPrFTPPage() : CPropertyPage(IDD_PR_FTP), pref{} {}

void CPrFTPPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_FTP_HOST, hostText);
    DDX_Text(dx, IDC_FTP_PORT, port);
    DDX_Text(dx, IDC_FTP_USER, userText);
    DDX_Text(dx, IDC_PASSWORD, passwordText);
    DDX_Text(dx, IDC_FTP_DIRECTORY, directoryText);
    DDX_Check(dx, IDC_FTP_PASSIVE, passive);
}

BOOL CPrFTPPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    // The record's fields hold 99 characters, the directory 2047.
    for (int id : {IDC_FTP_HOST, IDC_FTP_USER, IDC_PASSWORD})
        ::SendMessageW(GetDlgItem(id), EM_LIMITTEXT, 99, 0);
    ::SendMessageW(GetDlgItem(IDC_FTP_DIRECTORY), EM_LIMITTEXT, 2047, 0);
    // Without a range the arrows run backwards over 100..0.
    ::SendMessageW(GetDlgItem(IDC_FTP_PORT_SPIN), UDM_SETRANGE32, 0, 65535);
    hostText = CString(pref.host, wcsnlen(pref.host, std::size(pref.host)));
    port = pref.port == 0 ? 21 : pref.port;
    userText = CString(pref.user, wcsnlen(pref.user, std::size(pref.user)));
    passwordText = CString(pref.password, wcsnlen(pref.password, std::size(pref.password)));
    directoryText = CString(pref.directory, wcsnlen(pref.directory, std::size(pref.directory)));
    passive = pref.passive != 0;
    UpdateData(FALSE);
    return TRUE;
}

void CPrFTPPage::OnOK()
{
    CopyBounded(pref.host, hostText.c_str());
    pref.port = port;
    CopyBounded(pref.user, userText.c_str());
    CopyBounded(pref.password, passwordText.c_str());
    CopyBounded(pref.directory, directoryText.c_str());
    pref.passive = passive ? 1 : 0;
    CPropertyPage::OnOK();
}
