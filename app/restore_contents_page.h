#pragma once
// Page 2 of the restore wizard: the header and password check, and the archive's
// contents as a tree, listed by a worker.
#include <atomic>
#include "archive_header.h"
#include "controls.h"
#include "data_restore.h"
#include "restore_wizard.h"

class CRestoreWizardPg2 : public CRestoreWizardBasicPage {
public:
    CRestoreWizardPg2();
    ~CRestoreWizardPg2() override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnQueryCancel() override;
    LRESULT OnEngineProgress(WPARAM position, LPARAM upper);
    LRESULT OnEngineError(WPARAM detail, LPARAM message);
    LRESULT OnArchiveReset(WPARAM, LPARAM);
    LRESULT OnArchiveItem(WPARAM, LPARAM item);
    LRESULT OnArchiveListed(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    friend UINT ArchiveInfoThreadProc(LPVOID page);
    // On the worker: reads every head into headList, then hands each item to the tree.
    void ListArchive();
    // The child of parent with this text (any case), made when there is none.
    HTREEITEM FindOrAddChild(HTREEITEM parent, const std::wstring& text);

    ArchiveHeader headerCopy{};
    std::atomic<bool> listingThread{false};  // true exactly while the worker runs
    ItemHeadList headList;
    std::atomic<bool> stopListing{false};
    HTREEITEM registryRoot = nullptr;
    HTREEITEM fileRoot = nullptr;
    CImageList images;
    int fileItemsImage = -1, fileImage = -1, folderSelectedImage = -1, folderImage = -1, registryItemsImage = -1,
        valueImage = -1;
    CTreeCtrl tree;
    CProgressCtrl progress;
};

// Lists the archive of the page's context into the page's tree.
UINT ArchiveInfoThreadProc(LPVOID page);
