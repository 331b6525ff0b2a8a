#include "MonthRebuild.h"

#include "TimesheetStatements.h"
#include "data/Error.h"
#include "data/Transaction.h"

#include <QDate>
#include <QStringList>

namespace timesheet {

MonthRebuild::MonthRebuild(data::Connection& connection)
    : lockMonth_(connection, QStringLiteral("LockMonth")),
      deleteMonth_(connection, QStringLiteral("DelMonth")),
      insertMonth_(connection, QStringLiteral("InsMonth")), connection_(connection) {
    lockMonth_.setSql(statements::monthLock());
    deleteMonth_.setSql(statements::monthDelete());
    insertMonth_.setSql(statements::monthInsert());
    // The server's generic plan for any month walks the index and took half as long again.
    deleteMonth_.setFreshPlans(true);
    insertMonth_.setFreshPlans(true);
}

void MonthRebuild::run(int month, int year) {
    const QDate first(year, month, 1);
    if (!first.isValid())
        throw data::ConversionError(QStringLiteral("Неверный месяц: %1.%2").arg(month).arg(year));
    for (data::Command* c : {&lockMonth_, &deleteMonth_, &insertMonth_}) {
        c->setParam(QStringLiteral("mnth"), month);
        c->setParam(QStringLiteral("yea"), year);
    }
    insertMonth_.setParam(QStringLiteral("first"), first);
    insertMonth_.setParam(QStringLiteral("next"), first.addMonths(1));

    data::Transaction transaction(connection_);
    // A statement of its own: the delete that follows must see what a rebuild we waited for
    // has committed.
    lockMonth_.executeScalar();
    deleteMonth_.execute();
    try {
        insertMonth_.execute();
    } catch (const data::DbError& e) {
        if (!e.isOutOfRange())
            throw;
        throw e.refused(QStringLiteral("Табель за %1 не пересчитан: часы работника за день больше "
                                       "32 767, столько ячейка табеля не вмещает.")
                            .arg(first.toString(QStringLiteral("MM.yyyy"))));
    }
    transaction.commit();
}

} // namespace timesheet
