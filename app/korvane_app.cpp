#include "korvane_app.h"
#include <commctrl.h>
#include <cwchar>
#include "about_dlg.h"
#include "crash_filter.h"
#include "file_type.h"
#include "main_frame.h"
#include "res/resource.h"
#include "restore_wizard.h"

void CMyCommandLineInfo::ParseParam(const wchar_t* param, BOOL isSwitch, BOOL isLast)
{
    CCommandLineInfo::ParseParam(param, isSwitch, isLast);
    if (isSwitch && wcscmp(param, L"s") == 0)
        startHidden = true;
}

BEGIN_MESSAGE_MAP(CKorvaneApp, CWinApp)
    ON_COMMAND(ID_APP_ABOUT, &CKorvaneApp::OnAppAbout)
END_MESSAGE_MAP()

CKorvaneApp::CKorvaneApp()
{
    EnableHtmlHelp();
}

BOOL CKorvaneApp::InitInstance()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    if (!CWinApp::InitInstance())
        return FALSE;

    CString description, verb;
    description.Format(L"%ls Archive", L"Brisvale");
    verb.Format(L"Restore %ls Archive", L"Brisvale");
    wchar_t ownPath[2048];
    DWORD n = GetModuleFileNameW(m_hInstance, ownPath, 2048);
    ownPath[n < 2048 ? n : 2047] = 0;
    RegisterArchiveFileType(kArchiveExtension, description, L",0", verb, ownPath);

    if (!AfxOleInit()) {
        CString text;
        text.LoadString(IDP_OLE_INIT_FAILED);
        AfxMessageBox(text.c_str(), MB_OK);
        return FALSE;
    }
    AfxEnableControlContainer();
    SetRegistryKey(L"Brisvale 2.9e");
    InstallCrashReportFilter();

    CMyCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    if (!cmdInfo.m_strFileName.IsEmpty()) {
        // The wizard alone; with no main window the program ends when it closes.
        RunRestoreWizard(nullptr, cmdInfo.m_strFileName.c_str());
        return TRUE;
    }

    auto* frame = new CMainFrame;
    m_pMainWnd = frame;
    if (!frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW, nullptr)) {
        // A window that was made and failed has taken the object with it (and
        // cleared the main window); one that never came goes here.
        if (m_pMainWnd == frame) {
            m_pMainWnd = nullptr;
            delete frame;
        }
        return FALSE;
    }
    frame->SetIcon(LoadIconW(m_hInstance, MAKEINTRESOURCEW(IDR_MAINFRAME)), TRUE);
    frame->SetWindowText(kProductTitle);
    if (cmdInfo.startHidden) {
        frame->ShowWindow(SW_HIDE);
    } else {
        frame->ShowWindow(SW_SHOW);
        frame->UpdateWindow();
    }
    return TRUE;
}

void CKorvaneApp::OnAppAbout()
{
    CAboutDlg dlg;
    dlg.DoModal();
}
