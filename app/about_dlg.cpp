#include "about_dlg.h"
#include "res/resource.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetDlgItemText(IDC_PRODUCT_NAME, L"Brisvale 2.9e");
    titleFont.CreateFont(20, 0, 0, 0, FW_NORMAL, TRUE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, L"Arial");
    ::SendMessageW(GetDlgItem(IDC_PRODUCT_NAME), WM_SETFONT, reinterpret_cast<WPARAM>(HFONT(titleFont)), TRUE);
    return TRUE;
}
