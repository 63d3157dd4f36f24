#pragma once
// Page 1 of the restore wizard: the archive path.
#include "restore_wizard.h"

class CRestoreWizardPg1 : public CRestoreWizardBasicPage {
public:
    CRestoreWizardPg1();
    CString archivePath;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnSetActive() override;
    LRESULT OnWizardNext() override;
    void OnBrowse();
    DECLARE_MESSAGE_MAP()
};
