#pragma once
// A dark ribbon and its status bar: child windows that the frame lays out at the
// top and bottom of its client area.
//
// Both are made at their preferred height; a frame docks them (DockBar) and
// calls the ribbon's PreTranslateMessage from its own. Building a ribbon (in
// the frame's OnCreate):
//
//   ribbon.Create(this);
//   DockBar(ribbon.m_hWnd, true);
//   mainButton.SetImage(IDB_MAIN);                   // 32 x 32, drawn on the round button
//   mainButton.SetText(L"\nf");                      // after "\n": the key tip
//   mainButton.SetToolTipText(L"Program name");
//   ribbon.SetApplicationButton(&mainButton, SIZE{45, 45});
//   CMFCRibbonMainPanel* menu = ribbon.AddMainCategory(L"Main", IDB_SMALL, IDB_LARGE);
//   menu->Add(ID_HELP_FINDER, L"Help Topics", 9);    // the application button's menu
//   menu->AddSeparator();
//   menu->AddToBottom(ID_APP_EXIT, L"Exit");
//   CMFCRibbonCategory* home = ribbon.AddCategory(L"Home", IDB_SMALL, IDB_LARGE);
//   home->AddPanel(L"Backup and Restore")->Add(ID_BACKUP, L"Backup", 0);
//   ribbon.AddToTabs(ID_APP_ABOUT, L"About");
//   status.Create(this);
//   DockBar(status.m_hWnd, false);
//   status.AddElement(L"F1 = HELP");
//   status.AddExtendedElement(L" ");
//
// Image strips are bitmap resources of square images side by side (32-bit with
// alpha, or 24-bit with magenta as the see-through colour). Large buttons use the
// category's large strip; the application button's menu uses the small one.
//
// Every button, the menu's entries and "About" post WM_COMMAND(id, 0) to the
// ribbon's parent. Tooltips come from the command's string resource: the text
// after "\n" as the title, the text before it as the description.
//
// Keyboard: F10, or Alt pressed and released alone, shows key tips and gives the
// ribbon the focus; Alt+letter picks a tab-row key tip at once. A key tip letter
// opens its tab or presses its button; Left/Right/Tab/Shift+Tab move between the
// items, Up/Down between the tab row and the panels, Enter or Space presses the
// focused item, Esc gives the focus back.
#include <memory>
#include <vector>
#include "gdi.h"

// The round button at the top left that opens the main category's menu.
class CMFCRibbonApplicationButton {
public:
    void SetImage(UINT bitmapId) { imageId_ = bitmapId; }
    // The label; the part after "\n" is the key tip.
    void SetText(const wchar_t* text) { text_ = text; }
    void SetToolTipText(const wchar_t* text) { toolTip_ = text; }

private:
    friend class CMFCRibbonBar;
    UINT imageId_ = 0;
    CString text_;
    CString toolTip_;
};

// One command of a panel or of the application menu.
struct CMFCRibbonButton {
    UINT id = 0;  // 0: a separator
    CString text;
    int image = -1;  // index into the category's strips, -1 for none
    CString keyTip;  // one letter, assigned when the category is shown
    RECT rect = {};  // client rectangle while shown
};

class CMFCRibbonPanel {
public:
    explicit CMFCRibbonPanel(const wchar_t* name) : name_(name) {}
    // A large button showing `image` from the category's 32 x 32 strip.
    void Add(UINT id, const wchar_t* text, int image = -1);
    void AddSeparator();
    const CString& GetName() const { return name_; }
    const std::vector<CMFCRibbonButton>& GetButtons() const { return buttons_; }

protected:
    friend class CMFCRibbonBar;
    CString name_;
    std::vector<CMFCRibbonButton> buttons_;
    RECT rect_ = {};
};

// The application button's menu: entries top to bottom, then the bottom row.
class CMFCRibbonMainPanel : public CMFCRibbonPanel {
public:
    using CMFCRibbonPanel::CMFCRibbonPanel;
    void AddToBottom(UINT id, const wchar_t* text);

private:
    friend class CMFCRibbonBar;
    std::vector<CMFCRibbonButton> bottom_;
};

class CMFCRibbonCategory {
public:
    CMFCRibbonCategory(const wchar_t* name, UINT smallImages, UINT largeImages)
        : name_(name), smallId_(smallImages), largeId_(largeImages)
    {
    }
    CMFCRibbonPanel* AddPanel(const wchar_t* name);
    const CString& GetName() const { return name_; }
    const std::vector<std::unique_ptr<CMFCRibbonPanel>>& GetPanels() const { return panels_; }

private:
    friend class CMFCRibbonBar;
    CString name_;
    UINT smallId_;
    UINT largeId_;
    std::vector<std::unique_ptr<CMFCRibbonPanel>> panels_;
    RECT tab_ = {};
    CString keyTip_;
};

class CMFCRibbonBar : public CWnd {
public:
    CMFCRibbonBar();
    ~CMFCRibbonBar() override;

    static constexpr UINT kDefaultId = 59398;
    BOOL Create(CWnd* parent, UINT id = kDefaultId);
    void SetApplicationButton(CMFCRibbonApplicationButton* button, SIZE size);
    CMFCRibbonMainPanel* AddMainCategory(const wchar_t* name, UINT smallImages, UINT largeImages);
    CMFCRibbonCategory* AddCategory(const wchar_t* name, UINT smallImages, UINT largeImages);
    // A button at the right end of the tab row (no image).
    void AddToTabs(UINT id, const wchar_t* text);

    // The height the ribbon is made with.
    int GetPreferredHeight() const;
    // Alt and F10 from the frame's message loop; TRUE when the ribbon took the message.
    BOOL PreTranslateMessage(MSG* msg) override;

    int GetCategoryCount() const { return int(categories_.size()); }
    CMFCRibbonCategory* GetCategory(int index) const { return categories_[size_t(index)].get(); }
    CMFCRibbonMainPanel* GetMainPanel() const { return main_.get(); }
    int GetActiveCategory() const { return active_; }
    void SetActiveCategory(int index);
    // Where a command is on screen now (client coordinates): a button of the shown
    // category or a tab-row button. FALSE when it is not shown.
    BOOL GetElementRect(UINT id, RECT* rect) const;
    RECT GetTabRect(int category) const { return GetCategory(category)->tab_; }
    RECT GetApplicationButtonRect() const { return appRect_; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    struct Item;
    // Keyboard modes: key tips of the tab row or of the panels, or a focused item.
    enum class Keys { off, tabTips, buttonTips, focus };

    void Layout();
    std::vector<Item> Items() const;
    int TabRowCount() const;
    int HitTest(POINT pt) const;
    void Activate(const Item& item);
    void OpenMainMenu();
    void Paint(HDC dc);
    void PaintButton(HDC dc, const CMFCRibbonButton& b, HBITMAP strip, int state);
    void PaintKeyTip(HDC dc, int x, int y, const wchar_t* tip);
    void SetHot(int item);
    void EnterKeys(Keys mode, HWND restore);
    void LeaveKeys(bool restoreFocus);
    bool OnKey(UINT vk);
    void UpdateToolTips();
    HBITMAP Strip(UINT id);
    void DrawMenuItem(DRAWITEMSTRUCT* d);
    void MeasureMenuItem(MEASUREITEMSTRUCT* m);

    CMFCRibbonApplicationButton* appButton_ = nullptr;
    SIZE appSize_ = {45, 45};
    RECT appRect_ = {};
    std::unique_ptr<CMFCRibbonMainPanel> main_;
    UINT mainSmallId_ = 0;
    std::vector<std::unique_ptr<CMFCRibbonCategory>> categories_;
    std::vector<CMFCRibbonButton> tabButtons_;
    int active_ = -1;

    int hot_ = -1;      // item under the mouse or with the keyboard focus
    int pressed_ = -1;  // item the left button went down on
    bool menuOpen_ = false;
    bool tracking_ = false;
    Keys keys_ = Keys::off;
    HWND restoreFocus_ = nullptr;
    bool altAlone_ = false;  // Alt is down and no other key came since

    CFont font_;
    HWND toolTip_ = nullptr;
    std::vector<RECT> toolRects_;
    std::vector<std::pair<UINT, HBITMAP>> strips_;
    std::vector<std::wstring> menuTexts_;
};

// A dark status bar: panes from the left, and extended panes at the right.
class CMFCRibbonStatusBar : public CWnd {
public:
    static constexpr UINT kDefaultId = 59393;
    BOOL Create(CWnd* parent, UINT id = kDefaultId);
    void AddElement(const wchar_t* text);
    void AddExtendedElement(const wchar_t* text);
    // Panes in order: the regular ones, then the extended ones.
    int GetCount() const { return int(panes_.size()); }
    CString GetPaneText(int index) const { return panes_[size_t(index)].text; }
    void SetPaneText(int index, const wchar_t* text);
    int GetPreferredHeight() const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    struct Pane {
        CString text;
        bool extended;
    };
    void Paint(HDC dc);
    std::vector<Pane> panes_;
    CFont font_;
};
