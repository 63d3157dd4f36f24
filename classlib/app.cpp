#include "app.h"
#include <ole2.h>
#include <htmlhelp.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <cstdlib>

namespace {
CWinApp* g_app = nullptr;
bool g_oleInitialized = false;
}  // namespace

void CCommandLineInfo::ParseParam(const wchar_t* param, BOOL isSwitch, BOOL)
{
    if (!isSwitch && m_strFileName.IsEmpty())
        m_strFileName = param;
}

void CCommandLineInfo::ParseArguments(int argc, wchar_t** argv)
{
    for (int i = 1; i < argc; ++i) {
        const wchar_t* p = argv[i];
        bool isSwitch = p[0] == L'-' || p[0] == L'/';
        ParseParam(isSwitch ? p + 1 : p, isSwitch, i == argc - 1);
    }
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
    ON_COMMAND(57665, &CWinApp::OnAppExit)     // ID_APP_EXIT
    ON_COMMAND(57667, &CWinApp::OnHelpFinder)  // ID_HELP_FINDER
    ON_COMMAND(57671, &CWinApp::OnHelpFinder)  // ID_DEFAULT_HELP
    ON_COMMAND(57670, &CWinApp::OnHelpFinder)  // ID_HELP
    ON_COMMAND(57669, &CWinApp::OnHelpFinder)  // ID_CONTEXT_HELP
END_MESSAGE_MAP()

CWinApp::CWinApp()
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

int CWinApp::ExitInstance()
{
    if (g_oleInitialized) {
        OleUninitialize();
        g_oleInitialized = false;
    }
    return exitCode_;
}

int CWinApp::Run()
{
    if (m_pMainWnd) {
        MSG msg;
        BOOL got;
        while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0 && got != -1) {
            if (m_pMainWnd && m_pMainWnd->PreTranslateMessage(&msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (got == 0)
            exitCode_ = int(msg.wParam);
    }
    return ExitInstance();
}

void CWinApp::EnableHtmlHelp()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(m_hInstance, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    m_helpPath = path;
    size_t dot = m_helpPath.rfind(L'.');
    if (dot != std::wstring::npos)
        m_helpPath.erase(dot);
    m_helpPath += L".chm";
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info)
{
    // The runtime's own splitting when it made one (wide entry), else the shell's.
    if (__wargv) {
        info.ParseArguments(__argc, __wargv);
        return;
    }
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv) {
        info.ParseArguments(argc, argv);
        LocalFree(argv);
    }
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd)
        m_pMainWnd->SendMessage(WM_CLOSE);
}

void CWinApp::OnHelpFinder()
{
    HWND owner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    if (m_helpPath.IsEmpty() || !PathFileExistsW(m_helpPath.c_str()) ||
        !HtmlHelpW(owner, m_helpPath.c_str(), HH_DISPLAY_TOC, 0))
        AfxMessageBox(L"Failed to launch help.", MB_OK | MB_ICONEXCLAMATION);
}

CWinApp* AfxGetApp()
{
    return g_app;
}

CWnd* AfxGetMainWnd()
{
    return g_app ? g_app->m_pMainWnd : nullptr;
}

const wchar_t* AfxGetAppName()
{
    return g_app ? g_app->m_appName.c_str() : L"";
}

int AfxWinMain(HINSTANCE instance, int)
{
    CWinApp* app = g_app;
    if (!app)
        return 1;
    app->m_hInstance = instance;
    if (!app->m_appName.LoadString(57344)) {  // AFX_IDS_APP_TITLE
        wchar_t path[MAX_PATH];
        DWORD n = GetModuleFileNameW(instance, path, MAX_PATH);
        std::wstring name(path, n < MAX_PATH ? n : 0);
        size_t slash = name.find_last_of(L"\\/");
        name.erase(0, slash == std::wstring::npos ? 0 : slash + 1);
        size_t dot = name.rfind(L'.');
        if (dot != std::wstring::npos)
            name.erase(dot);
        app->m_appName = name;
    }
    if (!app->InitInstance()) {
        // A half-made main window is destroyed; its object goes with it.
        if (app->m_pMainWnd && IsWindow(app->m_pMainWnd->m_hWnd))
            app->m_pMainWnd->DestroyWindow();
        app->m_pMainWnd = nullptr;
        return app->ExitInstance();
    }
    return app->Run();
}

BOOL AfxOleInit()
{
    if (g_oleInitialized)
        return TRUE;
    g_oleInitialized = SUCCEEDED(OleInitialize(nullptr));
    return g_oleInitialized;
}
