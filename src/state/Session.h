#pragma once

#include <QDate>
#include <QString>

namespace state {

// What the whole program knows about the running session: who logged in, the shift, date
// and day off the journal shows, and the build stamp the gate last checked. The login and
// the journal window write it; every window reads it without knowing either of them.
// The password lives here in memory only and is never written anywhere.
struct Session {
    QString loginName;
    QString loginPassword;
    int selectedShift = 1; // 1..3, 4 is overtime
    QDate journalDate;
    bool dayOff = false;
    // Set at login from the login's group: an operator's double-click accepts the position.
    bool acceptOnDoubleClick = false;
    int buildDate = 0;
    int buildTime = 0;
};

} // namespace state
