// Writing a position as the position dialog saves it: the statement's values, refusals of
// bad input, the position and its day cells in one transaction, and changes that meet another
// workstation.
#include "DeleteMeetsSave.h"
#include "PreparedModule.h"
#include "TestDatabase.h"
#include "data/Error.h"
#include "journal/PositionStore.h"
#include "reference/Operations.h"
#include "state/DataModule.h"

#include <gtest/gtest.h>
#include <iostream>

namespace {

using journal::PositionStore;
using journal::PositionValues;

const QDate today(2026, 12, 10);
const QString operationGone =
    QString::fromUtf8("Операция удалена из справочника: выберите операцию снова.");

class PositionStoreTest : public ::testing::Test {
protected:
    // The positions' operation 7 exists; the rest of the numbers are the sequence's.
    void SetUp() override {
        testdb::truncate("accounts_dep.vid_oper, accounts_dep.oper, accounts_dep.smena, "
                         "accounts_dep.h_tabel restart identity cascade");
        testdb::exec(QString::fromUtf8(R"(
insert into accounts_dep.vid_oper(vid) values ('Сборка');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (7, 1, 0, 10001, 12.5);
select setval('accounts_dep.oper_id_seq', 7);
)"));
        testdb::openAs(dm.connection, "master", "master");
    }
    static PositionValues values(const QString& quantity = "3", const QString& rejects = "0",
                                 const QString& hours = "8", double price = 12.5) {
        PositionValues v;
        v.workerCode = 501;
        v.productId = 10001;
        v.operationId = 7;
        v.finalPrice = price;
        v.quantity = quantity;
        v.rejects = rejects;
        v.hours = hours;
        v.date = QDate(2026, 12, 9);
        v.shift = 2;
        v.requisitionId = 700001;
        v.requisitionItemId = 800001;
        v.goodsId = 10101;
        v.colorId = 20202;
        return v;
    }
    static QString row(int id) {
        return testdb::exec(QString("select concat_ws('/', w_id, i_id, o_id, cena, kol_vo, brak, "
                                    "data, smena, color, time, vvod::date, ok, prize, id_doc, "
                                    "id_doc_item, id_gds_use) from accounts_dep.smena where id=%1")
                                .arg(id))
            .toString();
    }
    // "d8/d9" of worker 501's row of shift 2, December 2026, or "-" without one.
    static QString cells() {
        return testdb::exec("select coalesce(max(d8 || '/' || d9), '-') from accounts_dep.h_tabel "
                            "where w_id=501 and smena=2 and month=12 and year=2026")
            .toString();
    }

    testdb::PreparedModule dm;
    PositionStore store{dm};
};

TEST_F(PositionStoreTest, ValuesGoInAsTheirPlainText) {
    struct Case {
        QString quantity;
        double price;
        QString stored; // kol_vo/cena
    };
    const Case cases[] = {
        {"1,5", 12.5, "1.5/12.5"},
        {"12", 100, "12/100"},
        {" 0,75 ", 12.34567, "0.75/12.3457"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.quantity.toStdString());
        const int id = store.insert(values(c.quantity, "0", "8", c.price), today);
        EXPECT_EQ(testdb::exec(QString("select kol_vo || '/' || cena from accounts_dep.smena "
                                       "where id=%1")
                                   .arg(id))
                      .toString(),
                  c.stored);
    }
    EXPECT_EQ(row(1), "501/10001/7/12.5/1.5/0/2026-12-09/2/20202/8/2026-12-10/no/0/700001/800001/"
                      "10101");
    EXPECT_EQ(cells(), "0/24") << "three positions of 8 hours on the 9th";
}

TEST_F(PositionStoreTest, BadInputIsRefusedAndNothingIsWritten) {
    struct Case {
        QString quantity, rejects, hours;
        QString message;
    };
    const Case cases[] = {
        {"1,2,3", "0", "8", "«1,2,3» не является числом (поле Кол-во)"},
        {"-5", "0", "8", "Значение -5 поля Кол-во не может быть отрицательным"},
        {"99999999999999999999", "0", "8",
         "Значение 99999999999999999999 поля Кол-во вне допустимого диапазона (от 0 до "
         "999999999)"},
        {QString(300, '9'), "0", "8",
         "Значение " + QString(100, '9') +
             "… поля Кол-во вне допустимого диапазона (от 0 до "
             "999999999)"},
        {"", "0", "8", "Поле «Кол-во» не заполнено"},
        {"1); delete from accounts_dep.smena; --", "0", "8",
         "«1); delete from accounts_dep.smena; --» не является числом (поле Кол-во)"},
        {"3", "40000", "8", "Значение 40000 поля Брак вне допустимого диапазона (от 0 до 9999)"},
        {"3", "x", "8", "«x» не является целым числом (поле Брак)"},
        {"3", "0", "-1", "Значение -1 поля Время не может быть отрицательным"},
        {"3", "4", "8", "Брак не может быть больше количества!"},
    };
    const int kept = store.insert(values(), today);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        QString insertError, updateError;
        try {
            store.insert(values(c.quantity, c.rejects, c.hours), today);
        } catch (const data::Error& e) {
            insertError = e.text();
        }
        try {
            store.update(kept, values(c.quantity, c.rejects, c.hours), today);
        } catch (const data::Error& e) {
            updateError = e.text();
        }
        EXPECT_EQ(insertError, c.message);
        EXPECT_EQ(updateError, c.message);
    }
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena").toInt(), 1);
    EXPECT_EQ(row(kept), "501/10001/7/12.5/3/0/2026-12-09/2/20202/8/2026-12-10/no/0/700001/"
                         "800001/10101");
}

TEST_F(PositionStoreTest, AFailingRollUpLeavesNoPositionAndTheRetryInsertsOnce) {
    testdb::exec(R"(
create function public.refuse_cell() returns trigger language plpgsql as $$
begin raise exception 'табель недоступен'; end $$;
create trigger refuse_cell before insert or update on accounts_dep.h_tabel for each row
  execute function public.refuse_cell();)");
    EXPECT_THROW(store.insert(values(), today), data::DbError);
    testdb::exec("drop trigger refuse_cell on accounts_dep.h_tabel; drop function "
                 "public.refuse_cell()");
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena").toInt(), 0);
    store.insert(values(), today);
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena").toInt(), 1);
    EXPECT_EQ(cells(), "0/8");
}

TEST_F(PositionStoreTest, AChangeMovesTheHoursKeepsColourAndGoodsAndNeverTouchesAccepted) {
    const int id = store.insert(values(), today);
    PositionValues moved = values("3", "0", "6");
    moved.date = QDate(2026, 12, 8);
    moved.goodsId = 1; // a previous position's state must not reach this one
    moved.colorId = 2;
    store.update(id, moved, today.addDays(1));
    EXPECT_EQ(cells(), "6/0") << "the day it left lost its hours";
    EXPECT_EQ(row(id), "501/10001/7/12.5/3/0/2026-12-08/2/20202/6/2026-12-11/no/0/700001/800001/"
                       "10101");

    struct Case {
        const char* elsewhere; // what another workstation did since the dialog opened
        QString message;
    };
    const Case cases[] = {
        {"update accounts_dep.smena set ok = 'ok', prize = 5",
         "Позиция уже принята, изменить её нельзя!"},
        {"update accounts_dep.smena set ok = 'да', prize = 7",
         "Позиция уже принята, изменить её нельзя!"},
        {"delete from accounts_dep.smena", "Позиция изменена или удалена на другом рабочем месте"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.elsewhere);
        testdb::exec(c.elsewhere);
        QString error;
        try {
            store.update(id, values("5", "0", "1"), today);
        } catch (const data::Error& e) {
            error = e.text();
        }
        EXPECT_EQ(error, c.message);
        EXPECT_EQ(cells(), "6/0") << "nothing rolled up";
    }
}

// A day whose hours would pass what its timesheet cell holds is refused in Russian, the
// server's text below, and the position is not stored either.
// One position holds at most a day's hours; a plant's old rows may hold more, and a day whose
// total would pass what its cell holds is refused with nothing stored.
TEST_F(PositionStoreTest, ADayPastWhatItsCellHoldsIsRefusedAndNothingIsStored) {
    try {
        store.insert(values("3", "0", "25"), today);
        FAIL() << "25 hours in one position";
    } catch (const data::ConversionError& e) {
        EXPECT_EQ(e.text(), QString::fromUtf8(
                                "Значение 25 поля Время вне допустимого диапазона (от 0 до 24)"));
    }
    testdb::execOldRows(R"(
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, time)
  select '2026-12-09', 2, 501, 10001, 7, h from unnest(array[9999, 9999, 9999, 2770]) h;
insert into accounts_dep.h_tabel(w_id, smena, month, year, d9) values (501, 2, 12, 2026, 32767);
)");
    try {
        store.insert(values("3", "0", "24"), today);
        FAIL() << "not refused";
    } catch (const data::DbError& e) {
        EXPECT_TRUE(e.text().startsWith(
            QString::fromUtf8("Часы работника 501 за 09.12.2026 (смена 2) больше 32 767")))
            << e.text().toStdString();
        EXPECT_TRUE(e.text().section('\n', 1).contains("smallint")) << e.text().toStdString();
    }
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena").toInt(), 4);
    EXPECT_EQ(cells(), "0/32767");
    EXPECT_FALSE(dm.connection.inTransaction());
}

// A plant's old rows, a position whose operation has gone and an operation whose type has gone,
// stay as they are and stand in the way of no other write.
TEST_F(PositionStoreTest, OldRowsWithoutTheirOperationOrTypeStayAndBlockNothing) {
    testdb::execOldRows("insert into accounts_dep.oper(id, vid, naimen, i_id) values (90, 999, "
                        "0, 10001); insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, "
                        "time) values ('2026-12-09', 2, 501, 10001, 999, 2)");
    const int unused = testdb::exec("insert into accounts_dep.oper(vid, naimen, i_id) values (1, "
                                    "1, 10001) returning id")
                           .toInt();
    const int id = store.insert(values(), today);
    store.update(id, values("4", "0", "6"), today);
    EXPECT_EQ(cells(), "0/8") << "the old position's hours count as before";
    EXPECT_TRUE(reference::removeOperation(dm, unused));
    EXPECT_FALSE(reference::removeOperation(dm, 7)) << "the new position uses it";
    EXPECT_EQ(testdb::exec(QString("select count(*) filter (where o_id = 7) || '/' || count(*) "
                                   "filter (where o_id = %1) from accounts_dep.norm")
                               .arg(unused))
                  .toString(),
              "1/0")
        << "a deleted operation's steps go with it, a kept one's stay";
    EXPECT_GT(reference::saveOperation(dm, std::nullopt, {1, 1, 10002, 3}), 0);
    EXPECT_EQ(testdb::exec("select string_agg(o_id || '/' || time, ' ' order by id) from "
                           "accounts_dep.smena")
                  .toString(),
              "999/2 7/6");
    EXPECT_EQ(testdb::exec("select vid from accounts_dep.oper where id = 90").toInt(), 999);
}

// Another workstation's delete or save is under way: this one waits for it, then goes by what
// it committed or rolled back.
TEST_F(PositionStoreTest, ASaveOrDeleteWaitsForTheOtherSideAndGoesByItsEnd) {
    struct Case {
        const char* elsewhere; // %1: the operation
        const char* end;
        bool deleting; // this side deletes the operation, else saves a position with it
        bool done;
    };
    const Case cases[] = {
        {"delete from accounts_dep.oper where id=%1", "commit", false, false},
        {"delete from accounts_dep.oper where id=%1", "rollback", false, true},
        {"insert into accounts_dep.smena(data, smena, w_id, o_id, time) values ('2026-12-08', 2, "
         "501, %1, 1)",
         "commit", true, false},
        {"insert into accounts_dep.smena(data, smena, w_id, o_id, time) values ('2026-12-08', 2, "
         "501, %1, 1)",
         "rollback", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("%1 %2").arg(c.elsewhere, c.end).toStdString());
        const int operation = testdb::exec("insert into accounts_dep.oper(vid, naimen, i_id, "
                                           "cena_new) values (1, 0, 10002, 1) returning id")
                                  .toInt();
        const testdb::Waited w =
            testdb::actWhileHeldElsewhere(QString(c.elsewhere).arg(operation), c.end, [&] {
                if (c.deleting)
                    return reference::removeOperation(dm, operation);
                PositionValues v = values();
                v.operationId = operation;
                store.insert(v, today);
                return true;
            });
        EXPECT_EQ(w.waiting, 1) << "the two really met";
        EXPECT_EQ(w.done, c.done);
        if (c.deleting || c.done)
            EXPECT_EQ(w.error, "");
        else
            EXPECT_TRUE(w.error.startsWith(operationGone + "\n")) << w.error.toStdString();
        EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena s where not exists "
                               "(select 1 from accounts_dep.oper o where o.id = s.o_id)")
                      .toInt(),
                  0);
        testdb::exec(QString("delete from accounts_dep.smena where o_id=%1; delete from "
                             "accounts_dep.oper where id=%1")
                         .arg(operation));
    }
}

// Each round one workstation deletes an operation of its own while another saves a position
// with it: a new one in even rounds, the standing position moved onto it in odd ones.
TEST_F(PositionStoreTest, AnOperationDeletedWhileAPositionIsSavedWithItLeavesNoHiddenPosition) {
    constexpr int rounds = 40;
    const int first = testdb::exec(QString("insert into accounts_dep.oper(vid, naimen, i_id, "
                                           "cena_new) select 1, 0, 20000 + n, 1 from "
                                           "generate_series(1, %1) n; select min(id) from "
                                           "accounts_dep.oper where i_id > 20000")
                                       .arg(rounds))
                          .toInt();
    auto onDay = [](int r, int operation) {
        PositionValues v = values("2", "0", QString::number(1 + r % 5));
        v.workerCode = 900;
        v.shift = 1;
        v.date = QDate(2026, 11, 1 + r / 2);
        v.operationId = operation;
        return v;
    };
    const int standing = store.insert(onDay(0, 7), today);
    const std::vector<testdb::DeleteSaveRound> outcomes = testdb::deleteMeetsSave(
        rounds,
        [&](state::DataModule& own, int r) { return reference::removeOperation(own, first + r); },
        [&](state::DataModule& own, int r) {
            PositionStore mine(own);
            if (r % 2 == 0)
                mine.insert(onDay(r, first + r), today);
            else
                mine.update(standing, onDay(r, first + r), today);
        });
    const QStringList wrong = testdb::wrongRounds(outcomes, operationGone, "smena_o_id_fkey");
    int removedFirst = 0;
    for (const testdb::DeleteSaveRound& o : outcomes)
        removedFirst += o.removed;
    EXPECT_TRUE(wrong.isEmpty()) << wrong.size() << " of " << rounds << " rounds wrong:\n"
                                 << wrong.join('\n').toStdString();
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena s where not exists (select 1 "
                           "from accounts_dep.oper o where o.id = s.o_id)")
                  .toInt(),
              0)
        << "positions without their operation";
    // The cells against the positions the journal shows, those with their operation.
    const QString cells = testdb::exec(R"(
select coalesce(string_agg(g.d || ': ' || coalesce(h.cell, 0) || ' instead of ' ||
                           coalesce(p.hours, 0), ', '), '')
from generate_series(1, 30) g(d)
left join lateral (select sum(s.time) as hours from accounts_dep.smena s
                   join accounts_dep.oper o on o.id = s.o_id
                   where s.w_id = 900 and s.smena = 1 and s.data = make_date(2026, 11, g.d)) p
  on true
left join lateral (select (array[d1,d2,d3,d4,d5,d6,d7,d8,d9,d10,d11,d12,d13,d14,d15,d16,d17,
                                 d18,d19,d20,d21,d22,d23,d24,d25,d26,d27,d28,d29,d30])[g.d] as cell
                   from accounts_dep.h_tabel
                   where w_id = 900 and smena = 1 and month = 11 and year = 2026) h on true
where coalesce(h.cell, 0) <> coalesce(p.hours, 0))")
                              .toString();
    EXPECT_TRUE(cells.isEmpty()) << "cells other than their positions: " << cells.toStdString();
    std::cout << "[ rounds   ] operation deleted first " << removedFirst
              << ", position saved first " << rounds - removedFirst << std::endl;
}

} // namespace
