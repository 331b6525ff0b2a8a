#include "data/Error.h"
#include "data/SqlText.h"
#include "data/Value.h"

#include <gtest/gtest.h>
#include <limits>

TEST(SqlText, NumbersAndDatesTakeTheirStatementForms) {
    EXPECT_EQ(sqltext::decimal(12.5), "12.5");
    EXPECT_EQ(sqltext::decimal(100), "100");
    EXPECT_EQ(sqltext::decimal(0.1), "0.1");
    EXPECT_EQ(sqltext::decimal(-0.0), "0");
    EXPECT_EQ(sqltext::decimal(10.1234), "10.1234");
    EXPECT_EQ(sqltext::integer(7), "7");
    EXPECT_EQ(sqltext::date(QDate(2026, 3, 5)), "05.03.2026");
    EXPECT_EQ(sqltext::toDate(QDate(2024, 2, 29)), "to_date('29.02.2024', 'DD.MM.YYYY')");
}

TEST(SqlText, TypedNumbersAreCheckedAndTakeAPoint) {
    struct Case {
        const char* typed;
        const char* decimal; // nullptr: refused
    };
    const Case cases[] = {{"1,5", "1.5"},   {"1.5", "1.5"},
                          {" 12 ", "12"},   {"3,", "3"},
                          {",5", "0.5"},    {"-2,25", "-2.25"},
                          {"", nullptr},    {"1,5,5", nullptr},
                          {"1e5", nullptr}, {"5); drop table x; --", nullptr},
                          {"abc", nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        if (c.decimal)
            EXPECT_EQ(sqltext::typedDecimal(QString::fromUtf8(c.typed)),
                      QString::fromUtf8(c.decimal));
        else
            EXPECT_THROW(sqltext::typedDecimal(QString::fromUtf8(c.typed)), data::ConversionError);
    }
    EXPECT_EQ(sqltext::typedInteger(" 3 "), "3");
    EXPECT_THROW(sqltext::typedInteger("3 or 1=1"), data::ConversionError);
}

TEST(SqlText, QuotedTextCannotLeaveItsLiteral) {
    EXPECT_EQ(sqltext::quoted("O'Neil"), "'O''Neil'");
    EXPECT_EQ(sqltext::quoted(QString::fromUtf8("Д'Артаньян")), QString::fromUtf8("'Д''Артаньян'"));
    EXPECT_EQ(sqltext::quoted("'; drop table x; --"), "'''; drop table x; --'");
    EXPECT_EQ(sqltext::likePrefix("50%_a\\"), "'50\\%\\_a\\\\%'");
    EXPECT_EQ(sqltext::filterLikePrefix("fio", "O'N"), "fio like 'O''N%'");
    EXPECT_EQ(sqltext::filterEquals("naimen", 0), "naimen=0");
}

TEST(Value, IdentifiersOutsideThirtyTwoBitsAreRefused) {
    using data::value::toInt32;
    EXPECT_EQ(toInt32(QVariant(qint64(2147483647))), 2147483647);
    EXPECT_EQ(toInt32(QVariant(qint64(-2147483648LL))), std::numeric_limits<qint32>::min());
    EXPECT_EQ(toInt32(QVariant(QString("123456"))), 123456);
    for (const QVariant& v :
         {QVariant(qint64(2147483648LL)), QVariant(qint64(-2147483649LL)),
          QVariant(qint64(999999999999999LL)), QVariant(QString("4294967296")), QVariant(1e300)}) {
        SCOPED_TRACE(v.toString().toStdString());
        try {
            toInt32(v, "id_doc");
            ADD_FAILURE() << "accepted";
        } catch (const data::ConversionError& e) {
            EXPECT_TRUE(e.text().contains("id_doc")) << e.text().toStdString();
        }
    }
    EXPECT_THROW(toInt32(QVariant(QString("12abc"))), data::ConversionError);
    EXPECT_EQ(toInt32(QVariant()), 0);
}
