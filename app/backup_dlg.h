#pragma once
// The backup settings dialog: the archive's name and the options of one backup.
#include "backup_job.h"
#include "dialog.h"

class CBackupDialog : public CDialog {
public:
    explicit CBackupDialog(CWnd* parent = nullptr);
    // Filled by a successful "Start Backup" (the dialog then ends with IDOK); the
    // caller copies it and adds the items.
    BackupJob job;

protected:
    CString archiveName;
    BOOL compress = FALSE;
    BOOL passwordProtected = FALSE;
    CString password;
    CString passwordAgain;
    BOOL transfer = FALSE;
    BOOL showDefaultSettings = FALSE;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnBrowse();
    void OnGenerate();
    void OnShowDefaults();
    void OnPasswordProtected();
    void OnTransfer();
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    // The name the archive-name pattern of "preference.dat" gives; false when
    // there is no such file or it cannot be read.
    bool FillNameFromPreference();
    // Shows the option groups or only the name row, and sizes the window to match.
    void ShowOptions(bool show);
    void EnableOptionControls();
    // Shows the refusal, then puts the focus on the control to correct.
    void Refuse(const wchar_t* text, int correction);

    CString confirmedPath_;  // a name the save box has already asked to replace
};
