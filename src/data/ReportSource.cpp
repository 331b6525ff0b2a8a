#include "ReportSource.h"

#include "Error.h"
#include "ResultSet.h"

namespace data {

namespace {

// A report server that failed is not asked again at every report: a host that does not
// answer costs the connect timeout each time.
constexpr std::chrono::minutes retryAfter{5};
constexpr int lagShownFrom = 60; // seconds

// Whether the report server may be read, and how far behind it is, in one round trip. It
// must be in recovery (a promoted standby takes writes of its own) and of the primary's
// cluster (another plant's server may hold a database of the same name and logins).
// Only a standby that has received changes it has not yet replayed is behind; an idle
// primary leaves the last replayed change old without the data being so. A standby that has
// replayed no change since it started has no replay time: its data then hold nothing newer
// than its last restartpoint, which the control file tells any login.
const char* const probeSql =
    "select pg_is_in_recovery() as in_recovery, s.system_identifier::text as system,\n"
    "       case when pg_last_wal_receive_lsn() > pg_last_wal_replay_lsn() then\n"
    "           extract(epoch from now() - coalesce(pg_last_xact_replay_timestamp(),\n"
    "                                               c.checkpoint_time))::int end as lag,\n"
    "       to_char(coalesce(pg_last_xact_replay_timestamp(), c.checkpoint_time),\n"
    "               'DD.MM.YYYY HH24:MI') as last_change,\n"
    "       pg_last_xact_replay_timestamp() is not null as last_change_known\n"
    "  from pg_control_system() s, pg_control_checkpoint() c";

const char* const systemSql = "select system_identifier::text as system from pg_control_system()";

} // namespace

ReportSource::ReportSource(Connection& primary, const QString& loginName,
                           const QString& loginPassword)
    : primary_(primary), loginName_(loginName), loginPassword_(loginPassword) {}

void ReportSource::setServer(const ReportServer& server) {
    server_ = server;
    reports_.close();
    failedAt_.reset();
}

QString ReportSource::fallbackText(Refusal why) {
    const QString reason =
        why == Refusal::OtherCluster
            ? QStringLiteral("Сервер отчетов не является копией основного сервера БД (другой "
                             "кластер)")
        : why == Refusal::NotInRecovery
            ? QStringLiteral("Сервер отчетов не в режиме восстановления (уже не копия основного "
                             "сервера БД, в него могли писать)")
            : QStringLiteral("Сервер отчетов недоступен");
    return reason + QStringLiteral(": отчеты строятся по данным основного сервера БД.");
}

QString ReportSource::lagText(const Lag& lag) {
    const int minutes = lag.seconds / 60;
    const QString age = minutes >= 60
                            ? QStringLiteral("%1 ч %2 мин").arg(minutes / 60).arg(minutes % 60)
                            : QStringLiteral("%1 мин").arg(minutes);
    return (lag.lastChangeKnown
                ? QStringLiteral("Данные сервера отчетов отстают на %1: последнее изменение от %2.")
                : QStringLiteral("Данные сервера отчетов отстают на %1: в них нет изменений "
                                 "после %2."))
        .arg(age, lag.lastChange);
}

QString ReportSource::primarySystem() {
    if (primarySystem_.isEmpty() || primarySystemServer_ != primary_.server()) {
        ResultSet system(primary_);
        system.setSql(QString::fromUtf8(systemSql));
        system.open();
        primarySystem_ = system.asString(QStringLiteral("system"));
        primarySystemServer_ = primary_.server();
    }
    return primarySystem_;
}

ReportSource::Probe ReportSource::probe(const QString& primarySystem) {
    ResultSet found(reports_);
    found.setSql(QString::fromUtf8(probeSql));
    found.open();
    if (found.asString(QStringLiteral("system")) != primarySystem)
        return {Refusal::OtherCluster, std::nullopt};
    if (found.asInt64(QStringLiteral("in_recovery")) != 1)
        return {Refusal::NotInRecovery, std::nullopt};
    if (found.isNull(QStringLiteral("lag")))
        return {};
    const int seconds = int(found.asInt64(QStringLiteral("lag")));
    if (seconds <= lagShownFrom)
        return {};
    return {std::nullopt, Lag{seconds, found.asString(QStringLiteral("last_change")),
                              found.asInt64(QStringLiteral("last_change_known")) == 1}};
}

ReportSource::Ready ReportSource::ready() {
    if (!server_.isSet())
        return {primary_, std::nullopt, std::nullopt};
    const QString database = server_.database.isEmpty() ? primary_.database() : server_.database;
    // Another login (a new session of the program) gets a report session of its own.
    if (reports_.isOpen() && (reports_.user() != loginName_ || reports_.database() != database))
        reports_.close();
    const auto now = std::chrono::steady_clock::now();
    if (reports_.isOpen() || !failedAt_ || now - *failedAt_ >= retryAfter) {
        // Outside the fallback: a primary that cannot answer fails the report anyway.
        const QString system = primarySystem();
        try {
            if (!reports_.isOpen())
                reports_.open(server_.server, database, loginName_, loginPassword_);
            const Probe found = probe(system);
            if (!found.refusal) {
                failedAt_.reset();
                return {reports_, std::nullopt, found.lag};
            }
            refusal_ = *found.refusal;
        } catch (const Error&) {
            refusal_ = Refusal::Unreachable;
        }
        // A wrong server is asked again as late as one that did not answer: it may be made
        // right meanwhile.
        reports_.close();
        failedAt_ = now;
    }
    std::optional<QString> notice;
    const unsigned reason = 1u << unsigned(refusal_);
    if (!(told_ & reason)) {
        told_ |= reason;
        notice = fallbackText(refusal_);
    }
    return {primary_, notice, std::nullopt};
}

} // namespace data
