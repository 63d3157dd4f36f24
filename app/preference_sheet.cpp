#include "preference_sheet.h"
#include <shlwapi.h>
#include "archive_name.h"
#include "eng_except.h"
#include "pr_cddvd_page.h"
#include "pr_ftp_page.h"
#include "preference.h"
#include "res/resource.h"

EInvalidItem::EInvalidItem(const wchar_t* itemName)
{
    CString text;
    text.Format(L"%ls is invalid, please check it!", itemName);
    if (text.size() > 199)
        text.resize(199);
    message = text;
}

CPrArchivePage::CPrArchivePage() : CPropertyPage(IDD_PR_ARCHIVE), pref{} {}

BEGIN_MESSAGE_MAP(CPrArchivePage, CPropertyPage)
    ON_BN_CLICKED(IDC_BROWSE, &CPrArchivePage::OnBrowseFolder)
    ON_BN_CLICKED(IDC_ADD_STAMP, &CPrArchivePage::OnStampClicked)
    ON_EN_CHANGE(IDC_FOLDER, &CPrArchivePage::UpdatePreview)
    ON_EN_CHANGE(IDC_FILENAME, &CPrArchivePage::UpdatePreview)
    ON_BN_CLICKED(IDC_STAMP_BEFORE, &CPrArchivePage::UpdatePreview)
    ON_BN_CLICKED(IDC_STAMP_AFTER, &CPrArchivePage::UpdatePreview)
    ON_CBN_SELCHANGE(IDC_STAMP_FORMAT, &CPrArchivePage::UpdatePreview)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

void CPrArchivePage::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_FOLDER, folderText);
    DDX_Text(dx, IDC_FILENAME, baseNameText);
    DDX_Check(dx, IDC_ADD_STAMP, addStamp);
    DDX_Control(dx, IDC_STAMP_FORMAT, formatCombo);
    DDX_Text(dx, IDC_PREVIEW, previewText);
}

BOOL CPrArchivePage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    for (const wchar_t* format : kTimeStampFormats)
        AddFormat(format);
    folderText = pref.outputFolder;
    baseNameText = pref.baseName;
    addStamp = pref.addTimeStamp;
    CheckRadioButton(IDC_STAMP_BEFORE, IDC_STAMP_AFTER, pref.timeStampPosition == 1 ? IDC_STAMP_BEFORE : IDC_STAMP_AFTER);
    UpdateData(FALSE);
    EnableStampControls();
    UpdatePreview();
    return TRUE;
}

void CPrArchivePage::AddFormat(const wchar_t* format)
{
    int index = formatCombo.AddString(CTime::GetCurrentTime().Format(format).c_str());
    if (index < 0)
        return;
    if (formatCombo.GetCurSel() == CB_ERR)
        formatCombo.SetCurSel(index);
    formats_.emplace_back();
    CopyBounded(formats_.back().text, format);
    formatCombo.SetItemDataPtr(index, formats_.back().text);
    if (wcscmp(format, pref.timeStampFormat) == 0)
        formatCombo.SetCurSel(index);
}

void CPrArchivePage::CollectArchivePreference()
{
    pref.addTimeStamp = addStamp ? 1 : 0;
    // The preview collects on every keystroke: longer texts are cut here and
    // refused by the validation when the page is left.
    CopyBounded(pref.baseName, baseNameText.c_str());
    CopyBounded(pref.outputFolder, folderText.c_str());
    int sel = formatCombo.GetCurSel();
    if (sel != CB_ERR)
        if (auto* format = static_cast<const wchar_t*>(formatCombo.GetItemDataPtr(sel)))
            CopyBounded(pref.timeStampFormat, format);
    pref.timeStampPosition = GetCheckedRadioButton(IDC_STAMP_BEFORE, IDC_STAMP_AFTER) == IDC_STAMP_BEFORE ? 1 : 2;
}

void CPrArchivePage::UpdatePreview()
{
    UpdateData(TRUE);
    CollectArchivePreference();
    previewText = MakeArchiveFileName(pref);
    UpdateData(FALSE);
}

void CPrArchivePage::EnableStampControls()
{
    UpdateData(TRUE);
    for (int id : {IDC_STAMP_BEFORE, IDC_STAMP_AFTER, IDC_STAMP_FORMAT})
        ::EnableWindow(GetDlgItem(id), addStamp ? TRUE : FALSE);
}

void CPrArchivePage::OnStampClicked()
{
    EnableStampControls();
    UpdatePreview();
}

void CPrArchivePage::ValidateArchivePage()
{
    UpdateData(TRUE);
    if (folderText.size() >= std::size(pref.outputFolder) || !PathFileExistsW(folderText.c_str()))
        throw EInvalidItem(L"Folder");
    if (baseNameText.empty() || baseNameText.size() >= std::size(pref.baseName))
        throw EInvalidItem(L"Filename");
}

BOOL CPrArchivePage::OnKillActive()
{
    try {
        ValidateArchivePage();
    } catch (const EInvalidItem& e) {
        MessageBox(e.message.c_str(), L"Error", MB_ICONERROR);
        return FALSE;
    }
    return CPropertyPage::OnKillActive();
}

void CPrArchivePage::OnOK()
{
    CollectArchivePreference();
    CPropertyPage::OnOK();
}

void CPrArchivePage::OnBrowseFolder()
{
    // Cancelled, or a place without a file-system path: nothing changes.
    std::optional<std::wstring> chosen = ui::ChooseFolder(m_hWnd, L"Select a folder for output archive:");
    if (!chosen)
        return;
    UpdateData(TRUE);
    folderText = *chosen;
    UpdateData(FALSE);
    UpdatePreview();
}

void CPrArchivePage::OnDestroy()
{
    for (int i = 0, n = formatCombo.GetCount(); i < n; ++i)
        formatCombo.SetItemDataPtr(i, nullptr);
    formats_.clear();
    CPropertyPage::OnDestroy();
}

bool ShowPreferenceSheet(CWnd* parent)
{
    CPropertySheet sheet(L"Preference", parent, 0);
    sheet.m_psh.dwFlags = (sheet.m_psh.dwFlags & ~PSH_HASHELP) | PSH_NOAPPLYNOW;
    // The FTP account and the disc writer are set here, where the backup dialog's
    // transfer options send the user.
    CPrArchivePage archivePage;
    CPrFTPPage ftpPage;
    CPrCDDVDPage cddvdPage;
    for (CPropertyPage* page : std::initializer_list<CPropertyPage*>{&archivePage, &ftpPage, &cddvdPage}) {
        page->m_psp.dwFlags &= ~PSP_HASHELP;
        sheet.AddPage(page);
    }
    PreferenceFile record;
    record.Clear();
    try {
        record.Load(L"Preference.dat");
    } catch (const EngExcept::EFileNotFound&) {
        // Load has saved the defaults and left them in the record.
    }
    archivePage.pref = record.archive;
    ftpPage.pref = record.ftp;
    cddvdPage.pref = record.cddvd;
    if (sheet.DoModal() != IDOK)
        return false;
    // A page that was never opened hands back its block as it came.
    record.archive = archivePage.pref;
    record.ftp = ftpPage.pref;
    record.cddvd = cddvdPage.pref;
    record.Save(L"Preference.dat");
    return true;
}
