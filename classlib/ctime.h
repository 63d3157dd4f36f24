#pragma once
// 64-bit local time (time_t is 32 bits on the product's runtime).
#include <windows.h>
#include <ctime>
#include "cstring.h"

#undef GetCurrentTime  // winbase.h maps it to GetTickCount

class CTimeSpan {
public:
    CTimeSpan() = default;
    explicit CTimeSpan(__time64_t seconds) : seconds_(seconds) {}
    CTimeSpan(long days, int hours, int minutes, int seconds)
        : seconds_(((__time64_t(days) * 24 + hours) * 60 + minutes) * 60 + seconds)
    {
    }
    __time64_t GetTotalSeconds() const { return seconds_; }

private:
    __time64_t seconds_ = 0;
};

class CTime {
public:
    CTime() = default;
    explicit CTime(__time64_t t) : time_(t) {}
    // Local date and time; a value the runtime cannot represent gives an invalid time.
    CTime(int year, int month, int day, int hour, int minute, int second, int dst = -1);

    // The current time, through the replaceable clock.
    static CTime GetCurrentTime();

    bool IsValid() const { return time_ != -1; }
    __time64_t GetTime() const { return time_; }
    int GetYear() const { return Local().tm_year + 1900; }
    int GetMonth() const { return Local().tm_mon + 1; }
    int GetDay() const { return Local().tm_mday; }
    int GetHour() const { return Local().tm_hour; }
    int GetMinute() const { return Local().tm_min; }
    int GetSecond() const { return Local().tm_sec; }
    int GetDayOfWeek() const { return Local().tm_wday + 1; }  // 1 = Sunday
    bool GetAsSystemTime(SYSTEMTIME& st) const;

    // wcsftime text; empty when the format is not valid or the text does not fit 255 characters.
    CString Format(const wchar_t* format) const;

    CTime operator+(CTimeSpan s) const { return CTime(time_ + s.GetTotalSeconds()); }
    CTime operator-(CTimeSpan s) const { return CTime(time_ - s.GetTotalSeconds()); }
    CTimeSpan operator-(CTime t) const { return CTimeSpan(time_ - t.time_); }
    auto operator<=>(const CTime&) const = default;

private:
    struct tm Local() const;
    __time64_t time_ = 0;
};
