#pragma once
// The schedule kinds: each takes its parameter block and answers when the next
// backup is due.
#include <cstdint>
#include "ctime.h"

namespace XScheduler {

// Day flags of the blocks run Sunday first (1 = run on that day).
struct IntervalParams {
    int32_t hours;
    int32_t minutes;
    int32_t startYear;
    int32_t startMonth;
    int32_t startDay;
    int32_t startHour;
    int32_t startMinute;
    uint8_t days[7];
};

struct DailyParams {
    int32_t hour;
    int32_t minute;
};

struct WeeklyParams {
    int32_t hour;
    int32_t minute;
    uint8_t days[7];
};

struct MonthlyParams {
    int32_t hour;
    int32_t minute;
    int32_t week;     // 1 "First" ... 4 "Fourth", 5 "Last"
    int32_t weekday;  // 0 Sunday ... 6 Saturday
};

struct OnceParams {
    int32_t year;
    int32_t month;
    int32_t day;
    int32_t hour;
    int32_t minute;
    int32_t second;
};

class SchedulerActivator {
public:
    virtual ~SchedulerActivator() = default;
    // The next backup after from, by the last parameters given.
    virtual CTime NextRunTime(const CTime& from) = 0;
    // Copies the kind's parameter block.
    virtual void SetParameters(const void* block) = 0;
    // Forgets the parameters: the block is all zero again.
    virtual void Reset() = 0;
};

// Keeps a copy of one block type.
template <class Params>
class ActivatorOf : public SchedulerActivator {
public:
    void SetParameters(const void* block) override { params_ = *static_cast<const Params*>(block); }
    void Reset() override { params_ = Params{}; }

protected:
    Params params_{};
};

// Every hours:minutes counted from the start date and time, on the ticked days only.
class IntervalActivator : public ActivatorOf<IntervalParams> {
public:
    CTime NextRunTime(const CTime& from) override;
};

class DailyActivator : public ActivatorOf<DailyParams> {
public:
    CTime NextRunTime(const CTime& from) override;
};

// At the time on the ticked days; with no day ticked, every day.
class WeeklyActivator : public ActivatorOf<WeeklyParams> {
public:
    CTime NextRunTime(const CTime& from) override;
};

// At the time on the first to fourth, or the last, given weekday of each month.
class MonthlyActivator : public ActivatorOf<MonthlyParams> {
public:
    CTime NextRunTime(const CTime& from) override;
};

// The one time given, also once it has passed: there is no later run to show.
class OnceActivator : public ActivatorOf<OnceParams> {
public:
    CTime NextRunTime(const CTime& from) override;
};

}  // namespace XScheduler
