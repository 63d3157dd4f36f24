#include "profile_name_dlg.h"
#include "profiles.h"
#include "res/resource.h"

CProfileNameDialog::CProfileNameDialog(CWnd* parent) : CDialog(IDD_PROFILE_NAME, parent) {}

void CProfileNameDialog::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_PROFILE_NAME, name);
}

void CProfileNameDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (name.empty()) {
        MessageBox(L"Please enter a name before you press OK button!", L"Error", MB_OK | MB_ICONERROR);
        return;
    }
    // A profile is one registry key: a backslash would make nested keys, and a longer
    // name could not be read back, hiding this profile and every one after it.
    if (!IsValidProfileName(name)) {
        MessageBox(
            L"A profile name cannot contain \"\\\" or be longer than 255 characters, please change the name "
            L"and try again!",
            L"Error", MB_OK | MB_ICONERROR);
        return;
    }
    EndDialog(IDOK);
}
