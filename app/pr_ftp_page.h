#pragma once
// The preference page of the FTP account that archives are uploaded to.
#include "propsheet.h"
#include "records.h"

class CPrFTPPage : public CPropertyPage {
public:
    CPrFTPPage();
    _PreferenceFTP pref;  // the working copy; the sheet fills it and reads it back

protected:
    CString hostText;
    int port = 0;
    CString userText;
    CString passwordText;
    CString directoryText;
    BOOL passive = FALSE;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
