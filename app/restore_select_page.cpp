#include "restore_select_page.h"
#include <shlwapi.h>
#include "res/resource.h"

CRestoreWizardPg1::CRestoreWizardPg1() : CRestoreWizardBasicPage(IDD_RESTORE_SELECT) {}

BEGIN_MESSAGE_MAP(CRestoreWizardPg1, CRestoreWizardBasicPage)
    ON_BN_CLICKED(IDC_BROWSE, &CRestoreWizardPg1::OnBrowse)
END_MESSAGE_MAP()

void CRestoreWizardPg1::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_ARCHIVE_PATH, archivePath);
}

BOOL CRestoreWizardPg1::OnSetActive()
{
    PostWizardButtons(PSWIZB_NEXT);
    return CRestoreWizardBasicPage::OnSetActive();
}

void CRestoreWizardPg1::OnBrowse()
{
    CString filter;
    filter.Format(L"%ls Archive(*%ls)|*%ls|Any files(*.*)|*.*||", L"Brisvale 2.9e", L".bvk2", L".bvk2");
    CFileDialog dialog(TRUE, L"bvk2", nullptr, 0, filter.c_str(), this);
    if (dialog.DoModal() != IDOK)
        return;
    archivePath = dialog.GetPathName();
    UpdateData(FALSE);
}

LRESULT CRestoreWizardPg1::OnWizardNext()
{
    if (!UpdateData(TRUE))
        return -1;
    if (!PathFileExistsW(archivePath.c_str())) {
        MessageBox(L"Please enter a valid archive filename before you go next step!", L"Error", MB_ICONERROR);
        return -1;
    }
    GetContext()->path = archivePath;
    return 0;
}
