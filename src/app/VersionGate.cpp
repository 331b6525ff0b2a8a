#include "VersionGate.h"

#include "SchemaVersion.h"
#include "StartupStatements.h"
#include "state/DataModule.h"

namespace app {

VersionGate::VersionGate(state::DataModule& dm, std::function<BuildStamp()> stamp)
    : dm_(dm), stampOf_(std::move(stamp)) {}

bool VersionGate::schemaFits() {
    const std::optional<QString> refused = schemaRefusal(dm_.connection);
    refusal_ = refused.value_or(QString());
    return !refused;
}

VersionGate::Outcome VersionGate::run() {
    stamp_ = stampOf_();
    if (!schemaFits())
        return Outcome::OtherSchema;
    data::ResultSet ver(dm_.connection, QStringLiteral("ver"));
    ver.setSql(statements::buildStamp());
    ver.setUpdateTable(QStringLiteral("accounts_dep.ver"), {}); // one row, no key
    ver.open();
    ver.first();
    auto stored = [&ver] {
        return BuildStamp{ver.asInt(QStringLiteral("d")), ver.asInt(QStringLiteral("t"))};
    };
    Outcome outcome = Outcome::Current;
    if (stored() < stamp_) {
        if (ver.isEmpty())
            ver.append();
        else
            ver.edit();
        ver.setValue(QStringLiteral("d"), stamp_.date);
        ver.setValue(QStringLiteral("t"), stamp_.time);
        ver.post();
        outcome = Outcome::Raised;
    }
    if (stamp_ < stored()) {
        outcome = Outcome::Newer;
        refusal_ = newerMessage();
    }
    return outcome;
}

VersionGate::Outcome VersionGate::check() {
    stamp_ = stampOf_();
    if (!schemaFits())
        return Outcome::OtherSchema;
    data::ResultSet ver(dm_.connection, QStringLiteral("ver"));
    ver.setSql(statements::buildStamp());
    ver.open();
    ver.first();
    const BuildStamp stored{ver.asInt(QStringLiteral("d")), ver.asInt(QStringLiteral("t"))};
    if (!(stamp_ < stored))
        return Outcome::Current;
    refusal_ = newerMessage();
    return Outcome::Newer;
}

QString VersionGate::newerMessage() {
    return QStringLiteral("Версия программы не соответсвует БД! Запустите программу через 5 мин.");
}

} // namespace app
