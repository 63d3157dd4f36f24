#pragma once
// The preference page of the CD/DVD writer that archives are written to.
#include "controls.h"
#include "propsheet.h"
#include "records.h"

class CPrCDDVDPage : public CPropertyPage {
public:
    CPrCDDVDPage();
    _PreferenceCDDVD pref;  // the working copy; the sheet fills it and reads it back

protected:
    CString deviceText;
    BOOL erase = FALSE;
    CComboBox deviceCombo;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
