// The position dialog's openers on a plant's years of data, through the program's data layer
// against psql running the very statements they sent: the add opener (materials of no
// position, the goods wanted by requisitions, no lines yet), a choice by goods (the lines of
// one goods item) and the change opener's requisition and line of a position.
//
//   bench_position_open SOCKET DATABASE USER PASSWORD_FILE [DATE [RUNS]]
#include "Replay.h"
#include "data/Error.h"
#include "journal/JournalStatements.h"
#include "state/DataModule.h"

#include <QCoreApplication>
#include <QDate>

namespace st = journal::statements;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const auto t = bench::target(app.arguments(), 0, "[DATE [RUNS]]");
    if (!t)
        return 2;
    const QDate date =
        QDate::fromString(t->more.value(0, QStringLiteral("2026-12-09")), Qt::ISODate);
    const int runs = t->more.size() > 1 ? t->more[1].toInt() : 30;
    state::DataModule dm;
    try {
        dm.connection.open(t->socket, t->database, t->user, t->password);
        data::ResultSet materials(dm.connection), goods(dm.connection), lines(dm.connection),
            requisition(dm.connection), line(dm.connection);
        materials.setSql(st::positionMaterials());
        goods.setSql(st::goods());
        lines.setSql(st::docItemsByGoods());
        auto reopen = [](data::ResultSet& q) {
            q.close();
            q.open();
        };
        const auto addOpener = bench::compareWithPsql(dm.connection, *t, runs, [&] {
            materials.setParam("id_smena", -1);
            reopen(materials);
            reopen(goods);
            lines.setParam("id_gds", 0);
            lines.setParam("id_gds_color", 0);
            reopen(lines);
        });
        if (goods.isEmpty())
            throw data::Error(QStringLiteral("no goods are wanted by an open requisition"));
        goods.first();
        const int goodsId = goods.asInt("id"), colorId = goods.asInt("id_gds_color");
        const auto goodsChoice = bench::compareWithPsql(dm.connection, *t, runs, [&] {
            lines.setParam("id_gds", goodsId);
            lines.setParam("id_gds_color", colorId);
            reopen(lines);
        });
        const int lineCount = lines.rowCount();

        data::ResultSet busy(dm.connection);
        busy.setSql("select id from accounts_dep.smena where data = :data and id_doc <> 0 "
                    "order by id limit 1");
        busy.setParam("data", date);
        busy.open();
        if (busy.isEmpty())
            throw data::Error(QStringLiteral("no position with a requisition on that date"));
        const int position = busy.asInt("id");
        const auto changeOpener = bench::compareWithPsql(dm.connection, *t, runs, [&] {
            requisition.setSql(st::positionRequisition());
            requisition.setParam("id_smena", position);
            line.setSql(st::positionLine());
            line.setParam("id_smena", position);
            reopen(requisition);
            reopen(line);
        });

        std::printf("position dialog openers, %d runs (target: ratio <= 1.3)\n", runs);
        std::printf("  %d goods wanted; goods item %d has %d lines; position %d\n",
                    goods.rowCount(), goodsId, lineCount, position);
        bench::printComparison("add opener", addOpener);
        bench::printComparison("choice by goods", goodsChoice);
        bench::printComparison("change opener", changeOpener);
        if (addOpener.psql.empty() || goodsChoice.psql.empty() || changeOpener.psql.empty())
            return 1;
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
