#include "additional_folder_dlg.h"
#include "res/resource.h"

CAdditionalFolderDialog::CAdditionalFolderDialog(CWnd* parent) : CDialog(IDD_ADDITIONAL_FOLDER, parent) {}

BEGIN_MESSAGE_MAP(CAdditionalFolderDialog, CDialog)
    ON_BN_CLICKED(IDC_BROWSE, &CAdditionalFolderDialog::OnBrowse)
END_MESSAGE_MAP()

void CAdditionalFolderDialog::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_FOLDER, folder);
}

void CAdditionalFolderDialog::OnBrowse()
{
    // Cancelled, or a place without a file-system path: the edit keeps its text.
    std::optional<std::wstring> chosen = ui::ChooseFolder(m_hWnd, L"Please choose a folder");
    if (!chosen)
        return;
    UpdateData(TRUE);
    folder = *chosen;
    UpdateData(FALSE);
}
