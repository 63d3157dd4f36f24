// The scheduler pages and the date-time picker, each in a window of its own, driven
// with real keys and clicks; the Run key is the test prefix's own.
#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include "dialog_check.h"
#include "fake_item.h"
#include "pick_date_time_dlg.h"
#include "preference_path.h"
#include "prompt_recorder.h"
#include "regkey.h"
#include "res/resource.h"
#include "scheduler_project_page.h"
#include "scheduler_settings_page.h"
#include "ui_driver.h"
#include "ui_fixture.h"

namespace {

// Monday 2026-01-05 08:09:10 local time is "now" throughout.
CTime Now()
{
    return CTime(2026, 1, 5, 8, 9, 10);
}

std::wstring Text(HWND page, int id)
{
    return uitest::text(uitest::child(page, id));
}

bool Checked(HWND page, int id)
{
    return uitest::is_checked(uitest::child(page, id));
}

bool Enabled(HWND page, int id)
{
    return IsWindowEnabled(uitest::child(page, id)) != FALSE;
}

int Selected(HWND page, int id)
{
    return int(SendMessageW(uitest::child(page, id), CB_GETCURSEL, 0, 0));
}

std::wstring RunValue()
{
    CRegKey run;
    wchar_t text[2048] = {};
    ULONG chars = 2048;
    if (run.Open(HKEY_CURRENT_USER, kRunKey, KEY_READ) != ERROR_SUCCESS ||
        run.QueryStringValue(kRunValue, text, &chars) != ERROR_SUCCESS)
        return L"<none>";
    return text;
}

void SetRunValue(const wchar_t* text)
{
    CRegKey run;
    ASSERT_EQ(ERROR_SUCCESS, run.Create(HKEY_CURRENT_USER, kRunKey));
    if (text)
        run.SetStringValue(kRunValue, text);
    else
        run.DeleteValue(kRunValue);
}

std::wstring ProgramPath()
{
    wchar_t path[2048] = {};
    GetModuleFileNameW(nullptr, path, 2048);
    return path;
}

using Script = std::function<void(HWND sheet, HWND page)>;

class Scheduler : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_common_controls();
        project.Clear();
        SetRunValue(nullptr);
    }
    void TearDown() override { SetRunValue(nullptr); }

    // Runs a sheet of the given pages; the script gets the sheet and its first page.
    INT_PTR RunSheet(std::vector<CPropertyPage*> pages, const Script& script)
    {
        CPropertySheet sheet(L"Scheduler", nullptr, 0);
        sheet.m_psh.dwFlags = (sheet.m_psh.dwFlags & ~PSH_HASHELP) | PSH_NOAPPLYNOW;
        for (CPropertyPage* p : pages) {
            p->m_psp.dwFlags &= ~PSP_HASHELP;
            sheet.AddPage(p);
        }
        uitest::Driver driver([&] {
            HWND window = uitest::wait_window(L"Scheduler", L"#32770", GetCurrentProcessId());
            HWND page = nullptr;
            uitest::require([&] { return (page = HWND(SendMessageW(window, PSM_GETCURRENTPAGEHWND, 0, 0))); }, "page");
            script(window, page);
            uitest::wait_gone(window);
        });
        INT_PTR result = sheet.DoModal();
        EXPECT_EQ("", driver.finish());
        return result;
    }
    INT_PTR RunSettings(bool load, const Script& script)
    {
        CSPSettings page(&project, load);
        return RunSheet({&page}, script);
    }

    SchedulerProject project;
    ui::Override<ui::ClockSeam> clock{ui::clock, [] { return Now().GetTime(); }};
};

// ---- settings page

TEST_F(Scheduler, AFreshPageProposesEveryThreeHoursFromToday)
{
    std::wstring hours, minutes, start, next;
    bool days = false, intervalOn = false, othersOff = false, commonOn = false, startupOn = false, startup = true;
    int startHour = -1, startMinute = -1, week = -1, weekday = -1;
    std::vector<std::string> clipped;
    INT_PTR result = RunSettings(false, [&](HWND sheet, HWND page) {
        hours = Text(page, IDC_SCHED_HOURS);
        minutes = Text(page, IDC_SCHED_MINUTES);
        start = Text(page, IDC_SCHED_START_DATE);
        next = Text(page, IDC_SCHED_NEXT_RUN);
        startHour = Selected(page, IDC_SCHED_START_HOUR);
        startMinute = Selected(page, IDC_SCHED_START_MINUTE);
        week = Selected(page, IDC_SCHED_MONTHLY_WEEK);
        weekday = Selected(page, IDC_SCHED_MONTHLY_WEEKDAY);
        days = true;
        for (int id = IDC_SCHED_INTERVAL_MON; id <= IDC_SCHED_INTERVAL_SUN; ++id)
            days = days && Checked(page, id);
        intervalOn = Checked(page, IDC_SCHED_INTERVAL);
        for (int id = IDC_SCHED_EVERY_LABEL; id <= IDC_SCHED_INTERVAL_SUN; ++id)
            intervalOn = intervalOn && Enabled(page, id);
        othersOff = true;
        for (int id = IDC_SCHED_DAILY_LABEL; id <= IDC_SCHED_PICK_ONCE; ++id)
            othersOff = othersOff && !Enabled(page, id);
        commonOn = Enabled(page, IDC_SCHED_NEXT_RUN);
        for (int id = IDC_SCHED_INTERVAL; id <= IDC_SCHED_ONCE; ++id)
            commonOn = commonOn && Enabled(page, id);
        startupOn = Enabled(page, IDC_SCHED_RUN_AT_STARTUP);
        startup = Checked(page, IDC_SCHED_RUN_AT_STARTUP);
        clipped = capture_and_check(sheet, L"scheduler_settings");
        uitest::click(uitest::child(sheet, IDCANCEL));
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(L"3", hours);
    EXPECT_EQ(L"0", minutes);
    EXPECT_EQ(L"2026-1-5", start);
    EXPECT_EQ(L"2026-1-5 9:0:0", next);
    EXPECT_EQ(0, startHour);
    EXPECT_EQ(0, startMinute);
    EXPECT_EQ(0, week);
    EXPECT_EQ(0, weekday);
    EXPECT_TRUE(days);
    EXPECT_TRUE(intervalOn);
    EXPECT_TRUE(othersOff);
    EXPECT_TRUE(commonOn);
    EXPECT_TRUE(startupOn);
    EXPECT_FALSE(startup);
    EXPECT_EQ(std::vector<std::string>{}, clipped);
    EXPECT_EQ(0, project.schedule.intervalHours);  // Cancel stores nothing
    EXPECT_EQ(L"<none>", RunValue());
}

// Typing recomputes the next run once per change; a text that is no integer is
// reported once and waits for a good one.
TEST_F(Scheduler, TypingTheIntervalRecomputesTheNextRun)
{
    PromptRecorder prompts;
    std::wstring afterTwelve, afterOne, afterEmpty, afterZero, hoursShown, afterTwenty;
    size_t boxesAfterEmpty = 0;
    RunSettings(false, [&](HWND sheet, HWND page) {
        HWND hours = uitest::child(page, IDC_SCHED_HOURS), minutes = uitest::child(page, IDC_SCHED_MINUTES);
        uitest::type(hours, L"12");
        afterTwelve = Text(page, IDC_SCHED_NEXT_RUN);
        uitest::key(hours, VK_BACK);
        afterOne = Text(page, IDC_SCHED_NEXT_RUN);
        uitest::key(hours, VK_BACK);
        afterEmpty = Text(page, IDC_SCHED_NEXT_RUN);
        boxesAfterEmpty = prompts.seen().size();
        uitest::type(hours, L"0");  // with 0 minutes
        afterZero = Text(page, IDC_SCHED_NEXT_RUN);
        hoursShown = Text(page, IDC_SCHED_HOURS);
        uitest::type(minutes, L"20");
        afterTwenty = Text(page, IDC_SCHED_NEXT_RUN);
        uitest::click(uitest::child(sheet, IDOK));
    });
    EXPECT_EQ(L"2026-1-5 12:0:0", afterTwelve);
    EXPECT_EQ(L"2026-1-5 9:0:0", afterOne);
    EXPECT_EQ(afterOne, afterEmpty);
    ASSERT_EQ(1u, boxesAfterEmpty);
    EXPECT_EQ(L"Enter an integer.", prompts.seen()[0].text);
    EXPECT_EQ(L"3", hoursShown);  // 0 hours 0 minutes turns into 3 hours
    EXPECT_EQ(L"2026-1-5 9:0:0", afterZero);
    EXPECT_EQ(L"2026-1-5 10:0:0", afterTwenty);  // every 3:20 from midnight
    EXPECT_EQ(1u, prompts.seen().size());
    EXPECT_EQ(0, project.schedule.kind);
    EXPECT_EQ(3, project.schedule.intervalHours);
    EXPECT_EQ(20, project.schedule.intervalMinutes);
    EXPECT_EQ(2026, project.schedule.startYear);
    EXPECT_EQ(1, project.schedule.startMonth);
    EXPECT_EQ(5, project.schedule.startDay);
}

TEST_F(Scheduler, UntickingEveryWeeklyDayTicksThemAllAgain)
{
    bool allAfterKind = false, allAfterUntick = false, weeklyOn = false, intervalOff = false;
    std::wstring next;
    RunSettings(false, [&](HWND sheet, HWND page) {
        uitest::click(uitest::child(page, IDC_SCHED_WEEKLY));
        weeklyOn = Enabled(page, IDC_SCHED_WEEKLY_HOUR) && Enabled(page, IDC_SCHED_WEEKLY_SUN);
        intervalOff = !Enabled(page, IDC_SCHED_HOURS) && !Enabled(page, IDC_SCHED_INTERVAL_MON);
        allAfterKind = true;
        for (int id = IDC_SCHED_WEEKLY_MON; id <= IDC_SCHED_WEEKLY_SUN; ++id)
            allAfterKind = allAfterKind && Checked(page, id);
        for (int id = IDC_SCHED_WEEKLY_MON; id <= IDC_SCHED_WEEKLY_SUN; ++id)
            uitest::click(uitest::child(page, id));
        allAfterUntick = true;
        for (int id = IDC_SCHED_WEEKLY_MON; id <= IDC_SCHED_WEEKLY_SUN; ++id)
            allAfterUntick = allAfterUntick && Checked(page, id);
        // Only Wednesday, at 7:00.
        for (int id = IDC_SCHED_WEEKLY_MON; id <= IDC_SCHED_WEEKLY_SUN; ++id)
            if (id != IDC_SCHED_WEEKLY_WED)
                uitest::click(uitest::child(page, id));
        for (int i = 0; i < 7; ++i)
            uitest::key(uitest::child(page, IDC_SCHED_WEEKLY_HOUR), VK_DOWN);
        next = Text(page, IDC_SCHED_NEXT_RUN);
        uitest::click(uitest::child(sheet, IDOK));
    });
    EXPECT_TRUE(weeklyOn);
    EXPECT_TRUE(intervalOff);
    EXPECT_TRUE(allAfterKind);
    EXPECT_TRUE(allAfterUntick);
    EXPECT_EQ(L"2026-1-7 7:0:0", next);
    const ScheduleSettings& s = project.schedule;
    EXPECT_EQ(2, s.kind);
    EXPECT_EQ(7, s.weeklyHour);
    const uint8_t wednesday[7] = {0, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(wednesday, s.weeklyDays, 7));
}

TEST_F(Scheduler, LastFridayIsPositionFourInTheRecord)
{
    std::wstring next;
    RunSettings(false, [&](HWND sheet, HWND page) {
        uitest::click(uitest::child(page, IDC_SCHED_MONTHLY));
        uitest::key(uitest::child(page, IDC_SCHED_MONTHLY_WEEK), VK_END);
        for (int i = 0; i < 5; ++i)
            uitest::key(uitest::child(page, IDC_SCHED_MONTHLY_WEEKDAY), VK_DOWN);
        for (int i = 0; i < 18; ++i)
            uitest::key(uitest::child(page, IDC_SCHED_MONTHLY_HOUR), VK_DOWN);
        next = Text(page, IDC_SCHED_NEXT_RUN);
        uitest::click(uitest::child(sheet, IDOK));
    });
    EXPECT_EQ(L"2026-1-30 18:0:0", next);
    EXPECT_EQ(3, project.schedule.kind);
    EXPECT_EQ(4, project.schedule.monthlyWeek);
    EXPECT_EQ(5, project.schedule.monthlyWeekday);
    EXPECT_EQ(18, project.schedule.monthlyHour);
}

// The record's days run Monday first, the activators' Sunday first.
TEST_F(Scheduler, AStoredScheduleShowsItsNextRun)
{
    struct Case {
        const char* what;
        std::function<void(ScheduleSettings&)> set;
        const wchar_t* next;
    } cases[] = {
        {"interval on Sundays",
         [](ScheduleSettings& s) {
             s.kind = 0;
             s.intervalHours = 3;
             s.startYear = 2026;
             s.startMonth = 1;
             s.startDay = 5;
             s.intervalDays[6] = 1;
         },
         L"2026-1-11 0:0:0"},
        {"interval on Mondays",
         [](ScheduleSettings& s) {
             s.kind = 0;
             s.intervalHours = 5;
             s.startYear = 2026;
             s.startMonth = 1;
             s.startDay = 1;
             s.startHour = 1;
             s.intervalDays[0] = 1;
         },
         L"2026-1-5 10:0:0"},
        {"daily",
         [](ScheduleSettings& s) {
             s.kind = 1;
             s.dailyHour = 8;
             s.dailyMinute = 9;
         },
         L"2026-1-6 8:9:0"},
        {"weekly on Mondays",
         [](ScheduleSettings& s) {
             s.kind = 2;
             s.weeklyHour = 9;
             s.weeklyDays[0] = 1;
         },
         L"2026-1-5 9:0:0"},
        {"weekly on Sundays",
         [](ScheduleSettings& s) {
             s.kind = 2;
             s.weeklyHour = 9;
             s.weeklyDays[6] = 1;
         },
         L"2026-1-11 9:0:0"},
        {"monthly, second Sunday",
         [](ScheduleSettings& s) {
             s.kind = 3;
             s.monthlyHour = 23;
             s.monthlyMinute = 59;
             s.monthlyWeek = 1;
             s.monthlyWeekday = 0;
         },
         L"2026-1-11 23:59:0"},
        {"once",
         [](ScheduleSettings& s) {
             s.kind = 4;
             s.onceYear = 2026;
             s.onceMonth = 2;
             s.onceDay = 3;
             s.onceHour = 4;
             s.onceMinute = 5;
             s.onceSecond = 6;
         },
         L"2026-2-3 4:5:6"},
        // Damaged records: an unknown kind shows the first; positions the lists lack keep the defaults.
        {"unknown kind",
         [](ScheduleSettings& s) {
             s.kind = 9;
             s.intervalHours = 1;
             s.startYear = 2026;
             s.startMonth = 1;
             s.startDay = 5;
         },
         L"2026-1-5 9:0:0"},
        {"positions out of range",
         [](ScheduleSettings& s) {
             s.kind = 3;
             s.monthlyHour = 24;
             s.monthlyMinute = -1;
             s.monthlyWeek = 5;
             s.monthlyWeekday = -1;
         },
         L"2026-2-1 0:0:0"},
    };
    for (const Case& c : cases) {
        project.Clear();
        c.set(project.schedule);
        int kind = -1;
        std::wstring next;
        RunSettings(true, [&](HWND sheet, HWND page) {
            for (int id = IDC_SCHED_INTERVAL; id <= IDC_SCHED_ONCE; ++id)
                if (Checked(page, id))
                    kind = id - IDC_SCHED_INTERVAL;
            next = Text(page, IDC_SCHED_NEXT_RUN);
            uitest::click(uitest::child(sheet, IDCANCEL));
        });
        EXPECT_EQ(c.next, next) << c.what;
        int stored = project.schedule.kind;
        EXPECT_EQ(stored >= 0 && stored <= 4 ? stored : 0, kind) << c.what;
    }
}

// Loading and storing again gives the same record for every kind.
TEST_F(Scheduler, OkStoresWhatWasLoaded)
{
    ScheduleSettings s;
    std::memset(&s, 0, sizeof s);
    s.intervalHours = 7;
    s.intervalMinutes = 45;
    s.startYear = 2026;
    s.startMonth = 3;
    s.startDay = 31;
    s.startHour = 22;
    s.startMinute = 59;
    s.dailyHour = 1;
    s.dailyMinute = 2;
    s.weeklyHour = 3;
    s.weeklyMinute = 4;
    s.monthlyHour = 5;
    s.monthlyMinute = 6;
    s.monthlyWeek = 4;
    s.monthlyWeekday = 6;
    s.onceYear = 2028;
    s.onceMonth = 2;
    s.onceDay = 29;
    s.onceHour = 23;
    s.onceMinute = 58;
    s.onceSecond = 57;
    const uint8_t interval[7] = {1, 0, 1, 0, 0, 0, 1}, weekly[7] = {0, 1, 0, 0, 1, 1, 0};
    std::memcpy(s.intervalDays, interval, 7);
    std::memcpy(s.weeklyDays, weekly, 7);
    for (int kind = 0; kind <= 4; ++kind) {
        s.kind = kind;
        project.Clear();
        project.schedule = s;
        std::wstring once;
        RunSettings(true, [&](HWND sheet, HWND page) {
            once = Text(page, IDC_SCHED_ONCE_TIME);
            uitest::click(uitest::child(sheet, IDOK));
        });
        EXPECT_EQ(L"2028-02-29 23:58:57", once);
        EXPECT_EQ(0, std::memcmp(&s, &project.schedule, sizeof s)) << "kind " << kind;
    }
}

TEST_F(Scheduler, WithoutAStoredOnceTimeTheOnceTextIsNow)
{
    struct Case {
        int year, month, day;
        const wchar_t* shown;
    } cases[] = {
        {0, 0, 0, L"2026-01-05 08:09:10"},
        {1969, 12, 31, L"2026-01-05 08:09:10"},  // before the calendar's start
        {2026, 0, 1, L"2026-01-05 08:09:10"},
        {2026, 2, 3, L"2026-02-03 00:00:00"},
    };
    for (const Case& c : cases) {
        project.Clear();
        project.schedule.kind = 4;
        project.schedule.onceYear = c.year;
        project.schedule.onceMonth = c.month;
        project.schedule.onceDay = c.day;
        std::wstring shown;
        RunSettings(true, [&](HWND sheet, HWND page) {
            shown = Text(page, IDC_SCHED_ONCE_TIME);
            uitest::click(uitest::child(sheet, IDCANCEL));
        });
        EXPECT_EQ(c.shown, shown) << c.year;
    }
}

TEST_F(Scheduler, TheRunEntryIsWrittenAndRemovedOnOk)
{
    bool shownUnticked = true, shownTicked = false, tickedWithForeign = false;
    RunSettings(false, [&](HWND sheet, HWND page) {
        shownUnticked = !Checked(page, IDC_SCHED_RUN_AT_STARTUP);
        uitest::click(uitest::child(page, IDC_SCHED_RUN_AT_STARTUP));
        uitest::click(uitest::child(sheet, IDOK));
    });
    EXPECT_EQ(L"\"" + ProgramPath() + L"\" -s", RunValue());
    RunSettings(false, [&](HWND sheet, HWND page) {
        shownTicked = Checked(page, IDC_SCHED_RUN_AT_STARTUP);
        uitest::click(uitest::child(sheet, IDCANCEL));
    });
    EXPECT_EQ(L"\"" + ProgramPath() + L"\" -s", RunValue());  // Cancel writes nothing
    RunSettings(false, [&](HWND sheet, HWND page) {
        uitest::click(uitest::child(page, IDC_SCHED_RUN_AT_STARTUP));
        uitest::click(uitest::child(sheet, IDOK));
    });
    EXPECT_EQ(L"<none>", RunValue());
    // Removing an absent value is no error; any text of the value ticks the box.
    RunSettings(false, [&](HWND sheet, HWND) { uitest::click(uitest::child(sheet, IDOK)); });
    EXPECT_EQ(L"<none>", RunValue());
    SetRunValue(L"C:\\elsewhere.exe");
    RunSettings(false, [&](HWND sheet, HWND page) {
        tickedWithForeign = Checked(page, IDC_SCHED_RUN_AT_STARTUP);
        uitest::click(uitest::child(sheet, IDCANCEL));
    });
    EXPECT_TRUE(shownUnticked);
    EXPECT_TRUE(shownTicked);
    EXPECT_TRUE(tickedWithForeign);
}

// ---- date-time picker

TEST_F(Scheduler, ThePickerAcceptsTimesOfTheDayOnly)
{
    struct Case {
        const wchar_t *h, *m, *s;
        const wchar_t* refusal;
    } cases[] = {
        {L"23", L"59", L"59", nullptr},
        {L"0", L"0", L"0", nullptr},
        {L"24", L"0", L"0", L"Please enter valid time!"},
        {L"0", L"60", L"0", L"Please enter valid time!"},
        {L"0", L"0", L"60", L"Please enter valid time!"},
        {L"-1", L"0", L"0", L"Please enter valid time!"},
        {L"0", L"-1", L"0", L"Please enter valid time!"},
        {L"0", L"0", L"-1", L"Please enter valid time!"},
        {L"x", L"0", L"0", L"Enter an integer."},
    };
    for (const Case& c : cases) {
        PromptRecorder prompts;
        CPickDateTimeDlg picker;
        picker.dateTime = CTime(2026, 2, 28, 13, 14, 15);
        std::wstring shownHour, shownMinute, shownSecond;
        bool stayed = false;
        std::vector<std::string> clipped;
        uitest::Driver driver([&] {
            HWND dlg = uitest::wait_window(L"Pick date time", L"#32770", GetCurrentProcessId());
            shownHour = Text(dlg, IDC_PICK_HOUR);
            shownMinute = Text(dlg, IDC_PICK_MINUTE);
            shownSecond = Text(dlg, IDC_PICK_SECOND);
            if (!c.refusal)
                clipped = capture_and_check(dlg, L"pick_date_time");
            uitest::type(uitest::child(dlg, IDC_PICK_HOUR), c.h);
            uitest::type(uitest::child(dlg, IDC_PICK_MINUTE), c.m);
            uitest::type(uitest::child(dlg, IDC_PICK_SECOND), c.s);
            uitest::click(uitest::child(dlg, IDOK));
            if (c.refusal) {
                uitest::require([&] { return prompts.seen().size() == 1; }, "refusal");
                stayed = IsWindowVisible(dlg) != FALSE;
                uitest::click(uitest::child(dlg, IDCANCEL));
            }
            uitest::wait_gone(dlg);
        });
        INT_PTR result = picker.DoModal();
        EXPECT_EQ("", driver.finish());
        EXPECT_EQ(L"13", shownHour);
        EXPECT_EQ(L"14", shownMinute);
        EXPECT_EQ(L"15", shownSecond);
        if (c.refusal) {
            EXPECT_EQ(IDCANCEL, result) << uitest::narrow(c.h);
            EXPECT_TRUE(stayed);
            ASSERT_EQ(1u, prompts.seen().size());
            EXPECT_EQ(c.refusal, prompts.seen()[0].text);
            if (std::wstring(c.refusal) == L"Please enter valid time!") {
                EXPECT_EQ(L"Error", prompts.seen()[0].caption);
                EXPECT_EQ(UINT(MB_ICONERROR | MB_OK), prompts.seen()[0].flags);
            }
        } else {
            EXPECT_EQ(IDOK, result);
            EXPECT_EQ(std::vector<std::string>{}, clipped);
            EXPECT_EQ(0u, prompts.seen().size());
            EXPECT_EQ(_wtoi(c.h), picker.hour);
            EXPECT_EQ(_wtoi(c.m), picker.minute);
            EXPECT_EQ(_wtoi(c.s), picker.second);
            EXPECT_EQ(CTime(2026, 2, 28, 0, 0, 0).GetTime(), picker.dateTime.GetTime());
        }
    }
}

// The once time: picked day plus typed time; Cancel keeps the text whatever was typed.
TEST_F(Scheduler, PickingTheOnceTime)
{
    project.schedule.kind = 4;
    project.schedule.onceYear = 2026;
    project.schedule.onceMonth = 2;
    project.schedule.onceDay = 3;
    project.schedule.onceHour = 4;
    std::wstring picked, afterCancel, next, calendarDay;
    RunSettings(true, [&](HWND sheet, HWND page) {
        uitest::click(uitest::child(page, IDC_SCHED_PICK_ONCE));
        HWND dlg = uitest::wait_window(L"Pick date time", L"#32770", GetCurrentProcessId());
        uitest::type(uitest::child(dlg, IDC_PICK_HOUR), L"21");
        uitest::type(uitest::child(dlg, IDC_PICK_MINUTE), L"7");
        uitest::type(uitest::child(dlg, IDC_PICK_SECOND), L"5");
        uitest::click(uitest::child(dlg, IDOK));
        uitest::wait_gone(dlg);
        picked = Text(page, IDC_SCHED_ONCE_TIME);
        next = Text(page, IDC_SCHED_NEXT_RUN);
        uitest::click(uitest::child(page, IDC_SCHED_PICK_ONCE));
        dlg = uitest::wait_window(L"Pick date time", L"#32770", GetCurrentProcessId());
        uitest::type(uitest::child(dlg, IDC_PICK_HOUR), L"1");
        uitest::click(uitest::child(dlg, IDCANCEL));
        uitest::wait_gone(dlg);
        afterCancel = Text(page, IDC_SCHED_ONCE_TIME);
        uitest::click(uitest::child(sheet, IDOK));
    });
    EXPECT_EQ(L"2026-02-03 21:7:5", picked);
    EXPECT_EQ(L"2026-2-3 21:7:5", next);
    EXPECT_EQ(picked, afterCancel);
    EXPECT_EQ(21, project.schedule.onceHour);
    EXPECT_EQ(7, project.schedule.onceMinute);
    EXPECT_EQ(5, project.schedule.onceSecond);
}

TEST_F(Scheduler, PickingTheStartDateKeepsItsTimeFields)
{
    std::wstring start, next;
    RunSettings(false, [&](HWND sheet, HWND page) {
        uitest::click(uitest::child(page, IDC_SCHED_PICK_START));
        HWND dlg = uitest::wait_window(L"Pick date time", L"#32770", GetCurrentProcessId());
        // The picker starts at the start date; a week later is picked.
        HWND calendar = uitest::child(dlg, IDC_PICK_CALENDAR);
        SYSTEMTIME day = {};
        day.wYear = 2026;
        day.wMonth = 1;
        day.wDay = 12;
        SendMessageW(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&day));
        uitest::type(uitest::child(dlg, IDC_PICK_HOUR), L"5");
        uitest::click(uitest::child(dlg, IDOK));
        uitest::wait_gone(dlg);
        start = Text(page, IDC_SCHED_START_DATE);
        next = Text(page, IDC_SCHED_NEXT_RUN);
        uitest::click(uitest::child(sheet, IDOK));
    });
    EXPECT_EQ(L"2026-01-12", start);
    EXPECT_EQ(L"2026-1-12 0:0:0", next);
    EXPECT_EQ(12, project.schedule.startDay);
    EXPECT_EQ(0, project.schedule.startHour);
}

// ---- project page

class SchedulerProjectPage : public Scheduler {
protected:
    void SetUp() override
    {
        Scheduler::SetUp();
        DeleteFileW(preference_path().c_str());
        Offer({{L"Registry - Identities", 1, 1}, {L"Folder - Main Identity", 7, 2}, {L"Address Book - WAB", 3, 2}});
    }
    void TearDown() override
    {
        DeleteFileW(preference_path().c_str());
        Scheduler::TearDown();
    }
    struct Spec {
        std::wstring name;
        int32_t id, kind;
    };
    void Offer(const std::vector<Spec>& specs)
    {
        owned.clear();
        items.clear();
        for (const Spec& s : specs) {
            owned.push_back(std::make_unique<FakeItem>(s.name, s.id, nullptr, s.kind));
            items.push_back(owned.back().get());
        }
    }
    void Schedule(const wchar_t* name, int32_t id)
    {
        CopyBounded(project.items[project.itemCount].name, name);
        project.items[project.itemCount++].id = id;
    }
    // A stored "preference.dat" whose blocks "&Setup" must keep but the archive block.
    PreferenceFile StorePreferences()
    {
        PreferenceFile stored;
        stored.Clear();
        CopyBounded(stored.archive.outputFolder, L"C:\\Backups");
        CopyBounded(stored.archive.baseName, L"Mail");
        CopyBounded(stored.ftp.host, L"ftp.example");
        stored.ftp.port = 990;
        CopyBounded(stored.cddvd.device, L"Stored Writer");
        stored.Save(kPreferenceFileName);
        return stored;
    }
    INT_PTR RunProject(const Script& script)
    {
        CSPProject page(&project, &items);
        return RunSheet({&page}, script);
    }
    static std::wstring Cell(HWND list, int row, int col)
    {
        wchar_t text[512] = {};
        ListView_GetItemText(list, row, col, text, 512);
        return text;
    }
    static int Image(HWND list, int row)
    {
        LVITEMW item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        ListView_GetItem(list, &item);
        return item.iImage;
    }
    // Ticks or clears a row as a person does: select it and press Space.
    static void Toggle(HWND list, int row)
    {
        uitest::key(list, VK_HOME);
        for (int i = 0; i < row; ++i)
            uitest::key(list, VK_DOWN);
        uitest::key(list, VK_SPACE);
    }

    std::vector<std::unique_ptr<FakeItem>> owned;
    std::vector<BackupItem*> items;
};

TEST_F(SchedulerProjectPage, TheListOffersEveryItemAndTicksTheScheduledOnes)
{
    project.nameMode = 1;
    Schedule(L"Registry - Identities", 1);
    Schedule(L"Folder - Other Identity", 7);  // same id, other name: not this item
    Schedule(L"Address Book - WAB", 3);
    PreferenceFile pref;
    pref.Clear();
    CopyBounded(pref.archive.outputFolder, L"C:\\Backups");
    CopyBounded(pref.archive.baseName, L"Mail");
    pref.Save(kPreferenceFileName);
    std::vector<std::wstring> names, types;
    std::vector<int> images;
    std::vector<bool> ticks;
    std::wstring preview;
    bool singleOff = false, generatedOn = false, passwordOff = false;
    std::vector<std::string> clipped;
    RunProject([&](HWND sheet, HWND page) {
        HWND list = uitest::child(page, IDC_PROJECT_ITEMS);
        for (int row = 0; row < ListView_GetItemCount(list); ++row) {
            names.push_back(Cell(list, row, 0));
            types.push_back(Cell(list, row, 1));
            images.push_back(Image(list, row));
            ticks.push_back(ListView_GetCheckState(list, row) != 0);
        }
        preview = Text(page, IDC_PROJECT_PREVIEW);
        singleOff = !Enabled(page, IDC_PROJECT_SINGLE_NAME) && !Enabled(page, IDC_PROJECT_BROWSE);
        generatedOn = Checked(page, IDC_PROJECT_GENERATED_MODE) && Enabled(page, IDC_PROJECT_SETUP_NAME) &&
                      Enabled(page, IDC_PROJECT_PREVIEW);
        passwordOff = !Enabled(page, IDC_PROJECT_PASSWORD) && !Enabled(page, IDC_PROJECT_PASSWORD2) &&
                      !Enabled(page, IDC_PROJECT_PASSWORD_LABEL) && !Enabled(page, IDC_PROJECT_AGAIN_LABEL);
        clipped = capture_and_check(sheet, L"scheduler_project");
        uitest::click(uitest::child(sheet, IDCANCEL));
    });
    EXPECT_EQ((std::vector<std::wstring>{L"Registry - Identities", L"Folder - Main Identity", L"Address Book - WAB"}),
              names);
    EXPECT_EQ((std::vector<std::wstring>{L"Registry", L"Folder", L"Folder"}), types);
    EXPECT_EQ((std::vector<int>{0, 1, 1}), images);
    EXPECT_EQ((std::vector<bool>{true, false, true}), ticks);
    EXPECT_EQ(L"C:\\Backups\\Mail.bvk2", preview);
    EXPECT_TRUE(singleOff);
    EXPECT_TRUE(generatedOn);
    EXPECT_TRUE(passwordOff);
    EXPECT_EQ(std::vector<std::string>{}, clipped);
}

// Each refusal keeps the page until the user has put it right.
TEST_F(SchedulerProjectPage, OkIsRefusedUntilNamePasswordsAndItemsAreRight)
{
    PromptRecorder prompts;
    auto boxes = [&] { return prompts.seen().size(); };
    RunProject([&](HWND sheet, HWND page) {
        HWND list = uitest::child(page, IDC_PROJECT_ITEMS);
        uitest::click(uitest::child(sheet, IDOK));  // single name, empty
        uitest::require([&] { return boxes() == 1; }, "name message");
        uitest::click(uitest::child(page, IDC_PROJECT_GENERATED_MODE));  // a generated name needs none
        uitest::click(uitest::child(page, IDC_PROJECT_ENCRYPT));
        uitest::click(uitest::child(sheet, IDOK));  // empty password
        uitest::require([&] { return boxes() == 2; }, "empty password message");
        uitest::type(uitest::child(page, IDC_PROJECT_PASSWORD), L"secret");
        uitest::type(uitest::child(page, IDC_PROJECT_PASSWORD2), L"Secret");
        uitest::click(uitest::child(sheet, IDOK));  // differs in case only
        uitest::require([&] { return boxes() == 3; }, "password pair message");
        uitest::type(uitest::child(page, IDC_PROJECT_PASSWORD2), L"secret");
        uitest::click(uitest::child(sheet, IDOK));  // nothing ticked
        uitest::require([&] { return boxes() == 4; }, "items message");
        Toggle(list, 1);
        uitest::click(uitest::child(page, IDC_PROJECT_COMPRESS));
        uitest::click(uitest::child(sheet, IDOK));
    });
    auto seen = prompts.seen();
    ASSERT_EQ(4u, seen.size());
    EXPECT_EQ(L"Please enter or choose an archive filename!", seen[0].text);
    EXPECT_EQ(L"Invalid password, please check and enter your password again!", seen[1].text);
    EXPECT_EQ(L"Invalid password, please check and enter your password again!", seen[2].text);
    EXPECT_EQ(L"You must select one or more backup items by clicking the check-box!", seen[3].text);
    for (const PromptRecord& p : seen) {
        EXPECT_EQ(L"Error", p.caption);
        EXPECT_EQ(UINT(MB_ICONERROR | MB_OK), p.flags);
    }
    EXPECT_EQ(1, project.nameMode);
    EXPECT_EQ(1, project.compress);
    EXPECT_EQ(1, project.encrypt);
    EXPECT_STREQ(L"secret", project.password);
    ASSERT_EQ(1, project.itemCount);
    EXPECT_STREQ(L"Folder - Main Identity", project.items[0].name);
    EXPECT_EQ(7, project.items[0].id);
}

TEST_F(SchedulerProjectPage, SelectAllStoresEveryRowInListOrder)
{
    project.itemCount = 50;  // stale entries beyond the new ones are cleared
    CopyBounded(project.items[49].name, L"stale");
    CopyBounded(project.archiveFileName, L"C:\\old.bvk2");
    std::wstring shownName;
    RunProject([&](HWND sheet, HWND page) {
        shownName = Text(page, IDC_PROJECT_SINGLE_NAME);
        uitest::type(uitest::child(page, IDC_PROJECT_SINGLE_NAME), L"D:\\mail.bvk2");
        uitest::click(uitest::child(page, IDC_PROJECT_SELECT_ALL));
        uitest::click(uitest::child(sheet, IDOK));
    });
    EXPECT_EQ(L"C:\\old.bvk2", shownName);
    EXPECT_EQ(0, project.nameMode);
    EXPECT_STREQ(L"D:\\mail.bvk2", project.archiveFileName);
    ASSERT_EQ(3, project.itemCount);
    EXPECT_STREQ(L"Registry - Identities", project.items[0].name);
    EXPECT_EQ(1, project.items[0].id);
    EXPECT_STREQ(L"Folder - Main Identity", project.items[1].name);
    EXPECT_EQ(7, project.items[1].id);
    EXPECT_STREQ(L"Address Book - WAB", project.items[2].name);
    EXPECT_EQ(3, project.items[2].id);
    EXPECT_STREQ(L"", project.items[49].name);
}

// The record holds 50 items, names of 199 characters, a password of 99 and an
// archive name of 2047: more is refused, never cut.
TEST_F(SchedulerProjectPage, WhatDoesNotFitTheRecordIsRefused)
{
    std::vector<Spec> specs;
    for (int i = 0; i < 51; ++i)
        specs.push_back({L"Folder " + std::to_wstring(i), i, 2});
    specs.push_back({std::wstring(200, L'n'), 99, 2});
    Offer(specs);
    PromptRecorder prompts;
    auto boxes = [&] { return prompts.seen().size(); };
    RunProject([&](HWND sheet, HWND page) {
        HWND list = uitest::child(page, IDC_PROJECT_ITEMS);
        HWND name = uitest::child(page, IDC_PROJECT_SINGLE_NAME);
        uitest::set_text(name, std::wstring(2048, L'a'));
        uitest::click(uitest::child(sheet, IDOK));
        uitest::require([&] { return boxes() == 1; }, "archive name message");
        uitest::type(name, L"C:\\mail.bvk2");
        uitest::click(uitest::child(page, IDC_PROJECT_ENCRYPT));
        uitest::set_text(uitest::child(page, IDC_PROJECT_PASSWORD), std::wstring(100, L'p'));
        uitest::set_text(uitest::child(page, IDC_PROJECT_PASSWORD2), std::wstring(100, L'p'));
        uitest::click(uitest::child(sheet, IDOK));
        uitest::require([&] { return boxes() == 2; }, "password message");
        uitest::set_text(uitest::child(page, IDC_PROJECT_PASSWORD), std::wstring(99, L'p'));
        uitest::set_text(uitest::child(page, IDC_PROJECT_PASSWORD2), std::wstring(99, L'p'));
        uitest::click(uitest::child(page, IDC_PROJECT_SELECT_ALL));
        uitest::click(uitest::child(sheet, IDOK));
        uitest::require([&] { return boxes() == 3; }, "long item name message");
        Toggle(list, 51);
        uitest::click(uitest::child(sheet, IDOK));
        uitest::require([&] { return boxes() == 4; }, "item count message");
        Toggle(list, 50);
        uitest::click(uitest::child(sheet, IDOK));
    });
    auto seen = prompts.seen();
    ASSERT_EQ(4u, seen.size());
    EXPECT_EQ(L"The archive filename is too long, please choose a shorter one!", seen[0].text);
    EXPECT_EQ(L"Invalid password, please check and enter your password again!", seen[1].text);
    EXPECT_EQ(L"The item name is too long to be scheduled, please uncheck it: " + std::wstring(200, L'n'),
              seen[2].text);
    EXPECT_EQ(L"You can select at most 50 items!", seen[3].text);
    for (const PromptRecord& p : seen)
        EXPECT_EQ(L"Error", p.caption);
    ASSERT_EQ(50, project.itemCount);
    EXPECT_STREQ(L"Folder 49", project.items[49].name);
    EXPECT_EQ(std::wstring(99, L'p'), project.password);
}

TEST_F(SchedulerProjectPage, BrowsingSetsTheSingleName)
{
    std::optional<std::wstring> answer = L"C:\\chosen.bvk2";
    ui::FileChoice asked;
    ui::Override<ui::FileSeam> files(ui::chooseFile, [&](const ui::FileChoice& c) {
        asked = c;
        return answer;
    });
    std::wstring chosen, kept;
    RunProject([&](HWND sheet, HWND page) {
        uitest::click(uitest::child(page, IDC_PROJECT_BROWSE));
        chosen = Text(page, IDC_PROJECT_SINGLE_NAME);
        answer = std::nullopt;
        uitest::type(uitest::child(page, IDC_PROJECT_SINGLE_NAME), L"C:\\typed.bvk2");
        uitest::click(uitest::child(page, IDC_PROJECT_BROWSE));
        kept = Text(page, IDC_PROJECT_SINGLE_NAME);
        uitest::click(uitest::child(sheet, IDCANCEL));
    });
    EXPECT_EQ(L"C:\\chosen.bvk2", chosen);
    EXPECT_EQ(L"C:\\typed.bvk2", kept);
    EXPECT_TRUE(asked.save);
    EXPECT_EQ(L"bvk2", asked.defaultExt);
    EXPECT_EQ(L"", asked.fileName);
    EXPECT_EQ(L"Brisvale 2.9e Archive(*.bvk2)|*.bvk2|Any files(*.*)|*.*||", asked.filter);
    EXPECT_EQ(DWORD(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT), asked.flags);
}

// "&Setup" shows the archive page alone; only its block changes in the file.
TEST_F(SchedulerProjectPage, SetupEditsThePreferencesAndRefreshesThePreview)
{
    project.nameMode = 1;
    PreferenceFile stored = StorePreferences();
    std::wstring folder = scratch_folder(L"scheduler");
    PromptRecorder prompts;
    std::wstring before, afterCancel, afterOk;
    std::vector<int> pageCounts;
    std::vector<std::wstring> pageCaptions;
    std::vector<std::string> clipped;
    RunProject([&](HWND sheet, HWND page) {
        before = Text(page, IDC_PROJECT_PREVIEW);
        for (bool confirm : {false, true}) {
            uitest::click(uitest::child(page, IDC_PROJECT_SETUP_NAME));
            HWND pref = uitest::wait_window(L"Preference", L"#32770", GetCurrentProcessId());
            HWND archive = nullptr;
            uitest::require([&] { return (archive = HWND(SendMessageW(pref, PSM_GETCURRENTPAGEHWND, 0, 0))); },
                            "archive page");
            HWND tabs = HWND(SendMessageW(pref, PSM_GETTABCONTROL, 0, 0));
            pageCounts.push_back(TabCtrl_GetItemCount(tabs));
            wchar_t caption[64] = {};
            TCITEMW tab = {};
            tab.mask = TCIF_TEXT;
            tab.pszText = caption;
            tab.cchTextMax = 64;
            TabCtrl_GetItem(tabs, 0, &tab);
            pageCaptions.push_back(caption);
            if (confirm)
                clipped = capture_and_check(pref, L"scheduler_project_setup");
            if (IsDlgButtonChecked(archive, IDC_ADD_STAMP))
                uitest::click(uitest::child(archive, IDC_ADD_STAMP));  // no time stamp
            uitest::type(uitest::child(archive, IDC_FOLDER), folder);
            uitest::type(uitest::child(archive, IDC_FILENAME), L"Nightly");
            uitest::click(uitest::child(pref, confirm ? IDOK : IDCANCEL));
            uitest::wait_gone(pref);
            (confirm ? afterOk : afterCancel) = Text(page, IDC_PROJECT_PREVIEW);
        }
        uitest::click(uitest::child(sheet, IDCANCEL));
    });
    EXPECT_EQ(L"C:\\Backups\\Mail.bvk2", before);
    EXPECT_EQ(before, afterCancel);
    EXPECT_EQ(folder + L"\\Nightly.bvk2", afterOk);
    EXPECT_EQ((std::vector<int>{1, 1}), pageCounts);
    EXPECT_EQ((std::vector<std::wstring>{L"Archive", L"Archive"}), pageCaptions);
    EXPECT_EQ(std::vector<std::string>{}, clipped);
    EXPECT_EQ(0u, prompts.seen().size()) << (prompts.seen().empty() ? "" : uitest::narrow(prompts.seen()[0].text));
    PreferenceFile saved;
    saved.Clear();
    saved.Load(kPreferenceFileName);
    EXPECT_STREQ(L"Nightly", saved.archive.baseName);
    EXPECT_EQ(0, std::memcmp(&stored.ftp, &saved.ftp, sizeof saved.ftp));  // the other blocks pass through
    EXPECT_EQ(0, std::memcmp(&stored.cddvd, &saved.cddvd, sizeof saved.cddvd));
}

// A file that cannot be read does not stop "&Setup": the page starts empty. Saving
// reads the other blocks again, so they are kept once the file can be read; while it
// still cannot, the failure is reported and the file is left as it was.
TEST_F(SchedulerProjectPage, SetupOverAnUnreadableFile)
{
    project.nameMode = 1;
    std::wstring folder = scratch_folder(L"scheduler");
    for (bool readableAtOk : {true, false}) {
        PreferenceFile stored = StorePreferences();
        std::string storedBytes = read_file(preference_path());
        HANDLE lock = CreateFileW(preference_path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, lock);
        PromptRecorder prompts;
        std::wstring shownFolder = L"?", shownName = L"?";
        size_t promptsWhileOpen = 99;
        RunProject([&](HWND sheet, HWND page) {
            uitest::click(uitest::child(page, IDC_PROJECT_SETUP_NAME));
            HWND pref = uitest::wait_window(L"Preference", L"#32770", GetCurrentProcessId());
            HWND archive = nullptr;
            uitest::require([&] { return (archive = HWND(SendMessageW(pref, PSM_GETCURRENTPAGEHWND, 0, 0))); },
                            "archive page");
            promptsWhileOpen = prompts.seen().size();
            shownFolder = Text(archive, IDC_FOLDER);
            shownName = Text(archive, IDC_FILENAME);
            uitest::type(uitest::child(archive, IDC_FOLDER), folder);
            uitest::type(uitest::child(archive, IDC_FILENAME), L"Nightly");
            if (readableAtOk) {
                CloseHandle(lock);
                lock = INVALID_HANDLE_VALUE;
            }
            uitest::click(uitest::child(pref, IDOK));
            uitest::wait_gone(pref);
            if (!readableAtOk)
                uitest::require([&] { return prompts.seen().size() == 1; }, "file error");
            uitest::click(uitest::child(sheet, IDCANCEL));
        });
        if (lock != INVALID_HANDLE_VALUE)
            CloseHandle(lock);
        EXPECT_EQ(0u, promptsWhileOpen) << readableAtOk;
        EXPECT_EQ(L"", shownFolder) << readableAtOk;
        EXPECT_EQ(L"", shownName) << readableAtOk;
        if (readableAtOk) {
            EXPECT_EQ(0u, prompts.seen().size());
            PreferenceFile saved;
            saved.Clear();
            saved.Load(kPreferenceFileName);
            EXPECT_STREQ(L"Nightly", saved.archive.baseName);
            EXPECT_EQ(0, std::memcmp(&stored.ftp, &saved.ftp, sizeof saved.ftp));
            EXPECT_EQ(0, std::memcmp(&stored.cddvd, &saved.cddvd, sizeof saved.cddvd));
        } else {
            ASSERT_EQ(1u, prompts.seen().size());
            EXPECT_NE(std::wstring::npos, prompts.seen()[0].text.find(preference_path()))
                << uitest::narrow(prompts.seen()[0].text);
            EXPECT_EQ(UINT(MB_ICONERROR), prompts.seen()[0].flags & MB_ICONMASK);
            EXPECT_EQ(storedBytes, read_file(preference_path()));
        }
    }
}

// With encryption off the password boxes are not checked: a pair that differs or
// is too long for the record passes. One too long is not kept (a cut one would be
// another password when encryption is ticked later).
TEST_F(SchedulerProjectPage, PasswordsAreCheckedOnlyWhenEncrypting)
{
    struct Case {
        std::wstring password, again, stored;
    } cases[] = {
        {std::wstring(100, L'p'), std::wstring(100, L'p'), L""},
        {std::wstring(150, L'p'), L"other", L""},
        {L"abc", L"abd", L"abc"},
    };
    for (const Case& c : cases) {
        project.Clear();
        project.encrypt = 1;
        PromptRecorder prompts;
        INT_PTR result = RunProject([&](HWND sheet, HWND page) {
            uitest::type(uitest::child(page, IDC_PROJECT_SINGLE_NAME), L"C:\\mail.bvk2");
            // Pasted: longer than anyone types.
            uitest::set_text(uitest::child(page, IDC_PROJECT_PASSWORD), c.password);
            uitest::set_text(uitest::child(page, IDC_PROJECT_PASSWORD2), c.again);
            uitest::click(uitest::child(page, IDC_PROJECT_ENCRYPT));  // encryption off
            Toggle(uitest::child(page, IDC_PROJECT_ITEMS), 0);
            uitest::click(uitest::child(sheet, IDOK));
        });
        EXPECT_EQ(IDOK, result);
        EXPECT_EQ(0u, prompts.seen().size()) << (prompts.seen().empty() ? "" : uitest::narrow(prompts.seen()[0].text));
        EXPECT_EQ(0, project.encrypt);
        EXPECT_EQ(c.stored, project.password);
    }
}

// The two pages in one sheet, as they are meant to be shown: leaving the project
// page checks it first.
TEST_F(SchedulerProjectPage, BothPagesInOneSheet)
{
    PromptRecorder prompts;
    CSPProject projectPage(&project, &items);
    CSPSettings settingsPage(&project, false);
    RunSheet({&projectPage, &settingsPage}, [&](HWND sheet, HWND page) {
        HWND tabs = uitest::first_descendant(sheet, WC_TABCONTROLW);
        RECT r;
        TabCtrl_GetItemRect(tabs, 1, &r);
        uitest::click_at(tabs, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        uitest::require([&] { return prompts.seen().size() == 1; }, "refused switch");
        uitest::type(uitest::child(page, IDC_PROJECT_SINGLE_NAME), L"C:\\mail.bvk2");
        Toggle(uitest::child(page, IDC_PROJECT_ITEMS), 0);
        uitest::click_at(tabs, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        HWND settings = nullptr;
        uitest::require(
            [&] {
                settings = HWND(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
                return settings && settings != page;
            },
            "settings page");
        uitest::click(uitest::child(settings, IDC_SCHED_DAILY));
        uitest::click(uitest::child(sheet, IDOK));
    });
    ASSERT_EQ(1u, prompts.seen().size());
    EXPECT_EQ(L"Please enter or choose an archive filename!", prompts.seen()[0].text);
    EXPECT_STREQ(L"C:\\mail.bvk2", project.archiveFileName);
    ASSERT_EQ(1, project.itemCount);
    EXPECT_EQ(1, project.items[0].id);
    EXPECT_EQ(1, project.schedule.kind);
}

}  // namespace
