// Writing a position as the position dialog saves it: the statement's values, refusals of
// bad input, the position and its day cells in one transaction, and changes that meet another
// workstation.
#include "TestDatabase.h"
#include "data/DataModule.h"
#include "data/Error.h"
#include "journal/PositionStore.h"

#include <gtest/gtest.h>

namespace {

using journal::PositionStore;
using journal::PositionValues;

const QDate today(2026, 12, 10);

class PositionStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        testdb::exec("truncate accounts_dep.smena, accounts_dep.h_tabel restart identity cascade");
        testdb::openAs(dm.ADO_DB, "master", "master");
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

    data::DataModule dm{[](const QString&) {}};
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
        {"1,2,3", "0", "8", "«1,2,3» не является числом"},
        {"-5", "0", "8", "«-5» не является числом"},
        {"", "0", "8", "«» не является числом"},
        {"1); delete from accounts_dep.smena; --", "0", "8",
         "«1); delete from accounts_dep.smena; --» не является числом"},
        {"3", "40000", "8", "Значение 40000 поля Брак вне допустимого диапазона (от 0 до 9999)"},
        {"3", "x", "8", "«x» не является целым числом (поле Брак)"},
        {"3", "0", "-1", "Значение -1 поля Время вне допустимого диапазона (от 0 до 9999)"},
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
TEST_F(PositionStoreTest, ADayPastWhatItsCellHoldsIsRefusedAndNothingIsStored) {
    for (int i = 0; i < 3; ++i)
        store.insert(values("3", "0", "9999"), today);
    try {
        store.insert(values("3", "0", "9999"), today);
        FAIL() << "not refused";
    } catch (const data::DbError& e) {
        EXPECT_TRUE(e.text().startsWith(
            QString::fromUtf8("Часы работника 501 за 09.12.2026 (смена 2) больше 32 767")))
            << e.text().toStdString();
        EXPECT_TRUE(e.text().section('\n', 1).contains("smallint")) << e.text().toStdString();
    }
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena").toInt(), 3);
    EXPECT_EQ(cells(), "0/29997");
    EXPECT_FALSE(dm.ADO_DB.inTransaction());
}

} // namespace
