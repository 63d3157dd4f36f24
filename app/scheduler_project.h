#pragma once
// What a scheduled backup is: the archive it writes, its options and items (the
// project page), and when it runs (the settings page). Kept in memory only.
#include <cstdint>
#include <cstring>

// One chosen backup item, matched again by its name and id.
struct ScheduledItem {
    wchar_t name[200];
    int32_t id;
};

struct ScheduleSettings {
    int32_t kind;  // 0 every few hours, 1 daily, 2 weekly, 3 monthly, 4 once
    int32_t intervalHours;
    int32_t intervalMinutes;
    int32_t startYear;
    int32_t startMonth;
    int32_t startDay;
    int32_t startHour;
    int32_t startMinute;
    uint8_t intervalDays[7];  // 0/1, Monday first
    int32_t dailyHour;
    int32_t dailyMinute;
    int32_t weeklyHour;
    int32_t weeklyMinute;
    uint8_t weeklyDays[7];  // 0/1, Monday first
    int32_t monthlyHour;
    int32_t monthlyMinute;
    int32_t monthlyWeek;     // list position: 0 "First" ... 4 "Last"
    int32_t monthlyWeekday;  // list position: 0 "Sun" ... 6 "Sat"
    int32_t onceHour;
    int32_t onceMinute;
    int32_t onceSecond;
    int32_t onceYear;  // 0: no time stored
    int32_t onceMonth;
    int32_t onceDay;
};

struct SchedulerProject {
    static constexpr int kMaxItems = 50;

    int32_t nameMode;  // 0 the single archive file name, 1 a name generated from the preferences
    wchar_t archiveFileName[2048];
    uint8_t compress;  // 0/1
    uint8_t encrypt;   // 0/1
    wchar_t password[100];
    int32_t itemCount;  // used entries of items
    ScheduledItem items[kMaxItems];
    ScheduleSettings schedule;

    void Clear() { std::memset(this, 0, sizeof *this); }
};
