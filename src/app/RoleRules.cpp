#include "RoleRules.h"

#include "StartupStatements.h"
#include "data/ResultSet.h"
#include "journal/JournalWindow.h"

#include <QAction>
#include <QWidget>

namespace app {

namespace {

struct GroupName {
    Group group;
    const char* name;
};
const GroupName groupNames[] = {{Group::User, "tabel_user"},
                                {Group::Operator, "tabel_operator"},
                                {Group::Reader, "tabel_reader"}};

constexpr Rights userRights{.edit = true, .reports = true, .journal = true};
constexpr Rights userAcceptingRights{
    .edit = true, .accept = true, .reports = true, .journal = true};
constexpr Rights operatorRights{.accept = true, .journal = true, .acceptOnDoubleClick = true};
constexpr Rights readerRights{.reports = true};

struct DemoLogin {
    const char* name;
    Rights rights;
};
const DemoLogin demoLogins[] = {
    {"master", userRights},        {"operator4", userAcceptingRights},
    {"sys", userAcceptingRights},  {"operator1", operatorRights},
    {"operator2", operatorRights}, {"operator3", operatorRights},
    {"econom", readerRights},
};

const DemoLogin* demoLogin(const QString& loginName) {
    for (const DemoLogin& d : demoLogins)
        if (loginName == QLatin1String(d.name))
            return &d;
    return nullptr;
}

void enable(QWidget& journal, const char* name, bool on) {
    if (auto* w = journal.findChild<QWidget*>(QLatin1String(name)))
        w->setEnabled(on);
    else if (auto* a = journal.findChild<QAction*>(QLatin1String(name)))
        a->setEnabled(on);
    else
        qWarning("journal window has no control %s", name);
}

} // namespace

QString trimLogin(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

Group groupOfConnectedLogin(data::Connection& db) {
    data::ResultSet held(db);
    held.setSql(statements::heldGroups());
    held.open();
    Group strongest = Group::None;
    for (held.first(); !held.eof(); held.next()) {
        const QString name = held.value(QStringLiteral("rolname")).toString();
        for (const GroupName& g : groupNames)
            if (name == QLatin1String(g.name) && g.group < strongest)
                strongest = g.group;
    }
    return strongest;
}

QString noGroupMessage(const QString& loginName) {
    return QStringLiteral("Логин «%1» не входит ни в одну группу программы (tabel_user, "
                          "tabel_operator, tabel_reader): обратитесь к администратору БД.")
        .arg(loginName);
}

Rights rightsOf(const QString& loginName, Group group) {
    if (group == Group::None)
        return {};
    if (const DemoLogin* d = demoLogin(loginName))
        return d->rights;
    switch (group) {
    case Group::User:
        return userRights;
    case Group::Operator:
        return operatorRights;
    case Group::Reader:
        return readerRights;
    case Group::None:
        break;
    }
    return {};
}

void applyRights(QWidget& journal, const Rights& rights) {
    using Names = journal::JournalWindow::Names;
    for (const char* name :
         {Names::add, Names::change, Names::remove, Names::referencesMenu, Names::timesheetItem})
        enable(journal, name, rights.edit);
    // "Принять ВСЕ" is "Принять" over every row: the same right, or a login barred from
    // accepting would accept a whole shift with it.
    for (const char* name : {Names::accept, Names::acceptAll})
        enable(journal, name, rights.accept);
    enable(journal, Names::reportsMenu, rights.reports);
    for (const char* name :
         {Names::shift1, Names::shift2, Names::shift3, Names::overtime, Names::dayOff,
          Names::refresh, Names::grid, Names::date, Names::history})
        enable(journal, name, rights.journal);
}

bool mayUseReports(const QString& loginName) {
    return rightsOf(loginName, Group::User).reports;
}

} // namespace app
