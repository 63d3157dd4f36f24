#pragma once
// Korvane's application object and its command line.
#include "app.h"

// The product name with its version: the main window's title.
inline constexpr wchar_t kProductTitle[] = L"Brisvale 2.9e";

class CMyCommandLineInfo : public CCommandLineInfo {
public:
    // "-s" or "/s" (exactly; "-S" is not it): the main window starts hidden.
    bool startHidden = false;
    void ParseParam(const wchar_t* param, BOOL isSwitch, BOOL isLast) override;
};

class CKorvaneApp : public CWinApp {
public:
    CKorvaneApp();
    // Registers the archive type, readies OLE, the settings key and the crash filter,
    // then opens the restore wizard on an archive named on the command line (the
    // program ends with it) or the main window.
    BOOL InitInstance() override;

protected:
    void OnAppAbout();
    DECLARE_MESSAGE_MAP()
};
