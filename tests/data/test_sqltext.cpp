#include "data/Error.h"
#include "data/FilterExpression.h"
#include "data/NumberText.h"
#include "data/SortExpression.h"
#include "data/SqlText.h"
#include "data/Value.h"

#include <functional>
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

TEST(SqlText, TypedIntegersTooWideForTheirFieldAreRefusedNamingIt) {
    struct Case {
        const char* typed;
        qint64 min, max;
        const char* result; // or the refusal
    };
    const qint64 lo = std::numeric_limits<qint64>::min(), hi = std::numeric_limits<qint64>::max();
    const Case cases[] = {
        {"-32768", -32768, 32767, "-32768"},
        {"40000", -32768, 32767,
         "Значение 40000 поля brak вне допустимого диапазона (от -32768 до 32767)"},
        {"12345678901234567890", lo, hi,
         "Значение 12345678901234567890 поля brak вне допустимого диапазона "
         "(от -9223372036854775808 до 9223372036854775807)"},
        {"2.5", -32768, 32767, "«2.5» не является целым числом (поле brak)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        try {
            EXPECT_EQ(sqltext::typedInteger(c.typed, c.min, c.max, "brak"),
                      QString::fromUtf8(c.result));
        } catch (const data::ConversionError& e) {
            EXPECT_EQ(e.text(), QString::fromUtf8(c.result));
        }
    }
}

TEST(SqlText, QuotedTextCannotLeaveItsLiteral) {
    EXPECT_EQ(sqltext::quoted("O'Neil"), "'O''Neil'");
    EXPECT_EQ(sqltext::quoted(QString::fromUtf8("Д'Артаньян")), QString::fromUtf8("'Д''Артаньян'"));
    EXPECT_EQ(sqltext::quoted("'; drop table x; --"), "'''; drop table x; --'");
    EXPECT_EQ(sqltext::likePrefix("50%_a\\"), "'50\\%\\_a\\\\%'");
    // libpq would end the statement at a NUL: refused, not dropped.
    EXPECT_THROW(sqltext::quoted(QString::fromUtf8("a\0b", 3)), data::ConversionError);
    EXPECT_THROW(sqltext::likePrefix(QString::fromUtf8("a\0", 2)), data::ConversionError);
    EXPECT_EQ(sqltext::filterLikePrefix("fio", "O'N"), "fio like 'O''N%'");
    EXPECT_EQ(sqltext::filterEquals("naimen", 0), "naimen=0");
}

TEST(Value, IdentifiersAreWholeAndInRangeOnEveryPathAndNoValueReadsAsZero) {
    struct Case {
        QVariant value;
        bool int32; // toInt32, else toInt64
        const char* result;
    };
    const char* const int32Range = "(от -2147483648 до 2147483647)";
    const QString long20 = "12345678901234567890";
    const Case cases[] = {
        {QVariant(), true, "0"},
        {QVariant(qint64(2147483647)), true, "2147483647"},
        {QVariant(qint64(-2147483648LL)), true, "-2147483648"},
        {QVariant(QString(" 123456 ")), true, "123456"},
        {QVariant(3.0), true, "3"},
        {QVariant(2.5), false, "«2.5» не является целым числом (поле id_doc)"},
        {QVariant(2.5), true, "«2.5» не является целым числом (поле id_doc)"},
        {QVariant(QString("2,5")), true, "«2,5» не является целым числом (поле id_doc)"},
        {QVariant(QString("")), true, "Пустое значение не является целым числом (поле id_doc)"},
        {QVariant(QString("  ")), false, "Пустое значение не является целым числом (поле id_doc)"},
        {QVariant(QString("12abc")), true, "«12abc» не является целым числом (поле id_doc)"},
        {QVariant(qint64(2147483648LL)), true, "Значение 2147483648 поля id_doc вне допустимого "},
        {QVariant(qint64(-2147483649LL)), true, "Значение -2147483649 поля id_doc вне допустимого"},
        {QVariant(QString("4294967296")), true, "Значение 4294967296 поля id_doc вне допустимого"},
        {QVariant(1e300), true, "Значение 1e+300 поля id_doc вне допустимого диапазона"},
        {QVariant(long20), false, "Значение 12345678901234567890 поля id_doc вне допустимого"},
        {QVariant(long20), true, "Значение 12345678901234567890 поля id_doc вне допустимого"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(data::value::toString(c.value).toStdString() + (c.int32 ? " int32" : ""));
        QString got;
        try {
            got = QString::number(c.int32 ? data::value::toInt32(c.value, "id_doc")
                                          : data::value::toInt64(c.value, "id_doc"));
        } catch (const data::ConversionError& e) {
            got = e.text();
            if (c.int32 && got.contains("вне")) {
                EXPECT_TRUE(got.endsWith(QString::fromUtf8(int32Range))) << got.toStdString();
            }
        }
        EXPECT_TRUE(got.startsWith(QString::fromUtf8(c.result))) << got.toStdString();
    }
}

// Whatever was typed, a message quotes no more than its first hundred characters.
TEST(ErrorTexts, QuoteAtMostAHundredCharactersOfAnInput) {
    const QString typed(10000, QLatin1Char('x'));
    const data::FilterExpression::ColumnLookup columns = [](const QString& f) {
        return f == "fio" ? 0 : -1;
    };
    const std::function<void()> producers[] = {
        [&] { sqltext::typedDecimal(typed); },
        [&] { sqltext::typedInteger(typed); },
        [&] { data::value::toInt32(typed, "id"); },
        [&] { data::value::toDate(typed, "data"); },
        [&] { data::parseSortExpression("fio " + typed); },
        [&] { data::FilterExpression("fio like '" + typed, columns); },
        [&] { data::FilterExpression(typed + "=1", columns); },
    };
    for (size_t i = 0; i < std::size(producers); ++i) {
        SCOPED_TRACE(i);
        try {
            producers[i]();
            ADD_FAILURE() << "accepted";
        } catch (const data::ConversionError& e) {
            EXPECT_LT(e.text().size(), 200);
            EXPECT_TRUE(e.text().contains(QString(80, QLatin1Char('x')) + QChar(0x2026)))
                << e.text().toStdString();
        }
    }
}

TEST(NumberText, NumbersShowInTheirShortestFifteenDigitForm) {
    struct Case {
        QVariant value;
        const char* shown;
    };
    const Case cases[] = {
        {1.6500000000000001, "1,65"},
        {18.666719999999998, "18,66672"},
        {11.110000000000001, "11,11"},
        {0.1 + 0.2, "0,3"},
        {1e-05, "0,00001"},
        {0.000012345, "0,000012345"},
        {999999999999.0, "999999999999"},
        {1e+20, "100000000000000000000"},
        {-2.5, "-2,5"},
        {-0.0, "0"},
        {127.0, "127"},
        {QVariant::fromValue(qint64(123456789012)), "123456789012"},
        {QString("1.6500000000000001"), "1,65"}, // a number the server sent as text
        {QString("53.79"), "53,79"},
        {QString("Б-12"), "Б-12"},
        {QVariant(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.toString().toStdString());
        EXPECT_EQ(data::value::withDecimalComma(c.value), QString::fromUtf8(c.shown));
    }
}
