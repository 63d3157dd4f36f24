#include "ui_fixture.h"
#include "scratch.h"

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
