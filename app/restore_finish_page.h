#pragma once
// Page 4 of the restore wizard: the end.
#include "restore_wizard.h"

class CRestoreWizardPg4 : public CRestoreWizardBasicPage {
public:
    CRestoreWizardPg4();

protected:
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
};
