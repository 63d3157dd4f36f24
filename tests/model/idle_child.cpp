// A process that only waits to be ended: tests start copies of it under watched image names.
#include <windows.h>

int main()
{
    Sleep(INFINITE);
    return 0;
}
