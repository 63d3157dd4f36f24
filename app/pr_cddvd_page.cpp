#include "pr_cddvd_page.h"
#include <cwchar>
#include "output_media_copier.h"
#include "res/resource.h"

CPrCDDVDPage::CPrCDDVDPage() : CPropertyPage(IDD_PR_CDDVD), pref{} {}

void CPrCDDVDPage::DoDataExchange(CDataExchange* dx)
{
    DDX_CBString(dx, IDC_CDDVD_DEVICE, deviceText);
    DDX_Check(dx, IDC_CDDVD_ERASE, erase);
    DDX_Control(dx, IDC_CDDVD_DEVICE, deviceCombo);
}

BOOL CPrCDDVDPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    deviceText = CString(pref.device, wcsnlen(pref.device, std::size(pref.device)));
    erase = pref.erase != 0;
    // The writers are those the burner component lists.
    BurnCD burner;
    if (FAILED(burner.Create()) || !burner.settings) {
        MessageBox(
            L"CD/DVD burner ActiveX failed to initialize! You need to re-install the backup software and try "
            L"again!",
            L"Error", MB_ICONERROR);
        UpdateData(FALSE);
        return FALSE;
    }
    long count = 0;
    if (FAILED(burner.settings->GetDeviceCount(&count)))
        count = 0;
    for (long i = 0; i < count; ++i) {
        BSTR name = nullptr;
        if (SUCCEEDED(burner.settings->GetDeviceName(i, &name)) && name)
            deviceCombo.AddString(name);
        SysFreeString(name);
    }
    burner.Release();
    UpdateData(FALSE);
    return TRUE;
}

void CPrCDDVDPage::OnOK()
{
    // Only a writer the list offers replaces the stored one: a writer that is
    // unplugged now, or a component that cannot list, keeps the user's choice.
    if (deviceCombo.GetCurSel() != CB_ERR)
        CopyBounded(pref.device, deviceText.c_str());
    pref.erase = erase ? 1 : 0;
    CPropertyPage::OnOK();
}
