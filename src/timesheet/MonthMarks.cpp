#include "MonthMarks.h"

#include <algorithm>

namespace timesheet {

std::array<DayColumn, 31> monthMarks(int month, int year) {
    std::array<DayColumn, 31> marks{};
    const QDate first(year, month, 1);
    const int days = first.daysInMonth();
    for (int day = 1; day <= 31; ++day) {
        DayColumn& column = marks[size_t(day - 1)];
        column.pastEnd = day > days;
        column.weekend = !column.pastEnd && first.addDays(day - 1).dayOfWeek() >= Qt::Saturday;
    }
    return marks;
}

Ink titleInk(const DayColumn& column) {
    if (column.pastEnd)
        return Ink::Silver;
    return column.weekend ? Ink::Red : Ink::Normal;
}

Ink columnInk(const DayColumn& column) {
    if (column.pastEnd)
        return Ink::Hidden;
    return column.weekend ? Ink::Red : Ink::Normal;
}

CellLook dayCellLook(int hours, const DayColumn& column, bool selected) {
    CellLook look{columnInk(column)};
    if (selected) {
        look.asSelected = true;
        return look;
    }
    // A day the month does not have shows nothing, whatever a stray value says.
    if (column.pastEnd)
        return look;
    if (hours == 0) {
        if (!column.weekend)
            look.ink = Ink::Silver;
    } else if (hours == 8) {
        look.bold = true;
    } else if (hours >= 9) {
        look.bold = true;
        look.shaded = true;
    }
    return look;
}

QStringList yearList(const QDate& today, int journalYear) {
    const int from = std::min(2007, journalYear);
    const int to = std::max(today.year(), journalYear);
    QStringList years;
    for (int year = from; year <= to; ++year)
        years << QString::number(year);
    return years;
}

const QStringList& monthNames() {
    static const QStringList names = {
        QStringLiteral("Январь"),  QStringLiteral("Февраль"), QStringLiteral("Март"),
        QStringLiteral("Апрель"),  QStringLiteral("Май"),     QStringLiteral("Июнь"),
        QStringLiteral("Июль"),    QStringLiteral("Август"),  QStringLiteral("Сентябрь"),
        QStringLiteral("Октябрь"), QStringLiteral("Ноябрь"),  QStringLiteral("Декабрь")};
    return names;
}

} // namespace timesheet
