#pragma once
// The preference sheet over "preference.dat" and its archive page (the FTP and
// CD/DVD pages have files of their own).
#include <deque>
#include <initializer_list>
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

// The archive-name generator's boxes (folder, base name, time stamp on or off, its
// position and format) and the preview of the name they make, as the preference
// sheet's archive page and the preference wizard's archive page both show them.
// The page passes its commands here first (OnCmdMsg) and its data exchange (Exchange).
class ArchiveNameFields : public CCmdTarget {
public:
    // The boxes whose ids differ between the two pages' templates.
    struct Ids {
        int addStamp, format, preview;
    };
    ArchiveNameFields(CWnd& page, ArchivePreference& pref, Ids ids, const wchar_t* browseTitle);

    CString folderText;
    CString baseNameText;
    BOOL addStamp = FALSE;
    CComboBox formatCombo;
    CString previewText;

    void Exchange(CDataExchange* dx);
    // Lists the time-stamp formats by today's sample; `selected` is chosen when it
    // is one of them, else the first added.
    void AddFormats(const wchar_t* selected);
    // Copies the boxes into the record. The preview collects on every keystroke:
    // longer texts are cut here and refused by the page's check when it is left.
    void Collect();
    void UpdatePreview();
    void EnableStampControls();
    // Forgets the format list's item data (the page's WM_DESTROY).
    void Release();
    BOOL OnCmdMsg(UINT id, UINT code, bool probe = false) override;

private:
    void OnStampClicked();
    void OnBrowseFolder();

    CWnd& page_;
    ArchivePreference& pref_;
    Ids ids_;
    const wchar_t* browseTitle_;
    struct FormatCopy {
        wchar_t text[100];
    };
    std::deque<FormatCopy> formats_;  // the combo entries' item data
};

class CPrArchivePage : public CPropertyPage {
public:
    CPrArchivePage();
    ArchivePreference pref;  // the working copy; the sheet fills it and reads it back

protected:
    ArchiveNameFields fields;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnKillActive() override;
    BOOL OnCmdMsg(UINT id, UINT code, bool probe = false) override;

    // Throws EInvalidItem for a folder that does not exist or an empty base name,
    // and for either when it is too long for its field.
    void ValidateArchivePage();
    void OnDestroy();
    DECLARE_MESSAGE_MAP()
};

// Runs the modal "Preference" sheet (no Help, no Apply) over these pages; true after OK.
bool RunPreferenceSheet(CWnd* parent, std::initializer_list<CPropertyPage*> pages);

// Edits "Preference.dat" in a modal sheet and saves it after OK (true). File errors
// other than a missing file leave this function (the command's boundary reports them).
bool ShowPreferenceSheet(CWnd* parent);
