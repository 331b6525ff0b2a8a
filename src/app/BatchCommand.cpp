#include "BatchCommand.h"

#include "MonthCommand.h"
#include "ReportServerSetting.h"
#include "RoleRules.h"
#include "VersionGate.h"
#include "data/Defaults.h"
#include "data/Error.h"
#include "journal/History.h"
#include "output/ReportOutput.h"
#include "output/Spreadsheet.h"
#include "output/WholeFile.h"
#include "reports/SummaryReports.h"
#include "state/DataModule.h"

#include <QCommandLineParser>
#include <QDir>
#include <QTextStream>

namespace app {

namespace {

// The report numbers come from the table of reports, so a new report is offered here too.
QString usage() {
    QStringList numbers;
    for (const reports::SummaryReport& r : reports::summaryReports())
        numbers << QString::number(r.number);
    return QStringLiteral("usage: tabel report %1 [--from D] [--to D] [--kind 0|1] --pdf FILE\n"
                          "       tabel export [--from D] [--to D] [--kind 0|1] --xlsx FILE\n"
                          "       tabel history [--from D] [--to D] [--worker N] --xlsx FILE\n"
                          "           [--server S] [--db DB] --user LOGIN    (D is DD.MM.YYYY)\n"
                          "           [--report-server S [--report-db DB]]   (report, export)\n")
        .arg(numbers.join(QLatin1Char('|')));
}

QDate typedDate(const QString& text) {
    return QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
}

// What the user is told of a file that could not be written: the path and the reason.
QString cannotWrite(const QString& path, const QString& reason) {
    return QStringLiteral("Не удалось записать файл %1: %2")
        .arg(QDir::toNativeSeparators(path), reason);
}

} // namespace

QString batchUsage() {
    QString month = monthUsage();
    month.replace(QLatin1String("usage: "), QLatin1String("       "));
    return usage() + month;
}

bool isBatchCommand(const QStringList& arguments) {
    const QString verb = arguments.value(1);
    return verb == QLatin1String("report") || verb == QLatin1String("export") ||
           verb == QLatin1String("history") || isMonthCommand(arguments);
}

namespace {

// The options each verb takes; every one takes a value. The output file's option names its
// format, so a PDF is never asked of an export.
struct BatchOption {
    const char* name;
    bool report, exportSummary, history;
};
constexpr BatchOption batchOptions[] = {
    {"from", true, true, true},       {"to", true, true, true},
    {"kind", true, true, false},      {"worker", false, false, true},
    {"pdf", true, false, false},      {"xlsx", false, true, true},
    {"server", true, true, true},     {"db", true, true, true},
    {"user", true, true, true},       {"report-server", true, true, false},
    {"report-db", true, true, false},
};

bool takes(const BatchOption& o, BatchRequest::Kind kind) {
    switch (kind) {
    case BatchRequest::Kind::Report:
        return o.report;
    case BatchRequest::Kind::Export:
        return o.exportSummary;
    case BatchRequest::Kind::History:
        return o.history;
    }
    return false;
}

// The last value given, as a shell user expects of a repeated option.
// Only options given are asked for: the parser warns on stderr of one this command lacks.
std::optional<QString> lastValue(const QCommandLineParser& parser, const char* name) {
    if (!parser.optionNames().contains(QLatin1String(name)))
        return std::nullopt;
    const QStringList values = parser.values(QLatin1String(name));
    return values.isEmpty() ? std::nullopt : std::optional<QString>(values.last());
}

} // namespace

std::optional<BatchRequest> parseBatch(const QStringList& arguments, const QDate& today,
                                       QTextStream& err) {
    BatchRequest r;
    const QString verb = arguments.value(1);
    r.kind = verb == QLatin1String("report")    ? BatchRequest::Kind::Report
             : verb == QLatin1String("history") ? BatchRequest::Kind::History
                                                : BatchRequest::Kind::Export;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const BatchOption& o : batchOptions)
        if (takes(o, r.kind))
            parser.addOption(
                QCommandLineOption(QLatin1String(o.name), QString(), QStringLiteral("value")));
    QStringList rest = arguments;
    rest.removeAt(1); // the verb
    const bool parsed = parser.parse(rest);
    const QStringList positional = parser.positionalArguments();
    const int wantedPositional = r.kind == BatchRequest::Kind::Report ? 1 : 0;
    if (!parsed || positional.size() != wantedPositional) {
        err << usage();
        return std::nullopt;
    }

    const reports::ReportPeriod offered = reports::defaultPeriod(today);
    r.from = offered.from;
    r.to = offered.to;
    for (auto [name, date] : {std::pair{"from", &r.from}, std::pair{"to", &r.to}}) {
        if (const std::optional<QString> value = lastValue(parser, name)) {
            *date = typedDate(*value);
            if (!date->isValid()) {
                err << QStringLiteral("Неверная дата: %1\n").arg(*value);
                return std::nullopt;
            }
        }
    }
    try {
        reports::checkPeriod({r.from, r.to});
    } catch (const data::Error& e) {
        err << e.text() << '\n';
        return std::nullopt;
    }
    if (const std::optional<QString> value = lastValue(parser, "worker")) {
        bool ok = false;
        r.worker = value->toInt(&ok);
        if (!ok || *r.worker < 0) {
            err << QStringLiteral("Неверный табельный номер: %1\n").arg(*value);
            return std::nullopt;
        }
    }
    if (const std::optional<QString> value = lastValue(parser, "kind")) {
        if (*value != QLatin1String("0") && *value != QLatin1String("1")) {
            err << QStringLiteral("Неверный вид продукции: %1\n").arg(*value);
            return std::nullopt;
        }
        r.productKind = value->toInt();
    }
    r.file = lastValue(parser, r.kind == BatchRequest::Kind::Report ? "pdf" : "xlsx")
                 .value_or(QString());
    r.server = lastValue(parser, "server").value_or(QString());
    r.database = lastValue(parser, "db").value_or(QString());
    r.user = lastValue(parser, "user").value_or(QString());
    r.reportServer = lastValue(parser, "report-server").value_or(QString());
    r.reportDatabase = lastValue(parser, "report-db").value_or(QString());

    if (r.kind == BatchRequest::Kind::Report) {
        const QString number = positional.first();
        bool ok = false;
        r.report = number.toInt(&ok);
        if (!ok || !reports::isSummaryReport(r.report)) {
            err << QStringLiteral("Неизвестный отчет: %1\n").arg(number);
            return std::nullopt;
        }
    }
    if (r.file.isEmpty() || trimLogin(r.user).isEmpty()) {
        err << usage();
        return std::nullopt;
    }
    const data::defaults::ServerAndDatabase target = data::defaults::chosen(r.server, r.database);
    r.server = target.server;
    r.database = target.database;
    return r;
}

Group batchGroup(data::Connection& db, const QString& login, QTextStream& err) {
    const Group group = groupOfConnectedLogin(db);
    if (group == Group::None)
        err << noGroupMessage(login) << '\n';
    return group;
}

bool batchGatePasses(state::DataModule& dm, QTextStream& err) {
    dm.connection.exec("set default_transaction_read_only = on");
    VersionGate gate(dm);
    if (const VersionGate::Outcome o = gate.check();
        o == VersionGate::Outcome::Newer || o == VersionGate::Outcome::OtherSchema) {
        err << gate.refusal() << '\n';
        return false;
    }
    return true;
}

int runBatch(const BatchRequest& request, QTextStream& err) {
    const QString login = trimLogin(request.user);
    if (!mayUseReports(login)) {
        err << QStringLiteral("Пользователю %1 отчеты недоступны\n").arg(login);
        return BatchFailed;
    }
    state::DataModule dm;
    try {
        dm.connection.open(request.server, request.database, login, QString());
        const Group group = batchGroup(dm.connection, login, err);
        if (group == Group::None)
            return BatchFailed;
        if (!rightsOf(login, group).reports) {
            err << QStringLiteral("Пользователю %1 отчеты недоступны\n").arg(login);
            return BatchFailed;
        }
        // Nothing this run does may write, the build stamp included.
        if (!batchGatePasses(dm, err))
            return BatchFailed;
        const reports::ReportPeriod period{request.from, request.to, request.productKind};
        // The report server is asked with the same login; libpq finds its password too.
        data::Connection* source = &dm.connection;
        if (request.kind != BatchRequest::Kind::History) {
            dm.session.loginName = login;
            dm.reports.setServer(
                request.reportServer.isEmpty()
                    ? readReportServer(reportSettingsPath())
                    : data::ReportServer{request.reportServer, request.reportDatabase});
            const data::ReportSource::Ready ready = dm.reports.ready();
            if (ready.fallbackNotice)
                err << *ready.fallbackNotice << '\n';
            if (ready.lag)
                err << data::ReportSource::lagText(*ready.lag) << '\n';
            source = &ready.connection;
        }
        bool written = false;
        if (request.kind == BatchRequest::Kind::Report) {
            const output::PreparedReport pages =
                reports::prepareSummary(*source, request.report, period);
            QString reason;
            written = output::writeWhole(
                request.file,
                [&pages](const QString& part, QString& why) {
                    try {
                        output::writePdf(pages, part);
                        return true;
                    } catch (const data::Error&) {
                        why = QStringLiteral("ошибка записи PDF");
                        return false;
                    }
                },
                reason);
            if (!written)
                err << cannotWrite(request.file, reason) << '\n';
        } else {
            output::Spreadsheet sheet;
            sheet.openForSave();
            if (request.kind == BatchRequest::Kind::History)
                journal::exportPeriodHistory(dm.connection, request.from, request.to,
                                             request.worker, sheet);
            else
                reports::exportSummary(*source, period, sheet, {});
            sheet.saveTo(request.file);
            written = true;
        }
        return written ? BatchDone : BatchFailed;
    } catch (const data::Error& e) {
        // What a window's guard would show, the spreadsheet's refusals included.
        err << e.text() << '\n';
        return BatchFailed;
    }
}

int runBatchCommand(const QStringList& arguments, QTextStream& err,
                    const std::function<QDate()>& today) {
    if (isMonthCommand(arguments)) {
        QTextStream out(stdout);
        return runMonthCommand(arguments, out, err);
    }
    const std::optional<BatchRequest> request = parseBatch(arguments, today(), err);
    return request ? runBatch(*request, err) : BatchBadArguments;
}

} // namespace app
