#include "pref_wizard.h"
#include <shlwapi.h>
#include <string>
#include <vector>
#include "archive_name.h"
#include "output_media_copier.h"
#include "res/resource.h"

// ---- CInitWizPage

CInitWizPage::CInitWizPage(UINT templateId, const wchar_t* title, DWORD buttons, PreferenceFile* pref, CWnd* sheet)
    : CPropertyPage(templateId), pref(pref), sheet(sheet), title_(title), buttons_(buttons)
{
}

BOOL CInitWizPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    titleFont.CreateFont(18, 0, 0, 0, 400, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                         DEFAULT_QUALITY, FF_SWISS, L"Arial");
    ::SendDlgItemMessageW(m_hWnd, IDC_WIZ_TITLE, WM_SETFONT, WPARAM(HFONT(titleFont)), TRUE);
    SetTitle(title_);
    return TRUE;
}

void CInitWizPage::SetTitle(const wchar_t* text)
{
    SetDlgItemText(IDC_WIZ_TITLE, text);
}

BOOL CInitWizPage::OnSetActive()
{
    SetWizardButtons(buttons_);
    return CPropertyPage::OnSetActive();
}

void CInitWizPage::SetWizardButtons(DWORD flags)
{
    if (sheet)
        sheet->PostMessage(PSM_SETWIZBUTTONS, 0, flags);
}

BOOL CInitWizPage::OnQueryCancel()
{
    return MessageBox(L"Are you sure to exit initialize preference wizard?", L"Warning", MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
}

void CInitWizPage::EnableControls(std::initializer_list<int> ids, BOOL enable)
{
    for (int id : ids)
        ::EnableWindow(GetDlgItem(id), enable);
}

// ---- the welcome and closing pages

CInitPrefWelcome::CInitPrefWelcome(PreferenceFile* pref, CWnd* sheet)
    : CInitWizPage(IDD_INIT_WELCOME, L"Welcome to preference initialize wizard", PSWIZB_NEXT, pref, sheet)
{
}

CInitPrefFinish::CInitPrefFinish(PreferenceFile* pref, CWnd* sheet)
    : CInitWizPage(IDD_INIT_FINISH, L"Initialization finish", PSWIZB_BACK | PSWIZB_FINISH, pref, sheet)
{
}

// ---- CInitPrefArchive

CInitPrefArchive::CInitPrefArchive(PreferenceFile* pref, CWnd* sheet)
    : CInitWizPage(IDD_INIT_ARCHIVE, L"Initialize filename generator and default folder", PSWIZB_BACK | PSWIZB_NEXT,
                   pref, sheet),
      fields(*this, pref->archive, {IDC_WIZ_ADD_STAMP, IDC_WIZ_STAMP_FORMAT, IDC_WIZ_PREVIEW},
             L"Browse for default folder")
{
}

BEGIN_MESSAGE_MAP(CInitPrefArchive, CInitWizPage)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

BOOL CInitPrefArchive::OnCmdMsg(UINT id, UINT code, bool probe)
{
    return fields.OnCmdMsg(id, code, probe) || CInitWizPage::OnCmdMsg(id, code, probe);
}

void CInitPrefArchive::DoDataExchange(CDataExchange* dx)
{
    fields.Exchange(dx);
}

BOOL CInitPrefArchive::OnInitDialog()
{
    CInitWizPage::OnInitDialog();
    // The record's fields hold 2047 characters.
    for (int id : {IDC_FOLDER, IDC_FILENAME})
        ::SendDlgItemMessageW(m_hWnd, id, EM_LIMITTEXT, std::size(pref->archive.outputFolder) - 1, 0);
    // The page starts from the first format and no stamp, whatever the record holds.
    fields.EnableStampControls();
    fields.AddFormats(nullptr);
    CheckRadioButton(IDC_STAMP_BEFORE, IDC_STAMP_AFTER, IDC_STAMP_BEFORE);
    return TRUE;
}

void CInitPrefArchive::Collect()
{
    fields.Collect();
}

bool CInitPrefArchive::ValidateArchivePage()
{
    UpdateData(TRUE);
    if (!PathFileExistsW(fields.folderText.c_str())) {
        errorText = L"Please enter a valid default folder path!";
        return false;
    }
    if (fields.baseNameText.empty()) {
        errorText =
            L"The base filename has not been filled, please enter a base filename for your output archive file!";
        return false;
    }
    return true;
}

LRESULT CInitPrefArchive::OnWizardNext()
{
    if (!ValidateArchivePage()) {
        ShowError(errorText.c_str());
        return -1;
    }
    UpdateData(TRUE);
    Collect();
    return CInitWizPage::OnWizardNext();
}

void CInitPrefArchive::OnDestroy()
{
    fields.Release();
    CInitWizPage::OnDestroy();
}

// ---- CInitPrefFTP

namespace {
// Everything of the account, labels included, which "Setup FTP server information" enables.
const std::initializer_list<int> kFtpControls = {IDC_HOST_LABEL,     IDC_FTP_HOST,    IDC_PORT_LABEL,
                                                 IDC_FTP_PORT,       IDC_USER_LABEL,  IDC_FTP_USER,
                                                 IDC_PASSWORD_LABEL, IDC_PASSWORD,    IDC_DIRECTORY_LABEL,
                                                 IDC_FTP_DIRECTORY,  IDC_FTP_PASSIVE, IDC_FTP_PORT_SPIN};
}  // namespace

CInitPrefFTP::CInitPrefFTP(PreferenceFile* pref, CWnd* sheet)
    : CInitWizPage(IDD_INIT_FTP, L"Initialize FTP settings", PSWIZB_BACK | PSWIZB_NEXT, pref, sheet)
{
}

BEGIN_MESSAGE_MAP(CInitPrefFTP, CInitWizPage)
    ON_BN_CLICKED(IDC_USE_FTP, &CInitPrefFTP::OnUseFtpClicked)
END_MESSAGE_MAP()

void CInitPrefFTP::DoDataExchange(CDataExchange* dx)
{
    fields.Exchange(dx);
    DDX_Check(dx, IDC_USE_FTP, useFtp);
}

BOOL CInitPrefFTP::OnInitDialog()
{
    CInitWizPage::OnInitDialog();
    FtpFields::Prepare(*this);
    EnableControls(kFtpControls, FALSE);
    return TRUE;
}

void CInitPrefFTP::OnUseFtpClicked()
{
    UpdateData(TRUE);
    EnableControls(kFtpControls, useFtp ? TRUE : FALSE);
}

void CInitPrefFTP::Collect()
{
    if (useFtp)
        fields.Store(pref->ftp);
}

LRESULT CInitPrefFTP::OnWizardNext()
{
    if (!UpdateData(TRUE))
        return -1;  // the port is no number; the exchange has said so
    // Checked before it is collected: a refused account never reaches the record.
    if (useFtp) {
        errorText.clear();
        if (fields.hostText.empty())
            errorText = L"Invalid host name!";
        else if (fields.port < 0)
            errorText = L"Port number is wrong!";
        else if (fields.userText.empty())
            errorText = L"Invalid user name!";
        if (!errorText.empty()) {
            ShowError(errorText.c_str());
            return -1;
        }
    }
    Collect();
    return CInitWizPage::OnWizardNext();
}

// ---- CInitPrefCD

CInitPrefCD::CInitPrefCD(PreferenceFile* pref, CWnd* sheet)
    : CInitWizPage(IDD_INIT_CD, L"Initialize CD/DVD writable device", PSWIZB_BACK | PSWIZB_NEXT, pref, sheet)
{
}

BEGIN_MESSAGE_MAP(CInitPrefCD, CInitWizPage)
    ON_BN_CLICKED(IDC_USE_CD, &CInitPrefCD::OnUseCdClicked)
END_MESSAGE_MAP()

void CInitPrefCD::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_USE_CD, useCd);
    DDX_Control(dx, IDC_WIZ_DEVICE, deviceCombo);
    DDX_Check(dx, IDC_CDDVD_ERASE, erase);
}

BOOL CInitPrefCD::OnInitDialog()
{
    CInitWizPage::OnInitDialog();
    // Without the component the list stays empty; the page says nothing of it.
    std::vector<std::wstring> writers;
    ListCdWriters(writers);
    for (const std::wstring& name : writers)
        deviceCombo.AddString(name.c_str());
    EnableControls({IDC_WIZ_DEVICE, IDC_CDDVD_ERASE}, FALSE);
    return TRUE;
}

void CInitPrefCD::OnUseCdClicked()
{
    UpdateData(TRUE);
    EnableControls({IDC_WIZ_DEVICE, IDC_CDDVD_ERASE}, useCd ? TRUE : FALSE);
}

void CInitPrefCD::Collect()
{
    int sel = deviceCombo.GetCurSel();
    CopyBounded(pref->cddvd.device, sel == CB_ERR ? L"" : deviceCombo.GetLBText(sel).c_str());
    pref->cddvd.erase = erase ? 1 : 0;
}

LRESULT CInitPrefCD::OnWizardNext()
{
    UpdateData(TRUE);
    if (useCd && deviceCombo.GetCurSel() == CB_ERR) {
        ShowError(L"Before you go next step, please select a writable device from drop-down list!");
        return -1;
    }
    Collect();
    return CInitWizPage::OnWizardNext();
}
