#pragma once
// The preference wizard's pages (welcome, archive-name generator, FTP account,
// CD/DVD writer, closing page) over one PreferenceFile record, which every page
// fills directly; whoever runs the wizard saves the record after Finish.
#include "controls.h"
#include "gdi.h"
#include "preference.h"
#include "pr_ftp_page.h"
#include "preference_sheet.h"
#include "propsheet.h"

class CInitWizPage : public CPropertyPage {
public:
    // title: the text of the page's title label; buttons: the PSWIZB_ flags shown
    // while the page is active.
    CInitWizPage(UINT templateId, const wchar_t* title, DWORD buttons, PreferenceFile* pref, CWnd* sheet);

protected:
    CFont titleFont;
    PreferenceFile* pref;  // not owned
    CWnd* sheet;           // not owned; receives the button states

    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnQueryCancel() override;
    // Copies the page's data into the record.
    virtual void Collect() = 0;

    void SetTitle(const wchar_t* text);
    void SetWizardButtons(DWORD flags);
    // The error box of the pages' checks.
    void ShowError(const wchar_t* text) { MessageBox(text, L"Error", MB_ICONERROR); }
    void EnableControls(std::initializer_list<int> ids, BOOL enable);

private:
    const wchar_t* title_;
    DWORD buttons_;
};

class CInitPrefWelcome : public CInitWizPage {
public:
    CInitPrefWelcome(PreferenceFile* pref, CWnd* sheet);

protected:
    void Collect() override {}
};

class CInitPrefArchive : public CInitWizPage {
public:
    CInitPrefArchive(PreferenceFile* pref, CWnd* sheet);

protected:
    CString errorText;
    ArchiveNameFields fields;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    LRESULT OnWizardNext() override;
    BOOL OnCmdMsg(UINT id, UINT code, bool probe = false) override;
    void Collect() override;

    bool ValidateArchivePage();
    void OnDestroy();
    DECLARE_MESSAGE_MAP()
};

class CInitPrefFTP : public CInitWizPage {
public:
    CInitPrefFTP(PreferenceFile* pref, CWnd* sheet);

protected:
    CString errorText;
    FtpFields fields;
    BOOL useFtp = FALSE;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    LRESULT OnWizardNext() override;
    // Only a ticked "Setup FTP server information" writes the block, so that the
    // account already stored is never replaced by empty boxes.
    void Collect() override;

    void OnUseFtpClicked();
    DECLARE_MESSAGE_MAP()
};

class CInitPrefCD : public CInitWizPage {
public:
    CInitPrefCD(PreferenceFile* pref, CWnd* sheet);

protected:
    BOOL useCd = FALSE;
    CComboBox deviceCombo;
    BOOL erase = FALSE;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    LRESULT OnWizardNext() override;
    // The writer shown (none when nothing is selected) and the erase box, ticked or not.
    void Collect() override;

    void OnUseCdClicked();
    DECLARE_MESSAGE_MAP()
};

class CInitPrefFinish : public CInitWizPage {
public:
    CInitPrefFinish(PreferenceFile* pref, CWnd* sheet);

protected:
    void Collect() override {}
};
