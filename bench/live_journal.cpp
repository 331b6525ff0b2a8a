// From a commit on one workstation to the row shown in another's journal grid: a position
// added by a second connection, its time from the commit's return until the journal window
// of the first shows it, with nobody touching that window. Alternating with the reference: the
// same commit followed at once by the same re-run by hand, which is what the window could do
// at best without being told. Then bursts of 1 000 changes, each one transaction as a
// division or "Принять ВСЕ" writes them, and the number of re-runs each cost the window.
//
//   bench_live_journal SOCKET DATABASE USER PASSWORD_FILE [DATE [CHANGES]]
#include "Timing.h"
#include "data/Command.h"
#include "data/Error.h"
#include "data/ResultSet.h"
#include "data/Transaction.h"
#include "journal/JournalStatements.h"
#include "journal/JournalWindow.h"
#include "state/DataModule.h"
#include "ui/LiveGrid.h"

#include <QApplication>
#include <QDate>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t at = std::min(v.size() - 1, size_t(std::ceil(p * double(v.size())) - 1));
    return v[at];
}

bool shows(data::ResultSet& rows, int id) {
    const int field = rows.fieldIndex(QStringLiteral("id"));
    for (int r = 0; r < rows.rowCount(); ++r)
        if (rows.valueAt(r, field).toInt() == id)
            return true;
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto t = bench::target(app.arguments(), 0, "[DATE [CHANGES]]");
    if (!t)
        return 2;
    const QDate day =
        QDate::fromString(t->more.value(0, QStringLiteral("2026-12-09")), Qt::ISODate);
    const int changes = t->more.size() > 1 ? t->more[1].toInt() : 100;
    const int burst = 1000;

    state::DataModule dm;
    journal::statements::prepareShiftJournals(dm);
    std::vector<int> added;
    data::Connection writer;
    try {
        dm.connection.open(t->socket, t->database, t->user, t->password);
        writer.open(t->socket, t->database, t->user, t->password);
        dm.session.loginName = t->user;
        dm.session.selectedShift = 1;
        for (int shift = 1; shift <= 4; ++shift)
            dm.journal(shift).setParam(QStringLiteral("ok"), QStringLiteral("ta"));

        journal::JournalWindow window(dm);
        window.setToday([day] { return day; });
        window.show();
        QApplication::setActiveWindow(&window);
        QApplication::processEvents();
        data::ResultSet& shown = dm.journal(1);
        if (shown.isEmpty())
            throw data::Error(QStringLiteral("no positions of shift 1 on ") +
                              day.toString(Qt::ISODate));
        const int source = shown.valueAt(0, shown.fieldIndex(QStringLiteral("id"))).toInt();

        int reruns = 0, awaited = 0;
        qint64 shownAt = 0;
        QElapsedTimer clock;
        clock.start();
        QEventLoop waiting;
        qint64 lastRerunAt = 0;
        QObject::connect(&window, &journal::JournalWindow::followedServer, [&] {
            ++reruns;
            lastRerunAt = clock.nsecsElapsed();
            if (awaited && shows(shown, awaited)) {
                shownAt = clock.nsecsElapsed();
                waiting.quit();
            }
        });
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &waiting, &QEventLoop::quit);
        const auto settle = [&](int ms) {
            limit.start(ms);
            waiting.exec();
            limit.stop();
        };

        data::Command add(writer);
        add.setSql(QStringLiteral(
            "insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, "
            "time, ok) select data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, 'no' "
            "from accounts_dep.smena where id = :id returning id"));
        add.setParam(QStringLiteral("id"), source);

        std::vector<double> live, byHand;
        const int warmup = 3;
        for (int round = -warmup; round < 2 * changes; ++round) {
            const bool told = round < 0 || round % 2 == 0;
            // A lone change: a stream is read at most once a second, so the last re-run must
            // be a second old, or the figure would measure the pace.
            if (told && lastRerunAt)
                settle(int(
                    std::max<qint64>(0, 1050 - (clock.nsecsElapsed() - lastRerunAt) / 1000000)));
            const int id = add.executeRow().value(QStringLiteral("id")).toInt();
            const qint64 committed = clock.nsecsElapsed();
            added.push_back(id);
            if (told) {
                awaited = id;
                shownAt = 0;
                settle(5000);
                awaited = 0;
                if (!shownAt)
                    throw data::Error(QStringLiteral("position %1 was not shown").arg(id));
            } else {
                window.grid()->reread(shown);
                if (!shows(shown, id))
                    throw data::Error(QStringLiteral("position %1 was not read").arg(id));
                shownAt = clock.nsecsElapsed();
                settle(150); // its announcement's re-run, not counted
            }
            if (round >= 0)
                (told ? live : byHand).push_back((shownAt - committed) / 1e6);
        }

        std::printf("commit to grid, %d changes: told %.1f ms median, %.1f ms p95; by hand %.1f "
                    "ms median, %.1f ms p95 (%d rows shown)\n",
                    changes, bench::median(live), percentile(live, 0.95), bench::median(byHand),
                    percentile(byHand, 0.95), shown.rowCount());

        // Bursts: 1 000 new positions in one statement; 1 000 changed one statement each, as
        // acceptance goes; the 1 000 deleted again.
        struct Burst {
            const char* what;
            std::function<void()> write;
        };
        std::vector<int> burstIds;
        const Burst bursts[] = {
            {"1000 inserts in one statement",
             [&] {
                 data::Command many(writer);
                 many.setSql(QStringLiteral(
                     "insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, "
                     "kol_vo, brak, time, ok) select s.data, s.smena, s.w_id, s.i_id, s.o_id, "
                     "s.cena, s.kol_vo, s.brak, s.time, 'no' from accounts_dep.smena s, "
                     "generate_series(1, :n) where s.id = :id"));
                 many.setParam(QStringLiteral("n"), burst);
                 many.setParam(QStringLiteral("id"), source);
                 many.execute();
                 data::ResultSet ids(writer);
                 ids.setSql(QStringLiteral("select id from accounts_dep.smena where data = "
                                           ":data and smena = 1 and id > :last order by id"));
                 ids.setParam(QStringLiteral("data"), day);
                 ids.setParam(QStringLiteral("last"), added.back());
                 ids.open();
                 for (ids.first(); !ids.eof(); ids.next())
                     burstIds.push_back(ids.asInt(QStringLiteral("id")));
             }},
            {"1000 updates, one statement each, one transaction",
             [&] {
                 data::Transaction transaction(writer);
                 data::Command change(writer);
                 change.setSql(QStringLiteral(
                     "update accounts_dep.smena set kol_vo = kol_vo + 1 where id = :id"));
                 for (int id : burstIds) {
                     change.setParam(QStringLiteral("id"), id);
                     change.execute();
                 }
                 transaction.commit();
             }},
            {"1000 deletes in one statement",
             [&] {
                 data::Command remove(writer);
                 remove.setSql(QStringLiteral(
                     "delete from accounts_dep.smena where data = :data and smena = 1 and id > "
                     ":last"));
                 remove.setParam(QStringLiteral("data"), day);
                 remove.setParam(QStringLiteral("last"), added.back());
                 remove.execute();
             }},
        };
        for (const Burst& b : bursts) {
            settle(300);
            reruns = 0;
            QElapsedTimer took;
            took.start();
            b.write();
            const double writeMs = took.nsecsElapsed() / 1e6;
            settle(1500);
            std::printf("burst of %s (%.0f ms to write): %d re-run(s), %d rows shown\n", b.what,
                        writeMs, reruns, shown.rowCount());
        }
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    // The positions added go again; their history stays, as every position's does.
    try {
        data::Command remove(writer);
        remove.setSql(QStringLiteral("delete from accounts_dep.smena where id = any "
                                     "(string_to_array(:ids, ',')::integer[])"));
        QStringList ids;
        for (int id : added)
            ids << QString::number(id);
        remove.setParam(QStringLiteral("ids"), ids.join(QLatin1Char(',')));
        remove.execute();
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
