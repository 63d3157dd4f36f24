#include "restore_contents_page.h"
#include <memory>
#include "app_messages.h"
#include "eng_except.h"
#include "res/resource.h"
#include "thread.h"

namespace {

// Sends an error text to a page and waits while it shows it.
void SendError(HWND page, const std::wstring& message)
{
    ::SendMessageW(page, WM_ENGINE_ERROR, 0, reinterpret_cast<LPARAM>(message.c_str()));
}

int AddBitmap(CImageList& images, UINT id)
{
    HBITMAP bitmap = static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    int index = images.Add(bitmap, RGB(255, 0, 255));
    ::DeleteObject(bitmap);
    return index;
}

}  // namespace

CRestoreWizardPg2::CRestoreWizardPg2() : CRestoreWizardBasicPage(IDD_RESTORE_INFO) {}

CRestoreWizardPg2::~CRestoreWizardPg2()
{
    free_head_list(headList);
}

BEGIN_MESSAGE_MAP(CRestoreWizardPg2, CRestoreWizardBasicPage)
    ON_MESSAGE(WM_ENGINE_PROGRESS, &CRestoreWizardPg2::OnEngineProgress)
    ON_MESSAGE(WM_ENGINE_ERROR, &CRestoreWizardPg2::OnEngineError)
    ON_MESSAGE(WM_ARCHIVE_RESET, &CRestoreWizardPg2::OnArchiveReset)
    ON_MESSAGE(WM_ARCHIVE_ITEM, &CRestoreWizardPg2::OnArchiveItem)
    ON_MESSAGE(WM_ARCHIVE_LISTED, &CRestoreWizardPg2::OnArchiveListed)
END_MESSAGE_MAP()

void CRestoreWizardPg2::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_PROGRESS, progress);
    DDX_Control(dx, IDC_ARCHIVE_TREE, tree);
}

BOOL CRestoreWizardPg2::OnInitDialog()
{
    CRestoreWizardBasicPage::OnInitDialog();
    images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 0, 100);
    fileItemsImage = AddBitmap(images, IDB_TREE_FILE_ITEMS);
    fileImage = AddBitmap(images, IDB_TREE_FILE);
    folderSelectedImage = AddBitmap(images, IDB_FOLDER_ITEM);
    folderImage = AddBitmap(images, IDB_TREE_FOLDER);
    registryItemsImage = AddBitmap(images, IDB_REGISTRY_ITEM);
    valueImage = AddBitmap(images, IDB_TREE_VALUE);
    tree.SetImageList(images.GetSafeHandle(), TVSIL_NORMAL);
    return TRUE;
}

BOOL CRestoreWizardPg2::OnSetActive()
{
    RestoreContext& context = *GetContext();
    context.checked = false;
    SetStatus(L"Loading archive information ...");
    // The page is only re-entered by Back and Next after a listing has ended,
    // but its worker may still be returning.
    AwaitWorkerEnd(listingThread);
    if (ReadArchiveHeader(this, context.path.c_str(), headerCopy)) {
        // Nothing leads off the page while it lists (the password check has just
        // offered Back and Next).
        PostWizardButtons(0);
        free_head_list(headList);
        stopListing = false;
        context.password = StoredPassword(headerCopy);
        context.checked = true;
        if (!StartWorker(listingThread, ArchiveInfoThreadProc, this))
            PostMessage(WM_ARCHIVE_LISTED);
    } else {
        OnArchiveReset(0, 0);
        SetStatus(L"The archive is invalid or your password is wrong!");
        PostWizardButtons(PSWIZB_BACK);
    }
    return CRestoreWizardBasicPage::OnSetActive();
}

BOOL CRestoreWizardPg2::OnQueryCancel()
{
    if (listingThread) {
        MessageBox(L"You can not exit wizard when the archive information is loading!", L"Error", MB_ICONERROR);
        return FALSE;
    }
    return CRestoreWizardBasicPage::OnQueryCancel();
}

UINT ArchiveInfoThreadProc(LPVOID param)
{
    auto* page = static_cast<CRestoreWizardPg2*>(param);
    const HWND hwnd = page->m_hWnd;
    ::PostMessageW(page->GetSheetHwnd(), PSM_SETWIZBUTTONS, 0, 0);
    ::SendMessageW(hwnd, WM_ARCHIVE_RESET, 0, 0);
    try {
        page->ListArchive();
    } catch (...) {
        SendError(hwnd, L"Unknown error!");
    }
    ::PostMessageW(hwnd, WM_ARCHIVE_LISTED, 0, 0);
    return 0;
}

void CRestoreWizardPg2::ListArchive()
{
    const HWND hwnd = m_hWnd;
    try {
        DataRestore<NoWriterFactories> reader(GetContext()->path, kArchiveHeaderSize, nullptr,
                                              StoredPassword(headerCopy));
        reader.set_head_list(&headList);
        reader.progress.set_target(hwnd, WM_ENGINE_PROGRESS);
        reader.stop.set_flag(&stopListing);
        reader.run();
    } catch (const EngExcept::FileException& e) {
        SendError(hwnd, e.get_message());
    } catch (...) {
        SendError(hwnd, L"Unknown error!");
    }
    // Every head listed before a failure is shown.
    WriterFactories factories;
    for (const ItemHeadEntry& entry : headList) {
        auto* factory = dynamic_cast<DataItemFactory*>(find_factory(factories.list, entry.type));
        std::unique_ptr<DataItem> item(factory ? factory->create() : nullptr);
        if (item && item->set_head(entry.head + sizeof(uint32_t)))
            ::SendMessageW(hwnd, WM_ARCHIVE_ITEM, 0, reinterpret_cast<LPARAM>(item.get()));
    }
}

LRESULT CRestoreWizardPg2::OnArchiveListed(WPARAM, LPARAM)
{
    AwaitWorkerEnd(listingThread);
    PostWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    SetStatus(L"The items included in your archive file:");
    int low = 0, high = 0;
    progress.GetRange(low, high);
    progress.SetPos(high);
    tree.Invalidate(TRUE);
    return 0;
}

LRESULT CRestoreWizardPg2::OnEngineProgress(WPARAM position, LPARAM upper)
{
    if (position)
        progress.SetPos(int(position));
    if (upper)
        progress.SetRange32(0, int(upper));
    return 0;
}

LRESULT CRestoreWizardPg2::OnEngineError(WPARAM, LPARAM message)
{
    MessageBox(reinterpret_cast<const wchar_t*>(message), L"Error", MB_ICONERROR);
    return 0;
}

LRESULT CRestoreWizardPg2::OnArchiveReset(WPARAM, LPARAM)
{
    tree.DeleteAllItems();
    registryRoot = tree.InsertItem(L"Registry Items", registryItemsImage, registryItemsImage);
    fileRoot = tree.InsertItem(L"File Items", fileItemsImage, fileItemsImage);
    return 0;
}

LRESULT CRestoreWizardPg2::OnArchiveItem(WPARAM, LPARAM param)
{
    auto* item = reinterpret_cast<DataItem*>(param);
    const std::wstring name = item->display_name();
    if (name.empty())  // a key's default value: restored, not listed
        return 0;
    const bool registry = item->item_type() == int32_t(kRegItemType);
    HTREEITEM node = registry ? registryRoot : fileRoot;
    const std::wstring location = item->location();
    for (size_t start = 0; start < location.size();) {
        size_t end = location.find(L'\\', start);
        if (end == std::wstring::npos)
            end = location.size();
        node = FindOrAddChild(node, location.substr(start, end - start));
        start = end + 1;
    }
    const int image = registry ? valueImage : fileImage;
    tree.InsertItem(name.c_str(), image, image, node);
    return 0;
}

HTREEITEM CRestoreWizardPg2::FindOrAddChild(HTREEITEM parent, const std::wstring& text)
{
    for (HTREEITEM child = tree.GetChildItem(parent); child; child = tree.GetNextSiblingItem(child)) {
        const CString childText = tree.GetItemText(child);
        if (::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, childText.c_str(), childText.GetLength(), text.c_str(),
                             int(text.size())) == CSTR_EQUAL)
            return child;
    }
    return tree.InsertItem(text.c_str(), folderImage, folderSelectedImage, parent);
}
