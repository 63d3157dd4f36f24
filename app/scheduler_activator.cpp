#include "scheduler_activator.h"
#include <algorithm>

namespace XScheduler {

namespace {

constexpr __time64_t kDay = 24 * 60 * 60;

// The day `offset` days after from's day, at hour:minute (local time; the runtime
// carries overflowing fields over).
CTime DayAt(const CTime& from, int offset, int hour, int minute)
{
    return CTime(from.GetYear(), from.GetMonth(), from.GetDay() + offset, hour, minute, 0);
}

// The first day from today on, at hour:minute, that is later than from and whose
// weekday (0 Sunday) is ticked; with no day ticked, any day.
CTime NextTickedDay(const CTime& from, int hour, int minute, const uint8_t (&days)[7])
{
    hour = std::clamp(hour, 0, 23);
    minute = std::clamp(minute, 0, 59);
    bool any = std::any_of(std::begin(days), std::end(days), [](uint8_t d) { return d != 0; });
    for (int offset = 0; offset < 7; ++offset) {
        CTime t = DayAt(from, offset, hour, minute);
        if (t > from && (!any || days[t.GetDayOfWeek() - 1]))
            return t;
    }
    return DayAt(from, 7, hour, minute);  // only today is ticked, and its time has passed
}

}  // namespace

CTime IntervalActivator::NextRunTime(const CTime& from)
{
    const IntervalParams& p = params_;
    // Typed numbers: a step that is not positive would never move on.
    __time64_t step = (__time64_t(p.hours) * 60 + p.minutes) * 60;
    if (step <= 0)
        step = 3 * 60 * 60;
    CTime start(p.startYear, p.startMonth, p.startDay, p.startHour, p.startMinute, 0);
    if (p.startYear < 1970 || !start.IsValid())
        start = DayAt(from, 0, p.startHour, p.startMinute);
    CTime first = start;
    if (first <= from)
        first = start + CTimeSpan(((from - start).GetTotalSeconds() / step + 1) * step);
    bool any = std::any_of(std::begin(p.days), std::end(p.days), [](uint8_t d) { return d != 0; });
    if (!any)
        return first;
    // Eight days of steps meet every weekday unless the step is a whole number of
    // weeks; then the ticked days can never be met and the interval alone decides.
    __time64_t tries = std::max<__time64_t>(8 * kDay / step, 7) + 1;
    CTime t = first;
    for (__time64_t i = 0; i < tries; ++i, t = t + CTimeSpan(step))
        if (p.days[t.GetDayOfWeek() - 1])
            return t;
    return first;
}

CTime DailyActivator::NextRunTime(const CTime& from)
{
    static const uint8_t everyDay[7] = {};
    return NextTickedDay(from, params_.hour, params_.minute, everyDay);
}

CTime WeeklyActivator::NextRunTime(const CTime& from)
{
    return NextTickedDay(from, params_.hour, params_.minute, params_.days);
}

CTime MonthlyActivator::NextRunTime(const CTime& from)
{
    const MonthlyParams& p = params_;
    int week = std::clamp(p.week, 1, 5);
    int weekday = ((p.weekday % 7) + 7) % 7;
    auto inMonth = [&](int monthOffset) {
        CTime first(from.GetYear(), from.GetMonth() + monthOffset, 1, 12, 0, 0);
        int day = 1 + (weekday - (first.GetDayOfWeek() - 1) + 7) % 7 + 7 * (week - 1);
        if (week == 5) {
            // Day 0 of the following month is this month's last day.
            int length = CTime(first.GetYear(), first.GetMonth() + 1, 0, 12, 0, 0).GetDay();
            while (day > length)
                day -= 7;
        }
        return CTime(first.GetYear(), first.GetMonth(), day, std::clamp(p.hour, 0, 23), std::clamp(p.minute, 0, 59), 0);
    };
    CTime t = inMonth(0);
    return t > from ? t : inMonth(1);
}

CTime OnceActivator::NextRunTime(const CTime& from)
{
    const OnceParams& p = params_;
    CTime t(p.year, p.month, p.day, p.hour, p.minute, p.second);
    return p.year >= 1970 && t.IsValid() ? t : from;
}

}  // namespace XScheduler
