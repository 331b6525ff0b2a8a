#pragma once

#include "journal/JournalStatements.h"
#include "state/DataModule.h"
#include "timesheet/TimesheetStatements.h"

namespace testdb {

// A data module whose journal and timesheet queries carry their statements, as the application
// makes it.
struct PreparedModule : state::DataModule {
    PreparedModule() {
        journal::statements::prepareShiftJournals(*this);
        timesheet::statements::prepareShiftMonths(*this);
    }
};

} // namespace testdb
