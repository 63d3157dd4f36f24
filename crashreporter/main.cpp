// Pellisk, the crash reporter: started by the main program's crash filter
// with the crashed thread's id, the process id and the exception-pointers
// address; offers to save a minidump of the crashed process.
#include "main_dlg.h"
#include "reporter_args.h"

#include <commctrl.h>
#include <objbase.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR tail, int)
{
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    appModule.Init(instance);

    int result = 0;
    ReporterArgs args;
    if (ParseReporterTail(tail, args)) {
        CMainDlg dlg;
        dlg.tid = args.threadId;
        dlg.pid = args.processId;
        dlg.addr = args.pointers;
        result = static_cast<int>(dlg.DoModal(GetActiveWindow()));
    }

    appModule.Term();
    CoUninitialize();
    return result;
}
