#pragma once
// The preference page of the FTP account that archives are uploaded to.
#include "propsheet.h"
#include "records.h"

// The FTP account's boxes, as the preference page and the preference wizard's
// FTP page both show them.
struct FtpFields {
    CString hostText;
    int port = 21;
    CString userText;
    CString passwordText;
    CString directoryText;
    BOOL passive = FALSE;

    // Limits the boxes of page to the record's fields and gives the port's arrows
    // their range.
    static void Prepare(CWnd& page);
    void Exchange(CDataExchange* dx);
    void Store(_PreferenceFTP& f) const;
};

class CPrFTPPage : public CPropertyPage {
public:
    CPrFTPPage();
    _PreferenceFTP pref;  // the working copy; the sheet fills it and reads it back

protected:
    FtpFields fields;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
