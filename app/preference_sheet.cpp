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

// ---- ArchiveNameFields

ArchiveNameFields::ArchiveNameFields(CWnd& page, ArchivePreference& pref, Ids ids, const wchar_t* browseTitle)
    : page_(page), pref_(pref), ids_(ids), browseTitle_(browseTitle)
{
}

BOOL ArchiveNameFields::OnCmdMsg(UINT id, UINT code, bool probe)
{
    const int control = int(id);
    void (ArchiveNameFields::*handler)() = nullptr;
    if (code == BN_CLICKED && control == IDC_BROWSE)
        handler = &ArchiveNameFields::OnBrowseFolder;
    else if (code == BN_CLICKED && control == ids_.addStamp)
        handler = &ArchiveNameFields::OnStampClicked;
    else if ((code == EN_CHANGE && (control == IDC_FOLDER || control == IDC_FILENAME)) ||
             (code == BN_CLICKED && (control == IDC_STAMP_BEFORE || control == IDC_STAMP_AFTER)) ||
             (code == CBN_SELCHANGE && control == ids_.format))
        handler = &ArchiveNameFields::UpdatePreview;
    if (handler && !probe)
        (this->*handler)();
    return handler != nullptr;
}

void ArchiveNameFields::Exchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_FOLDER, folderText);
    DDX_Text(dx, IDC_FILENAME, baseNameText);
    DDX_Check(dx, ids_.addStamp, addStamp);
    DDX_Control(dx, ids_.format, formatCombo);
    DDX_Text(dx, ids_.preview, previewText);
}

void ArchiveNameFields::AddFormats(const wchar_t* selected)
{
    for (const wchar_t* format : kTimeStampFormats) {
        int index = formatCombo.AddString(CTime::GetCurrentTime().Format(format).c_str());
        if (index < 0)
            continue;
        if (formatCombo.GetCurSel() == CB_ERR)
            formatCombo.SetCurSel(index);
        formats_.emplace_back();
        CopyBounded(formats_.back().text, format);
        formatCombo.SetItemDataPtr(index, formats_.back().text);
        if (selected && wcscmp(format, selected) == 0)
            formatCombo.SetCurSel(index);
    }
}

void ArchiveNameFields::Collect()
{
    pref_.addTimeStamp = addStamp ? 1 : 0;
    CopyBounded(pref_.baseName, baseNameText.c_str());
    CopyBounded(pref_.outputFolder, folderText.c_str());
    int sel = formatCombo.GetCurSel();
    if (sel != CB_ERR)
        if (auto* format = static_cast<const wchar_t*>(formatCombo.GetItemDataPtr(sel)))
            CopyBounded(pref_.timeStampFormat, format);
    pref_.timeStampPosition =
        page_.GetCheckedRadioButton(IDC_STAMP_BEFORE, IDC_STAMP_AFTER) == IDC_STAMP_BEFORE ? 1 : 2;
}

void ArchiveNameFields::UpdatePreview()
{
    page_.UpdateData(TRUE);
    Collect();
    previewText = MakeArchiveFileName(pref_);
    page_.UpdateData(FALSE);
}

void ArchiveNameFields::EnableStampControls()
{
    page_.UpdateData(TRUE);
    for (int id : {IDC_STAMP_BEFORE, IDC_STAMP_AFTER, ids_.format})
        ::EnableWindow(page_.GetDlgItem(id), addStamp ? TRUE : FALSE);
}

void ArchiveNameFields::OnStampClicked()
{
    EnableStampControls();
    UpdatePreview();
}

void ArchiveNameFields::OnBrowseFolder()
{
    // Cancelled, or a place without a file-system path: nothing changes.
    std::optional<std::wstring> chosen = ui::ChooseFolder(page_.m_hWnd, browseTitle_);
    if (!chosen)
        return;
    page_.UpdateData(TRUE);
    folderText = *chosen;
    page_.UpdateData(FALSE);
    UpdatePreview();
}

void ArchiveNameFields::Release()
{
    for (int i = 0, n = formatCombo.GetCount(); i < n; ++i)
        formatCombo.SetItemDataPtr(i, nullptr);
    formats_.clear();
}

// ---- CPrArchivePage

CPrArchivePage::CPrArchivePage()
    : CPropertyPage(IDD_PR_ARCHIVE), pref{},
      fields(*this, pref, {IDC_ADD_STAMP, IDC_STAMP_FORMAT, IDC_PREVIEW}, L"Select a folder for output archive:")
{
}

BEGIN_MESSAGE_MAP(CPrArchivePage, CPropertyPage)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

BOOL CPrArchivePage::OnCmdMsg(UINT id, UINT code, bool probe)
{
    return fields.OnCmdMsg(id, code, probe) || CPropertyPage::OnCmdMsg(id, code, probe);
}

void CPrArchivePage::DoDataExchange(CDataExchange* dx)
{
    fields.Exchange(dx);
}

BOOL CPrArchivePage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    fields.AddFormats(pref.timeStampFormat);
    fields.folderText = pref.outputFolder;
    fields.baseNameText = pref.baseName;
    fields.addStamp = pref.addTimeStamp;
    CheckRadioButton(IDC_STAMP_BEFORE, IDC_STAMP_AFTER,
                     pref.timeStampPosition == 1 ? IDC_STAMP_BEFORE : IDC_STAMP_AFTER);
    UpdateData(FALSE);
    fields.EnableStampControls();
    fields.UpdatePreview();
    return TRUE;
}

void CPrArchivePage::ValidateArchivePage()
{
    UpdateData(TRUE);
    if (fields.folderText.size() >= std::size(pref.outputFolder) || !PathFileExistsW(fields.folderText.c_str()))
        throw EInvalidItem(L"Folder");
    if (fields.baseNameText.empty() || fields.baseNameText.size() >= std::size(pref.baseName))
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
    fields.Collect();
    CPropertyPage::OnOK();
}

void CPrArchivePage::OnDestroy()
{
    fields.Release();
    CPropertyPage::OnDestroy();
}

bool RunPreferenceSheet(CWnd* parent, std::initializer_list<CPropertyPage*> pages)
{
    CPropertySheet sheet(L"Preference", parent, 0);
    sheet.m_psh.dwFlags = (sheet.m_psh.dwFlags & ~PSH_HASHELP) | PSH_NOAPPLYNOW;
    for (CPropertyPage* page : pages) {
        page->m_psp.dwFlags &= ~PSP_HASHELP;
        sheet.AddPage(page);
    }
    return sheet.DoModal() == IDOK;
}

bool ShowPreferenceSheet(CWnd* parent)
{
    // The FTP account and the disc writer are set here, where the backup dialog's
    // transfer options send the user.
    CPrArchivePage archivePage;
    CPrFTPPage ftpPage;
    CPrCDDVDPage cddvdPage;
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
    if (!RunPreferenceSheet(parent, {&archivePage, &ftpPage, &cddvdPage}))
        return false;
    // A page that was never opened hands back its block as it came.
    record.archive = archivePage.pref;
    record.ftp = ftpPage.pref;
    record.cddvd = cddvdPage.pref;
    record.Save(L"Preference.dat");
    return true;
}
