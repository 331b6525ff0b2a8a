#pragma once

// A delete and a save that needs what it deletes, meeting round after round on two real
// connections: each round exactly one of them may win, and a save that lost says so in
// Russian, naming the key that refused it.
#include "state/DataModule.h"

#include <QStringList>
#include <functional>
#include <vector>

namespace testdb {

struct DeleteSaveRound {
    bool removed = false, saved = false;
    QString removeError, saveError;
};

// Runs the rounds; remove returns whether it deleted. The delete is staggered by 0, 150 or
// 300 µs, so it also comes while the save is under way.
std::vector<DeleteSaveRound>
deleteMeetsSave(int rounds, const std::function<bool(state::DataModule&, int round)>& remove,
                const std::function<void(state::DataModule&, int round)>& save);

// The rounds that went wrong, as text: an error of the delete, both or neither winning, a
// refused save not told as gone (lead, then the server's text naming the key).
QStringList wrongRounds(const std::vector<DeleteSaveRound>& rounds, const QString& gone,
                        const QString& key);

// Another connection begins, runs elsewhere and holds it open while action runs here; after
// 300 ms it ends with end ("commit" or "rollback"). waiting counts the sessions then waiting
// on a lock: 1 when the two really met.
struct Waited {
    int waiting = 0;
    bool done = false;
    QString error;
};
Waited actWhileHeldElsewhere(const QString& elsewhere, const QString& end,
                             const std::function<bool()>& action);

} // namespace testdb
