#pragma once
// The "About ..." box.
#include "dialog.h"
#include "gdi.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    BOOL OnInitDialog() override;

private:
    CFont titleFont;  // outlives the label that uses it
};
