#include "running_programs.h"
#include <psapi.h>
#include <string>
#include "res/resource.h"

bool CheckRunningPrograms()
{
    ProcessWatchList watch;
    std::vector<ProcessEntry> running;
    int n = watch.FindRunning(running, true);
    while (n > 0) {
        CProcessListDialog dialog(running, nullptr);
        INT_PTR r = dialog.DoModal();
        if (r != IDOK)
            return false;
        if (dialog.ignoreChosen)
            return true;
        n = watch.FindRunning(running, true);
    }
    return true;
}

CProcessListDialog::CProcessListDialog(const std::vector<ProcessEntry>& processes, CWnd* parent)
    : CDialog(IDD_PROCESS_LIST, parent), processes(processes)
{
}

BEGIN_MESSAGE_MAP(CProcessListDialog, CDialog)
    ON_BN_CLICKED(IDC_TERMINATE_ALL, &CProcessListDialog::OnTerminateAll)
    ON_BN_CLICKED(IDC_RETRY, &CProcessListDialog::OnRetry)
    ON_BN_CLICKED(IDC_IGNORE, &CProcessListDialog::OnIgnore)
END_MESSAGE_MAP()

void CProcessListDialog::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_PROCESS_LIST, processList);
}

BOOL CProcessListDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    processList.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    processList.InsertColumn(0, L"Process Name", LVCFMT_LEFT, 200);
    processList.InsertColumn(1, L"Email software name", LVCFMT_LEFT, 200);
    for (size_t i = 0; i < processes.size(); ++i) {
        int row = processList.InsertItem(int(i), processes[i].exeName);
        processList.SetItemText(row, 1, processes[i].displayName);
        processList.SetItemData(row, processes[i].processId);
    }
    return TRUE;
}

namespace {

// Ends the process only while it still runs the row's program: its id may have
// been reused since the list was taken. The handle pins the process being checked.
void TerminateIfStill(DWORD pid, const std::wstring& exeName)
{
    HANDLE h = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!h)
        return;
    wchar_t image[MAX_PATH * 2] = {};
    DWORD n = GetProcessImageFileNameW(h, image, DWORD(std::size(image)));
    std::wstring path(image, n);
    size_t slash = path.find_last_of(L"\\/");
    std::wstring base = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    if (n > 0 && CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, base.c_str(), -1, exeName.c_str(), -1) == CSTR_EQUAL)
        TerminateProcess(h, 0);
    CloseHandle(h);
}

}  // namespace

void CProcessListDialog::OnTerminateAll()
{
    if (MessageBox(L"Terminate programs, are you sure?", L"Confirmation", MB_YESNO | MB_ICONQUESTION) == IDYES) {
        for (int row = 0, n = processList.GetItemCount(); row < n; ++row)
            TerminateIfStill(DWORD(processList.GetItemData(row)), processList.GetItemText(row, 0));
        processList.DeleteAllItems();
    }
    Sleep(1000);
    EndDialog(IDOK);
}

void CProcessListDialog::OnRetry()
{
    EndDialog(IDOK);
}

void CProcessListDialog::OnIgnore()
{
    ignoreChosen = true;
    EndDialog(IDOK);
}
