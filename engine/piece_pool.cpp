#include "piece_pool.h"

#include <algorithm>

#include <windows.h>

unsigned coding_threads()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return std::clamp<unsigned>(info.dwNumberOfProcessors, 1, kMaxCodingThreads);
}
