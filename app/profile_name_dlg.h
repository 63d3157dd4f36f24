#pragma once
// Asks for the name of a new profile.
#include "dialog.h"

class CProfileNameDialog : public CDialog {
public:
    explicit CProfileNameDialog(CWnd* parent = nullptr);
    CString name;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override;
};
