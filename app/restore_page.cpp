#include "restore_page.h"
#include "app_messages.h"
#include "archive_header.h"
#include "eng_except.h"
#include "res/resource.h"
#include "running_programs.h"
#include "thread.h"

namespace {

const wchar_t kReady[] = L"Ready to restore! Please press \"Restore\" button to continue ...";

void SendError(HWND page, const wchar_t* detail, const std::wstring& message)
{
    ::SendMessageW(page, WM_ENGINE_ERROR, reinterpret_cast<WPARAM>(detail), reinterpret_cast<LPARAM>(message.c_str()));
}

// Whether the archive still has the header whose password page 2 accepted: an
// encrypted archive read with another password would restore wrong bytes.
bool PasswordStillAccepted(const RestoreContext& context)
{
    ArchiveHeader header;
    return context.checked && LoadArchiveHeader(context.path.c_str(), header) &&
           (!header.encrypted || PasswordMatches(header, context.password));
}

}  // namespace

std::wstring SkippedItemsText(const std::vector<SkippedItem>& skipped)
{
    constexpr size_t kNamesShown = 10;
    CString text;
    text.Format(L"%u item(s) could not be restored:", unsigned(skipped.size()));
    for (size_t i = 0; i < skipped.size() && i < kNamesShown; ++i) {
        const SkippedItem& item = skipped[i];
        text += L"\n";
        text += item.location;
        if (!item.location.empty() && !item.name.empty())
            text += L"\\";
        text += item.name;
    }
    if (skipped.size() > kNamesShown) {
        CString more;
        more.Format(L"\nand %u more", unsigned(skipped.size() - kNamesShown));
        text += more;
    }
    return text;
}

CRestoreWizardPg3::CRestoreWizardPg3() : CRestoreWizardBasicPage(IDD_RESTORE_READY) {}

BEGIN_MESSAGE_MAP(CRestoreWizardPg3, CRestoreWizardBasicPage)
    ON_MESSAGE(WM_ENGINE_PROGRESS, &CRestoreWizardPg3::OnEngineProgress)
    ON_MESSAGE(WM_ENGINE_ERROR, &CRestoreWizardPg3::OnEngineError)
    ON_MESSAGE(WM_RESTORE_DONE, &CRestoreWizardPg3::OnRestoreDone)
    ON_BN_CLICKED(IDC_RESTORE, &CRestoreWizardPg3::OnRestore)
    ON_BN_CLICKED(IDC_RESTORE_CANCEL, &CRestoreWizardPg3::OnCancelRestore)
END_MESSAGE_MAP()

void CRestoreWizardPg3::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_PROGRESS, progress);
}

BOOL CRestoreWizardPg3::OnInitDialog()
{
    CRestoreWizardBasicPage::OnInitDialog();
    CString format, text;
    format.LoadString(IDS_RESTORE_NOTE);
    text.Format(format.c_str(), L"Outlook Express", L"Outlook Express");
    SetDlgItemText(IDC_RESTORE_NOTE, text.c_str());
    return TRUE;
}

BOOL CRestoreWizardPg3::OnSetActive()
{
    PostWizardButtons(0);
    ::EnableWindow(GetDlgItem(IDC_RESTORE), TRUE);
    ::EnableWindow(GetDlgItem(IDC_RESTORE_CANCEL), FALSE);
    return CRestoreWizardBasicPage::OnSetActive();
}

void CRestoreWizardPg3::OnRestore()
{
    if (restoreThread)
        return;
    if (!PasswordStillAccepted(*GetContext())) {
        MessageBox(L"The archive is invalid or your password is wrong!", L"Error", MB_ICONERROR);
        return;
    }
    if (!CheckRunningPrograms())
        return;
    stopRestore = false;
    ::EnableWindow(GetDlgItem(IDC_RESTORE), FALSE);
    ::EnableWindow(GetDlgItem(IDC_RESTORE_CANCEL), TRUE);
    if (!StartWorker(restoreThread, RestoreThreadProc, this)) {
        failed = true;
        skipped.clear();
        PostMessage(WM_RESTORE_DONE);
    }
}

void CRestoreWizardPg3::OnCancelRestore()
{
    stopRestore = true;
}

UINT RestoreThreadProc(LPVOID param)
{
    auto* page = static_cast<CRestoreWizardPg3*>(param);
    const HWND hwnd = page->m_hWnd;
    ::SetDlgItemTextW(hwnd, IDC_WIZ_STATUS, L"Restoring, please wait ...");
    page->RunRestore();
    ::PostMessageW(hwnd, WM_RESTORE_DONE, 0, 0);
    return 0;
}

void CRestoreWizardPg3::RunRestore()
{
    const HWND hwnd = m_hWnd;
    failed = false;
    skipped.clear();
    try {
        DataRestore<WriterFactories> reader(GetContext()->path, kArchiveHeaderSize, nullptr, GetContext()->password);
        reader.stop.set_flag(&stopRestore);
        reader.progress.set_target(hwnd, WM_ENGINE_PROGRESS);
        struct KeepSkipped {
            DataRestore<WriterFactories>& reader;
            std::vector<SkippedItem>& out;
            ~KeepSkipped() { out = reader.skipped(); }
        } keep{reader, skipped};
        reader.run();
    } catch (const EngExcept::FileException& e) {
        failed = true;
        const std::wstring detail = e.get_detail();
        SendError(hwnd, detail.c_str(), e.get_message());
    } catch (...) {
        failed = true;
        SendError(hwnd, nullptr, L"Unknown error!");
    }
}

LRESULT CRestoreWizardPg3::OnRestoreDone(WPARAM, LPARAM)
{
    AwaitWorkerEnd(restoreThread);
    ::EnableWindow(GetDlgItem(IDC_RESTORE_CANCEL), FALSE);
    if (!skipped.empty())
        MessageBox(SkippedItemsText(skipped).c_str(), L"Warning", MB_ICONWARNING);
    if (stopRestore) {
        SetStatus(kReady);
        ::EnableWindow(GetDlgItem(IDC_RESTORE), TRUE);
        progress.SetPos(0);
        MessageBox(L"Restore process has been terminated by user!", L"Error", MB_ICONERROR);
        return 0;
    }
    PostWizardButtons(PSWIZB_NEXT);
    GetContext()->restoredAll = !failed && skipped.empty();
    SetStatus(failed || !skipped.empty() ? L"Restore process has finished, but some items could not be restored."
                                         : L"Restore process has finished, please press \"Next\" button.");
    int low = 0, high = 0;
    progress.GetRange(low, high);
    progress.SetPos(high);
    return 0;
}

LRESULT CRestoreWizardPg3::OnEngineProgress(WPARAM position, LPARAM upper)
{
    if (position)
        progress.SetPos(int(position));
    if (upper)
        progress.SetRange32(0, int(upper));
    return 0;
}

LRESULT CRestoreWizardPg3::OnEngineError(WPARAM, LPARAM message)
{
    MessageBox(reinterpret_cast<const wchar_t*>(message), L"Error", MB_ICONERROR);
    return 0;
}

BOOL CRestoreWizardPg3::OnQueryCancel()
{
    if (restoreThread) {
        MessageBox(L"Restore process is running, please cancel the process before you exit!", L"Error", MB_ICONERROR);
        return FALSE;
    }
    return CRestoreWizardBasicPage::OnQueryCancel();
}
