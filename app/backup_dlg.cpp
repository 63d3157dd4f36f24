#include "backup_dlg.h"
#include <shlwapi.h>
#include "archive_header.h"
#include "archive_name.h"
#include "preference.h"
#include "quick_settings.h"
#include "res/resource.h"

namespace {

// Window heights in pixels: the name row alone, or with the option groups.
constexpr int kCompactHeight = 165;
constexpr int kExpandedHeight = 500;

constexpr int kOptionControls[] = {
    IDC_SETTINGS_GROUP, IDC_COMPRESS,       IDC_PASSWORD_PROTECTED, IDC_PASSWORD_AGAIN_LABEL,
    IDC_PASSWORD_AGAIN, IDC_PASSWORD_LABEL, IDC_PASSWORD,           IDC_OUTPUT_GROUP,
    IDC_TRANSFER,       IDC_TO_FTP,         IDC_TO_CDDVD,           IDC_TRANSFER_NOTE,
};

}  // namespace

CBackupDialog::CBackupDialog(CWnd* parent) : CDialog(IDD_BACKUP, parent) {}

BEGIN_MESSAGE_MAP(CBackupDialog, CDialog)
    ON_BN_CLICKED(IDC_BROWSE, &CBackupDialog::OnBrowse)
    ON_BN_CLICKED(IDC_GENERATE, &CBackupDialog::OnGenerate)
    ON_BN_CLICKED(IDC_START_BACKUP, &CBackupDialog::OnOK)
    ON_BN_CLICKED(IDC_SHOW_DEFAULTS, &CBackupDialog::OnShowDefaults)
    ON_BN_CLICKED(IDC_PASSWORD_PROTECTED, &CBackupDialog::OnPasswordProtected)
    ON_BN_CLICKED(IDC_TRANSFER, &CBackupDialog::OnTransfer)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

void CBackupDialog::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_FILENAME, archiveName);
    DDX_Check(dx, IDC_COMPRESS, compress);
    DDX_Check(dx, IDC_PASSWORD_PROTECTED, passwordProtected);
    DDX_Text(dx, IDC_PASSWORD, password);
    DDX_Text(dx, IDC_PASSWORD_AGAIN, passwordAgain);
    DDX_Check(dx, IDC_TRANSFER, transfer);
    DDX_Check(dx, IDC_SHOW_DEFAULTS, showDefaultSettings);
}

BOOL CBackupDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The archive path holds 2047 characters. The password boxes take any length:
    // a longer password is refused at the start, never cut without a word.
    ::SendMessageW(GetDlgItem(IDC_FILENAME), EM_LIMITTEXT, 2047, 0);
    CheckRadioButton(IDC_TO_FTP, IDC_TO_CDDVD, IDC_TO_FTP);
    FillNameFromPreference();
    const _BackupSettings remembered = LoadQuickSettings();
    compress = remembered.compress != 0;
    passwordProtected = remembered.passwordProtected != 0;
    transfer = remembered.transfer != 0;
    // A remembered password flag needs its boxes in sight, or no backup could start.
    showDefaultSettings = remembered.showDefaultSettings != 0 || passwordProtected;
    UpdateData(FALSE);
    EnableOptionControls();
    ShowOptions(showDefaultSettings);
    CenterWindow();
    return TRUE;
}

bool CBackupDialog::FillNameFromPreference()
{
    std::wstring path;
    GetAppDataFilePath(kPreferenceFileName, kProductFolder, path);
    if (!PathFileExistsW(path.c_str()))
        return false;
    PreferenceFile record;
    record.Clear();
    try {
        record.Load(kPreferenceFileName);
    } catch (...) {
        return false;  // present but unreadable
    }
    UpdateData(TRUE);
    archiveName = MakeArchiveFileName(record.archive);
    UpdateData(FALSE);
    return true;
}

void CBackupDialog::ShowOptions(bool show)
{
    for (int id : kOptionControls)
        ::ShowWindow(GetDlgItem(id), show ? SW_SHOW : SW_HIDE);
    RECT r;
    GetWindowRect(&r);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, r.right - r.left, show ? kExpandedHeight : kCompactHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CBackupDialog::EnableOptionControls()
{
    for (int id : {IDC_PASSWORD_LABEL, IDC_PASSWORD, IDC_PASSWORD_AGAIN_LABEL, IDC_PASSWORD_AGAIN})
        ::EnableWindow(GetDlgItem(id), passwordProtected ? TRUE : FALSE);
    for (int id : {IDC_TO_FTP, IDC_TO_CDDVD})
        ::EnableWindow(GetDlgItem(id), transfer ? TRUE : FALSE);
}

void CBackupDialog::OnShowDefaults()
{
    UpdateData(TRUE);
    ShowOptions(showDefaultSettings);
}

void CBackupDialog::OnPasswordProtected()
{
    UpdateData(TRUE);
    EnableOptionControls();
}

void CBackupDialog::OnTransfer()
{
    UpdateData(TRUE);
    EnableOptionControls();
}

void CBackupDialog::OnGenerate()
{
    if (!FillNameFromPreference())
        MessageBox(
            L"Before you generate a filename for current output archive, please open the preference window "
            L"from main-menu and setup the generate options!",
            L"Error", MB_ICONERROR);
}

void CBackupDialog::OnBrowse()
{
    CString filter;
    filter.Format(L"%ls Archive(*%ls)|*%ls|Any files(*.*)|*.*||", L"Brisvale 2.9e", L".bvk2", L".bvk2");
    CFileDialog box(FALSE, L"bvk2", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter.c_str(), this);
    UpdateData(TRUE);
    if (box.DoModal() == IDOK) {
        archiveName = box.GetPathName();
        confirmedPath_ = archiveName;
        UpdateData(FALSE);
    }
}

void CBackupDialog::Refuse(const wchar_t* text, int correction)
{
    MessageBox(text, L"Error", MB_ICONERROR);
    ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(correction)), TRUE);
}

void CBackupDialog::OnOK()
{
    UpdateData(TRUE);
    if (passwordProtected) {
        if (password.empty()) {
            Refuse(L"Your password can not be empty, please enter the password before you starting backup process!",
                   IDC_PASSWORD);
            return;
        }
        if (password.size() > kMaxPasswordLength) {
            Refuse(L"Your password can not be longer than 11 characters!", IDC_PASSWORD);
            return;
        }
        if (password != passwordAgain) {
            Refuse(L"Please enter the correct password twice in the password boxes!", IDC_PASSWORD);
            return;
        }
    }
    if (archiveName.empty() || !job.SetArchivePath(archiveName)) {
        Refuse(L"Please enter a correct filename into the archive name box!", IDC_FILENAME);
        return;
    }
    // The run replaces the file: a good archive is never lost without asking.
    if (archiveName != confirmedPath_ && PathFileExistsW(archiveName.c_str())) {
        CString question;
        question.Format(L"%ls already exists. Do you want to replace it?", archiveName.c_str());
        if (MessageBox(question.c_str(), L"Confirmation", MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
    }
    job.compress = compress != 0;
    job.passwordProtected = passwordProtected != 0;
    job.SetPassword(password);
    job.transfer = transfer != 0;
    job.mediaType = 0;
    if (transfer) {
        int medium = GetCheckedRadioButton(IDC_TO_FTP, IDC_TO_CDDVD);
        job.mediaType = medium == IDC_TO_FTP ? 1 : medium == IDC_TO_CDDVD ? 2 : 0;
    }
    job.SetMediaPreference(nullptr, 0);
    if (job.mediaType != 0) {
        // Without a readable preference file the job has no medium block: the run
        // then fails the transfer and says what is missing.
        try {
            PreferenceFile record;
            record.Clear();
            record.Load(kPreferenceFileName);
            if (job.mediaType == 1)
                job.SetMediaPreference(&record.ftp, int32_t(sizeof record.ftp));
            else
                job.SetMediaPreference(&record.cddvd, int32_t(sizeof record.cddvd));
        } catch (...) {
        }
    }
    EndDialog(IDOK);
}

void CBackupDialog::OnDestroy()
{
    UpdateData(TRUE);
    _BackupSettings settings = {};
    settings.compress = compress ? 1 : 0;
    settings.passwordProtected = passwordProtected ? 1 : 0;
    CopyBounded(settings.password, password.c_str());
    settings.transfer = transfer ? 1 : 0;
    settings.showDefaultSettings = showDefaultSettings ? 1 : 0;
    SaveQuickSettings(settings);
    CDialog::OnDestroy();
}
