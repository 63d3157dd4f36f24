#pragma once
// The restore wizard: four pages in a wizard-mode sheet, sharing one RestoreContext.
#include <atomic>
#include <string>
#include "gdi.h"
#include "propsheet.h"

struct RestoreContext {
    std::wstring path;      // set by page 1 when the user goes on
    std::wstring password;  // set by page 2 after the header check ("" without a password)
    // True only while the archive at `path` has passed page 2's header and password
    // check: page 3 restores nothing otherwise.
    bool checked = false;
    // Set by page 3: its last restore restored every item, so page 4 may say it succeeded.
    bool restoredAll = false;
};

class CRestoreWizardBasicPage : public CPropertyPage {
public:
    explicit CRestoreWizardBasicPage(UINT templateId) : CPropertyPage(templateId) {}
    void SetContext(RestoreContext* context) { context_ = context; }
    void SetSheet(CPropertySheet* sheet) { sheet_ = sheet; }

protected:
    RestoreContext* GetContext() const { return context_; }
    CPropertySheet* GetSheet() const { return sheet_; }
    BOOL OnInitDialog() override;
    // Asks "Exit restore wizard, are you sure?"; Yes closes.
    BOOL OnQueryCancel() override;
    // Posts the wizard's Back/Next/Finish state to the sheet.
    void PostWizardButtons(DWORD buttons) { ::PostMessageW(GetSheetHwnd(), PSM_SETWIZBUTTONS, 0, buttons); }
    void SetStatus(const wchar_t* text);
    // The page's outcome is shown once its worker has ended; a worker that has
    // posted its last message ends at once, so this wait is short.
    static void AwaitWorkerEnd(const std::atomic<bool>& running);

private:
    CFont titleFont_;
    RestoreContext* context_ = nullptr;
    CPropertySheet* sheet_ = nullptr;
};

// Builds and runs the wizard modally over parent (may be null); with an archive path,
// page 1 opens with it filled in. Returns the sheet's modal result.
int RunRestoreWizard(CWnd* parent, const wchar_t* archivePath);
