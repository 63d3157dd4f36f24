#include "scheduler_settings_page.h"
#include <algorithm>
#include <cwchar>
#include "pick_date_time_dlg.h"
#include "regkey.h"
#include "res/resource.h"

size_t SplitString(const wchar_t* text, wchar_t separator, std::vector<std::wstring>& parts)
{
    parts.clear();
    std::wstring token;
    for (const wchar_t* c = text; c && *c; ++c) {
        if (*c == separator) {
            parts.push_back(token);
            token.clear();
        } else {
            token += *c;
        }
    }
    if (!token.empty())
        parts.push_back(token);
    return parts.size();
}

bool ParseDate(const wchar_t* text, int& year, int& month, int& day)
{
    std::vector<std::wstring> parts;
    if (SplitString(text, L'-', parts) != 3)
        return false;
    year = _wtoi(parts[0].c_str());
    month = _wtoi(parts[1].c_str());
    day = _wtoi(parts[2].c_str());
    return true;
}

bool ParseDateTime(const wchar_t* text, int& year, int& month, int& day, int& hour, int& minute, int& second)
{
    std::vector<std::wstring> halves, clock;
    if (SplitString(text, L' ', halves) != 2 || !ParseDate(halves[0].c_str(), year, month, day) ||
        SplitString(halves[1].c_str(), L':', clock) != 3)
        return false;
    hour = _wtoi(clock[0].c_str());
    minute = _wtoi(clock[1].c_str());
    second = _wtoi(clock[2].c_str());
    return true;
}

namespace {

// The local time of these fields when each lies in its calendar range; a day beyond
// the month's end carries over into the next month.
bool MakeTime(int year, int month, int day, int hour, int minute, int second, CTime& out)
{
    if (year < 1970 || year > 3000 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59)
        return false;
    CTime t(year, month, day, hour, minute, second);
    if (!t.IsValid())
        return false;
    out = t;
    return true;
}

CString FormatNumbers(const wchar_t* format, int a, int b, int c)
{
    CString text;
    text.Format(format, a, b, c);
    return text;
}

}  // namespace

CTime TextToTime(const wchar_t* text, CTimeSpan fallback)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    CTime t;
    if (ParseDateTime(text, y, mo, d, h, mi, s) && MakeTime(y, mo, d, h, mi, s, t))
        return t;
    return CTime::GetCurrentTime() + fallback;
}

BEGIN_MESSAGE_MAP(CSPSettings, CSchedulerPage)
    ON_CONTROL_RANGE(BN_CLICKED, IDC_SCHED_INTERVAL, IDC_SCHED_ONCE, &CSPSettings::OnKindChanged)
    ON_BN_CLICKED(IDC_SCHED_PICK_ONCE, &CSPSettings::OnPickOnce)
    ON_BN_CLICKED(IDC_SCHED_PICK_START, &CSPSettings::OnPickStartDate)
    ON_EN_CHANGE(IDC_SCHED_HOURS, &CSPSettings::UpdateNextRun)
    ON_EN_CHANGE(IDC_SCHED_MINUTES, &CSPSettings::UpdateNextRun)
    ON_CBN_SELCHANGE(IDC_SCHED_START_HOUR, &CSPSettings::UpdateNextRun)
    ON_CBN_SELCHANGE(IDC_SCHED_START_MINUTE, &CSPSettings::UpdateNextRun)
    ON_CBN_SELCHANGE(IDC_SCHED_DAILY_HOUR, &CSPSettings::UpdateNextRun)
    ON_CBN_SELCHANGE(IDC_SCHED_DAILY_MINUTE, &CSPSettings::UpdateNextRun)
    ON_CBN_SELCHANGE(IDC_SCHED_WEEKLY_HOUR, &CSPSettings::UpdateNextRun)
    ON_CBN_SELCHANGE(IDC_SCHED_WEEKLY_MINUTE, &CSPSettings::UpdateNextRun)
    ON_CBN_SELCHANGE(IDC_SCHED_MONTHLY_HOUR, &CSPSettings::UpdateNextRun)
    ON_CBN_SELCHANGE(IDC_SCHED_MONTHLY_MINUTE, &CSPSettings::UpdateNextRun)
    ON_CBN_SELCHANGE(IDC_SCHED_MONTHLY_WEEK, &CSPSettings::UpdateNextRun)
    ON_CBN_SELCHANGE(IDC_SCHED_MONTHLY_WEEKDAY, &CSPSettings::UpdateNextRun)
    ON_CONTROL_RANGE(BN_CLICKED, IDC_SCHED_INTERVAL_MON, IDC_SCHED_INTERVAL_SUN, &CSPSettings::OnDayClicked)
    ON_CONTROL_RANGE(BN_CLICKED, IDC_SCHED_WEEKLY_MON, IDC_SCHED_WEEKLY_SUN, &CSPSettings::OnDayClicked)
END_MESSAGE_MAP()

CSPSettings::CSPSettings(SchedulerProject* project, bool loadSchedule)
    : CSchedulerPage(IDD_SCHEDULER_SETTINGS, project, loadSchedule)
{
}

void CSPSettings::DoDataExchange(CDataExchange* dx)
{
    CSchedulerPage::DoDataExchange(dx);
    DDX_Text(dx, IDC_SCHED_HOURS, intervalHours);
    for (int i = 0; i < 7; ++i)
        DDX_Check(dx, IDC_SCHED_INTERVAL_MON + i, intervalDays[i]);
    DDX_Control(dx, IDC_SCHED_DAILY_HOUR, dailyHourCombo);
    DDX_Control(dx, IDC_SCHED_DAILY_MINUTE, dailyMinuteCombo);
    DDX_Control(dx, IDC_SCHED_WEEKLY_HOUR, weeklyHourCombo);
    DDX_Control(dx, IDC_SCHED_WEEKLY_MINUTE, weeklyMinuteCombo);
    for (int i = 0; i < 7; ++i)
        DDX_Check(dx, IDC_SCHED_WEEKLY_MON + i, weeklyDays[i]);
    DDX_CBIndex(dx, IDC_SCHED_MONTHLY_HOUR, monthlyHour);
    DDX_CBIndex(dx, IDC_SCHED_MONTHLY_MINUTE, monthlyMinute);
    DDX_Text(dx, IDC_SCHED_MINUTES, intervalMinutes);
    DDX_Control(dx, IDC_SCHED_MONTHLY_WEEKDAY, weekdayCombo);
    DDX_CBIndex(dx, IDC_SCHED_DAILY_HOUR, dailyHour);
    DDX_CBIndex(dx, IDC_SCHED_DAILY_MINUTE, dailyMinute);
    DDX_CBIndex(dx, IDC_SCHED_WEEKLY_HOUR, weeklyHour);
    DDX_CBIndex(dx, IDC_SCHED_WEEKLY_MINUTE, weeklyMinute);
    DDX_Control(dx, IDC_SCHED_MONTHLY_HOUR, monthlyHourCombo);
    DDX_Control(dx, IDC_SCHED_MONTHLY_MINUTE, monthlyMinuteCombo);
    DDX_Control(dx, IDC_SCHED_MONTHLY_WEEK, weekCombo);
    DDX_Text(dx, IDC_SCHED_ONCE_TIME, onceText);
    DDX_Text(dx, IDC_SCHED_START_DATE, startDateText);
    DDX_CBIndex(dx, IDC_SCHED_START_HOUR, startHour);
    DDX_CBIndex(dx, IDC_SCHED_START_MINUTE, startMinute);
    DDX_Control(dx, IDC_SCHED_START_HOUR, startHourCombo);
    DDX_Control(dx, IDC_SCHED_START_MINUTE, startMinuteCombo);
    DDX_Text(dx, IDC_SCHED_NEXT_RUN, nextRunText);
    DDX_Check(dx, IDC_SCHED_RUN_AT_STARTUP, runAtStartup);
}

namespace {

// The controls of each kind's group (kinds 0 to 4), then of the common group.
struct IdRange {
    int first, last;
};
constexpr IdRange kGroups[] = {{IDC_SCHED_EVERY_LABEL, IDC_SCHED_INTERVAL_SUN},
                               {IDC_SCHED_DAILY_LABEL, IDC_SCHED_DAILY_MINUTE},
                               {IDC_SCHED_WEEKLY_LABEL, IDC_SCHED_WEEKLY_SUN},
                               {IDC_SCHED_MONTHLY_LABEL, IDC_SCHED_OF_MONTH_LABEL},
                               {IDC_SCHED_ONCE_LABEL, IDC_SCHED_PICK_ONCE}};

}  // namespace

void CSPSettings::EnableGroup(int kind, bool enable)
{
    for (int id = kGroups[kind].first; id <= kGroups[kind].last; ++id)
        ::EnableWindow(GetDlgItem(id), enable);
}

void CSPSettings::EnableCommonGroup(bool enable)
{
    ::EnableWindow(GetDlgItem(IDC_SCHED_NEXT_RUN), enable);
    for (int id = IDC_SCHED_INTERVAL; id <= IDC_SCHED_ONCE; ++id)
        ::EnableWindow(GetDlgItem(id), enable);
}

void CSPSettings::EnableAllGroups(bool enable)
{
    for (int kind = 0; kind < 5; ++kind)
        EnableGroup(kind, enable);
    EnableCommonGroup(enable);
}

int CSPSettings::CheckedKind() const
{
    int id = GetCheckedRadioButton(IDC_SCHED_INTERVAL, IDC_SCHED_ONCE);
    return id ? id - IDC_SCHED_INTERVAL : 0;
}

bool CSPSettings::UpdateEnabling()
{
    bool valid = UpdateData(TRUE) != FALSE;
    EnableAllGroups(false);
    EnableCommonGroup(true);
    EnableGroup(CheckedKind(), true);
    return valid;
}

void CSPSettings::FillNumberCombo(CComboBox& combo, int first, int last)
{
    for (int n = first; n <= last; ++n) {
        CString text;
        text.Format(L"%d", n);
        combo.AddString(text.c_str());
    }
    if (combo.GetCount() > 0)
        combo.SetCurSel(0);
}

BOOL CSPSettings::OnInitDialog()
{
    CSchedulerPage::OnInitDialog();
    EnableAllGroups(false);
    CheckRadioButton(IDC_SCHED_INTERVAL, IDC_SCHED_ONCE, IDC_SCHED_INTERVAL);
    for (CComboBox* c : {&dailyHourCombo, &weeklyHourCombo, &monthlyHourCombo, &startHourCombo})
        FillNumberCombo(*c, 0, 23);
    for (CComboBox* c : {&dailyMinuteCombo, &weeklyMinuteCombo, &monthlyMinuteCombo, &startMinuteCombo})
        FillNumberCombo(*c, 0, 59);
    for (const wchar_t* week : {L"First", L"Second", L"Third", L"Fourth", L"Last"})
        weekCombo.AddString(week);
    weekCombo.SetCurSel(0);
    for (const wchar_t* day : {L"Sun", L"Mon", L"Tue", L"Wed", L"Thur", L"Fri", L"Sat"})
        weekdayCombo.AddString(day);
    weekdayCombo.SetCurSel(0);
    if (loadFlag_)
        LoadSchedule(project_->schedule);
    UpdateEnabling();
    UpdateNextRun();

    UpdateData(TRUE);
    CRegKey run;
    wchar_t command[2048];
    ULONG chars = 2048;
    runAtStartup = run.Open(HKEY_CURRENT_USER, kRunKey, KEY_READ | KEY_WRITE) == ERROR_SUCCESS &&
                   run.QueryStringValue(kRunValue, command, &chars) == ERROR_SUCCESS;
    UpdateData(FALSE);
    return TRUE;
}

void CSPSettings::LoadSchedule(const ScheduleSettings& s)
{
    // A damaged record: a kind that does not exist shows the first; positions a
    // list does not have keep its default selection.
    int kind = s.kind >= 0 && s.kind <= 4 ? s.kind : 0;
    EnableAllGroups(false);
    EnableCommonGroup(true);
    CheckRadioButton(IDC_SCHED_INTERVAL, IDC_SCHED_ONCE, IDC_SCHED_INTERVAL + kind);
    EnableGroup(kind, true);

    intervalHours = s.intervalHours;
    intervalMinutes = s.intervalMinutes;
    auto position = [](const CComboBox& combo, int stored, int& field) {
        if (stored >= 0 && stored < combo.GetCount())
            field = stored;
    };
    position(startHourCombo, s.startHour, startHour);
    position(startMinuteCombo, s.startMinute, startMinute);
    position(dailyHourCombo, s.dailyHour, dailyHour);
    position(dailyMinuteCombo, s.dailyMinute, dailyMinute);
    position(weeklyHourCombo, s.weeklyHour, weeklyHour);
    position(weeklyMinuteCombo, s.weeklyMinute, weeklyMinute);
    position(monthlyHourCombo, s.monthlyHour, monthlyHour);
    position(monthlyMinuteCombo, s.monthlyMinute, monthlyMinute);
    for (int i = 0; i < 7; ++i) {
        intervalDays[i] = s.intervalDays[i] ? 1 : 0;
        weeklyDays[i] = s.weeklyDays[i] ? 1 : 0;
    }
    startDateText = FormatNumbers(L"%d-%d-%d", s.startYear, s.startMonth, s.startDay);
    if (s.monthlyWeek >= 0 && s.monthlyWeek < weekCombo.GetCount())
        weekCombo.SetCurSel(s.monthlyWeek);
    if (s.monthlyWeekday >= 0 && s.monthlyWeekday < weekdayCombo.GetCount())
        weekdayCombo.SetCurSel(s.monthlyWeekday);

    CTime once = CTime::GetCurrentTime();
    if (s.onceYear != 0)
        MakeTime(s.onceYear, s.onceMonth, s.onceDay, s.onceHour, s.onceMinute, s.onceSecond, once);
    onceText = once.Format(L"%Y-%m-%d %H:%M:%S");
    UpdateData(FALSE);
}

bool CSPSettings::GetStartDate(int& year, int& month, int& day)
{
    UpdateData(TRUE);
    CTime ignored;
    if (ParseDate(startDateText.c_str(), year, month, day) && MakeTime(year, month, day, 0, 0, 0, ignored))
        return true;
    year = month = day = 0;
    return false;
}

XScheduler::SchedulerActivator* CSPSettings::SelectActivator()
{
    int kind = CheckedKind();
    if (!UpdateData(TRUE))
        return nullptr;
    auto sundayFirst = [](const int(&mondayFirst)[7], uint8_t(&out)[7]) {
        out[0] = uint8_t(mondayFirst[6] != 0);
        for (int i = 0; i < 6; ++i)
            out[i + 1] = uint8_t(mondayFirst[i] != 0);
    };
    auto tickAllWhenNone = [this](int(&days)[7]) {
        if (std::none_of(std::begin(days), std::end(days), [](int d) { return d != 0; })) {
            std::fill(std::begin(days), std::end(days), 1);
            UpdateData(FALSE);
        }
    };
    switch (kind) {
    case 0: {
        if (intervalHours == 0 && intervalMinutes == 0) {
            intervalHours = 3;
            UpdateData(FALSE);
        }
        int y = 0, m = 0, d = 0;
        if (!GetStartDate(y, m, d)) {
            CTime today = CTime::GetCurrentTime();
            y = today.GetYear();
            m = today.GetMonth();
            d = today.GetDay();
            startDateText = FormatNumbers(L"%d-%d-%d", y, m, d);
            UpdateData(FALSE);
        }
        tickAllWhenNone(intervalDays);
        XScheduler::IntervalParams p{intervalHours, intervalMinutes, y, m, d, startHour, startMinute, {}};
        sundayFirst(intervalDays, p.days);
        intervalActivator.SetParameters(&p);
        return &intervalActivator;
    }
    case 1: {
        XScheduler::DailyParams p{dailyHour, dailyMinute};
        dailyActivator.SetParameters(&p);
        return &dailyActivator;
    }
    case 2: {
        tickAllWhenNone(weeklyDays);
        XScheduler::WeeklyParams p{weeklyHour, weeklyMinute, {}};
        sundayFirst(weeklyDays, p.days);
        weeklyActivator.SetParameters(&p);
        return &weeklyActivator;
    }
    case 3: {
        XScheduler::MonthlyParams p{monthlyHour, monthlyMinute, weekCombo.GetCurSel() + 1, weekdayCombo.GetCurSel()};
        monthlyActivator.SetParameters(&p);
        return &monthlyActivator;
    }
    default: {
        if (onceText.empty()) {
            onceText = CTime::GetCurrentTime().Format(L"%Y-%m-%d %H:%M:%S");
            UpdateData(FALSE);
        }
        CTime t = TextToTime(onceText.c_str(), CTimeSpan(1, 0, 0, 0));
        XScheduler::OnceParams p{t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(), t.GetMinute(), t.GetSecond()};
        onceActivator.SetParameters(&p);
        return &onceActivator;
    }
    }
}

void CSPSettings::UpdateNextRun()
{
    // A refused value has been reported once; the next-run text waits for a good one.
    XScheduler::SchedulerActivator* activator = SelectActivator();
    if (!activator)
        return;
    CTime t = activator->NextRunTime(CTime::GetCurrentTime());
    if (!UpdateData(TRUE))
        return;
    nextRunText.Format(L"%d-%d-%d %d:%d:%d", t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(), t.GetMinute(),
                       t.GetSecond());
    UpdateData(FALSE);
}

void CSPSettings::OnKindChanged(UINT)
{
    if (UpdateEnabling())
        UpdateNextRun();
}

void CSPSettings::OnPickStartDate()
{
    if (!UpdateData(TRUE))
        return;
    CPickDateTimeDlg picker(this);
    int y = 0, m = 0, d = 0;
    CTime shown = CTime::GetCurrentTime();
    if (ParseDate(startDateText.c_str(), y, m, d))
        MakeTime(y, m, d, 0, 0, 0, shown);
    picker.dateTime = shown;
    if (picker.DoModal() != IDOK)
        return;
    startDateText = picker.dateTime.Format(L"%Y-%m-%d");
    UpdateData(FALSE);
    UpdateNextRun();
}

void CSPSettings::OnPickOnce()
{
    if (!UpdateData(TRUE))
        return;
    CPickDateTimeDlg picker(this);
    picker.dateTime = TextToTime(onceText.c_str(), CTimeSpan(0));
    if (picker.DoModal() != IDOK)
        return;
    onceText =
        picker.dateTime.Format(L"%Y-%m-%d") + FormatNumbers(L" %d:%d:%d", picker.hour, picker.minute, picker.second);
    UpdateData(FALSE);
    UpdateNextRun();
}

void CSPSettings::StoreSchedule(ScheduleSettings& s)
{
    UpdateData(TRUE);
    s.kind = CheckedKind();
    s.intervalHours = intervalHours;
    s.intervalMinutes = intervalMinutes;
    GetStartDate(s.startYear, s.startMonth, s.startDay);
    s.startHour = startHour;
    s.startMinute = startMinute;
    for (int i = 0; i < 7; ++i) {
        s.intervalDays[i] = uint8_t(intervalDays[i] != 0);
        s.weeklyDays[i] = uint8_t(weeklyDays[i] != 0);
    }
    s.dailyHour = dailyHour;
    s.dailyMinute = dailyMinute;
    s.weeklyHour = weeklyHour;
    s.weeklyMinute = weeklyMinute;
    s.monthlyHour = monthlyHour;
    s.monthlyMinute = monthlyMinute;
    s.monthlyWeek = std::max(weekCombo.GetCurSel(), 0);
    s.monthlyWeekday = std::max(weekdayCombo.GetCurSel(), 0);
    CTime once = TextToTime(onceText.c_str(), CTimeSpan(0));
    s.onceYear = once.GetYear();
    s.onceMonth = once.GetMonth();
    s.onceDay = once.GetDay();
    s.onceHour = once.GetHour();
    s.onceMinute = once.GetMinute();
    s.onceSecond = once.GetSecond();
}

void CSPSettings::OnOK()
{
    StoreSchedule(project_->schedule);
    UpdateData(TRUE);
    CRegKey run;
    if (runAtStartup) {
        wchar_t path[2048] = {};
        ::GetModuleFileNameW(::GetModuleHandleW(nullptr), path, 2048);
        CString command = L"\"" + CString(path) + L"\" -s";
        if (run.Create(HKEY_CURRENT_USER, kRunKey) == ERROR_SUCCESS)
            run.SetStringValue(kRunValue, command.c_str());
    } else if (run.Open(HKEY_CURRENT_USER, kRunKey, KEY_READ | KEY_WRITE) == ERROR_SUCCESS) {
        run.DeleteValue(kRunValue);
    }
    CSchedulerPage::OnOK();
}
