// Shared pieces of the interface tests: scratch folders, the common controls,
// a window that records what is posted to it, a stand-in for a running mail
// program, and the steps of a backup as a user takes them.
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

// A copy of the model tests' idle program running under another name, as a program
// of that name would; ended when this goes.
class RunningProgram {
public:
    RunningProgram(const std::wstring& folder, const std::wstring& exeName);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    DWORD id() const { return pi_.dwProcessId; }
    bool Ended() const { return WaitForSingleObject(pi_.hProcess, 10000) == WAIT_OBJECT_0; }
    bool Running() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

private:
    PROCESS_INFORMATION pi_ = {};
};

// Clicks the check box of a list view's row, where the list view draws it at the row's left.
void click_list_check(HWND list, int row);

// Fills the backup settings window of process pid, which is opening, as a user does:
// types the archive name, ticks compression, a password when one is given (typed
// twice) and no transfer, and presses "Start Backup"; returns once the window has gone.
void start_backup(DWORD pid, const std::wstring& archive, const std::wstring& password);
// Waits for the end of the backup, answers its box and closes the progress window
// with its Finish button; returns the box's text.
std::wstring finish_backup(DWORD pid, HWND progress);
