#pragma once
// The scheduler's settings page: when a backup runs, and whether the program starts
// with Windows.
#include <string>
#include <vector>
#include "controls.h"
#include "scheduler_activator.h"
#include "scheduler_page.h"

// The parts of text between separators, empty ones included, but no empty last part.
size_t SplitString(const wchar_t* text, wchar_t separator, std::vector<std::wstring>& parts);
// "y-m-d" as three integers; false unless there are exactly three parts.
bool ParseDate(const wchar_t* text, int& year, int& month, int& day);
// "y-m-d h:m:s"; false unless both halves have exactly three parts.
bool ParseDateTime(const wchar_t* text, int& year, int& month, int& day, int& hour, int& minute, int& second);
// The local time the text names, or now + fallback when it names none the calendar
// has (before 1970, after 3000, a field out of its range).
CTime TextToTime(const wchar_t* text, CTimeSpan fallback);

// HKEY_CURRENT_USER's Run key and the program's value in it.
inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValue[] = L"Brisvale";

class CSPSettings : public CSchedulerPage {
public:
    CSPSettings(SchedulerProject* project, bool loadSchedule);

protected:
    XScheduler::IntervalActivator intervalActivator;
    XScheduler::DailyActivator dailyActivator;
    XScheduler::WeeklyActivator weeklyActivator;
    XScheduler::MonthlyActivator monthlyActivator;
    XScheduler::OnceActivator onceActivator;
    int intervalHours = 0;
    int intervalDays[7] = {};  // Monday first
    CComboBox dailyHourCombo, dailyMinuteCombo, weeklyHourCombo, weeklyMinuteCombo;
    int weeklyDays[7] = {};  // Monday first
    int monthlyHour = 0, monthlyMinute = 0;
    int intervalMinutes = 0;
    CComboBox weekdayCombo;
    int dailyHour = 0, dailyMinute = 0, weeklyHour = 0, weeklyMinute = 0;
    CComboBox monthlyHourCombo, monthlyMinuteCombo, weekCombo;
    CString onceText, startDateText;
    int startHour = 0, startMinute = 0;
    CComboBox startHourCombo, startMinuteCombo;
    CString nextRunText;
    int runAtStartup = 0;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    void OnKindChanged(UINT id);
    void OnPickOnce();
    void OnPickStartDate();
    void UpdateNextRun();
    void OnDayClicked(UINT) { UpdateNextRun(); }

    void EnableAllGroups(bool enable);
    void EnableGroup(int kind, bool enable);
    void EnableCommonGroup(bool enable);
    // False when the controls hold a value that is refused (the user has been told).
    bool UpdateEnabling();
    int CheckedKind() const;
    bool GetStartDate(int& year, int& month, int& day);
    void FillNumberCombo(CComboBox& combo, int first, int last);
    void LoadSchedule(const ScheduleSettings& s);
    void StoreSchedule(ScheduleSettings& s);
    // The activator of the checked kind, given its parameters; null when the controls
    // hold a refused value.
    XScheduler::SchedulerActivator* SelectActivator();
    DECLARE_MESSAGE_MAP()
};
