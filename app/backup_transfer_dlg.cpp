#include "backup_transfer_dlg.h"
#include <shlwapi.h>
#include "app_messages.h"
#include "archive_header.h"
#include "backup_item.h"
#include "eng_except.h"
#include "file.h"
#include "gdi.h"
#include "output_media_copier.h"
#include "records.h"
#include "res/resource.h"
#include "thread.h"

namespace {

constexpr wchar_t kMailClient[] = L"Outlook Express";

// Texts go through buffers of 200 characters: longer ones end in an ellipsis.
std::wstring Fit(std::wstring text, size_t room = 199)
{
    if (text.size() > room)
        text = text.substr(0, room - 3) + L"...";
    return text;
}

void SendState(HWND window, int row, int state)
{
    ::SendMessageW(window, WM_ITEM_STATE, WPARAM(row), LPARAM(state));
}

void SendError(HWND window, const std::wstring& detail, const std::wstring& message)
{
    ::SendMessageW(window, WM_ENGINE_ERROR, reinterpret_cast<WPARAM>(detail.c_str()),
                   reinterpret_cast<LPARAM>(message.c_str()));
}

// A new empty file in the archive's folder under a name the system makes unique;
// empty, with the system's reason as the last error, when none can be made there.
std::wstring CreateFileBeside(const std::wstring& archive)
{
    // A missing folder or a name the system refuses fails now, not once every
    // item has been written.
    if (::GetFileAttributesW(archive.c_str()) == INVALID_FILE_ATTRIBUTES && ::GetLastError() != ERROR_FILE_NOT_FOUND)
        return {};
    wchar_t folder[MAX_PATH];
    wchar_t* name = nullptr;
    const DWORD n = ::GetFullPathNameW(archive.c_str(), MAX_PATH, folder, &name);
    if (n == 0 || n >= MAX_PATH || !name)
        return {};
    *name = L'\0';
    wchar_t temporary[MAX_PATH];
    if (!::GetTempFileNameW(folder, L"bvk", 0, temporary))
        return {};
    return temporary;
}

// The system's words for the calling thread's last error.
std::wstring LastErrorText()
{
    return CFileException::FromOsError(LONG(::GetLastError()), L"").GetErrorMessage();
}

// The end message of a backup that left sources out: the first of them by name.
std::wstring LeftOutText(const std::vector<std::wstring>& leftOut)
{
    constexpr size_t kNamesShown = 10;
    CString text;
    text.Format(L"Backup process has finished, but %u item(s) could not be read and are not in the archive:",
                unsigned(leftOut.size()));
    for (size_t i = 0; i < leftOut.size() && i < kNamesShown; ++i) {
        text += L"\n";
        text += leftOut[i];
    }
    if (leftOut.size() > kNamesShown) {
        CString more;
        more.Format(L"\nand %u more", unsigned(leftOut.size() - kNamesShown));
        text += more;
    }
    return text;
}

}  // namespace

// ---- rows

int CProgItemList::AddRow(const wchar_t* text)
{
    rows_.push_back({text, 0});
    return AddString(text);
}

void CProgItemList::SetRowState(int index, int state)
{
    if (index < 0 || index >= int(rows_.size()))
        return;
    rows_[size_t(index)].state = state;
    Invalidate();
}

int CProgItemList::GetRowState(int index) const
{
    return index >= 0 && index < int(rows_.size()) ? rows_[size_t(index)].state : 0;
}

void CProgItemList::MeasureItem(MEASUREITEMSTRUCT* mis)
{
    mis->itemHeight = 30;
}

void CProgItemList::DrawItem(DRAWITEMSTRUCT* dis)
{
    CDC dc(dis->hDC);
    const RECT& r = dis->rcItem;
    dc.FillSolidRect(r, ::GetSysColor(COLOR_WINDOW));
    if (dis->itemID >= rows_.size())
        return;
    const Row& row = rows_[dis->itemID];
    static const UINT kBitmaps[] = {0, IDB_ROW_RUNNING, IDB_ROW_DONE, IDB_ROW_FAILED};
    if (row.state >= 1 && row.state <= 3) {
        CBitmap bitmap;
        CDC memory;
        if (bitmap.LoadBitmap(kBitmaps[row.state]) && memory.CreateCompatibleDC(dc)) {
            HGDIOBJ old = memory.SelectObject(bitmap.GetSafeHandle());
            dc.TransparentBlt(r.left + 3, r.top + 3, 16, 16, memory, 0, 0, 16, 16, RGB(255, 0, 255));
            memory.SelectObject(old);
        }
    }
    // "Title - description": the part before the first hyphen above the rest.
    size_t dash = row.text.find(L'-');
    std::wstring title = Fit(row.text.substr(0, dash));
    std::wstring description = dash == std::wstring::npos ? std::wstring() : Fit(row.text.substr(dash + 1));
    dc.SetBkMode(TRANSPARENT);
    const UINT format = DT_NOPREFIX | DT_SINGLELINE | DT_END_ELLIPSIS;
    RECT text = {r.left + 22, r.top + 3, r.right - 2, r.bottom};
    dc.SetTextColor(RGB(0, 0, 0));
    dc.DrawText(title.c_str(), text, format);
    text.top += dc.GetTextExtent(title.empty() ? L" " : title.c_str()).cy + 1;
    dc.SetTextColor(RGB(150, 150, 150));
    dc.DrawText(description.c_str(), text, format);
}

// ---- the dialog

CBackupTransferDlg::CBackupTransferDlg(CWnd* parent) : CDialog(IDD_BACKUP_TRANSFER, parent) {}

CBackupTransferDlg::~CBackupTransferDlg()
{
    delete copier;
}

BEGIN_MESSAGE_MAP(CBackupTransferDlg, CDialog)
    ON_BN_CLICKED(IDC_STOP, &CBackupTransferDlg::OnStop)
    ON_MESSAGE(WM_ENGINE_PROGRESS, &CBackupTransferDlg::OnEngineProgress)
    ON_MESSAGE(WM_BACKUP_STATUS, &CBackupTransferDlg::OnBackupStatus)
    ON_MESSAGE(WM_BACKUP_DONE, &CBackupTransferDlg::OnBackupDone)
    ON_MESSAGE(WM_ENGINE_ERROR, &CBackupTransferDlg::OnEngineError)
    ON_MESSAGE(WM_ITEM_STATE, &CBackupTransferDlg::OnItemState)
    ON_MESSAGE(WM_COPIER_STATUS, &CBackupTransferDlg::OnCopierStatus)
    ON_MESSAGE(WM_COPIER_START, &CBackupTransferDlg::OnCopierStart)
    ON_MESSAGE(WM_COPIER_PROGRESS, &CBackupTransferDlg::OnCopierProgress)
END_MESSAGE_MAP()

void CBackupTransferDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_TOTAL_PROGRESS, totalBar);
    DDX_Control(dx, IDC_CURRENT_PROGRESS, currentBar);
    DDX_Control(dx, IDC_PROGRESS_ROWS, rows);
}

BOOL CBackupTransferDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CString format, note;
    format.LoadString(IDS_BACKUP_RUNNING);
    note.Format(format.c_str(), kMailClient, kMailClient);
    SetDlgItemText(IDC_RUNNING_NOTE, note.c_str());
    for (const BackupJobItem* entry : job.GetItems())
        rows.AddRow(entry->name);
    PrepareTransfer();
    totalBar.SetRange32(0, 100 * int(job.GetItems().size()));
    stop = false;
    lastPosition = 0;
    if (!StartWorker(running, BackupThreadProc, this, &workerThread_)) {
        failed = true;
        PostMessage(WM_BACKUP_DONE);
    }
    return TRUE;
}

void CBackupTransferDlg::PrepareTransfer()
{
    if (!job.transfer)
        return;
    int32_t blockSize = 0;
    if (job.mediaType == 1) {
        transferRow_ = rows.AddRow(L"FTP upload - Upload archive to FTP server");
        blockSize = int32_t(sizeof(_PreferenceFTP));
    } else if (job.mediaType == 2) {
        transferRow_ = rows.AddRow(L"Writable CD/DVD - Write archive to writable CD/DVD device");
        blockSize = int32_t(sizeof(_PreferenceCDDVD));
    } else {
        return;
    }
    // The copier reads its medium's whole block: a block of another size, or none
    // (no preference file yet), gets no copier, and the transfer fails in its turn.
    if (job.GetMediaPreference() && job.GetMediaPreferenceSize() == blockSize) {
        OutputMediaCopierFactories factories;
        if (OutputMediaCopierFactory* factory = factories.Find(job.mediaType))
            copier =
                factory->Create(m_hWnd, job.GetMediaPreference(), PathFindFileNameW(job.archivePath), job.archivePath);
    }
}

void CBackupTransferDlg::Fail(const std::wstring& message, const std::wstring& path)
{
    failed = true;
    failures_.push_back({message, path});
}

std::wstring CBackupTransferDlg::TransferFailure() const
{
    if (!copier)
        return job.mediaType == 1 ? L"No FTP account has been set up in the preference window, so the archive has "
                                    L"not been uploaded!"
                                  : L"No CD/DVD device has been set up in the preference window, so the archive has "
                                    L"not been written to a disc!";
    return transferError_.empty() ? L"The archive could not be transferred!" : transferError_;
}

UINT BackupThreadProc(LPVOID param)
{
    auto* dlg = static_cast<CBackupTransferDlg*>(param);
    // The window's handles, so the end is posted without touching the object.
    const HWND window = dlg->m_hWnd;
    const HWND currentBar = dlg->currentBar.m_hWnd;
    const BackupJob& job = dlg->job;
    const std::wstring archive = job.archivePath;
    // Until it takes the archive's name, the run writes here, so that a stop or a
    // failure never leaves a partial archive or costs an existing one.
    std::wstring temporary;
    try {
        std::optional<ArchiveHeader> header = BuildArchiveHeader(job.compress, job.passwordProtected, job.password);
        if (header)
            temporary = CreateFileBeside(archive);
        if (!header) {
            dlg->Fail(L"Your password can not be longer than 11 characters!", archive);
        } else if (temporary.empty() || !WriteArchiveHeader(temporary.c_str(), *header)) {
            dlg->Fail(LastErrorText(), archive);
        } else {
            bool whole = true;
            int i = 0;
            for (const BackupJobItem* entry : job.GetItems()) {
                if (dlg->stop)
                    break;
                SendState(window, i, 1);
                try {
                    entry->item->set_progress_target(window, WM_ENGINE_PROGRESS);
                    std::wstring status = Fit(L"Backing up " + entry->item->get_name() + L" ...");
                    ::SendMessageW(window, WM_BACKUP_STATUS, 0, reinterpret_cast<LPARAM>(status.c_str()));
                    ::SendMessageW(currentBar, PBM_SETPOS, 0, 0);
                    entry->item->backup(temporary, &dlg->stop, header->compressed != 0, header->encrypted != 0,
                                        job.password);
                    SendState(window, i, dlg->stop || !entry->item->left_out().empty() ? 3 : 2);
                } catch (const EngExcept::FileException& e) {
                    whole = false;
                    SendState(window, i, 3);
                    // To the user, the file being written is the archive.
                    SendError(window, e.get_detail() == temporary ? archive : e.get_detail(), e.get_message());
                } catch (const EngExcept::EFailedToOpenRegKey& e) {
                    whole = false;
                    SendState(window, i, 3);
                    SendError(window, L"(n/a)", e.get_message());
                } catch (const EngExcept::EFolderNotFound& e) {
                    whole = false;
                    SendState(window, i, 3);
                    SendError(window, e.get_folder(), e.get_message());
                } catch (const EngExcept::Exception& e) {
                    whole = false;
                    SendState(window, i, 3);
                    SendError(window, L"Unknown", e.get_message());
                } catch (...) {
                    whole = false;
                    SendState(window, i, 3);
                    SendError(window, L"Unknown", L"Unknown error!");
                }
                const std::vector<std::wstring>& leftOut = entry->item->left_out();
                dlg->leftOut_.insert(dlg->leftOut_.end(), leftOut.begin(), leftOut.end());
                ++i;
            }
            if (!dlg->stop && whole) {
                if (::MoveFileExW(temporary.c_str(), archive.c_str(), MOVEFILE_REPLACE_EXISTING))
                    temporary.clear();
                else
                    dlg->Fail(LastErrorText(), archive);
            }
            // Only an archive in place is transferred.
            if (!dlg->stop && temporary.empty() && dlg->transferRow_ >= 0) {
                dlg->transferStarted_ = true;
                SendState(window, dlg->transferRow_, 1);
                // The row's last state is set when the end is handled, after every
                // status the component has posted.
                if (!dlg->copier || FAILED(dlg->copier->Start()))
                    dlg->transferFailed_ = true;
            }
        }
    } catch (...) {
        dlg->failed = true;
        SendError(window, L"Unknown", L"Unknown error!");
    }
    if (!temporary.empty())
        ::DeleteFileW(temporary.c_str());
    ::PostMessageW(window, WM_BACKUP_DONE, 0, 0);
    return 0;
}

LRESULT CBackupTransferDlg::OnEngineProgress(WPARAM position, LPARAM upper)
{
    int p = int(position), r = int(upper);
    if (p != 0) {
        int d = p - lastPosition;
        totalBar.SetPos(totalBar.GetPos() + (d > 0 ? d : 0));
        lastPosition = p;
        currentBar.SetPos(p);
    }
    if (r != 0)
        currentBar.SetRange32(0, r);
    return 0;
}

LRESULT CBackupTransferDlg::OnBackupStatus(WPARAM, LPARAM text)
{
    SetDlgItemText(IDC_CURRENT_LABEL, reinterpret_cast<const wchar_t*>(text));
    return 0;
}

LRESULT CBackupTransferDlg::OnEngineError(WPARAM detail, LPARAM message)
{
    Fail(reinterpret_cast<const wchar_t*>(message), reinterpret_cast<const wchar_t*>(detail));
    CString text;
    text.Format(
        L"Before you starting backup process, please make sure %ls has been closed!\n\nError: %ls\nFilename: %ls",
        kMailClient, reinterpret_cast<const wchar_t*>(message), reinterpret_cast<const wchar_t*>(detail));
    MessageBox(text.c_str(), L"Error", MB_ICONERROR);
    return 0;
}

LRESULT CBackupTransferDlg::OnItemState(WPARAM index, LPARAM state)
{
    rows.SetRowState(int(index), int(state));
    return 0;
}

LRESULT CBackupTransferDlg::OnCopierStatus(WPARAM kind, LPARAM text)
{
    const bool failure = HIWORD(kind) == 1;
    if (failure)
        transferFailed_ = true;
    if (!text)
        return 0;
    std::wstring shown;
    if (LOWORD(kind) == 1) {
        const char* ansi = reinterpret_cast<const char*>(text);
        int n = ::MultiByteToWideChar(CP_THREAD_ACP, 0, ansi, -1, nullptr, 0);
        if (n > 0) {
            shown.resize(size_t(n));
            ::MultiByteToWideChar(CP_THREAD_ACP, 0, ansi, -1, shown.data(), n);
            shown.resize(size_t(n - 1));
        }
    } else {
        shown = reinterpret_cast<const wchar_t*>(text);
    }
    if (failure && transferError_.empty())
        transferError_ = shown;
    SetDlgItemText(IDC_CURRENT_LABEL, shown.c_str());
    return 0;
}

LRESULT CBackupTransferDlg::OnCopierStart(WPARAM, LPARAM)
{
    currentBar.SetRange32(0, 100);
    currentBar.SetPos(0);
    return 0;
}

LRESULT CBackupTransferDlg::OnCopierProgress(WPARAM position, LPARAM)
{
    currentBar.SetPos(int(position));
    return 0;
}

LRESULT CBackupTransferDlg::OnBackupDone(WPARAM, LPARAM)
{
    // The worker posted this as its last use of the dialog; only its return is left.
    // The copier (and with it the component's module) goes only once the thread
    // has ended for good: its exit still runs thread clean-up in every module.
    if (workerThread_) {
        ::WaitForSingleObject(workerThread_, INFINITE);
        ::CloseHandle(workerThread_);
        workerThread_ = nullptr;
    }
    if (transferStarted_) {
        if (transferFailed_ && !stop)
            Fail(TransferFailure(), job.archivePath);
        rows.SetRowState(transferRow_, transferFailed_ || stop ? 3 : 2);
    }
    delete copier;
    copier = nullptr;
    // Only a complete run fills the bars and reads "Done!".
    if (stop) {
        ShowEnd(L"&Terminate", L"Backup process terminated by user!");
        MessageBox(L"Backup process terminated by user!", L"Error", MB_ICONERROR);
    } else if (failed) {
        ShowEnd(L"&Fail", L"Failed to backup!");
        std::wstring text = L"Failed to backup!";
        for (const Failure& f : failures_)
            text += L"\n\nError: " + f.message + L"\nFilename: " + f.path;
        MessageBox(text.c_str(), L"Error", MB_ICONERROR);
    } else {
        int low = 0, high = 0;
        totalBar.GetRange(low, high);
        totalBar.SetPos(high);
        currentBar.GetRange(low, high);
        currentBar.SetPos(high);
        ShowEnd(L"&Finish", L"Done!");
        if (!leftOut_.empty())
            MessageBox(LeftOutText(leftOut_).c_str(), L"Warning", MB_ICONWARNING);
        else
            MessageBox(L"Backup process has finished successfully!", L"Information", MB_ICONINFORMATION);
    }
    return 0;
}

void CBackupTransferDlg::ShowEnd(const wchar_t* button, const wchar_t* status)
{
    SetDlgItemText(IDC_CURRENT_LABEL, status);
    HWND h = GetDlgItem(IDC_STOP);
    ::SetWindowTextW(h, button);
    finished = true;
    ::EnableWindow(h, TRUE);
}

void CBackupTransferDlg::OnStop()
{
    if (finished) {
        EndDialog(IDOK);
        return;
    }
    stop = true;
    if (copier && transferStarted_ && running)
        copier->Stop();
    ::EnableWindow(GetDlgItem(IDC_STOP), FALSE);
}

bool CBackupTransferDlg::MayClose()
{
    if (finished)
        return true;
    MessageBox(
        L"Before you close backup window, you must wait until the backup process is finished or stop it by "
        L"yourself!",
        L"Error", MB_ICONERROR);
    return false;
}

void CBackupTransferDlg::OnOK()
{
    if (MayClose())
        EndDialog(IDOK);
}

void CBackupTransferDlg::OnCancel()
{
    if (MayClose())
        EndDialog(IDCANCEL);
}
