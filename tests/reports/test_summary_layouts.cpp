// The five summary reports on the test database, as prepared pages, and the summary export
// read back from its .xlsx file.
#include "TestDatabase.h"
#include "Xlsx.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "output/Spreadsheet.h"
#include "reports/SummaryReports.h"
#include "ui/Messages.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <algorithm>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

using output::PreparedReport;
using reports::ReportPeriod;

const QDate february(2027, 2, 1), lastOfFebruary(2027, 2, 28), march(2027, 3, 1);

// February 2027: namesakes 601 and 602, a worker (601) with two products, colours 0, 1015
// and 1, rejects, a bonus, every acceptance state; positions on both ends of the month and
// beyond. Two requisitions share the number 77. April holds the export's rows, June a long
// month of many workers.
void seed() {
    testdb::exec(QString::fromUtf8(R"(
insert into cmn_contractor.person(id, s_code, s_caption, b_employee) values
  (960001, '601', 'Иванов И.И.', true), (960002, '602', 'Иванов И.И.', true),
  (960003, '603', 'Петров П.П.', true);
insert into accounts_dep.izdel(id, marka, nom, massa) values
  (810001, 'Б-1', 'Болт', 0.5), (810002, 'Г-2', 'Гайка', 2), (810003, 'Ш-3', 'Шайба', null);
insert into accounts_dep.vid_oper(id, vid) values (951, 'Сборка'), (952, 'Покраска');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new, cena) values
  (751, 951, 0, 810001, 2.5, 99), (752, 952, 1, 810002, 1.25, 99), (753, 951, 1, 810002, 3, 99),
  (754, 951, 0, 810003, 1, 99);
insert into mnf_doc.doc(id, s_number, d_date) values
  (720001, '77', '2026-01-10'), (720002, '77', '2027-01-10');
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, ok,
                               prize, id_doc) values
  ('2027-02-01', 1, 601, 810001, 751, 2.5, 10, 1, 0, 'no', 10, 720001),
  ('2027-02-15', 2, 601, 810002, 752, 1.25, 4, 0, 1015, 'ok', 0, 720002),
  ('2027-02-20', 1, 602, 810001, 751, 2.5, 2, 0, 0, 'ta', 0, 720002),
  ('2027-02-28', 4, 603, 810002, 753, 3, 5, 2, 1, 'да', 0, 0),
  ('2027-03-01', 1, 601, 810001, 751, 2.5, 100, 0, 0, 'no', 0, 720001),
  ('2027-01-31', 1, 601, 810001, 751, 2.5, 100, 0, 0, 'no', 0, 720001),
  ('2027-04-05', 1, 601, 810001, 751, 1, 2.4, 0, 0, 'no', 0, 0),
  ('2027-04-06', 1, 601, 810002, 752, 1, 3.5, 1, 7, 'no', 0, 0),
  ('2027-04-07', 1, 601, 810003, 754, 1, 1, 0, 1, 'no', 0, 0);
insert into cmn_contractor.person(id, s_code, s_caption, b_employee)
  select 961000 + g, (7000 + g)::text, 'Работник ' || lpad(g::text, 3, '0'), true
  from generate_series(1, 60) g;
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color)
  select date '2027-06-01' + (g % 20), 1, 7000 + g % 60 + 1,
         case when g % 3 = 0 then 810002 else 810001 end,
         case when g % 3 = 0 then 752 else 751 end, 1.5, 1 + g % 4, 0, g % 3
  from generate_series(1, 400) g;
)"));
}

class SummaryReportsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        static bool seeded = false; // both suites share the program's database
        if (!std::exchange(seeded, true))
            seed();
    }
    void SetUp() override { testdb::openAs(db, "master", "master"); }

    PreparedReport prepared(int number, QDate from = february, QDate to = lastOfFebruary,
                            int kind = -1) {
        return reports::prepareSummary(db, number, ReportPeriod{from, to, kind});
    }

    // Band names of all pages in print order; the page footer closes each page as "|".
    static QStringList sequence(const PreparedReport& r) {
        QStringList out;
        for (const output::Page& page : r.pages)
            for (const output::PlacedBand& b : page.bands)
                out << (b.name == "page footer" ? QStringLiteral("|") : b.name);
        return out;
    }

    // The texts of each printing of a band, left to right (lines of a band top to bottom).
    static std::vector<QStringList> bandTexts(const PreparedReport& r, const QString& name) {
        std::vector<QStringList> out;
        for (const output::Page& page : r.pages)
            for (size_t b = 0; b < page.bands.size(); ++b) {
                if (page.bands[b].name != name)
                    continue;
                const double top = page.bands[b].top;
                const double bottom =
                    b + 1 < page.bands.size() ? page.bands[b + 1].top : top + 1000;
                std::vector<const output::Primitive*> inside;
                for (const output::Primitive& p : page.primitives)
                    // Boxes are floats: a band's top is matched to within 0.1 µm.
                    if (p.kind == output::Primitive::Kind::Text && p.y >= top - 1e-4 &&
                        p.y < bottom - 1e-4)
                        inside.push_back(&p);
                std::stable_sort(inside.begin(), inside.end(), [](auto* a, auto* b) {
                    return std::pair(a->y, a->x) < std::pair(b->y, b->x);
                });
                QStringList texts;
                for (const output::Primitive* p : inside)
                    texts << r.text(*p);
                out.push_back(texts);
            }
        return out;
    }

    data::Connection db;
};

TEST_F(SummaryReportsTest, ByWorkersKeepsNamesakesApartAndTotalsEachProductAndWorker) {
    const PreparedReport r = prepared(16);
    EXPECT_EQ(r.name, "TForm16");
    EXPECT_EQ(r.title, "   Отчет по рабочим за период с 01.02.2027 по 28.02.2027");
    ASSERT_EQ(r.pages.size(), 1u);
    EXPECT_EQ(sequence(r), QStringList({"report header",  "report header gap",
                                        "worker header",  "product header",
                                        "detail",         "product footer",
                                        "product header", "detail",
                                        "product footer", "worker footer",
                                        "worker header",  "product header",
                                        "detail",         "product footer",
                                        "worker footer",  "worker header",
                                        "product header", "detail",
                                        "product footer", "worker footer",
                                        "report footer",  "|"}));
    // Both ends of the month in, 31 January and 1 March out; 'ta' counts; colours 0, 1015 and 1.
    EXPECT_EQ(r.texts(), QStringList({"   Отчет по рабочим за период с 01.02.2027 по 28.02.2027",
                                      "Иванов И.И.",
                                      "Болт",
                                      "Готовая продукция",
                                      "Сборка",
                                      " ",
                                      "9",
                                      "22,500",
                                      "9",
                                      "22,500",
                                      "Гайка",
                                      "Заготовки",
                                      "Покраска",
                                      " (RAL: 1015)",
                                      "4",
                                      "5,000",
                                      "4",
                                      "5,000",
                                      "27,50",
                                      "Иванов И.И.",
                                      "Болт",
                                      "Готовая продукция",
                                      "Сборка",
                                      " ",
                                      "2",
                                      "5,000",
                                      "2",
                                      "5,000",
                                      "5,00",
                                      "Петров П.П.",
                                      "Гайка",
                                      "Заготовки",
                                      "Сборка",
                                      " (грунт)",
                                      "3",
                                      "9,000",
                                      "3",
                                      "9,000",
                                      "9,00",
                                      "Итого:",
                                      "41,50",
                                      "1"}));
}

TEST_F(SummaryReportsTest, DetailedByWorkersAddsTheBonusAndKeepsNamesakesApart) {
    const PreparedReport r = prepared(20);
    EXPECT_EQ(r.texts(), QStringList({"   Детальный отчет по рабочим за период с 01.02.2027 по "
                                      "28.02.2027",
                                      "Брак",
                                      "Количество",
                                      "Сумма",
                                      "Премия",
                                      "Иванов И.И.",
                                      "Б-1",
                                      "Сборка",
                                      "0",
                                      "Готовая продукция",
                                      "1",
                                      "10",
                                      "22,50",
                                      "2,25",
                                      "Г-2",
                                      "Покраска",
                                      "1015",
                                      "Заготовки",
                                      "0",
                                      "4",
                                      "5,00",
                                      "0,00",
                                      "1",
                                      "14",
                                      "27,50",
                                      "2,25",
                                      "Итог:",
                                      "29,75",
                                      "Иванов И.И.",
                                      "Б-1",
                                      "Сборка",
                                      "0",
                                      "Готовая продукция",
                                      "0",
                                      "2",
                                      "5,00",
                                      "0,00",
                                      "0",
                                      "2",
                                      "5,00",
                                      "0,00",
                                      "Итог:",
                                      "5,00",
                                      "Петров П.П.",
                                      "Г-2",
                                      "Сборка",
                                      "1",
                                      "Заготовки",
                                      "2",
                                      "5",
                                      "9,00",
                                      "0,00",
                                      "2",
                                      "5",
                                      "9,00",
                                      "0,00",
                                      "Итог:",
                                      "9,00",
                                      "Итого:",
                                      "3",
                                      "21",
                                      "41,50",
                                      "1"}));
}

TEST_F(SummaryReportsTest, DetailedByProductsCountsRejectsInTheBoxes) {
    const PreparedReport r = prepared(21);
    EXPECT_EQ(r.texts(), QStringList({"   Детальный отчет по продукции за период с 01.02.2027 по "
                                      "28.02.2027",
                                      "Брак",
                                      "Коробки",
                                      "Кол-во",
                                      "Сумма",
                                      "Болт",
                                      "Б-1",
                                      "Сборка",
                                      "0",
                                      "Готовая продукция",
                                      "1",
                                      "6",
                                      "12",
                                      "27,500",
                                      "1",
                                      "6,00",
                                      "12",
                                      "27,50",
                                      "Гайка",
                                      "Г-2",
                                      "Покраска",
                                      "1015",
                                      "Заготовки",
                                      "0",
                                      "8",
                                      "4",
                                      "5,000",
                                      "Г-2",
                                      "Сборка",
                                      "1",
                                      "Заготовки",
                                      "2",
                                      "10",
                                      "5",
                                      "9,000",
                                      "2",
                                      "18,00",
                                      "9",
                                      "14,00",
                                      "Итого:",
                                      "3",
                                      "24",
                                      "21",
                                      "41,50",
                                      "1"}));
}

// Every text of every layout shows whole in its box, measured in the font it is printed in
// ("Готовая продукция" beside the colour of the detailed layouts among them).
TEST_F(SummaryReportsTest, EveryTextFitsItsBox) {
    const double dotsPerMm = 20;
    QImage paper(10, 10, QImage::Format_RGB32);
    paper.setDotsPerMeterX(int(dotsPerMm * 1000));
    paper.setDotsPerMeterY(int(dotsPerMm * 1000));
    for (int number : {16, 17, 20, 21, 25}) {
        SCOPED_TRACE(number);
        const PreparedReport r = prepared(number);
        int measured = 0;
        for (const output::Page& page : r.pages)
            for (const output::Primitive& p : page.primitives) {
                if (p.kind != output::Primitive::Kind::Text || r.text(p).trimmed().isEmpty())
                    continue;
                const QString text = r.text(p);
                const output::Font& f = r.fonts[size_t(p.font)];
                QFont font(f.family);
                font.setPointSizeF(f.size);
                font.setBold(f.bold);
                const double width = QFontMetricsF(font, &paper).horizontalAdvance(text);
                EXPECT_LE(width / dotsPerMm, p.rect().width()) << text.toStdString();
                ++measured;
            }
        EXPECT_GT(measured, 10);
    }
    const QStringList detailed = prepared(21).texts();
    EXPECT_TRUE(detailed.contains("Готовая продукция"));
}

TEST_F(SummaryReportsTest, TwoRequisitionsOfOneNumberStayApart) {
    const PreparedReport r = prepared(25);
    EXPECT_EQ(sequence(r),
              QStringList({"report header", "report header gap", "requisition header", "detail",
                           "requisition footer", "requisition header", "detail", "detail",
                           "requisition footer", "report footer", "|"}));
    // The position without a requisition is not in this report.
    EXPECT_EQ(r.texts(), QStringList({"   Детальный отчет по заявкам за период с 01.02.2027 по "
                                      "28.02.2027",
                                      "Брак",
                                      "Номенкл.",
                                      "Кол-во",
                                      "Сумма",
                                      "77",
                                      "Б-1",
                                      "Сборка",
                                      "0",
                                      "Готовая продукция",
                                      "1",
                                      "Болт",
                                      "10",
                                      "22,500",
                                      "1",
                                      "5,00",
                                      "10",
                                      "22,50",
                                      "77",
                                      "Б-1",
                                      "Сборка",
                                      "0",
                                      "Готовая продукция",
                                      "0",
                                      "Болт",
                                      "2",
                                      "5,000",
                                      "Г-2",
                                      "Покраска",
                                      "1015",
                                      "Заготовки",
                                      "0",
                                      "Гайка",
                                      "4",
                                      "5,000",
                                      "0",
                                      "9,00",
                                      "6",
                                      "10,00",
                                      "Итого:",
                                      "1",
                                      "14",
                                      "16",
                                      "32,50",
                                      "1"}));
}

// The kind filter acts on every total; the grand total of boxes is rounded half away from 0.
TEST_F(SummaryReportsTest, TheKindFilterLimitsEveryTotal) {
    struct Case {
        int number;
        int kind;
        const char* footer;
        std::vector<QStringList> groupTotals;
        QStringList grandTotal;
        QStringList details; // the detail rows' kind texts
    };
    const Case cases[] = {
        {17, -1, "product footer", {{"5,5", "11"}, {"14", "7"}}, {"Итого:", "20", "18"}, {}},
        {17, 0, "product footer", {{"5,5", "11"}}, {"Итого:", "6", "11"}, {"Готовая продукция"}},
        {17, 1, "product footer", {{"14", "7"}}, {"Итого:", "14", "7"}, {"Заготовки", "Заготовки"}},
        {16,
         1,
         "worker footer",
         {{"5,00"}, {"9,00"}},
         {"Итого:", "14,00"},
         {"Заготовки", "Заготовки"}},
        {21,
         0,
         "product footer",
         {{"1", "6,00", "12", "27,50"}},
         {"Итого:", "1", "6", "12", "27,50"},
         {"Готовая продукция"}},
        {20,
         1,
         "worker footer",
         {{"0", "4", "5,00", "0,00", "Итог:", "5,00"}, {"2", "5", "9,00", "0,00", "Итог:", "9,00"}},
         {"Итого:", "2", "9", "14,00"},
         {"Заготовки", "Заготовки"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.number << " kind " << c.kind);
        const PreparedReport r = prepared(c.number, february, lastOfFebruary, c.kind);
        EXPECT_EQ(bandTexts(r, c.footer), c.groupTotals);
        const auto grand = bandTexts(r, "report footer");
        ASSERT_EQ(grand.size(), 1u);
        EXPECT_EQ(grand.front(), c.grandTotal);
        if (c.kind < 0)
            continue;
        QStringList kinds;
        for (const QString& t : r.texts())
            if (t == "Готовая продукция" || t == "Заготовки")
                kinds << t;
        EXPECT_EQ(kinds, c.details);
    }
}

TEST_F(SummaryReportsTest, AnEmptyPeriodGivesOnePageWithZeroTotals) {
    struct Case {
        int number;
        QDate from, to;
        QStringList footer;
    };
    const QDate mid(2027, 2, 10); // a day without positions
    const Case cases[] = {
        {16, mid, mid, {"Итого:", "0,00"}},
        {17, mid, mid, {"Итого:", "0", "0"}},
        {20, mid, mid, {"Итого:", "0", "0", "0,00"}},
        {21, mid, mid, {"Итого:", "0", "0", "0", "0,00"}},
        {25, mid, mid, {"Итого:", "0", "0", "0", "0,00"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        const PreparedReport r = prepared(c.number, c.from, c.to);
        ASSERT_EQ(r.pages.size(), 1u);
        EXPECT_EQ(sequence(r),
                  QStringList({"report header", "report header gap", "report footer", "|"}));
        EXPECT_EQ(bandTexts(r, "report footer").front(), c.footer);
        EXPECT_EQ(r.texts().front(), reports::summaryTitle(c.number, {c.from, c.to}));
        EXPECT_EQ(r.texts().back(), "1");
    }
}

// Sixty workers over several pages: no page ends on a header, pages are numbered, and the
// grand total is the server's own sum.
TEST_F(SummaryReportsTest, ALongReportBreaksPagesBetweenBands) {
    const QDate june(2027, 6, 1), lastOfJune(2027, 6, 30);
    const PreparedReport r = prepared(16, june, lastOfJune);
    ASSERT_GT(r.pages.size(), 3u);
    for (size_t p = 0; p < r.pages.size(); ++p) {
        SCOPED_TRACE(p);
        const auto& bands = r.pages[p].bands;
        ASSERT_GE(bands.size(), 2u);
        EXPECT_EQ(bands.back().name, "page footer");
        EXPECT_FALSE(bands[bands.size() - 2].name.endsWith("header"));
        EXPECT_EQ(r.texts(int(p)).back(), QString::number(p + 1));
    }
    const double money =
        testdb::exec("select sum((kol_vo-brak)*cena) from accounts_dep.smena where data >= "
                     "'2027-06-01' and data < '2027-07-01'")
            .toDouble();
    EXPECT_EQ(bandTexts(r, "report footer").front(),
              QStringList({"Итого:", QString::number(money, 'f', 2).replace('.', ',')}));
    EXPECT_EQ(bandTexts(r, "worker header").size(), 60u);
}

TEST_F(SummaryReportsTest, AnotherNumberIsNoReport) {
    for (int number : {0, 15, 18, 19, 22}) {
        EXPECT_FALSE(reports::isSummaryReport(number));
        EXPECT_TRUE(reports::summaryStatement(number).isEmpty());
        try {
            prepared(number);
            ADD_FAILURE() << number;
        } catch (const data::Error& e) {
            EXPECT_EQ(e.text(), QStringLiteral("Неизвестный отчет: %1").arg(number));
        }
    }
}

class SummaryExportTest : public SummaryReportsTest {
protected:
    // Exports the period and reads the file back; the progress told goes into `told`.
    xlsx::Xlsx exported(QDate from, QDate to, int kind) {
        told.clear();
        EXPECT_EQ(sheet.open(""), 1);
        reports::exportSummary(db, {from, to, kind}, sheet, [&](int k, int n) {
            told.push_back({k, n});
        });
        EXPECT_EQ(sheet.show(true), 1);
        return xlsx::Xlsx(sheet.lastFile());
    }

    xlsx::ThrowAwayHome home;
    ui::MessageRecorder messages;
    output::Spreadsheet sheet;
    std::vector<std::pair<int, int>> told;
};

TEST_F(SummaryExportTest, RowsCarryColourAndKindTextsAndRoundedQuantities) {
    const QDate april(2027, 4, 1), lastOfApril(2027, 4, 30);
    using Cells = QMap<QString, QString>;
    const Cells heading = {{"A1", "s:Наименование"},
                           {"B1", "s:Операция"},
                           {"C1", "s:Вид продукции"},
                           {"D1", "s:Коробки"},
                           {"E1", "s:Кол-во"}};
    // 2.4 and 2.5 good pieces; the boxes of a product without massa stay empty. Names and
    // operations are text cells ("@"), whatever they hold.
    const Cells bolt = {{"A2", "s:Болт @"},
                        {"B2", "s:Сборка @"},
                        {"C2", "s:Готовая продукция"},
                        {"D2", "n:1.2"},
                        {"E2", "n:2"}};
    struct Case {
        int kind;
        Cells rows;
        std::vector<std::pair<int, int>> progress;
    };
    const Case cases[] = {
        {-1,
         {{"A3", "s:Гайка @"},
          {"B3", "s:Покраска (цвет: 7) @"},
          {"C3", "s:Заготовки"},
          {"D3", "n:5"},
          {"E3", "n:3"},
          {"A4", "s:Шайба @"},
          {"B4", "s:Сборка (грунт) @"},
          {"C4", "s:Готовая продукция"},
          {"E4", "n:1"}},
         {{0, 3}, {1, 3}, {2, 3}, {3, 3}}},
        {1,
         {{"A2", "s:Гайка @"},
          {"B2", "s:Покраска (цвет: 7) @"},
          {"C2", "s:Заготовки"},
          {"D2", "n:5"},
          {"E2", "n:3"}},
         {{0, 1}, {1, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        Cells expected = heading;
        if (c.kind < 0)
            for (auto it = bolt.begin(); it != bolt.end(); ++it)
                expected.insert(it.key(), it.value());
        for (auto it = c.rows.begin(); it != c.rows.end(); ++it)
            expected.insert(it.key(), it.value());
        EXPECT_EQ(exported(april, lastOfApril, c.kind).cells, expected);
        EXPECT_EQ(told, c.progress);
    }
    EXPECT_TRUE(messages.messages.empty());
}

// "по" takes its own day: one day is a period of that day's positions.
TEST_F(SummaryExportTest, EqualDatesExportThatDaysRows) {
    const xlsx::Xlsx one = exported(QDate(2027, 4, 5), QDate(2027, 4, 5), -1);
    EXPECT_EQ(one.cells.size(), 10);
    EXPECT_EQ(one.at(1, 2), "s:Болт @");
    EXPECT_EQ(told, (std::vector<std::pair<int, int>>{{0, 1}, {1, 1}}));
    const xlsx::Xlsx none = exported(QDate(2027, 4, 4), QDate(2027, 4, 4), -1);
    EXPECT_EQ(none.cells.size(), 5) << "the heading only";
}

// A period that ends before it starts is refused, naming both days, before anything is read or
// written.
TEST_F(SummaryExportTest, APeriodEndingBeforeItStartsIsRefused) {
    const QString refusal =
        QString::fromUtf8("Конец периода (по 01.02.2027) раньше его начала (с 01.03.2027)");
    for (int number : {16, 25}) {
        SCOPED_TRACE(number);
        try {
            prepared(number, march, february);
            ADD_FAILURE() << "prepared";
        } catch (const data::ConversionError& e) {
            EXPECT_EQ(e.text(), refusal);
        }
    }
    int progress = 0;
    try {
        reports::exportSummary(db, {march, february, -1}, sheet, [&](int, int) { ++progress; });
        ADD_FAILURE() << "exported";
    } catch (const data::ConversionError& e) {
        EXPECT_EQ(e.text(), refusal);
    }
    EXPECT_EQ(progress, 0);
}

} // namespace
