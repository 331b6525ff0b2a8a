#include "FilterExpression.h"

#include "Error.h"
#include "Value.h"

#include <QStringList>
#include <cmath>
#include <vector>

namespace data {

namespace {

enum class Op { Eq, Ne, Lt, Gt, Le, Ge, Like };

// A like pattern split into literal runs and wildcards.
struct LikePattern {
    struct Piece {
        QString text;     // literal run; empty for a wildcard
        bool any = false; // %
        bool one = false; // _
    };
    std::vector<Piece> pieces;
    bool plainPrefix = false; // literal followed by a single trailing %
    bool plainExact = false;  // no wildcard at all

    explicit LikePattern(const QString& p) {
        QString run;
        auto flush = [&] {
            if (!run.isEmpty())
                pieces.push_back({run, false, false});
            run.clear();
        };
        for (qsizetype i = 0; i < p.size(); ++i) {
            const QChar c = p[i];
            if (c == QLatin1Char('\\') && i + 1 < p.size()) {
                run += p[++i];
            } else if (c == QLatin1Char('%')) {
                flush();
                if (pieces.empty() || !pieces.back().any)
                    pieces.push_back({{}, true, false});
            } else if (c == QLatin1Char('_')) {
                flush();
                pieces.push_back({{}, false, true});
            } else {
                run += c;
            }
        }
        flush();
        plainExact = pieces.empty() || (pieces.size() == 1 && !pieces[0].any && !pieces[0].one);
        plainPrefix = (pieces.size() == 2 && !pieces[0].any && !pieces[0].one && pieces[1].any) ||
                      (pieces.size() == 1 && pieces[0].any);
    }

    bool matches(QStringView s) const {
        if (plainExact)
            return pieces.empty() ? s.isEmpty()
                                  : s.compare(pieces[0].text, Qt::CaseInsensitive) == 0;
        if (plainPrefix)
            return pieces.size() == 1 || s.startsWith(pieces[0].text, Qt::CaseInsensitive);
        return matchFrom(s, 0);
    }

    bool matchFrom(QStringView s, size_t piece) const {
        if (piece == pieces.size())
            return s.isEmpty();
        const Piece& p = pieces[piece];
        if (p.any) {
            for (qsizetype i = 0; i <= s.size(); ++i)
                if (matchFrom(s.mid(i), piece + 1))
                    return true;
            return false;
        }
        if (p.one)
            return !s.isEmpty() && matchFrom(s.mid(1), piece + 1);
        return s.startsWith(p.text, Qt::CaseInsensitive) &&
               matchFrom(s.mid(p.text.size()), piece + 1);
    }
};

} // namespace

struct FilterExpression::Node {
    enum class Kind { And, Or, Not, Compare } kind = Kind::Compare;
    std::unique_ptr<Node> left, right;
    int column = -1;
    Op op = Op::Eq;
    bool numeric = false;
    bool nullLiteral = false;
    double number = 0;
    QString text;
    std::unique_ptr<LikePattern> like;

    bool eval(const CellAccess& cell, int row) const {
        switch (kind) {
        case Kind::And:
            return left->eval(cell, row) && right->eval(cell, row);
        case Kind::Or:
            return left->eval(cell, row) || right->eval(cell, row);
        case Kind::Not:
            return !left->eval(cell, row);
        case Kind::Compare:
            break;
        }
        const QVariant& v = cell(row, column);
        if (nullLiteral)
            return (op == Op::Eq) == value::isNull(v);
        if (value::isNull(v))
            return false;
        int order;
        if (numeric) {
            double d;
            switch (v.typeId()) {
            case QMetaType::LongLong:
                d = double(*static_cast<const qint64*>(v.constData()));
                break;
            case QMetaType::Double:
                d = *static_cast<const double*>(v.constData());
                break;
            default:
                try {
                    d = value::toDouble(v);
                } catch (const ConversionError&) {
                    return op == Op::Ne;
                }
            }
            order = d < number ? -1 : (d > number ? 1 : 0);
        } else {
            const QString s = v.typeId() == QMetaType::QString
                                  ? *static_cast<const QString*>(v.constData())
                                  : value::toString(v);
            if (op == Op::Like)
                return like->matches(s);
            order = s.compare(text, Qt::CaseInsensitive);
        }
        switch (op) {
        case Op::Eq:
        case Op::Like:
            return order == 0;
        case Op::Ne:
            return order != 0;
        case Op::Lt:
            return order < 0;
        case Op::Gt:
            return order > 0;
        case Op::Le:
            return order <= 0;
        case Op::Ge:
            return order >= 0;
        }
        return false;
    }
};

namespace {

class Parser {
public:
    Parser(const QString& text, const FilterExpression::ColumnLookup& columns)
        : s_(text), columns_(columns) {}

    std::unique_ptr<FilterExpression::Node> parse() {
        auto node = orExpr();
        skipSpace();
        if (pos_ < s_.size())
            fail();
        return node;
    }

private:
    using Node = FilterExpression::Node;

    [[noreturn]] void fail() const {
        throw ConversionError(QStringLiteral("Неверное выражение фильтра: «%1»").arg(s_));
    }

    void skipSpace() {
        while (pos_ < s_.size() && s_[pos_].isSpace())
            ++pos_;
    }

    bool keyword(const char* word) {
        skipSpace();
        const QLatin1String w(word);
        if (QStringView(s_).mid(pos_).startsWith(w, Qt::CaseInsensitive)) {
            const qsizetype end = pos_ + w.size();
            if (end >= s_.size() || !(s_[end].isLetterOrNumber() || s_[end] == QLatin1Char('_'))) {
                pos_ = end;
                return true;
            }
        }
        return false;
    }

    std::unique_ptr<Node> join(Node::Kind kind, std::unique_ptr<Node> l, std::unique_ptr<Node> r) {
        auto n = std::make_unique<Node>();
        n->kind = kind;
        n->left = std::move(l);
        n->right = std::move(r);
        return n;
    }

    std::unique_ptr<Node> orExpr() {
        auto n = andExpr();
        while (keyword("or"))
            n = join(Node::Kind::Or, std::move(n), andExpr());
        return n;
    }

    std::unique_ptr<Node> andExpr() {
        auto n = primary();
        while (keyword("and"))
            n = join(Node::Kind::And, std::move(n), primary());
        return n;
    }

    std::unique_ptr<Node> primary() {
        skipSpace();
        if (pos_ < s_.size() && s_[pos_] == QLatin1Char('(')) {
            ++pos_;
            auto n = orExpr();
            skipSpace();
            if (pos_ >= s_.size() || s_[pos_] != QLatin1Char(')'))
                fail();
            ++pos_;
            return n;
        }
        if (keyword("not"))
            return join(Node::Kind::Not, primary(), nullptr);
        return comparison();
    }

    std::unique_ptr<Node> comparison() {
        skipSpace();
        const qsizetype start = pos_;
        while (pos_ < s_.size() && (s_[pos_].isLetterOrNumber() || s_[pos_] == QLatin1Char('_') ||
                                    s_[pos_] == QLatin1Char('.')))
            ++pos_;
        const QString field = s_.mid(start, pos_ - start);
        if (field.isEmpty())
            fail();
        auto n = std::make_unique<Node>();
        n->column = columns_(field);
        if (n->column < 0)
            throw ConversionError(QStringLiteral("Поле «%1» не найдено").arg(field));
        skipSpace();
        static const std::pair<const char*, Op> ops[] = {
            {"<>", Op::Ne}, {"!=", Op::Ne}, {"<=", Op::Le}, {">=", Op::Ge},
            {"=", Op::Eq},  {"<", Op::Lt},  {">", Op::Gt}};
        bool found = false;
        for (const auto& [text, op] : ops) {
            if (QStringView(s_).mid(pos_).startsWith(QLatin1String(text))) {
                n->op = op;
                pos_ += qsizetype(strlen(text));
                found = true;
                break;
            }
        }
        if (!found && keyword("like")) {
            n->op = Op::Like;
            found = true;
        }
        if (!found && keyword("is")) {
            const bool negated = keyword("not");
            if (!keyword("null"))
                fail();
            n->nullLiteral = true;
            n->op = negated ? Op::Ne : Op::Eq;
            return n;
        }
        if (!found)
            fail();
        literal(*n);
        return n;
    }

    void literal(Node& n) {
        skipSpace();
        if (pos_ < s_.size() && s_[pos_] == QLatin1Char('\'')) {
            QString text;
            ++pos_;
            for (;;) {
                if (pos_ >= s_.size())
                    fail();
                if (s_[pos_] == QLatin1Char('\'')) {
                    if (pos_ + 1 < s_.size() && s_[pos_ + 1] == QLatin1Char('\'')) {
                        text += QLatin1Char('\'');
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                text += s_[pos_++];
            }
            n.text = text;
            if (n.op == Op::Like)
                n.like = std::make_unique<LikePattern>(text);
            return;
        }
        if (n.op == Op::Like)
            fail();
        const qsizetype start = pos_;
        while (pos_ < s_.size() && (s_[pos_].isDigit() || s_[pos_] == QLatin1Char('.') ||
                                    s_[pos_] == QLatin1Char('-') || s_[pos_] == QLatin1Char('+') ||
                                    s_[pos_] == QLatin1Char('e') || s_[pos_] == QLatin1Char('E')))
            ++pos_;
        bool ok = false;
        n.number = s_.mid(start, pos_ - start).toDouble(&ok);
        if (!ok || !std::isfinite(n.number))
            fail();
        n.numeric = true;
    }

    const QString& s_;
    const FilterExpression::ColumnLookup& columns_;
    qsizetype pos_ = 0;
};

} // namespace

FilterExpression::FilterExpression(const QString& expression, const ColumnLookup& columns)
    : root_(Parser(expression, columns).parse()) {}

FilterExpression::~FilterExpression() = default;
FilterExpression::FilterExpression(FilterExpression&&) noexcept = default;
FilterExpression& FilterExpression::operator=(FilterExpression&&) noexcept = default;

bool FilterExpression::matches(const CellAccess& cell, int row) const {
    return root_->eval(cell, row);
}

} // namespace data
