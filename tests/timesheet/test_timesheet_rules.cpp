// The month's column marks, the day-cell drawing rule and the year list.
#include "TestDatabase.h"
#include "timesheet/MonthMarks.h"

#include <gtest/gtest.h>

namespace {

using timesheet::DayColumn;
using timesheet::Ink;

// "6,7,13 | 30,31": the weekend days, then the days past the end.
QString describe(const std::array<DayColumn, 31>& marks) {
    QStringList weekend, past;
    for (int day = 1; day <= 31; ++day) {
        if (marks[size_t(day - 1)].weekend)
            weekend << QString::number(day);
        if (marks[size_t(day - 1)].pastEnd)
            past << QString::number(day);
    }
    return weekend.join(',') + " | " + past.join(',');
}

TEST(MonthMarks, WeekendsAndDaysPastTheEnd) {
    struct Case {
        int month, year;
        QString marks;
    };
    const Case cases[] = {
        {3, 2021, "6,7,13,14,20,21,27,28 | "}, // 1 March a Monday, 31 days
        {2, 2024, "3,4,10,11,17,18,24,25 | 30,31"}, {2, 2023, "4,5,11,12,18,19,25,26 | 29,30,31"},
        {12, 2026, "5,6,12,13,19,20,26,27 | "},     {11, 2026, "1,7,8,14,15,21,22,28,29 | 31"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("%1.%2").arg(c.month).arg(c.year).toStdString());
        EXPECT_EQ(describe(timesheet::monthMarks(c.month, c.year)), c.marks);
    }
}

TEST(MonthMarks, TitlesAreRedOnWeekendsAndSilverPastTheEnd) {
    EXPECT_EQ(timesheet::titleInk({false, false}), Ink::Normal);
    EXPECT_EQ(timesheet::titleInk({true, false}), Ink::Red);
    EXPECT_EQ(timesheet::titleInk({false, true}), Ink::Silver);
}

TEST(DayCell, DrawingFollowsTheHoursAndTheColumn) {
    const DayColumn workday{false, false}, weekend{true, false}, past{false, true};
    struct Case {
        const char* name;
        int hours;
        DayColumn column;
        bool selected;
        Ink ink;
        bool bold, shaded, asSelected;
    };
    const Case cases[] = {
        {"0", 0, workday, false, Ink::Silver, false, false, false},
        {"0 on a weekend", 0, weekend, false, Ink::Red, false, false, false},
        {"0 past the end", 0, past, false, Ink::Hidden, false, false, false},
        {"5", 5, workday, false, Ink::Normal, false, false, false},
        {"5 on a weekend", 5, weekend, false, Ink::Red, false, false, false},
        {"8", 8, workday, false, Ink::Normal, true, false, false},
        {"8 on a weekend", 8, weekend, false, Ink::Red, true, false, false},
        {"9", 9, workday, false, Ink::Normal, true, true, false},
        {"12 on a weekend", 12, weekend, false, Ink::Red, true, true, false},
        {"stray 9 past the end", 9, past, false, Ink::Hidden, false, false, false},
        {"8 selected", 8, workday, true, Ink::Normal, false, false, true},
        {"0 selected", 0, workday, true, Ink::Normal, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const timesheet::CellLook look = timesheet::dayCellLook(c.hours, c.column, c.selected);
        EXPECT_EQ(look.ink, c.ink);
        EXPECT_EQ(look.bold, c.bold);
        EXPECT_EQ(look.shaded, c.shaded);
        EXPECT_EQ(look.asSelected, c.asSelected);
    }
}

TEST(YearList, RunsFrom2007ToTodayAndTakesInTheJournalYear) {
    struct Case {
        QDate today;
        int journalYear;
        QString first, last;
    };
    const Case cases[] = {
        {QDate(2026, 12, 10), 2026, "2007", "2026"},
        {QDate(2026, 12, 10), 2006, "2006", "2026"},
        {QDate(2026, 12, 10), 2027, "2007", "2027"},
        {QDate(2031, 1, 2), 2030, "2007", "2031"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.journalYear);
        const QStringList years = timesheet::yearList(c.today, c.journalYear);
        EXPECT_EQ(years.first(), c.first);
        EXPECT_EQ(years.last(), c.last);
        EXPECT_EQ(years.size(), c.last.toInt() - c.first.toInt() + 1);
    }
}

} // namespace
