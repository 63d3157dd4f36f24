#pragma once
// Asks whether to open the preference wizard; OK means yes. The box "Please don't
// show the prompt dialog-box on next time" is only remembered in the object.
#include "dialog.h"

class CPromptSetupPrefDlg : public CDialog {
public:
    explicit CPromptSetupPrefDlg(CWnd* parent = nullptr);
    BOOL dontShowAgain = FALSE;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnDontShowAgainClicked() { UpdateData(TRUE); }
    DECLARE_MESSAGE_MAP()
};
