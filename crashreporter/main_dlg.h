// Pellisk's only window: tells the user the main program failed and offers
// to save a minidump of it.
#pragma once

#include "dlgimpl.h"
#include "resource.h"

#include <cstdint>

class CMainDlg : public CDialogImpl<CMainDlg> {
public:
    enum { IDD = IDD_CRASH };

    int32_t tid = 0;     // the crashed thread
    int32_t pid = 0;     // the crashed process
    uintptr_t addr = 0;  // its EXCEPTION_POINTERS, an address in that process

    BEGIN_MSG_MAP(CMainDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
        COMMAND_HANDLER(IDC_SAVE, BN_CLICKED, OnSave)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
    LRESULT OnSave(WORD, WORD, HWND, BOOL&);
};
