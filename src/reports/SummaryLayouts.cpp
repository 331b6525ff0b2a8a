#include "SummaryLayouts.h"

#include "data/Value.h"

#include <QColor>
#include <utility>

namespace reports {

using output::Align;
using output::Band;
using output::Frame;
using output::Group;
using output::Item;
using output::Report;
using output::Row;
using output::RowFunction;

namespace {

const QColor headerFill(0xF4, 0xF4, 0xF4);
const QColor groupFill(0xE0, 0xE0, 0xE0);
const QColor sumFill(0xEF, 0xEF, 0xEF);
const QColor footerFill(0xDC, 0xDC, 0xDC);
const QString arial = QStringLiteral("Arial");
const QString sans = QStringLiteral("MS Sans Serif");
constexpr double pageWidth = 190; // A4 less the 10 mm margins

// Where the title line ends and the column captions begin in a two-line report header.
constexpr double titleHeight = 4.0;

QVariant kindText(const Row& row) {
    return !data::value::isNull(row.value(QStringLiteral("naimen"))) &&
                   row.number(QStringLiteral("naimen")) == 0
               ? QStringLiteral("Готовая продукция")
               : QStringLiteral("Заготовки");
}

QVariant colourSuffix(const Row& row) {
    const double colour = row.number(QStringLiteral("color"));
    if (colour > 1)
        return QStringLiteral(" (RAL: ") + row.text(QStringLiteral("color")) + QLatin1Char(')');
    return colour == 1 ? QStringLiteral(" (грунт)") : QStringLiteral(" ");
}

struct Caption {
    double left;
    QString text;
};

// The title line, and under it the column captions, each reaching to the next one.
std::vector<Band> reportHeader(double height, double titleSize, double captionSize,
                               const std::vector<Caption>& captions) {
    std::vector<Item> items;
    items.push_back(Item::label(0, pageWidth, QString())
                        .withFont(arial, titleSize, true)
                        .at(0, captions.empty() ? 0 : titleHeight)
                        .named(QStringLiteral("QRLabel1")));
    for (size_t i = 0; i < captions.size(); ++i) {
        const double right = i + 1 < captions.size() ? captions[i + 1].left : pageWidth;
        items.push_back(Item::label(captions[i].left, right - captions[i].left, captions[i].text)
                            .withFont(arial, captionSize, true)
                            .at(titleHeight)
                            .filled(Qt::white));
    }
    return {Band::of("report header", height, std::move(items)).filled(headerFill),
            Band::of("report header gap", 0.5)};
}

Group group(const char* name, const QString& key, const QString& shown, double height,
            QColor background, Band footer) {
    Group g;
    g.field = key;
    g.header = {Band::of(QLatin1String(name), height,
                         {Item::ofField(0.3, pageWidth - 0.3, shown).withFont(arial, 10, true)})
                    .filled(background)};
    g.footer = {std::move(footer)};
    return g;
}

// Detail texts: field, expression and the two recurring expressions.
struct Cell {
    double left, width;
    QString field; // empty: the expression
    RowFunction expression;
    Align align;
    QString mask;
};
Cell text(double left, double width, const char* field, Align align = Align::Center,
          const QString& mask = {}) {
    return {left, width, QLatin1String(field), {}, align, mask};
}
Cell kind(double left, double width) {
    return {left, width, {}, kindText, Align::Left, {}};
}
Cell suffix(double left, double width) {
    return {left, width, {}, colourSuffix, Align::Left, {}};
}

Band detail(double fontSize, const std::vector<Cell>& cells) {
    std::vector<Item> items;
    for (const Cell& c : cells)
        items.push_back((c.field.isEmpty()
                             ? Item::ofExpression(c.left, c.width, c.expression, c.align, c.mask)
                             : Item::ofField(c.left, c.width, c.field, c.align, c.mask))
                            .withFont(sans, fontSize));
    return Band::of("detail", 4.2, std::move(items)).filled(Qt::white);
}

// A sum of a group footer (reset after each printing) or of the report footer (never reset).
struct Sum {
    double left, width;
    const char* field;
    QString mask;
};
std::vector<Item> sums(const std::vector<Sum>& list, bool reset, double fontSize) {
    std::vector<Item> items;
    for (const Sum& s : list)
        items.push_back(
            Item::sumOf(s.left, s.width, QLatin1String(s.field), reset, Align::Center, s.mask)
                .withFont(sans, fontSize, true)
                .filled(sumFill));
    return items;
}

Band groupFooter(const char* name, double height, const std::vector<Sum>& list) {
    return Band::of(QLatin1String(name), height, sums(list, true, 9));
}

Band reportFooter(double height, double totalLeft, const std::vector<Sum>& list) {
    std::vector<Item> items = sums(list, false, 10);
    const double right = list.empty() ? pageWidth : list.front().left;
    items.insert(items.begin(), Item::label(totalLeft, right - totalLeft, QStringLiteral("Итого:"))
                                    .withFont(sans, 11, true));
    return Band::of("report footer", height, std::move(items))
        .filled(footerFill)
        .framed(Frame::All);
}

Report frame(const char* name, const data::ResultSet& rows) {
    Report r(QLatin1String(name), rows);
    r.pageFooter = Band::of("page footer", 4.2,
                            {Item::pageNumber(176.2, pageWidth - 176.2).withFont(arial, 9)});
    return r;
}

const QString money2 = QStringLiteral("#0.00");
const QString money3 = QStringLiteral("#0.000");

// The detailed product rows; the by-requisitions layout shows the product name where this one
// shows the boxes. The colour (a RAL number at most) leaves the kind room for "Готовая
// продукция".
Band detailedProductRow(const Cell& fifth, double kolvoLeft) {
    return detail(9, {text(1.1, 52.1, "marka", Align::Left), text(52.9, 27.8, "vid", Align::Left),
                      text(81.2, 12.0, "color"), kind(93.5, 31.9), text(125.4, 6.6, "brk"), fifth,
                      text(kolvoLeft, 16.7, "kolvo"),
                      text(169.9, 19.1, "summa", Align::Center, money3)});
}

const std::vector<Sum> detailedGroupSums = {{124.4, 8.7, "brk", {}},
                                            {132.8, 18.8, "mass", money2},
                                            {152.1, 16.7, "kolvo", {}},
                                            {169.9, 20.1, "summa", money2}};
const std::vector<Sum> detailedTotals = {{124.4, 8.5, "brk", {}},
                                         {132.8, 18.8, "mass", {}},
                                         {152.1, 16.7, "kolvo", {}},
                                         {169.9, 19.1, "summa", money2}};

} // namespace

Report workersLayout(const data::ResultSet& rows) {
    Report r = frame("TForm16", rows);
    r.reportHeader = reportHeader(4.2, 10, 10, {});
    const Band workerFooter =
        groupFooter("worker footer", 6.1, {{163.0, 23.8, "summa", money2}}).framed(Frame::Bottom);
    // Namesakes are two workers: the group breaks on the worker's number.
    r.groups = {group("worker header", QStringLiteral("w_id"), QStringLiteral("fio"), 6.6,
                      groupFill, workerFooter),
                group("product header", QStringLiteral("nom"), QStringLiteral("nom"), 5.3,
                      Qt::white,
                      groupFooter("product footer", 5.3,
                                  {{137.8, 19.3, "kolvo", {}}, {163.0, 23.8, "summa", money3}}))};
    r.detail = {
        detail(9, {kind(13.2, 42.1), text(56.9, 43.1, "vid"), suffix(101.6, 34.7),
                   text(137.8, 19.3, "kolvo"), text(163.0, 23.5, "summa", Align::Center, money3)})};
    r.reportFooter = {reportFooter(5.8, 137.8, {{160.9, 28.0, "summa", money2}})};
    return r;
}

Report productsLayout(const data::ResultSet& rows) {
    Report r = frame("TForm17", rows);
    r.reportHeader = reportHeader(
        7.7, 10, 10, {{136.3, QStringLiteral("Коробки")}, {165.1, QStringLiteral("Количество")}});
    r.groups = {group("product header", QStringLiteral("nom"), QStringLiteral("nom"), 5.3,
                      groupFill,
                      groupFooter("product footer", 5.3,
                                  {{133.6, 19.3, "mass", {}}, {163.0, 23.8, "kolvo", {}}}))};
    r.detail = {detail(9, {kind(13.2, 40.0), text(54.8, 36.2, "vid"), suffix(92.6, 39.4),
                           text(133.6, 19.3, "mass"), text(163.0, 23.5, "kolvo")})};
    r.reportFooter = {reportFooter(
        5.8, 106.4, {{131.2, 23.5, "mass", QStringLiteral("#0")}, {160.9, 28.0, "kolvo", {}}})};
    return r;
}

Report detailedWorkersLayout(const data::ResultSet& rows) {
    Report r = frame("TForm20", rows);
    r.reportHeader = reportHeader(7.7, 10, 9,
                                  {{124.1, QStringLiteral("Брак")},
                                   {133.3, QStringLiteral("Количество")},
                                   {157.4, QStringLiteral("Сумма")},
                                   {174.9, QStringLiteral("Премия")}});
    constexpr double line = 4.5;
    std::vector<Item> footer = sums({{122.8, 9.0, "brk", {}},
                                     {133.3, 19.3, "kolvo", {}},
                                     {152.4, 19.6, "summa", money2},
                                     {173.6, 15.1, "s_prize", money2}},
                                    true, 9);
    for (Item& i : footer)
        i.at(0, line);
    footer.push_back(Item::label(158.5, 167.7 - 158.5, QStringLiteral("Итог:"))
                         .withFont(arial, 9, true)
                         .at(line, line));
    footer.push_back(Item::sumOf(
                         167.7, 20.9,
                         [](const Row& row) {
                             return row.number(QStringLiteral("summa")) +
                                    row.number(QStringLiteral("s_prize"));
                         },
                         true, Align::Center, money2)
                         .withFont(sans, 9, true)
                         .filled(sumFill)
                         .at(line, line));
    r.groups = {group("worker header", QStringLiteral("w_id"), QStringLiteral("fio"), 5.3,
                      groupFill, Band::of("worker footer", 9.5, std::move(footer)))};
    r.detail = {
        detail(8, {text(0.3, 41.0, "marka", Align::Left), text(42.9, 29.1, "vid"),
                   text(73.6, 16.1, "color"), kind(91.3, 29.9), text(122.8, 9.0, "brk"),
                   text(133.3, 17.5, "kolvo"), text(152.4, 19.6, "summa", Align::Center, money2),
                   text(173.6, 15.1, "s_prize", Align::Center, money2)})};
    r.reportFooter = {reportFooter(
        5.8, 106.1,
        {{132.0, 11.4, "brk", {}}, {145.0, 19.3, "kolvo", {}}, {165.9, 23.5, "summa", money2}})};
    return r;
}

Report detailedProductsLayout(const data::ResultSet& rows) {
    Report r = frame("TForm21", rows);
    r.reportHeader = reportHeader(7.7, 9, 10,
                                  {{124.4, QStringLiteral("Брак")},
                                   {134.9, QStringLiteral("Коробки")},
                                   {153.5, QStringLiteral("Кол-во")},
                                   {173.8, QStringLiteral("Сумма")}});
    r.groups = {group("product header", QStringLiteral("nom"), QStringLiteral("nom"), 5.3,
                      groupFill, groupFooter("product footer", 5.3, detailedGroupSums))};
    r.detail = {detailedProductRow(text(133.6, 18.8, "mass"), 152.1)};
    r.reportFooter = {reportFooter(6.6, 99.7, detailedTotals)};
    return r;
}

Report detailedRequisitionsLayout(const data::ResultSet& rows) {
    Report r = frame("TForm25", rows);
    r.reportHeader = reportHeader(7.7, 9, 10,
                                  {{124.4, QStringLiteral("Брак")},
                                   {133.6, QStringLiteral("Номенкл.")},
                                   {152.1, QStringLiteral("Кол-во")},
                                   {173.8, QStringLiteral("Сумма")}});
    // Requisition numbers repeat (they restart), so the band breaks on the document itself.
    Group requisition =
        group("requisition header", QStringLiteral("id"), QStringLiteral("s_number"), 5.3,
              groupFill, groupFooter("requisition footer", 5.3, detailedGroupSums));
    requisition.header.front().items.front().width = 16.7;
    r.groups = {std::move(requisition)};
    r.detail = {detailedProductRow(text(133.3, 16.7, "nom"), 151.6)};
    r.reportFooter = {reportFooter(6.6, 99.7, detailedTotals)};
    return r;
}

} // namespace reports
