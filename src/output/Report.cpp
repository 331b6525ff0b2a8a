#include "Report.h"

#include "data/Error.h"
#include "data/NumberText.h"
#include "data/ResultSet.h"
#include "data/Value.h"

#include <QHash>
#include <QLocale>
#include <algorithm>
#include <bit>
#include <climits>
#include <unordered_map>

namespace output {

// Field lookups of expressions, remembered per name so a row costs no allocation.
// Field names looked up once each: an expression reading 31 day fields of every row would
// otherwise compare names more often than it adds numbers.
struct Columns {
    const data::ResultSet* set = nullptr;
    QHash<QString, int> known;
    // Layouts name fields by literals, whose text has no header and never moves: its address
    // names it, and finding it costs no hashing of the name.
    std::vector<std::pair<const QChar*, int>> literals;
    int index(const QString& field) {
        const bool literal = !field.data_ptr().isMutable();
        if (literal)
            for (const auto& [text, column] : literals)
                if (text == field.constData())
                    return column;
        const int column = byName(field);
        if (literal)
            literals.emplace_back(field.constData(), column);
        return column;
    }
    int byName(const QString& field) {
        auto it = known.constFind(field);
        if (it == known.constEnd())
            it = known.insert(field, set->fieldIndex(field));
        return it.value();
    }
};

QVariant Row::value(const QString& field) const {
    if (!set_ || row_ < 0)
        return {};
    const int column = columns_->index(field);
    return column < 0 ? QVariant() : set_->valueAt(row_, column);
}

namespace {

// Null and text that is no number count as 0, in expressions and in sums alike.
double toNumber(const QVariant& v) {
    if (data::value::isNull(v))
        return 0;
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? d : 0;
}

} // namespace

double Row::number(const QString& field) const {
    return toNumber(value(field));
}

QString Row::text(const QString& field) const {
    return data::value::toString(value(field));
}

Item Item::label(double left, double width, const QString& text, Align align) {
    Item i;
    i.kind = Kind::Text;
    i.left = left;
    i.width = width;
    i.text = text;
    i.align = align;
    return i;
}

Item Item::ofField(double left, double width, const QString& field, Align align,
                   const QString& mask) {
    Item i = label(left, width, {}, align);
    i.kind = Kind::Field;
    i.field = field;
    i.mask = mask;
    return i;
}

Item Item::ofExpression(double left, double width, RowFunction f, Align align,
                        const QString& mask) {
    Item i = label(left, width, {}, align);
    i.kind = Kind::Expression;
    i.expression = std::move(f);
    i.mask = mask;
    return i;
}

Item Item::sumOf(double left, double width, const QString& field, bool reset, Align align,
                 const QString& mask) {
    Item i = ofField(left, width, field, align, mask);
    i.kind = Kind::Sum;
    i.resetAfterPrint = reset;
    return i;
}

Item Item::sumOf(double left, double width, RowFunction f, bool reset, Align align,
                 const QString& mask) {
    Item i = ofExpression(left, width, std::move(f), align, mask);
    i.kind = Kind::Sum;
    i.resetAfterPrint = reset;
    return i;
}

Item Item::pageNumber(double left, double width, const QString& prefix, Align align) {
    Item i = label(left, width, prefix, align);
    i.kind = Kind::PageNumber;
    return i;
}

Item& Item::withFont(const QString& family, double size, bool b) {
    font = Font{family, size, b};
    return *this;
}

Item& Item::framed(int sides, QColor c, bool dotted) {
    frame.sides = sides;
    frame.color = c;
    frame.dotted = dotted;
    return *this;
}

Band Band::of(const QString& name, double height, std::vector<Item> items) {
    Band b;
    b.name = name;
    b.height = height;
    b.items = std::move(items);
    return b;
}

Band& Band::framed(int sides, QColor c, bool dotted) {
    frame.sides = sides;
    frame.color = c;
    frame.dotted = dotted;
    return *this;
}

QString installedFamily(const QString& family) {
    const QString f = family.trimmed();
    if (f.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0 ||
        f.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0 ||
        f.compare(QLatin1String("Microsoft Sans Serif"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Sans");
    return f;
}

const QString& PreparedReport::text(const Primitive& p) const {
    static const QString none;
    return p.text >= 0 && size_t(p.text) < strings.size() ? strings[size_t(p.text)] : none;
}

QStringList PreparedReport::texts(int page) const {
    QStringList out;
    for (int p = 0; p < int(pages.size()); ++p) {
        if (page >= 0 && p != page)
            continue;
        std::vector<const Primitive*> list;
        for (const Primitive& prim : pages[size_t(p)].primitives)
            if (prim.kind == Primitive::Kind::Text)
                list.push_back(&prim);
        std::stable_sort(list.begin(), list.end(), [](const Primitive* a, const Primitive* b) {
            if (a->y != b->y)
                return a->y < b->y;
            return a->x < b->x;
        });
        for (const Primitive* prim : list)
            out << text(*prim);
    }
    return out;
}

Report::Report(const QString& n, const data::ResultSet& rows) : name(n), rows_(rows) {}

bool Report::setText(const QString& itemName, const QString& text) {
    bool found = false;
    auto inBand = [&](Band& band) {
        for (Item& item : band.items)
            if (item.kind == Item::Kind::Text && item.name == itemName) {
                item.text = text;
                found = true;
            }
    };
    auto inBands = [&](std::vector<Band>& bands) {
        for (Band& band : bands)
            inBand(band);
    };
    inBands(pageHeader);
    inBands(reportHeader);
    for (Group& g : groups) {
        inBands(g.header);
        inBands(g.footer);
    }
    inBands(detail);
    inBands(reportFooter);
    inBand(pageFooter);
    return found;
}

// One pass over the rows: bands are laid out as they come, fonts and field columns are
// resolved once beforehand, and every sum runs alongside.
struct Preparer {
    struct CompiledItem {
        const Item* item = nullptr;
        int column = -1; // Field and Sum of a field
        int font = 0;
        int decimals = -1;
        int sum = -1; // index into totals
        // The text it printed last and its index: a column often repeats the row before.
        mutable QString last;
        mutable qint32 lastIndex = -1;
    };
    struct CompiledBand {
        const Band* band;
        std::vector<CompiledItem> items;
    };
    struct Pending {
        const CompiledBand* band;
        int row;
    };

    const Report& report;
    const data::ResultSet& set;
    PreparedReport& out;
    Columns columns;
    QChar point;
    std::vector<double> totals;
    std::vector<const CompiledItem*> sums;
    std::vector<std::pair<QString, int>> fontKeys;
    QHash<QString, qint32> interned;
    // A number's text depends on its value, its decimals and whether it is a whole-number
    // type: keyed so, a repeated number costs neither its formatting nor the hashing of text.
    struct NumberKey {
        quint64 bits;
        int decimals;
        bool integer;
        bool operator==(const NumberKey&) const = default;
    };
    struct NumberHash {
        size_t operator()(const NumberKey& k) const {
            return size_t((k.bits ^ (k.bits >> 29)) * 0x9e3779b97f4a7c15ull) ^
                   size_t(k.decimals * 2 + int(k.integer));
        }
    };
    std::unordered_map<NumberKey, qint32, NumberHash> numbers;

    std::vector<CompiledBand> pageHeader, reportHeader, detail, reportFooter;
    std::vector<std::vector<CompiledBand>> groupHeaders, groupFooters;
    std::vector<Band> footerBands;
    std::vector<CompiledBand> pageFooter;

    double left = 0, top = 0, width = 0, bottom = 0, paperHeight = 0;
    double y = 0;
    bool bodyOnPage = false;
    std::vector<Pending> pending;

    Preparer(const Report& r, const data::ResultSet& s, PreparedReport& o)
        : report(r), set(s), out(o) {
        columns.set = &s;
        point = QLocale().decimalPoint().at(0);
    }

    int fontIndex(const Font& f) {
        const QString key = f.family + QLatin1Char('|') + QString::number(f.size) +
                            (f.bold ? QLatin1String("|b") : QLatin1String(""));
        for (const auto& [k, i] : fontKeys)
            if (k == key)
                return i;
        out.fonts.push_back(Font{installedFamily(f.family), f.size, f.bold});
        fontKeys.emplace_back(key, int(out.fonts.size()) - 1);
        return int(out.fonts.size()) - 1;
    }

    CompiledBand compile(const Band& band) {
        CompiledBand c{&band, {}};
        for (const Item& item : band.items) {
            CompiledItem ci;
            ci.item = &item;
            ci.font = fontIndex(item.font);
            ci.decimals = data::value::decimalsOf(item.mask);
            if (!item.field.isEmpty() && set.isOpen()) {
                // A misspelt field would print nothing on every row; say so instead.
                ci.column = set.fieldIndex(item.field);
                if (ci.column < 0)
                    throw data::Error(
                        QStringLiteral("Поле «%1» отчёта %2 не найдено в наборе данных")
                            .arg(item.field, report.name));
            }
            c.items.push_back(ci);
        }
        return c;
    }
    std::vector<CompiledBand> compile(const std::vector<Band>& bands) {
        std::vector<CompiledBand> c;
        for (const Band& b : bands)
            c.push_back(compile(b));
        return c;
    }
    void registerSums(std::vector<CompiledBand>& bands) {
        for (CompiledBand& b : bands)
            for (CompiledItem& i : b.items)
                if (i.item->kind == Item::Kind::Sum) {
                    i.sum = int(totals.size());
                    totals.push_back(0);
                    sums.push_back(&i);
                }
    }

    Row rowAt(int row) {
        Row r;
        if (row >= 0) {
            r.set_ = &set;
            r.row_ = row;
            r.columns_ = &columns;
        }
        return r;
    }

    QVariant valueOf(const CompiledItem& ci, int row) {
        const Item& item = *ci.item;
        if (item.expression)
            return row >= 0 || item.kind == Item::Kind::Sum ? item.expression(rowAt(row))
                                                            : QVariant();
        if (ci.column < 0 || row < 0)
            return {};
        return set.valueAt(row, ci.column);
    }

    void addRow(int row) {
        for (const CompiledItem* ci : sums)
            totals[size_t(ci->sum)] += toNumber(valueOf(*ci, row));
    }

    // A year's report prints a few thousand distinct texts a million times over.
    qint32 intern(const QString& text) {
        auto it = interned.constFind(text);
        if (it != interned.constEnd())
            return it.value();
        const auto index = qint32(out.strings.size());
        out.strings.push_back(text);
        interned.insert(text, index);
        return index;
    }

    // The text data::value::formatNumber gives, interned.
    qint32 numberText(const QVariant& v, int decimals) {
        const bool integer =
            decimals < 0 && (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int);
        const NumberKey key{integer ? quint64(v.toLongLong())
                                    : std::bit_cast<quint64>(v.toDouble()),
                            decimals, integer};
        const auto [it, added] = numbers.try_emplace(key, -1);
        if (added)
            it->second = intern(data::value::formatNumber(v, decimals, point));
        return it->second;
    }

    quint16 colorIndex(const QColor& c) {
        const QRgb rgb = c.rgba();
        const auto known = std::find(out.colors.begin(), out.colors.end(), rgb);
        if (known != out.colors.end())
            return quint16(known - out.colors.begin());
        if (out.colors.size() > 0xffff)
            throw data::Error(QStringLiteral("Слишком много цветов в отчёте %1").arg(report.name));
        out.colors.push_back(rgb);
        return quint16(out.colors.size() - 1);
    }

    static void setBox(Primitive& p, const QRectF& r) {
        p.x = float(r.x());
        p.y = float(r.y());
        p.w = float(r.width());
        p.h = float(r.height());
    }

    void line(double x1, double y1, double x2, double y2, const Frame& f) {
        Primitive p;
        p.kind = Primitive::Kind::Line;
        setBox(p, QRectF(QPointF(x1, y1), QPointF(x2, y2)));
        p.color = colorIndex(f.color);
        p.dotted = f.dotted;
        p.width = float(f.width);
        page().primitives.push_back(p);
    }
    void frame(const QRectF& r, const Frame& f) {
        if (f.sides & Frame::Top)
            line(r.left(), r.top(), r.right(), r.top(), f);
        if (f.sides & Frame::Bottom)
            line(r.left(), r.bottom(), r.right(), r.bottom(), f);
        if (f.sides & Frame::Left)
            line(r.left(), r.top(), r.left(), r.bottom(), f);
        if (f.sides & Frame::Right)
            line(r.right(), r.top(), r.right(), r.bottom(), f);
    }
    void fill(const QRectF& r, const QColor& c) {
        if (!c.isValid())
            return;
        Primitive p;
        p.kind = Primitive::Kind::Fill;
        setBox(p, r);
        p.color = colorIndex(c);
        page().primitives.push_back(p);
    }

    Page& page() { return out.pages.back(); }

    // Puts a band at the current position, whatever room is left.
    void putBand(const CompiledBand& c, int row) {
        const Band& band = *c.band;
        const QRectF box(left, y, width, band.height);
        page().bands.push_back(PlacedBand{band.name, y, row});
        fill(box, band.background);
        for (const CompiledItem& ci : c.items) {
            const Item& item = *ci.item;
            const double h = item.height > 0 ? item.height : band.height - item.top;
            const QRectF r(left + item.left, y + item.top, item.width, h);
            fill(r, item.background);
            QString text;
            qint32 number = -1; // a number's interned text
            switch (item.kind) {
            case Item::Kind::Text:
                text = item.text;
                break;
            case Item::Kind::Field:
            case Item::Kind::Expression: {
                const QVariant v = valueOf(ci, row);
                if (data::value::isNull(v))
                    break;
                if (data::value::isNumber(v))
                    number = numberText(v, ci.decimals);
                else
                    text = data::value::toString(v);
                break;
            }
            case Item::Kind::Sum:
                number = numberText(totals[size_t(ci.sum)], ci.decimals);
                if (item.resetAfterPrint)
                    totals[size_t(ci.sum)] = 0;
                break;
            case Item::Kind::PageNumber:
                text = item.text + QString::number(out.pages.size());
                break;
            }
            if (number >= 0 || !text.isEmpty()) {
                Primitive p;
                p.kind = Primitive::Kind::Text;
                setBox(p, r);
                p.align = item.align;
                p.font = qint16(ci.font);
                if (number < 0 && (ci.lastIndex < 0 || ci.last != text)) {
                    ci.lastIndex = intern(text);
                    ci.last = text;
                }
                p.text = number >= 0 ? number : ci.lastIndex;
                page().primitives.push_back(p);
            }
            frame(r, item.frame);
        }
        frame(box, band.frame);
        y += band.height;
    }

    void startPage() {
        // Pages of one report hold about as much as each other: no growing step by step.
        const size_t primitives = out.pages.empty() ? 0 : out.pages.back().primitives.size();
        const size_t bands = out.pages.empty() ? 0 : out.pages.back().bands.size();
        out.pages.emplace_back();
        out.pages.back().primitives.reserve(primitives);
        out.pages.back().bands.reserve(bands);
        y = top;
        bodyOnPage = false;
        for (const CompiledBand& b : pageHeader)
            putBand(b, -1);
    }
    void finishPage(int lastRow) {
        y = bottom;
        for (const CompiledBand& b : pageFooter)
            putBand(b, lastRow);
    }

    // Places a band, with the headers waiting for it, on this page when they fit together and
    // on a new one otherwise; a page holding nothing yet takes them whatever their height.
    int lastRow = -1;
    void place(const CompiledBand& c, int row) {
        double need = c.band->height;
        for (const Pending& p : pending)
            need += p.band->band->height;
        if (bodyOnPage && y + need > bottom + 1e-9) {
            finishPage(lastRow);
            startPage();
        }
        for (const Pending& p : pending)
            putBand(*p.band, p.row);
        pending.clear();
        putBand(c, row);
        bodyOnPage = true;
        lastRow = row;
    }
    void placeAll(const std::vector<CompiledBand>& bands, int row) {
        for (const CompiledBand& b : bands)
            place(b, row);
    }
    void hold(const std::vector<CompiledBand>& bands, int row) {
        for (const CompiledBand& b : bands)
            pending.push_back(Pending{&b, row});
    }

    QVariant keyOf(const Group& g, int row) {
        if (g.key)
            return g.key(rowAt(row));
        const int column = columns.index(g.field);
        return column < 0 ? QVariant() : set.valueAt(row, column);
    }

    // Compiles the bands and lays out the report's head; step() then takes the rows.
    void run() {
        out.name = report.name;
        out.title = report.title;
        out.layout = report.layout;
        const QRectF paper = report.layout.fullRect(QPageLayout::Millimeter);
        const QMarginsF m = report.layout.margins(QPageLayout::Millimeter);
        left = m.left();
        top = m.top();
        width = paper.width() - m.left() - m.right();
        paperHeight = paper.height();
        const double footer = report.pageFooter.height;
        bottom = paperHeight - m.bottom() - footer;

        pageHeader = compile(report.pageHeader);
        reportHeader = compile(report.reportHeader);
        for (const Group& g : report.groups) {
            groupHeaders.push_back(compile(g.header));
            groupFooters.push_back(compile(g.footer));
        }
        detail = compile(report.detail);
        reportFooter = compile(report.reportFooter);
        if (report.pageFooter.height > 0)
            footerBands.push_back(report.pageFooter);
        pageFooter = compile(footerBands);
        for (auto* list : {&pageHeader, &reportHeader, &detail, &reportFooter, &pageFooter})
            registerSums(*list);
        for (auto& list : groupHeaders)
            registerSums(list);
        for (auto& list : groupFooters)
            registerSums(list);
        startPage();
        placeAll(reportHeader, -1);
        n = set.isOpen() ? set.rowCount() : 0;
        keys.resize(report.groups.size());
        next.resize(report.groups.size());
    }

    // Lays out up to count more rows, and the report's end after the last; true when done.
    int n = 0;
    int row = 0;
    int released = 0; // rows below this have had their decoded values let go
    std::vector<QVariant> keys, next;
    bool step(int count) {
        const size_t groupCount = report.groups.size();
        const int end = count >= n - row ? n : row + count;
        for (; row < end; ++row) {
            size_t changed = 0; // the outermost group that starts again at this row
            for (size_t g = 0; g < groupCount; ++g)
                next[g] = keyOf(report.groups[g], row);
            if (row > 0) {
                changed = groupCount;
                for (size_t g = 0; g < groupCount; ++g)
                    if (!(next[g] == keys[g])) {
                        changed = g;
                        break;
                    }
                for (size_t g = groupCount; g-- > changed;)
                    placeAll(groupFooters[g], row - 1);
            }
            keys.swap(next);
            for (size_t g = changed; g < groupCount; ++g)
                hold(groupHeaders[g], row);
            addRow(row);
            placeAll(detail, row);
        }
        // Later bands read this row and the one before it, never an earlier one.
        set.releaseDecoded(released, row - 1);
        released = std::max(released, row - 1);
        if (row < n)
            return false;
        if (n > 0)
            for (size_t g = groupCount; g-- > 0;)
                placeAll(groupFooters[g], n - 1);
        for (const Pending& p : pending) // headers of a layout without detail bands
            putBand(*p.band, p.row);
        pending.clear();
        placeAll(reportFooter, n > 0 ? n - 1 : -1);
        finishPage(lastRow);
        return true;
    }
};

PreparedReport Report::prepare() const {
    PreparedReport out;
    Preparer p(*this, rows_, out);
    p.run();
    p.step(INT_MAX);
    return out;
}

Preparation::Preparation(std::unique_ptr<data::ResultSet> rows, Report report)
    : rows_(std::move(rows)), report_(std::make_unique<Report>(std::move(report))),
      out_(std::make_shared<PreparedReport>()),
      preparer_(std::make_unique<Preparer>(*report_, *rows_, *out_)) {
    preparer_->run();
}

Preparation::~Preparation() = default;

bool Preparation::advance(int rows) {
    if (!preparer_)
        return true;
    if (!preparer_->step(rows))
        return false;
    // What the pages needed of the rows is in them now: let the rows go.
    preparer_.reset();
    report_.reset();
    rows_.reset();
    return true;
}

int Preparation::readyPages() const {
    const int made = int(out_->pages.size());
    return preparer_ ? made - 1 : made;
}

} // namespace output
