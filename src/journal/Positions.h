#pragma once

#include "data/Command.h"
#include "data/ResultSet.h"

#include <QDate>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <optional>
#include <vector>

namespace state {
class DataModule;
}

// Accepting and deleting journal positions, without any window: the window gathers the
// positions, asks the question and shows what was refused. Both act on what the server holds
// now, not on what a window loaded.
namespace journal {

// 'ok' and 'да' are accepted states alike; an accepted position is neither accepted again
// nor deleted.
bool isAccepted(const QString& state);
// The same states as an SQL list for statements: "ok not in " + acceptedStatesSql().
QString acceptedStatesSql();

// A position as the master saw it when choosing it.
struct ShownPosition {
    int id = 0;
    QString ok;
    QVariantMap values; // the fields acceptance depends on, as shown
    QString label;      // worker, operation and quantity, as a refusal names the position

    // The current row of a journal query.
    static ShownPosition current(const data::ResultSet& journalQuery);
};

struct Refusal {
    enum Reason {
        NoMaterials,      // no material use recorded for it, nor for the position it came from
        ChangedElsewhere, // changed, accepted or deleted on another workstation since shown
    };
    int id;
    Reason reason;
    QString position; // the shown position's label; a second line of the message
    QString message() const;
};

class Positions {
public:
    explicit Positions(state::DataModule& dm);

    // Accepts the positions in turn, each in a transaction of its own, so what ran stays when
    // a later one meets a database error (which is thrown). A position is accepted only when
    // it still holds what was shown and has material use; the others are refused, told to
    // onRefused as they come and returned.
    std::vector<Refusal> accept(const std::vector<ShownPosition>& positions,
                                const std::function<void(const Refusal&)>& onRefused = {});

    // Deletes a position that is not accepted now, and rolls up its worker's day (its own
    // date and shift) in the same transaction. Nothing when it was accepted or deleted
    // meanwhile.
    struct Deleted {
        int worker;
        QDate date;
        int shift;
    };
    std::optional<Deleted> remove(int id);

private:
    std::optional<Refusal::Reason> acceptOne(const ShownPosition& position);
    bool holdsAsShown(const ShownPosition& position) const;

    state::DataModule& dm_;
    // What the position holds now and how many material rows it has.
    data::ResultSet acceptCheck_;
    data::Command acceptRow_;
    data::Command deletePosition_;
};

} // namespace journal
