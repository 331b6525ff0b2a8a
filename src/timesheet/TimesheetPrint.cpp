#include "TimesheetPrint.h"

#include "TimesheetStatements.h"

#include <QStringList>
#include <array>

namespace timesheet {

namespace {

// Left edges of the day columns, in millimetres from the left margin.
constexpr std::array<double, 31> dayLeft = {81.2,  87.8,  93.7,  100.0, 106.1, 112.4, 118.8, 125.4,
                                            131.8, 137.6, 143.1, 148.7, 154.3, 159.8, 165.4, 170.9,
                                            176.5, 182.0, 187.6, 193.1, 198.7, 204.3, 209.8, 215.4,
                                            220.9, 226.5, 232.0, 237.6, 243.2, 248.7, 254.3};
constexpr double dayWidth = 5.3;
constexpr double totalLeft = 264.6, totalWidth = 10.3;
const QColor dotted = QColor(0x80, 0x80, 0x80);

output::Band heading() {
    using output::Item;
    output::Band band = output::Band::of(QStringLiteral("heading"), 6.6)
                            .framed(output::Frame::Top | output::Frame::Bottom);
    band.items.push_back(Item::label(0.0, dayLeft[0], QStringLiteral("Данные за:"))
                             .bold()
                             .named(QStringLiteral("QRLabel33")));
    for (int day = 1; day <= 31; ++day)
        band.items.push_back(Item::label(dayLeft[size_t(day - 1)], dayWidth, QString::number(day),
                                         output::Align::Center)
                                 .bold()
                                 .framed(output::Frame::Left | output::Frame::Right, dotted, true)
                                 .named(QStringLiteral("QRLabel%1").arg(day)));
    band.items.push_back(
        Item::label(totalLeft, totalWidth, QStringLiteral("Итого"), output::Align::Center)
            .bold()
            .named(QStringLiteral("QRLabel32")));
    return band;
}

std::array<QString, 31> dayFields() {
    std::array<QString, 31> names;
    for (int day = 1; day <= 31; ++day)
        names[size_t(day - 1)] = QStringLiteral("sd%1").arg(day);
    return names;
}

output::Band detail() {
    using output::Item;
    output::Band band = output::Band::of(QStringLiteral("detail"), 6.3)
                            .framed(output::Frame::Top | output::Frame::Bottom, dotted, true);
    band.items.push_back(Item::ofField(0.0, 80.4, QStringLiteral("fio")));
    for (int day = 1; day <= 31; ++day) {
        Item cell = Item::ofField(dayLeft[size_t(day - 1)], dayWidth,
                                  QStringLiteral("sd%1").arg(day), output::Align::Center)
                        .withFont(QStringLiteral("Microsoft Sans Serif"), 9);
        if (day % 2 == 1)
            cell.framed(output::Frame::Left | output::Frame::Right, dotted, true);
        band.items.push_back(cell);
    }
    band.items.push_back(Item::ofExpression(
                             totalLeft, totalWidth,
                             [names = dayFields()](const output::Row& row) {
                                 qint64 total = 0;
                                 for (const QString& name : names)
                                     total += qint64(row.number(name));
                                 return QVariant(total);
                             },
                             output::Align::Center)
                             .withFont(QStringLiteral("Microsoft Sans Serif"), 9, true));
    return band;
}

} // namespace

TimesheetPrint::TimesheetPrint(data::Connection& connection)
    : monthRows(connection, QStringLiteral("H_Tabel")),
      report(QStringLiteral("TForm15"), monthRows) {
    monthRows.setSql(statements::monthPrint());
    report.layout = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    report.pageHeader.push_back(heading());
    report.detail.push_back(detail());
    report.pageFooter = output::Band::of(
        QStringLiteral("footer"), 4.5,
        {output::Item::pageNumber(252.7, 25.7).withFont(QStringLiteral("MS Sans Serif"), 10)});
}

void TimesheetPrint::openMonth(int month, int year) {
    monthRows.close();
    monthRows.setParam(QStringLiteral("mnth"), month);
    monthRows.setParam(QStringLiteral("yea"), year);
    monthRows.open();
}

output::PreparedReport TimesheetPrint::prepare(const QString& monthName, const QString& year) {
    report.setText(QStringLiteral("QRLabel33"),
                   monthName + QLatin1Char(' ') + year + QStringLiteral(" г."));
    report.title = QStringLiteral("Табель по времени");
    return report.prepare();
}

} // namespace timesheet
