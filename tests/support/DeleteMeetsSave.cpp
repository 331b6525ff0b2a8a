#include "DeleteMeetsSave.h"

#include "TestDatabase.h"
#include "data/Error.h"

#include <barrier>
#include <chrono>
#include <thread>

namespace testdb {

std::vector<DeleteSaveRound>
deleteMeetsSave(int rounds, const std::function<bool(state::DataModule&, int round)>& remove,
                const std::function<void(state::DataModule&, int round)>& save) {
    std::vector<DeleteSaveRound> outcomes(static_cast<size_t>(rounds));
    std::barrier meet(2);
    std::thread remover([&] {
        state::DataModule own;
        openAs(own.connection, "master", "master");
        for (int r = 0; r < rounds; ++r) {
            meet.arrive_and_wait();
            std::this_thread::sleep_for(std::chrono::microseconds(150 * (r % 3)));
            try {
                outcomes[size_t(r)].removed = remove(own, r);
            } catch (const data::Error& e) {
                outcomes[size_t(r)].removeError = e.text();
            }
        }
    });
    std::thread saver([&] {
        state::DataModule own;
        openAs(own.connection, "master", "master");
        for (int r = 0; r < rounds; ++r) {
            meet.arrive_and_wait();
            try {
                save(own, r);
                outcomes[size_t(r)].saved = true;
            } catch (const data::Error& e) {
                outcomes[size_t(r)].saveError = e.text();
            }
        }
    });
    remover.join();
    saver.join();
    return outcomes;
}

QStringList wrongRounds(const std::vector<DeleteSaveRound>& rounds, const QString& gone,
                        const QString& key) {
    QStringList wrong;
    for (size_t r = 0; r < rounds.size(); ++r) {
        const DeleteSaveRound& o = rounds[r];
        const bool told = o.saveError.startsWith(gone + "\n") && o.saveError.contains(key);
        if (!o.removeError.isEmpty() || o.removed == o.saved || (o.removed && !told))
            wrong << QString("round %1: removed %2, saved %3, %4%5")
                         .arg(r)
                         .arg(int(o.removed))
                         .arg(int(o.saved))
                         .arg(o.removeError, o.saveError);
    }
    return wrong;
}

Waited actWhileHeldElsewhere(const QString& elsewhere, const QString& end,
                             const std::function<bool()>& action) {
    exec(QStringLiteral("begin; ") + elsewhere);
    Waited w;
    std::thread here([&] {
        try {
            w.done = action();
        } catch (const data::Error& e) {
            w.error = e.text();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    w.waiting = exec("select count(*) from pg_stat_activity where wait_event_type = 'Lock' and "
                     "datname = current_database()")
                    .toInt();
    exec(end);
    here.join();
    return w;
}

} // namespace testdb
