#pragma once
// Asks for one more folder to back up, typed or chosen.
#include "dialog.h"

class CAdditionalFolderDialog : public CDialog {
public:
    explicit CAdditionalFolderDialog(CWnd* parent = nullptr);
    CString folder;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnBrowse();
    DECLARE_MESSAGE_MAP()
};
