#pragma once
// The preference sheet over "preference.dat" and its archive page (the FTP and
// CD/DVD pages have files of their own).
#include <deque>
#include <string>
#include "controls.h"
#include "propsheet.h"
#include "records.h"

// A field the user must correct; the message names it.
class EInvalidItem {
public:
    explicit EInvalidItem(const wchar_t* itemName);
    std::wstring message;
};

class CPrArchivePage : public CPropertyPage {
public:
    CPrArchivePage();
    ArchivePreference pref;  // the working copy; the sheet fills it and reads it back

protected:
    CString folderText;
    CString baseNameText;
    BOOL addStamp = FALSE;
    CComboBox formatCombo;
    CString previewText;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnKillActive() override;

    void AddFormat(const wchar_t* format);
    void CollectArchivePreference();
    void UpdatePreview();
    void EnableStampControls();
    // Throws EInvalidItem for a folder that does not exist or an empty base name,
    // and for either when it is too long for its field.
    void ValidateArchivePage();
    void OnBrowseFolder();
    void OnStampClicked();
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    struct FormatCopy {
        wchar_t text[100];
    };
    std::deque<FormatCopy> formats_;  // the combo entries' item data
};

// Edits "Preference.dat" in a modal sheet and saves it after OK (true). File errors
// other than a missing file leave this function (the command's boundary reports them).
bool ShowPreferenceSheet(CWnd* parent);
