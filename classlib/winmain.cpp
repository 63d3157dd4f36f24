// The program entry for GUI programs built on the class library (-municode).
#include "app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show)
{
    // The program ends where the application's ExitInstance leaves it. Returning
    // would run the C++ runtime's exit teardown, whose deletion of its thread keys
    // can wait forever on the threads library's lock once worker threads have come
    // and gone; nothing the program needs is left for it to do.
    ExitProcess(UINT(AfxWinMain(instance, show)));
}
