#include "SummaryReports.h"

#include "SummaryLayouts.h"
#include "data/Defaults.h"
#include "data/Error.h"
#include "data/NumberText.h"
#include "data/ResultSet.h"
#include "data/SqlText.h"
#include "data/Value.h"
#include "output/Spreadsheet.h"

#include <QStringList>
#include <climits>
#include <memory>

namespace reports {

using output::PreparedReport;
using output::Report;

namespace {

// Workers are grouped by their number after the name, so namesakes stay two workers.
const char* const byWorkers[] = {
    "select person.s_caption fio, w_id, sum(smena.kol_vo-smena.brak) as kolvo, ",
    "sum((kol_vo-brak)*smena.cena) as summa,vid_oper.vid,",
    "izdel.nom, oper.naimen, color from cmn_contractor.person "
    "person,accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper,",
    "accounts_dep.oper where w_id=s_code::integer and izdel.id=smena.i_id and "
    "vid_oper.id=oper.vid",
    "and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 ",
    "group by fio, w_id, izdel.nom, oper.naimen, vid_oper.vid, color order by fio, w_id, "
    "izdel.nom",
    nullptr};

const char* const byProducts[] = {
    "select sum(smena.kol_vo-smena.brak) as kolvo, vid_oper.vid,",
    "izdel.nom, oper.naimen, color,  round((izdel.massa*sum(smena.kol_vo-smena.brak))::numeric,2) "
    "as mass",
    "from accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper, accounts_dep.oper where "
    "izdel.id=smena.i_id and vid_oper.id=oper.vid",
    "and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 ",
    "group by izdel.nom,color, oper.naimen, vid_oper.vid, izdel.massa order by izdel.nom",
    nullptr};

// oper has a price of its own: the position's price and bonus are named with their table.
const char* const detailedByWorkers[] = {
    "select s_caption fio, w_id, izdel.marka, vid_oper.vid, oper.naimen, ",
    "sum(smena.kol_vo) as kolvo, sum(smena.brak) as brk, sum((kol_vo-brak)*",
    "smena.cena) as summa, color, sum(smena.prize*(kol_vo-brak)*smena.cena/100) as s_prize ",
    "from cmn_contractor.person "
    "person,accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper where ",
    "smena.o_id=oper.id and smena.w_id=s_code::integer and smena.i_id=izdel.id ",
    "and smena.o_id=oper.id and w_id=s_code::integer and oper.vid=vid_oper.id ",
    "and smena.data<:data2 and smena.data>=:data1 group by fio, w_id, marka, ",
    "vid_oper.vid, oper.naimen, color order by fio, w_id, marka, vid_oper.vid, oper.naimen",
    nullptr};

const char* const detailedByProducts[] = {
    "select izdel.marka, vid_oper.vid vid, oper.naimen, izdel.nom,",
    "sum(smena.kol_vo) as kolvo, sum(smena.brak) as brk, ",
    "sum((kol_vo-brak)*smena.cena) as summa, color, "
    "round((izdel.massa*sum(smena.kol_vo))::numeric,2) as mass ",
    "from accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper where "
    "smena.o_id=oper.id and smena.i_id=izdel.id ",
    "and smena.o_id=oper.id and oper.vid=vid_oper.id and smena.data<:data2 and ",
    "smena.data>=:data1 group by izdel.nom, marka, vid_oper.vid, oper.naimen, color,massa ",
    "order by izdel.nom,marka, vid_oper.vid, oper.naimen",
    nullptr};

// Requisition numbers restart, so two documents of one number are told apart by their id.
const char* const detailedByRequisitions[] = {
    "select izdel.marka, vid_oper.vid vid, oper.naimen, izdel.nom, sum(smena.kol_vo) as kolvo, "
    "sum(smena.brak) as brk, ",
    "sum((kol_vo-brak)*smena.cena) as summa, color, "
    "round((izdel.massa*sum(smena.kol_vo))::numeric,2) as mass, doc_in.s_number, doc_in.id  ",
    "from accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper, "
    "mnf_doc.doc doc_in where smena.o_id=oper.id and smena.i_id=izdel.id ",
    "and smena.o_id=oper.id and oper.vid=vid_oper.id and smena.data<:data2 and ",
    "smena.data>=:data1 and doc_in.id = smena.id_doc group by  s_number, doc_in.id, izdel.nom, "
    "marka, vid_oper.vid, oper.naimen, color,massa ",
    "order by s_number, doc_in.id, izdel.nom,marka, vid_oper.vid, oper.naimen",
    nullptr};

const char* const exportLines[] = {
    "select sum(smena.kol_vo-smena.brak) as kolvo, vid_oper.vid,",
    "izdel.nom, oper.naimen, color,izdel.massa*sum(smena.kol_vo-smena.brak) as mass ",
    "from accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper, accounts_dep.oper where "
    "izdel.id=smena.i_id and vid_oper.id=oper.vid",
    "and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 ",
    "group by izdel.nom,color, oper.naimen, vid_oper.vid, izdel.massa order by izdel.nom",
    nullptr};

const SummaryReport summaries[] = {
    {16, "Button4", "Отчет по рабочим", "   Отчет по рабочим за период с ", "t_Report", byWorkers,
     workersLayout},
    {17, "Button2", "Отчет по продукции", "   Отчет по продукции за период с ", "t_Report",
     byProducts, productsLayout},
    {20, "Button1", "Детальный отчет по рабочим", "   Детальный отчет по рабочим за период с ",
     "w_Report", detailedByWorkers, detailedWorkersLayout},
    {21, "Button3", "Детальный отчет по продукции", "   Детальный отчет по продукции за период с ",
     "i_Report", detailedByProducts, detailedProductsLayout},
    {25, "Button7", "Детальный отчет по заявкам", "   Детальный отчет по заявкам за период с ",
     "i_Report", detailedByRequisitions, detailedRequisitionsLayout},
};

const SummaryReport* find(int number) {
    for (const SummaryReport& s : summaries)
        if (s.number == number)
            return &s;
    return nullptr;
}

QString joined(const char* const* lines) {
    QStringList out;
    for (; *lines; ++lines)
        out << QString::fromUtf8(*lines);
    return out.join(QLatin1Char('\n'));
}

QString dateText(const QDate& d) {
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

// The period as midnight of its first day and of the day after its last (the statements read
// up to, not including, :data2), and the kind as a filter on the fetched rows.
void select(data::ResultSet& query, const QString& sql, const ReportPeriod& period) {
    checkPeriod(period);
    query.setSql(sql);
    query.setFreshPlans(true); // a week and a year want different plans
    askReportSettings(query);
    query.setParam(QStringLiteral("data1"), period.from.startOfDay());
    query.setParam(QStringLiteral("data2"), period.to.addDays(1).startOfDay());
    if (period.kind < 0) {
        query.setFiltered(false);
    } else {
        query.setFilter(sqltext::filterEquals(QStringLiteral("naimen"), period.kind));
        query.setFiltered(true);
    }
    query.open();
}

// The colour of an export row: the ground coat, a numbered colour, or none.
QString withColour(const QString& vid, qint64 colour) {
    if (colour == 1)
        return vid + QStringLiteral(" (грунт)");
    if (colour > 1)
        return vid + QStringLiteral(" (цвет: ") + QString::number(colour) + QLatin1Char(')');
    return vid;
}

} // namespace

void askReportSettings(data::ResultSet& query) {
    query.setWorkMemory(data::defaults::reportMemory()); // a year sorted on disk at the default
}

std::span<const SummaryReport> summaryReports() {
    return summaries;
}

ReportPeriod defaultPeriod(const QDate& today) {
    const QDate thisMonth(today.year(), today.month(), 1);
    return {thisMonth.addMonths(-1), thisMonth.addDays(-1), -1};
}

void checkPeriod(const ReportPeriod& period) {
    if (!period.from.isValid() || !period.to.isValid())
        throw data::ConversionError(QStringLiteral("Период отбора не задан"));
    if (period.to < period.from)
        throw data::ConversionError(QStringLiteral("Конец периода (по %1) раньше его начала (с %2)")
                                        .arg(dateText(period.to), dateText(period.from)));
}

bool isSummaryReport(int number) {
    return find(number) != nullptr;
}

QString summaryStatement(int number) {
    const SummaryReport* s = find(number);
    return s ? joined(s->statement) : QString();
}

QString exportStatement() {
    return joined(exportLines);
}

QString summaryTitle(int number, const ReportPeriod& period) {
    const SummaryReport* s = find(number);
    return (s ? QString::fromUtf8(s->title) : QString()) + dateText(period.from) +
           QStringLiteral(" по ") + dateText(period.to);
}

std::unique_ptr<output::Preparation> startSummary(data::Connection& db, int number,
                                                  const ReportPeriod& period) {
    const SummaryReport* s = find(number);
    if (!s)
        throw data::Error(QStringLiteral("Неизвестный отчет: %1").arg(number));
    // Closed by its end, whatever way this is left.
    auto query = std::make_unique<data::ResultSet>(db, QLatin1String(s->query));
    select(*query, summaryStatement(number), period);
    Report report = s->layout(*query);
    report.title = summaryTitle(number, period);
    report.setText(QStringLiteral("QRLabel1"), report.title);
    return std::make_unique<output::Preparation>(std::move(query), std::move(report));
}

PreparedReport prepareSummary(data::Connection& db, int number, const ReportPeriod& period) {
    const std::unique_ptr<output::Preparation> preparation = startSummary(db, number, period);
    preparation->advance(INT_MAX);
    return std::move(*preparation->pages());
}

void exportSummary(data::Connection& db, const ReportPeriod& period, output::Spreadsheet& sheet,
                   const std::function<void(int, int)>& progress) {
    data::ResultSet query(db, QStringLiteral("XLS_Rep"));
    select(query, exportStatement(), period);
    const int n = query.rowCount();
    if (progress)
        progress(0, n);
    const QString heading[] = {QStringLiteral("Наименование"), QStringLiteral("Операция"),
                               QStringLiteral("Вид продукции"), QStringLiteral("Коробки"),
                               QStringLiteral("Кол-во")};
    for (int c = 0; c < 5; ++c)
        sheet.write(1, c + 1, 1, heading[c]);
    const int nom = query.fieldIndex(QStringLiteral("nom"));
    const int vid = query.fieldIndex(QStringLiteral("vid"));
    const int naimen = query.fieldIndex(QStringLiteral("naimen"));
    const int color = query.fieldIndex(QStringLiteral("color"));
    const int mass = query.fieldIndex(QStringLiteral("mass"));
    const int kolvo = query.fieldIndex(QStringLiteral("kolvo"));
    const QString finished = QStringLiteral("Готовая продукция");
    const QString blanks = QStringLiteral("Заготовки");
    // A name such as "1,10" or a 13-digit code stays as written, not a number.
    constexpr output::CellFormat text{.asText = true};
    for (int r = 0; r < n; ++r) {
        const int row = r + 2;
        const QVariant kind = query.valueAt(r, naimen);
        sheet.writeFormatted(1, 1, row, data::value::toString(query.valueAt(r, nom)), text);
        sheet.writeFormatted(1, 2, row,
                             withColour(data::value::toString(query.valueAt(r, vid)),
                                        data::value::toInt64(query.valueAt(r, color))),
                             text);
        sheet.write(1, 3, row,
                    !data::value::isNull(kind) && data::value::toInt64(kind) == 0 ? finished
                                                                                  : blanks);
        sheet.write(1, 4, row, data::value::withDecimalComma(query.valueAt(r, mass)));
        sheet.write(1, 5, row,
                    data::value::formatValue(query.valueAt(r, kolvo), QStringLiteral("#0")));
        if (progress)
            progress(r + 1, n);
    }
    query.close();
}

} // namespace reports
