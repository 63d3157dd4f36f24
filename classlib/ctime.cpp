#include "ctime.h"
#include <cwchar>
#include "seams.h"

CTime::CTime(int year, int month, int day, int hour, int minute, int second, int dst)
{
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = dst;
    time_ = _mktime64(&t);
}

CTime CTime::GetCurrentTime()
{
    return CTime(ui::Now());
}

struct tm CTime::Local() const
{
    struct tm t = {};
    if (_localtime64_s(&t, &time_) != 0)
        t = {};
    return t;
}

bool CTime::GetAsSystemTime(SYSTEMTIME& st) const
{
    struct tm t = {};
    if (!IsValid() || _localtime64_s(&t, &time_) != 0)
        return false;
    st = {};
    st.wYear = WORD(t.tm_year + 1900);
    st.wMonth = WORD(t.tm_mon + 1);
    st.wDay = WORD(t.tm_mday);
    st.wDayOfWeek = WORD(t.tm_wday);
    st.wHour = WORD(t.tm_hour);
    st.wMinute = WORD(t.tm_min);
    st.wSecond = WORD(t.tm_sec);
    return true;
}

namespace {

// The runtime aborts on an unknown conversion, so formats are checked first.
bool ValidTimeFormat(const wchar_t* f)
{
    for (; *f; ++f) {
        if (*f != L'%')
            continue;
        ++f;
        if (*f == L'#')
            ++f;
        if (!*f || !wcschr(L"aAbBcdHIjmMpSUwWxXyYzZ%", *f))
            return false;
    }
    return true;
}

}  // namespace

CString CTime::Format(const wchar_t* format) const
{
    struct tm t = {};
    if (!format || !ValidTimeFormat(format) || !IsValid() || _localtime64_s(&t, &time_) != 0)
        return CString();
    // Some runtimes return the buffer size without a terminator on overflow: treat a
    // full buffer as failure and terminate it ourselves.
    wchar_t buf[256];
    size_t n = wcsftime(buf, 256, format, &t);
    if (n == 0 || n >= 255)
        return CString();
    buf[n] = 0;
    return CString(buf);
}
