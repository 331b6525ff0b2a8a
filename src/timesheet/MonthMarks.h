#pragma once

#include <QDate>
#include <QStringList>
#include <array>

// How the timesheet grids mark a month's day columns and draw a day cell, without a widget:
// weekends in red, days past the month's end out of use, full days bold, overtime shaded.
namespace timesheet {

struct DayColumn {
    bool weekend = false;
    bool pastEnd = false; // the month has no such day: read-only, values not shown
};

// Columns 1..31 of a month (index 0 is day 1).
std::array<DayColumn, 31> monthMarks(int month, int year);

// The colour a text takes; Normal is the window's text colour, Hidden its background.
enum class Ink { Normal, Red, Silver, Hidden };

Ink titleInk(const DayColumn& column);
Ink columnInk(const DayColumn& column);

struct CellLook {
    Ink ink = Ink::Normal;
    bool bold = false;
    bool shaded = false;     // filled light green
    bool asSelected = false; // left to the selection colours
};

CellLook dayCellLook(int hours, const DayColumn& column, bool selected);

// The year list: 2007 through the current year, widened to the journal date's year when
// the journal stands outside it, so the opener always finds its year.
QStringList yearList(const QDate& today, int journalYear);

// "Январь".."Декабрь".
const QStringList& monthNames();

} // namespace timesheet
