// The program entry for GUI programs built on the class library (-municode).
#include "app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show)
{
    return AfxWinMain(instance, show);
}
