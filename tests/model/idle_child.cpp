// A process that only waits to be ended: tests start copies of it under watched image names. It also ends on its
// own after two minutes, so a test program that dies before ending it leaves no "running mail client" behind for
// the tests after it in the same prefix.
#include <windows.h>

int main()
{
    Sleep(120000);
    return 0;
}
