#pragma once
// Picks a day in a month calendar and a time of day in three fields.
#include "dialog.h"

class CPickDateTimeDlg : public CDialog {
public:
    explicit CPickDateTimeDlg(CWnd* parent = nullptr);

    // Set before DoModal; after OK its date part is the picked day (at 0:00:00).
    CTime dateTime{0};
    int hour = 0;
    int minute = 0;
    int second = 0;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
