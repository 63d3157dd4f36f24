// Lists the writers that the CD/DVD component offers in the current Wine prefix, one name a line, as the
// program's preference pages list them (used by the test of scripts/run).
//   cd_writers
// Exit code 0 when the component was created, 1 when it could not be.
#include "output_media_copier.h"

#include <objbase.h>
#include <cstdio>

int main()
{
    CoInitialize(nullptr);
    std::vector<std::wstring> writers;
    const bool created = ListCdWriters(writers);
    for (const std::wstring& name : writers)
        wprintf(L"%ls\n", name.c_str());
    if (!created)
        fwprintf(stderr, L"cd_writers: the CD/DVD component cannot be created\n");
    CoUninitialize();
    return created ? 0 : 1;
}
