/* The posix thread library of the mingw-w64 toolchain imports GetTickCount64,
   which Windows XP's kernel32 lacks, so no program linking it would load
   there. This import slot takes its place: it calls the system's function
   where there is one and otherwise extends GetTickCount past its 49.7-day
   wrap. Linked into every 32-bit program and library of the build. */
#include <windows.h>

static ULONGLONG WINAPI tick_count_xp(void)
{
    /* High half: wraps seen; low half: the last 32-bit count. */
    static volatile LONGLONG state;
    for (;;) {
        LONGLONG old = state;
        DWORD now = GetTickCount();
        ULONGLONG wraps = (ULONGLONG)old >> 32;
        if (now < (DWORD)old)
            ++wraps;
        LONGLONG next = (LONGLONG)((wraps << 32) | now);
        if (InterlockedCompareExchange64(&state, next, old) == old)
            return (ULONGLONG)next;
    }
}

static ULONGLONG WINAPI tick_count_first(void);

ULONGLONG(WINAPI* volatile imp_GetTickCount64)(void) __asm__("__imp__GetTickCount64@0") = tick_count_first;

static ULONGLONG WINAPI tick_count_first(void)
{
    FARPROC system = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64");
    imp_GetTickCount64 = system ? (ULONGLONG(WINAPI*)(void))(void (*)(void))system : tick_count_xp;
    return imp_GetTickCount64();
}
