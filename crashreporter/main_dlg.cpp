#include "main_dlg.h"

#include "dump_writer.h"

#include <string>

LRESULT CMainDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    CenterWindow(GetParent());
    HINSTANCE module = appModule.GetResourceInstance();
    auto icon = [module](int sizeX, int sizeY) {
        return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_PELLISK), IMAGE_ICON, GetSystemMetrics(sizeX),
                                             GetSystemMetrics(sizeY), LR_DEFAULTCOLOR));
    };
    SetIcon(icon(SM_CXICON, SM_CYICON), TRUE);
    SetIcon(icon(SM_CXSMICON, SM_CYSMICON), FALSE);
    return TRUE;
}

LRESULT CMainDlg::OnCancel(WORD, WORD, HWND, BOOL&)
{
    EndDialog(IDCANCEL);
    return 0;
}

LRESULT CMainDlg::OnSave(WORD, WORD, HWND, BOOL&)
{
    try {
        CFileDialog box(L"dmp", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, L"crash dump file(*.dmp)\0*.dmp\0");
        if (box.DoModal(GetActiveWindow()) != IDOK)
            return 0;
        WriteDump(addr, pid, tid, box.m_szFileName);
        EndDialog(IDCANCEL);
    } catch (const CSEHException&) {
        // Nothing was written; the user may try again.
    } catch (const CFileError& e) {
        MessageBox((L"Cannot create file! Filename: [" + e.name + L"]").c_str(), L"File error!", MB_ICONERROR);
    } catch (const CDumpError& e) {
        MessageBox((L"Cannot write the error information! Filename: [" + e.name + L"]").c_str(), L"File error!",
                   MB_ICONERROR);
    }
    return 0;
}
