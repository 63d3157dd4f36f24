#pragma once
// The application object, the command line and the program's entry.
#include "wnd.h"

class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;
    // One argument, with a leading '-' or '/' already removed from switches.
    // The base keeps the first plain argument as the file name.
    virtual void ParseParam(const wchar_t* param, BOOL isSwitch, BOOL isLast);
    // Runs ParseParam over argv[1..argc-1].
    void ParseArguments(int argc, wchar_t** argv);
    CString m_strFileName;
};

class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;  // cleared when the main window is destroyed
    CString m_appName;           // string 57344, else the program's file name
    CString m_registryKey;
    CString m_helpPath;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance();
    // The message loop; returns at once when there is no main window.
    virtual int Run();

    void SetRegistryKey(const wchar_t* key) { m_registryKey = key; }
    // Help is the program's .chm beside it.
    void EnableHtmlHelp();
    void ParseCommandLine(CCommandLineInfo& info);

    DECLARE_MESSAGE_MAP()
    void OnAppExit();
    // The help file's contents; F1 and Shift+F1 open it too. A help file that is
    // missing or cannot be shown is reported in a box.
    void OnHelpFinder();

private:
    int exitCode_ = 0;
    friend int AfxWinMain(HINSTANCE, int);
};

CWinApp* AfxGetApp();
// Stores the instance and title, runs InitInstance and then Run (or cleans up).
int AfxWinMain(HINSTANCE instance, int show);
// OLE for the interface thread; undone when the application exits.
BOOL AfxOleInit();
inline void AfxEnableControlContainer() {}
