#pragma once

#include <QColor>
#include <QPageLayout>
#include <QRectF>
#include <QRgb>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace data {
class ResultSet;
}

// A banded report over the rows of one open result set, laid out as a table of bands and
// items in millimetres. prepare() reads the rows once and returns finished pages.
//
// A band is never split; the page footer is kept free on every page; a group header moves
// to the next page with the band after it; totals are summed here, never by the server.
namespace output {

struct Columns;

// One row of the report's result set, as expressions see it. Values are read by field
// name; a missing field reads as null.
class Row {
public:
    QVariant value(const QString& field) const;
    double number(const QString& field) const; // null and text that is no number: 0
    QString text(const QString& field) const;
    bool isNull() const { return set_ == nullptr; } // the no-row context of an empty report

private:
    friend class Report;
    friend struct Preparer;
    const data::ResultSet* set_ = nullptr;
    int row_ = -1;
    Columns* columns_ = nullptr;
};

using RowFunction = std::function<QVariant(const Row&)>;

enum class Align : quint8 { Left, Center, Right };

// Arial, MS Sans Serif and Microsoft Sans Serif are drawn in Liberation Sans.
struct Font {
    QString family = QStringLiteral("Arial");
    double size = 10; // points
    bool bold = false;
};

// Lines on the sides of a box; width in millimetres.
struct Frame {
    enum Side { Left = 1, Top = 2, Right = 4, Bottom = 8, All = 15 };
    int sides = 0;
    QColor color = Qt::black;
    bool dotted = false;
    double width = 0.2;
};

// A printable item: its box in millimetres from the band's top-left corner (a height of 0
// reaches the band's bottom), what it prints, and how. Text never leaves its box.
struct Item {
    enum class Kind { Text, Field, Expression, Sum, PageNumber };
    Kind kind = Kind::Text;
    double left = 0, top = 0, width = 0, height = 0;
    QString text;                 // Text: the text; PageNumber: printed before the number
    QString field;                // Field, and Sum of a field
    RowFunction expression;       // Expression, and Sum of an expression
    QString mask;                 // "#0.00": that many decimals; empty: general format
                                  // (data::value::formatValue)
    bool resetAfterPrint = false; // Sum: starts again at 0 after each printing
    Align align = Align::Left;
    Font font;
    QColor background; // invalid: transparent
    Frame frame;
    QString name; // lets the caller change a text after the layout is built

    static Item label(double left, double width, const QString& text, Align align = Align::Left);
    static Item ofField(double left, double width, const QString& field, Align align = Align::Left,
                        const QString& mask = {});
    static Item ofExpression(double left, double width, RowFunction f, Align align = Align::Left,
                             const QString& mask = {});
    // A total of a field; with reset it covers the rows since its last printing.
    static Item sumOf(double left, double width, const QString& field, bool reset,
                      Align align = Align::Center, const QString& mask = {});
    static Item sumOf(double left, double width, RowFunction f, bool reset,
                      Align align = Align::Center, const QString& mask = {});
    static Item pageNumber(double left, double width, const QString& prefix = {},
                           Align align = Align::Right);

    // Builder steps for table-like layouts: Item::label(...).bold().at(top).
    Item& withFont(const QString& family, double size, bool bold = false);
    Item& bold(bool on = true) {
        font.bold = on;
        return *this;
    }
    Item& at(double t, double h = 0) {
        top = t;
        height = h;
        return *this;
    }
    Item& filled(QColor c) {
        background = c;
        return *this;
    }
    Item& framed(int sides, QColor c = Qt::black, bool dotted = false);
    Item& named(const QString& n) {
        name = n;
        return *this;
    }
};

struct Band {
    QString name; // shown in the prepared pages, for the tests and the curious
    double height = 0;
    QColor background; // invalid: transparent
    Frame frame;
    std::vector<Item> items;

    // Builder steps, as for items: Band::of("detail", 4.2, {...}).filled(Qt::white).
    static Band of(const QString& name, double height, std::vector<Item> items = {});
    Band& filled(QColor c) {
        background = c;
        return *this;
    }
    Band& framed(int sides, QColor c = Qt::black, bool dotted = false);
};

// A group: its header bands print before the first row and whenever the key changes (or an
// outer group's does); its footer bands after its last row. Without field or key: once.
struct Group {
    QString field;
    RowFunction key;
    std::vector<Band> header;
    std::vector<Band> footer;
};

// What a prepared page holds: fills, lines and texts at millimetres from the paper's corner.
// A year's report holds more than a million of them, so they are small: float boxes, and the
// colour and the text as indexes into the report's tables of distinct ones.
struct Primitive {
    enum class Kind : quint8 { Fill, Line, Text };
    float x = 0, y = 0, w = 0, h = 0; // a line runs from (x, y) to (x + w, y + h)
    union {
        qint32 text = -1; // Text: index into PreparedReport::strings
        float width;      // Line: in millimetres
    };
    qint16 font = -1;  // index into PreparedReport::fonts
    quint16 color = 0; // of the fill, the line or the text: index into PreparedReport::colors
    Kind kind = Kind::Text;
    Align align = Align::Left;
    bool dotted = false;

    QRectF rect() const { return QRectF(x, y, w, h); }
};

struct PlacedBand {
    QString name;
    double top = 0; // millimetres from the paper's top
    int row = -1;   // the row it printed for; -1 for none
};

struct Page {
    std::vector<PlacedBand> bands;
    std::vector<Primitive> primitives;
};

struct PreparedReport {
    QString name;
    QString title;
    QPageLayout layout;
    std::vector<Font> fonts;                 // families already mapped to installed ones
    std::vector<QString> strings;            // each distinct text once; Primitive::text points here
    std::vector<QRgb> colors{qRgb(0, 0, 0)}; // each colour used once, black first
    std::vector<Page> pages;

    const QString& text(const Primitive& p) const;

    // The texts of a page (or of all pages when page is -1), top to bottom, left to right.
    QStringList texts(int page = -1) const;
};

class Report {
public:
    // name: the layout's window name ("TForm16"); the rows are read, never moved or reopened.
    Report(const QString& name, const data::ResultSet& rows);

    QString name;
    QString title; // the preview's caption, leading blanks dropped
    QPageLayout layout{QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter};

    std::vector<Band> pageHeader;   // at the top of every page
    std::vector<Band> reportHeader; // once, first
    std::vector<Group> groups;      // outermost first
    std::vector<Band> detail;       // per row
    std::vector<Band> reportFooter; // once, after the last row (also with no rows)
    Band pageFooter;                // at the foot of every page; height 0 for none

    // Sets the text of every Text item of that name; false when there is none.
    bool setText(const QString& itemName, const QString& text);

    // All pages, from the rows that pass the result set's filter, in its order. At least one.
    // A field item naming no column of an open result set throws data::Error.
    PreparedReport prepare() const;

private:
    const data::ResultSet& rows_;
};

struct Preparer;

// A report laid out a slice of rows at a time, so that a preview shows its first pages while
// the rest are still to come. Owns the rows and the layout, and lets both go once done.
class Preparation {
public:
    // report: a layout built on *rows.
    Preparation(std::unique_ptr<data::ResultSet> rows, Report report);
    ~Preparation();

    // Lays out up to rows more rows; true once every page is done (then and after).
    bool advance(int rows);
    bool done() const { return preparer_ == nullptr; }
    // The pages so far; all but the last stay as they are, the last too once done.
    const std::shared_ptr<PreparedReport>& pages() const { return out_; }
    int readyPages() const;

private:
    std::unique_ptr<data::ResultSet> rows_;
    std::unique_ptr<Report> report_;
    std::shared_ptr<PreparedReport> out_;
    std::unique_ptr<Preparer> preparer_;
};

// The family drawn for a layout's family name.
QString installedFamily(const QString& family);

} // namespace output
