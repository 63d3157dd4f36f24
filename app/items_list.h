#pragma once
// The main window's list of backup items: one owner-drawn row per item with a
// check box, the item's kind image, its name as a bold title over a grey
// description, and its size or state at the right.
#include <cstdint>
#include <memory>
#include <vector>
#include "controls.h"
#include "gdi.h"

// Row states.
enum BakItemState : int32_t { kRowWaiting = 0, kRowRunning = 1, kRowDone = 2, kRowFailed = 3 };
// Row kinds: which image the row shows.
enum BakItemKind : int32_t { kKindNone = 0, kKindFolder = 1, kKindRegistry = 2 };

struct BakListItem {
    wchar_t text[256] = {};  // title and description, separated by the first "-"
    bool checked = false;
    uint64_t size = 0;  // bytes, 0 until known
    int32_t state = kRowWaiting;
    int32_t kind = kKindNone;
    std::unique_ptr<CProgressCtrl> progress;  // the running row's marquee, made on first need
};

// The size text of a byte count: "1,023 Bytes" below 1024, else whole kilobytes, "4,882,812 KB".
void FormatSizeText(uint64_t size, CString& text);

// All of it runs on the interface thread: workers reach the rows through
// messages to the window that owns the list. Rows out of range are ignored.
// The entry's item data (CListBox::SetItemData) is the row's BackupItem, not owned.
class CBakItemsListBox : public CListBox {
public:
    CBakItemsListBox(int32_t registryBitmapId, int32_t folderBitmapId)
        : registryBitmapId(registryBitmapId), folderBitmapId(folderBitmapId)
    {
    }

    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CreateEx(0, L"LISTBOX", L"", style | WS_CHILD, rect, parent, id);
    }

    // Appends a waiting, unchecked row; its index, or -1 when the list refuses it.
    int AddItem(const wchar_t* text);
    void SetItemState(int row, int32_t state);
    void SetItemKind(int row, int32_t kind);
    void SetItemSize(int row, uint64_t size);
    // A failed row stays unchecked.
    void SetCheck(int row, bool value);
    bool GetCheck(int row) const;
    int32_t GetItemState(int row) const;  // kRowWaiting for no such row
    CString GetItemText(int row) const;   // "" for no such row
    uint64_t GetItemSize(int row) const;  // 0 for no such row

    int GetFontHeight() const;
    int GetRowHeight() const { return 2 * GetFontHeight() + 6; }
    void CreateRowFont(CFont& font, int weight) const;

    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    void DrawItem(DRAWITEMSTRUCT* d) override;
    void MeasureItem(MEASUREITEMSTRUCT* m) override;

protected:
    LRESULT OnLButtonDown(WPARAM flags, LPARAM point);
    LRESULT OnKeyDown(WPARAM key, LPARAM);
    BOOL OnEraseBkgnd(HDC dc);
    DECLARE_MESSAGE_MAP()

private:
    BakListItem* Row(int row);
    const BakListItem* Row(int row) const;
    void ToggleCheck(int row);

    std::vector<BakListItem> rows;
    int32_t registryBitmapId;
    int32_t folderBitmapId;
};
