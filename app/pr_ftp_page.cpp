#include "pr_ftp_page.h"
#include <cwchar>
#include <utility>
#include "res/resource.h"

void FtpFields::Prepare(CWnd& page)
{
    const _PreferenceFTP f{};
    const std::pair<int, size_t> limits[] = {{IDC_FTP_HOST, std::size(f.host)},
                                             {IDC_FTP_USER, std::size(f.user)},
                                             {IDC_PASSWORD, std::size(f.password)},
                                             {IDC_FTP_DIRECTORY, std::size(f.directory)}};
    for (auto [id, room] : limits)
        ::SendDlgItemMessageW(page.m_hWnd, id, EM_LIMITTEXT, room - 1, 0);
    // Without a range the arrows run backwards over 100..0.
    ::SendDlgItemMessageW(page.m_hWnd, IDC_FTP_PORT_SPIN, UDM_SETRANGE32, 0, 65535);
}

void FtpFields::Exchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_FTP_HOST, hostText);
    DDX_Text(dx, IDC_FTP_PORT, port);
    DDX_Text(dx, IDC_FTP_USER, userText);
    DDX_Text(dx, IDC_PASSWORD, passwordText);
    DDX_Text(dx, IDC_FTP_DIRECTORY, directoryText);
    DDX_Check(dx, IDC_FTP_PASSIVE, passive);
}

void FtpFields::Store(_PreferenceFTP& f) const
{
    CopyBounded(f.host, hostText.c_str());
    f.port = port;
    CopyBounded(f.user, userText.c_str());
    CopyBounded(f.password, passwordText.c_str());
    CopyBounded(f.directory, directoryText.c_str());
    f.passive = passive ? 1 : 0;
}

CPrFTPPage::CPrFTPPage() : CPropertyPage(IDD_PR_FTP), pref{} {}

void CPrFTPPage::DoDataExchange(CDataExchange* dx)
{
    fields.Exchange(dx);
}

BOOL CPrFTPPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    FtpFields::Prepare(*this);
    fields.hostText = CString(pref.host, wcsnlen(pref.host, std::size(pref.host)));
    fields.port = pref.port == 0 ? 21 : pref.port;
    fields.userText = CString(pref.user, wcsnlen(pref.user, std::size(pref.user)));
    fields.passwordText = CString(pref.password, wcsnlen(pref.password, std::size(pref.password)));
    fields.directoryText = CString(pref.directory, wcsnlen(pref.directory, std::size(pref.directory)));
    fields.passive = pref.passive != 0;
    UpdateData(FALSE);
    return TRUE;
}

void CPrFTPPage::OnOK()
{
    fields.Store(pref);
    CPropertyPage::OnOK();
}
