// Shared pieces of the interface tests: scratch folders, the common controls,
// and a window that records what is posted to it.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "afxwin.h"
#include "test_files.h"

// A fresh empty folder under the temp folder.
std::wstring scratch_folder(const std::wstring& name);
void init_common_controls();

// Stands in for a property sheet: records PSM_SETWIZBUTTONS; its child stands in for a page.
class SheetRecorder : public CWnd {
public:
    SheetRecorder();
    CStatic page;
    std::vector<LPARAM> wizardButtons;
    // Handles what has been posted so far.
    void Pump();
protected:
    LRESULT OnSetWizardButtons(WPARAM, LPARAM buttons);
    DECLARE_MESSAGE_MAP()
};

// Runs a function on the thread that made this (hidden) window and waits for it:
// a driver thread reads and changes the interface's objects through it.
class UiThreadCall : public CWnd {
public:
    UiThreadCall();
    void operator()(const std::function<void()>& fn);
protected:
    LRESULT OnCall(WPARAM, LPARAM fn);
    DECLARE_MESSAGE_MAP()
};
