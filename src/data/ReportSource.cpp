#include "ReportSource.h"

#include "Error.h"
#include "ResultSet.h"
#include "Session.h"

namespace data {

namespace {

// A report server that failed is not asked again at every report: a host that does not
// answer costs the connect timeout each time.
constexpr std::chrono::minutes retryAfter{5};
constexpr int lagShownFrom = 60; // seconds

// Only a standby that has received changes it has not yet replayed is behind; an idle
// primary leaves the last replayed change old without the data being so.
const char* const lagSql =
    "select extract(epoch from now() - pg_last_xact_replay_timestamp())::int as lag,\n"
    "       to_char(pg_last_xact_replay_timestamp(), 'DD.MM.YYYY HH24:MI') as last_change\n"
    " where pg_last_wal_receive_lsn() > pg_last_wal_replay_lsn()";

} // namespace

ReportSource::ReportSource(Connection& primary, const Session& session)
    : primary_(primary), session_(session) {}

void ReportSource::setServer(const ReportServer& server) {
    server_ = server;
    reports_.close();
    failedAt_.reset();
}

QString ReportSource::fallbackText() {
    return QStringLiteral("Сервер отчетов недоступен: отчеты строятся по данным основного "
                          "сервера БД.");
}

QString ReportSource::lagText(const Lag& lag) {
    const int minutes = lag.seconds / 60;
    const QString age = minutes >= 60
                            ? QStringLiteral("%1 ч %2 мин").arg(minutes / 60).arg(minutes % 60)
                            : QStringLiteral("%1 мин").arg(minutes);
    return QStringLiteral("Данные сервера отчетов отстают на %1: последнее изменение от %2.")
        .arg(age, lag.lastChange);
}

std::optional<ReportSource::Lag> ReportSource::probe() {
    ResultSet lag(reports_);
    lag.setSql(QString::fromUtf8(lagSql));
    lag.open();
    if (lag.rowCount() == 0 || lag.isNull(QStringLiteral("lag")))
        return std::nullopt;
    const int seconds = int(lag.asInt64(QStringLiteral("lag")));
    if (seconds <= lagShownFrom)
        return std::nullopt;
    return Lag{seconds, lag.asString(QStringLiteral("last_change"))};
}

ReportSource::Ready ReportSource::ready() {
    if (!server_.isSet())
        return {primary_, std::nullopt, std::nullopt};
    const QString database = server_.database.isEmpty() ? primary_.database() : server_.database;
    // Another login (a new session of the program) gets a report session of its own.
    if (reports_.isOpen() &&
        (reports_.user() != session_.loginName || reports_.database() != database))
        reports_.close();
    const auto now = std::chrono::steady_clock::now();
    if (reports_.isOpen() || !failedAt_ || now - *failedAt_ >= retryAfter) {
        try {
            if (!reports_.isOpen())
                reports_.open(server_.server, database, session_.loginName, session_.loginPassword);
            std::optional<Lag> lag = probe();
            failedAt_.reset();
            return {reports_, std::nullopt, lag};
        } catch (const Error&) {
            reports_.close();
            failedAt_ = now;
        }
    }
    std::optional<QString> notice;
    if (!told_) {
        told_ = true;
        notice = fallbackText();
    }
    return {primary_, notice, std::nullopt};
}

} // namespace data
