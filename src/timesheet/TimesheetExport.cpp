#include "TimesheetExport.h"

#include "TimesheetPrint.h"
#include "data/Value.h"
#include "output/Spreadsheet.h"

namespace timesheet {

namespace {

QString progressCaption(int done, int total) {
    return QStringLiteral("Excel (%1 из %2)").arg(done).arg(total);
}

// Every column fits its longest text; names stay text, hours are numbers; the heading is bold.
constexpr output::CellFormat headingText{.asText = true, .fitColumn = true, .bold = true};
constexpr output::CellFormat headingNumber{.fitColumn = true, .bold = true};
constexpr output::CellFormat nameCell{.asText = true, .fitColumn = true};
constexpr output::CellFormat hoursCell{.fitColumn = true};

void writeHeading(output::Spreadsheet& book, const QString& heading) {
    book.writeFormatted(1, 1, 1, heading, headingText);
    book.writeFormatted(1, 1, 2, QStringLiteral("Фамилия И.О."), headingText);
    for (int day = 1; day <= 31; ++day)
        book.writeFormatted(1, day + 1, 2, QString::number(day), headingNumber);
    book.writeFormatted(1, 33, 2, QStringLiteral("Итого"), headingText);
}

} // namespace

void exportMonth(TimesheetPrint& print, int month, int year, const QString& heading,
                 const std::function<void(const QString& caption)>& progress) {
    data::ResultSet& rows = print.monthRows;
    struct CloseAfter {
        data::ResultSet& rows;
        ~CloseAfter() { rows.close(); }
    } closeAfter{rows};
    print.openMonth(month, year);

    output::Spreadsheet book;
    book.open({});
    book.show(false);
    const int total = rows.rowCount();
    progress(progressCaption(0, total));
    writeHeading(book, heading);

    int sheetRow = 3;
    for (rows.first(); !rows.eof(); rows.next()) {
        book.writeFormatted(1, 1, sheetRow, rows.asString(QStringLiteral("fio")), nameCell);
        qint64 sum = 0;
        for (int day = 1; day <= 31; ++day) {
            const QString field = QStringLiteral("sd%1").arg(day);
            const qint64 hours = rows.isNull(field) ? 0 : rows.asInt64(field);
            sum += hours;
            book.writeFormatted(1, day + 1, sheetRow, QString::number(hours), hoursCell);
        }
        book.writeFormatted(1, 33, sheetRow, QString::number(sum), hoursCell);
        ++sheetRow;
        progress(progressCaption(sheetRow - 3, total));
    }
    book.show(true);
}

} // namespace timesheet
