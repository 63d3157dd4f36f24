// The schedule kinds' next-run computations and the settings page's date texts.
#include <gtest/gtest.h>
#include "scheduler_activator.h"
#include "scheduler_settings_page.h"
#include "ui_driver.h"

namespace {

using namespace XScheduler;

std::string Show(const CTime& t)
{
    char text[64];
    snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d", t.GetYear(), t.GetMonth(), t.GetDay(), t.GetHour(),
             t.GetMinute(), t.GetSecond());
    return text;
}

CTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return CTime(y, mo, d, h, mi, s);
}

struct Case {
    const char* what;
    CTime from;
    CTime expected;
};

template <class Activator, class Params>
void Check(const Params& params, const Case& c)
{
    Activator a;
    a.SetParameters(&params);
    EXPECT_EQ(Show(c.expected), Show(a.NextRunTime(c.from))) << c.what;
}

TEST(DailyActivator, RunsTodayWhenTheTimeIsAheadElseTomorrow)
{
    struct Row {
        DailyParams p;
        Case c;
    } rows[] = {
        {{10, 1}, {"later today", At(2026, 1, 31, 10, 0), At(2026, 1, 31, 10, 1)}},
        {{10, 0}, {"the same minute is not later", At(2026, 1, 31, 10, 0), At(2026, 2, 1, 10, 0)}},
        {{9, 30}, {"past: next day over the month end", At(2026, 1, 31, 10, 0), At(2026, 2, 1, 9, 30)}},
        {{22, 0}, {"leap day", At(2028, 2, 28, 23, 0), At(2028, 2, 29, 22, 0)}},
        {{22, 0}, {"no leap day", At(2027, 2, 28, 23, 0), At(2027, 3, 1, 22, 0)}},
        {{0, 0}, {"new year", At(2026, 12, 31, 23, 59, 59), At(2027, 1, 1, 0, 0)}},
    };
    for (const Row& r : rows)
        Check<DailyActivator>(r.p, r.c);
}

TEST(WeeklyActivator, RunsOnTheNextTickedDay)
{
    //                 Sun Mon Tue Wed Thu Fri Sat
    const uint8_t sunday[7] = {1, 0, 0, 0, 0, 0, 0};
    const uint8_t monday[7] = {0, 1, 0, 0, 0, 0, 0};
    const uint8_t monFri[7] = {0, 1, 0, 0, 0, 1, 0};
    const uint8_t none[7] = {};
    struct Row {
        int h, m;
        const uint8_t* days;
        Case c;
    } rows[] = {
        {9, 0, sunday, {"Saturday to Sunday over the month end", At(2026, 1, 31, 10, 0), At(2026, 2, 1, 9, 0)}},
        {11, 0, monday, {"today, later", At(2026, 1, 5, 10, 0), At(2026, 1, 5, 11, 0)}},
        {9, 0, monday, {"today, passed: a week on", At(2026, 1, 5, 10, 0), At(2026, 1, 12, 9, 0)}},
        {8, 15, monFri, {"Thursday to Friday", At(2026, 12, 31, 12, 0), At(2027, 1, 1, 8, 15)}},
        {8, 15, monFri, {"Saturday to Monday", At(2026, 1, 31, 12, 0), At(2026, 2, 2, 8, 15)}},
        {7, 0, monday, {"leap February", At(2028, 2, 28, 8, 0), At(2028, 3, 6, 7, 0)}},
        {7, 0, none, {"no day ticked: every day", At(2026, 1, 31, 8, 0), At(2026, 2, 1, 7, 0)}},
    };
    for (const Row& r : rows) {
        WeeklyParams p{r.h, r.m, {}};
        std::copy(r.days, r.days + 7, p.days);
        Check<WeeklyActivator>(p, r.c);
    }
}

TEST(MonthlyActivator, RunsOnTheNthOrLastWeekdayOfTheMonth)
{
    enum { Sun, Mon, Tue, Wed, Thu, Fri, Sat };
    struct Row {
        MonthlyParams p;
        Case c;
    } rows[] = {
        {{10, 0, 5, Fri}, {"last Friday of January 2026", At(2026, 1, 2), At(2026, 1, 30, 10, 0)}},
        {{10, 0, 5, Sat}, {"last of five Saturdays", At(2026, 1, 2), At(2026, 1, 31, 10, 0)}},
        {{10, 0, 1, Sun}, {"the 1st is that weekday", At(2026, 1, 31, 12, 0), At(2026, 2, 1, 10, 0)}},
        {{18, 30, 4, Thu}, {"fourth Thursday", At(2026, 11, 1), At(2026, 11, 26, 18, 30)}},
        {{10, 0, 5, Fri}, {"passed: next month", At(2026, 1, 30, 10, 0), At(2026, 2, 27, 10, 0)}},
        {{6, 0, 5, Tue}, {"last Tuesday, leap February", At(2028, 2, 1), At(2028, 2, 29, 6, 0)}},
        {{6, 0, 5, Tue}, {"last Tuesday, plain February", At(2027, 2, 1), At(2027, 2, 23, 6, 0)}},
        {{6, 0, 5, Mon}, {"last Monday, leap February", At(2028, 2, 1), At(2028, 2, 28, 6, 0)}},
        {{9, 0, 2, Mon}, {"December to January", At(2026, 12, 28, 12, 0), At(2027, 1, 11, 9, 0)}},
    };
    for (const Row& r : rows)
        Check<MonthlyActivator>(r.p, r.c);
}

TEST(IntervalActivator, StepsFromTheStartOnTheTickedDays)
{
    const uint8_t all[7] = {1, 1, 1, 1, 1, 1, 1};
    const uint8_t monday[7] = {0, 1, 0, 0, 0, 0, 0};
    const uint8_t tuesday[7] = {0, 0, 1, 0, 0, 0, 0};
    struct Row {
        int h, m, y, mo, d, sh, sm;
        const uint8_t* days;
        Case c;
    } rows[] = {
        {3, 0, 2026, 1, 5, 0, 0, all, {"the next step", At(2026, 1, 5, 10, 0), At(2026, 1, 5, 12, 0)}},
        {3, 0, 2026, 1, 5, 0, 0, all, {"a step time is not later", At(2026, 1, 5, 12, 0), At(2026, 1, 5, 15, 0)}},
        {3, 0, 2026, 1, 5, 6, 30, all, {"before the start: the start", At(2026, 1, 1), At(2026, 1, 5, 6, 30)}},
        {1, 30, 2026, 1, 31, 22, 0, all, {"over the month end", At(2026, 1, 31, 23, 40), At(2026, 2, 1, 1, 0)}},
        {24, 0, 2028, 2, 28, 6, 0, all, {"leap day", At(2028, 2, 28, 7, 0), At(2028, 2, 29, 6, 0)}},
        {3,
         0,
         2026,
         1,
         5,
         22,
         0,
         monday,
         {"across midnight to the next Monday", At(2026, 1, 5, 23, 30), At(2026, 1, 12, 1, 0)}},
        {0, 0, 2026, 1, 5, 0, 0, all, {"zero step: three hours", At(2026, 1, 5, 4, 0), At(2026, 1, 5, 6, 0)}},
        {-5, 0, 2026, 1, 5, 0, 0, all, {"negative step: three hours", At(2026, 1, 5, 4, 0), At(2026, 1, 5, 6, 0)}},
        {0, -30, 2026, 1, 5, 0, 0, all, {"negative minutes: three hours", At(2026, 1, 5, 4, 0), At(2026, 1, 5, 6, 0)}},
        {168,
         0,
         2026,
         1,
         5,
         9,
         0,
         tuesday,
         {"whole weeks never meet the day: the step decides", At(2026, 1, 6), At(2026, 1, 12, 9, 0)}},
        {0, 1, 2026, 1, 5, 0, 0, tuesday, {"one minute, Tuesdays only", At(2026, 1, 7, 0, 0, 30), At(2026, 1, 13)}},
        {3, 0, 0, 0, 0, 1, 0, all, {"no start date: today", At(2026, 3, 31, 2, 0), At(2026, 3, 31, 4, 0)}},
    };
    for (const Row& r : rows) {
        IntervalParams p{r.h, r.m, r.y, r.mo, r.d, r.sh, r.sm, {}};
        std::copy(r.days, r.days + 7, p.days);
        Check<IntervalActivator>(p, r.c);
    }
}

TEST(OnceActivator, AnswersItsTimeEvenWhenPassed)
{
    Check<OnceActivator>(OnceParams{2026, 2, 28, 13, 14, 15}, {"ahead", At(2026, 1, 1), At(2026, 2, 28, 13, 14, 15)});
    Check<OnceActivator>(OnceParams{2025, 12, 31, 23, 59, 59},
                         {"passed", At(2026, 1, 1), At(2025, 12, 31, 23, 59, 59)});
    Check<OnceActivator>(OnceParams{0, 0, 0, 0, 0, 0}, {"no time", At(2026, 1, 1), At(2026, 1, 1)});
}

TEST(SchedulerActivator, ResetForgetsTheParameters)
{
    DailyActivator a;
    DailyParams p{15, 45};
    a.SetParameters(&p);
    a.Reset();
    EXPECT_EQ(Show(At(2026, 1, 2, 0, 0)), Show(a.NextRunTime(At(2026, 1, 1, 12, 0))));
}

TEST(SplitString, KeepsEmptyPartsButNotAnEmptyLastOne)
{
    struct Row {
        const wchar_t* text;
        std::vector<std::wstring> parts;
    } rows[] = {
        {L"2026-01-05", {L"2026", L"01", L"05"}},
        {L"a--b", {L"a", L"", L"b"}},
        {L"a-", {L"a"}},
        {L"-a", {L"", L"a"}},
        {L"", {}},
        {L"--", {L"", L""}},
    };
    for (const Row& r : rows) {
        std::vector<std::wstring> parts{L"stale"};
        EXPECT_EQ(r.parts.size(), SplitString(r.text, L'-', parts));
        EXPECT_EQ(r.parts, parts);
    }
}

// "now" is 2026-01-05 08:09:10 for every fallback.
class DateTexts : public ::testing::Test {
protected:
    ui::Override<ui::ClockSeam> clock{ui::clock, [] { return CTime(2026, 1, 5, 8, 9, 10).GetTime(); }};
};

TEST_F(DateTexts, ParseDateNeedsThreeParts)
{
    int y = -1, m = -1, d = -1;
    EXPECT_TRUE(ParseDate(L"2026-1-5", y, m, d));
    EXPECT_EQ(2026, y);
    EXPECT_EQ(1, m);
    EXPECT_EQ(5, d);
    EXPECT_FALSE(ParseDate(L"2026-1", y, m, d));
    EXPECT_FALSE(ParseDate(L"2026-1-5-6", y, m, d));
    EXPECT_FALSE(ParseDate(L"", y, m, d));
}

TEST_F(DateTexts, TextToTimeFallsBackForTimesTheCalendarLacks)
{
    const CTimeSpan day(1, 0, 0, 0);
    const CTime fallback = At(2026, 1, 6, 8, 9, 10);
    struct Row {
        const wchar_t* text;
        CTime expected;
    } rows[] = {
        {L"2026-01-05 10:20:30", At(2026, 1, 5, 10, 20, 30)},
        {L"2028-2-29 0:0:0", At(2028, 2, 29)},
        {L"2026-4-31 1:2:3", At(2026, 5, 1, 1, 2, 3)},  // a day past the month's end carries over
        {L"3000-12-31 23:59:59", At(3000, 12, 31, 23, 59, 59)},
        {L"x", fallback},
        {L"2026-01-05", fallback},
        {L"2026-01-05 10:20", fallback},
        {L"2026-13-1 0:0:0", fallback},
        {L"2026-1-32 0:0:0", fallback},
        {L"2026-1-1 24:0:0", fallback},
        {L"2026-1-1 0:60:0", fallback},
        {L"2026-1-1 0:0:60", fallback},
        {L"3001-1-1 0:0:0", fallback},
        {L"1969-12-31 23:59:59", fallback},
        {L"0-0-0 0:0:0", fallback},
        {L"2026-0-5 0:0:0", fallback},
        {L"2026-1-0 0:0:0", fallback},
        {L"2026-1-5 -1:0:0", fallback},
    };
    for (const Row& r : rows)
        EXPECT_EQ(Show(r.expected), Show(TextToTime(r.text, day))) << uitest::narrow(r.text);
}

}  // namespace
