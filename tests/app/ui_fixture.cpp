#include "ui_fixture.h"
#include <commctrl.h>
#include <cstdlib>
#include "res/resource.h"
#include "scratch.h"
#include "ui_driver.h"

std::wstring scratch_folder(const std::wstring& name)
{
    return fresh_scratch_folder(L"brisvale-ui-" + name);
}

void init_common_controls()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
}

BEGIN_MESSAGE_MAP(SheetRecorder, CWnd)
    ON_MESSAGE(PSM_SETWIZBUTTONS, &SheetRecorder::OnSetWizardButtons)
END_MESSAGE_MAP()

SheetRecorder::SheetRecorder()
{
    CreateEx(0, AfxRegisterWndClass(0), L"Sheet recorder", WS_OVERLAPPEDWINDOW, RECT{0, 0, 200, 100}, nullptr, 0);
    page.Create(L"", WS_VISIBLE, RECT{0, 0, 50, 20}, this, 1);
}

void SheetRecorder::Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, m_hWnd, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

LRESULT SheetRecorder::OnSetWizardButtons(WPARAM, LPARAM buttons)
{
    wizardButtons.push_back(buttons);
    return 0;
}

namespace {
constexpr UINT kCallMessage = WM_APP + 900;
}

BEGIN_MESSAGE_MAP(UiThreadCall, CWnd)
    ON_MESSAGE(kCallMessage, &UiThreadCall::OnCall)
END_MESSAGE_MAP()

UiThreadCall::UiThreadCall()
{
    CreateEx(0, AfxRegisterWndClass(0), L"Interface thread call", WS_POPUP, RECT{0, 0, 1, 1}, nullptr, 0);
}

void UiThreadCall::operator()(const std::function<void()>& fn)
{
    ::SendMessageW(m_hWnd, kCallMessage, 0, reinterpret_cast<LPARAM>(&fn));
}

LRESULT UiThreadCall::OnCall(WPARAM, LPARAM fn)
{
    (*reinterpret_cast<const std::function<void()>*>(fn))();
    return 0;
}

RunningProgram::RunningProgram(const std::wstring& folder, const std::wstring& exeName)
{
    const wchar_t* idle = _wgetenv(L"BRISVALE_IDLE_CHILD");
    const std::wstring path = folder + L"\\" + exeName;
    CopyFileW(idle ? idle : L"", path.c_str(), FALSE);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + path + L"\"";
    if (CreateProcessW(path.c_str(), cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                       &pi_))
        CloseHandle(pi_.hThread);
}

RunningProgram::~RunningProgram()
{
    if (pi_.hProcess) {
        TerminateProcess(pi_.hProcess, 0);
        WaitForSingleObject(pi_.hProcess, 10000);
        CloseHandle(pi_.hProcess);
    }
}

void click_list_check(HWND list, int row)
{
    RECT r = {};
    r.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(&r));
    RECT label = {};
    label.left = LVIR_LABEL;
    SendMessageW(list, LVM_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(&label));
    // The state image sits between the row's left edge and its label.
    uitest::click_at(list, (r.left + label.left) / 2, (r.top + r.bottom) / 2);
}

void start_backup(DWORD pid, const std::wstring& archive, const std::wstring& password)
{
    HWND dlg = uitest::wait_window(L"Backup", L"#32770", pid);
    HWND name = uitest::child(dlg, IDC_FILENAME);
    uitest::type(name, archive);
    if (uitest::text(name) != archive)
        throw uitest::Failure("the archive name typed reads " + uitest::narrow(uitest::text(name)));
    auto tick = [&](int id, bool on) {
        HWND box = uitest::child(dlg, id);
        if (uitest::is_checked(box) != on)
            uitest::click(box);
        if (uitest::is_checked(box) != on)
            throw uitest::Failure("check box " + std::to_string(id) + " does not follow the click");
    };
    tick(IDC_SHOW_DEFAULTS, true);
    tick(IDC_COMPRESS, true);
    tick(IDC_PASSWORD_PROTECTED, !password.empty());
    tick(IDC_TRANSFER, false);
    if (!password.empty()) {
        uitest::type(uitest::child(dlg, IDC_PASSWORD), password);
        uitest::type(uitest::child(dlg, IDC_PASSWORD_AGAIN), password);
    }
    uitest::click(uitest::child(dlg, IDC_START_BACKUP));
    uitest::wait_gone(dlg);
}

std::wstring finish_backup(DWORD pid, HWND progress)
{
    HWND box = nullptr;
    uitest::require(
        [&] {
            return (box = uitest::find_window(L"Information", L"#32770", pid)) ||
                   (box = uitest::find_window(L"Error", L"#32770", pid));
        },
        "the backup's end");
    std::wstring text;
    for (const std::wstring& t : uitest::texts(box, L"Static"))
        if (text.empty())
            text = t;
    uitest::press(box, IDOK);
    uitest::wait_gone(box);
    HWND finish = uitest::child(progress, IDC_STOP);
    if (uitest::text(finish) != L"&Finish")
        throw uitest::Failure("the progress window's button reads " + uitest::narrow(uitest::text(finish)));
    uitest::click(finish);
    uitest::wait_gone(progress);
    return text;
}
