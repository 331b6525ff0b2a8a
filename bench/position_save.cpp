// Saving 50 positions of an open week as the position dialog does, through the program's own
// code, against psql running the very statements it sent, in one transaction rolled back at
// the end: per position the insert and its day cell, the shift's journal run again, and the
// material dialog's goods choice (goods list, the stored quantity, norm, both remainders, used
// sum) and the position's material list. Then, apart, recording a consumption of the chosen
// goods item for each of them as the material dialog does (locks, figures, insert).
//
//   bench_position_save SOCKET DATABASE USER PASSWORD_FILE [MONDAY [RUNS]]
#include "Replay.h"
#include "SavedPositions.h"
#include "data/Error.h"
#include "data/SqlText.h"
#include "data/Transaction.h"
#include "data/Value.h"
#include "journal/JournalStatements.h"
#include "journal/MaterialStore.h"
#include "journal/PositionStore.h"
#include "journal/Positions.h"
#include "state/DataModule.h"

#include <QCoreApplication>
#include <QDate>
#include <QRegularExpression>
#include <tuple>

namespace st = journal::statements;

namespace {

// The values of existing positions of the week, as the dialog would hold them for new ones.
std::vector<journal::PositionValues> positionsOfWeek(data::Connection& db, const QDate& monday) {
    data::ResultSet rows(db);
    rows.setSql("select w_id, i_id, o_id, cena, kol_vo, brak, time, data, smena, id_doc, "
                "id_doc_item, color from accounts_dep.smena where data >= :monday and data < "
                ":monday::date + 7 and id_doc <> 0 and smena < 4 order by id limit 50");
    rows.setParam("monday", monday);
    rows.open();
    return bench::savedPositions(rows);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const auto t = bench::target(app.arguments(), 0, "[MONDAY [RUNS]]");
    if (!t)
        return 2;
    const QDate monday =
        QDate::fromString(t->more.value(0, QStringLiteral("2026-12-07")), Qt::ISODate);
    const int runs = t->more.size() > 1 ? t->more[1].toInt() : 10;
    state::DataModule dm;
    journal::statements::prepareShiftJournals(dm);
    try {
        dm.connection.open(t->socket, t->database, t->user, t->password);
        const std::vector<journal::PositionValues> week = positionsOfWeek(dm.connection, monday);
        if (week.size() < 50)
            throw data::Error(QStringLiteral("fewer than 50 positions with a requisition in the "
                                             "week of ") +
                              monday.toString(Qt::ISODate));
        journal::PositionStore store(dm);
        data::ResultSet goods(dm.connection), norm(dm.connection), free(dm.connection),
            reserved(dm.connection), used(dm.connection), materials(dm.connection),
            stored(dm.connection);
        stored.setSql(st::materialPosition());
        goods.setSql(st::materialGoods());
        free.setSql(st::materialRemainder("free"));
        reserved.setSql(st::materialRemainder("reserved"));
        used.setSql(st::materialUsed());
        materials.setSql(st::positionMaterials());
        int goodsOffered = 0;
        std::vector<QByteArray> insertedIds; // of the latest run

        auto reopen = [](data::ResultSet& q) {
            q.close();
            q.open();
        };
        auto saveWeek = [&] {
            goodsOffered = 0;
            insertedIds.clear();
            data::Transaction transaction(dm.connection); // left without commit: rolled back
            for (const journal::PositionValues& v : week) {
                const int id = store.insert(v, v.date);
                insertedIds.push_back(QByteArray::number(id));
                data::ResultSet& journal = dm.journal(v.shift);
                journal.setParam("data", v.date.startOfDay());
                journal.setParam("ok", "ta");
                reopen(journal);
                journal.locate("id", id);

                goods.setParam("id_smena", id);
                reopen(goods);
                goodsOffered += goods.rowCount();
                if (!goods.isEmpty()) {
                    goods.first();
                    const int goodsId = goods.asInt("id");
                    const bool paint = data::value::toDouble(goods.value("b_is_color")) == 1;
                    stored.setParam("id_smena", id);
                    reopen(stored);
                    norm.setSql(st::materialNorm(paint));
                    norm.setParam("i_id", stored.asInt("i_id"));
                    norm.setParam("id_gds", goodsId);
                    reopen(norm);
                    for (data::ResultSet* remainder : {&free, &reserved}) {
                        remainder->setParam("id_smena", id);
                        remainder->setParam("id_gds", goodsId);
                        reopen(*remainder);
                    }
                    used.setParam("id_smena", id);
                    used.setParam("id_gds_use", goodsId);
                    reopen(used);
                }
                materials.setParam("id_smena", id);
                reopen(materials);
            }
        };
        // psql keeps each new id in a variable and names it where the program named its own:
        // in the statements after that insert, from the goods list on (the first of them to
        // name the position).
        const auto withNewIds = [](const QStringList& recorded) {
            static const QRegularExpression insert(
                QStringLiteral("^insert into accounts_dep\\.SMENA"),
                QRegularExpression::CaseInsensitiveOption);
            static const QRegularExpression goodsOf(
                QStringLiteral("get_gds_from_by_smena\\('([0-9]+)'\\)"));
            QString script, current;
            for (int i = 0; i < recorded.size(); ++i) {
                QString s = recorded[i];
                if (insert.match(s).hasMatch()) {
                    for (int j = i + 1; j < recorded.size(); ++j)
                        if (const auto m = goodsOf.match(recorded[j]); m.hasMatch()) {
                            current = m.captured(1);
                            break;
                        }
                    script += s + QStringLiteral(" \\gset new_\n");
                    continue;
                }
                if (!current.isEmpty())
                    s.replace(QLatin1Char('\'') + current + QLatin1Char('\''),
                              QStringLiteral(":'new_id'"));
                script += s + QStringLiteral(";\n");
            }
            return script;
        };
        const bench::Comparison c =
            bench::compareWithPsql(dm.connection, *t, runs, saveWeek, withNewIds, {}, &insertedIds);
        std::printf("position save, 50 positions of the week of %s in one transaction rolled "
                    "back, %d runs (target: ratio <= 1.3)\n",
                    qPrintable(monday.toString(Qt::ISODate)), runs);
        std::printf("  %lld statements a run, %d goods offered in all\n",
                    static_cast<long long>(c.statements.size()), goodsOffered);
        bench::printComparison("save + goods choice", c);
        if (c.psql.empty())
            return 1;

        // The positions saved for good this time, each with its first goods item; every run
        // records a consumption for each and rolls it back.
        std::vector<std::tuple<int, int, bool>> chosen;
        std::vector<int> saved;
        {
            data::Transaction keep(dm.connection);
            for (const journal::PositionValues& v : week) {
                const int id = store.insert(v, v.date);
                saved.push_back(id);
                goods.setParam("id_smena", id);
                reopen(goods);
                if (!goods.isEmpty())
                    chosen.emplace_back(id, goods.asInt("id"),
                                        data::value::toDouble(goods.value("b_is_color")) == 1);
            }
            keep.commit();
        }
        journal::MaterialStore materialStore(dm);
        const auto recordAll = [&] {
            data::Transaction transaction(dm.connection); // left without commit: rolled back
            for (const auto& [id, goodsId, paint] : chosen)
                materialStore.record(id, goodsId, paint, 0.001,
                                     [](const QString&) { return true; });
        };
        const bench::Comparison r = bench::compareWithPsql(dm.connection, *t, runs, recordAll);
        std::printf("  material record, %d consumptions: %lld statements a run\n",
                    int(chosen.size()), static_cast<long long>(r.statements.size()));
        bench::printComparison("material record", r);
        journal::Positions positions(dm); // gone again, their day cells with them
        for (const int id : saved)
            positions.remove(id);
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
