#include "FilterExpression.h"

#include "Error.h"
#include "Value.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <vector>

namespace data {

namespace {

enum class Op { Eq, Ne, Lt, Gt, Le, Ge, Like };

// Longer than any number a cell holds as text, with room for blanks around it.
constexpr qsizetype longestNumberText = 400;

// The code point at i of s and its width in UTF-16 units.
char32_t codePointAt(QStringView s, qsizetype i, qsizetype& width) {
    const QChar c = s[i];
    if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
        width = 2;
        return QChar::surrogateToUcs4(c, s[i + 1]);
    }
    width = 1;
    return c.unicode();
}

// The letter a search compares: case folded, and ё as е, since Russian text writes either
// for the same letter and the user cannot know which one a name was stored with.
char32_t searchFolded(char32_t c) {
    const char32_t f = QChar::toCaseFolded(c);
    return f == U'ё' ? U'е' : f;
}

// A like pattern: literal characters (compared as searchFolded), _ for one character and % for
// any run. Matched greedily with one backtrack point, the last %: time is at most the
// product of the text's and the pattern's lengths, never exponential.
class LikePattern {
public:
    explicit LikePattern(const QString& p) {
        for (qsizetype i = 0; i < p.size();) {
            qsizetype width;
            char32_t c = codePointAt(p, i, width);
            const bool escaped = c == U'\\' && i + width < p.size();
            if (escaped) {
                i += width;
                c = codePointAt(p, i, width);
            }
            i += width;
            if (!escaped && c == U'%') {
                if (tokens_.empty() || tokens_.back().kind != Any)
                    tokens_.push_back({Any, 0});
            } else if (!escaped && c == U'_') {
                tokens_.push_back({One, 0});
            } else {
                tokens_.push_back({Literal, searchFolded(c)});
            }
        }
        const auto wild = std::count_if(tokens_.begin(), tokens_.end(),
                                        [](const Token& t) { return t.kind != Literal; });
        plainPrefix_ = wild == 1 && tokens_.back().kind == Any;
    }

    bool matches(QStringView s) const {
        if (plainPrefix_)
            return startsWithLiterals(s);
        const size_t m = tokens_.size(), none = size_t(-1);
        size_t pi = 0, star = none;
        qsizetype si = 0, mark = 0, width = 0;
        while (si < s.size()) {
            if (pi < m && tokens_[pi].kind == Any) {
                star = pi++;
                mark = si;
                continue;
            }
            const char32_t c = codePointAt(s, si, width);
            if (pi < m && (tokens_[pi].kind == One || tokens_[pi].folded == searchFolded(c))) {
                si += width;
                ++pi;
            } else if (star != none) {
                // Let the last % take one more character and try the rest again from there.
                codePointAt(s, mark, width);
                mark += width;
                si = mark;
                pi = star + 1;
            } else {
                return false;
            }
        }
        while (pi < m && tokens_[pi].kind == Any)
            ++pi;
        return pi == m;
    }

private:
    // The typed search "Ив%": no backtracking to set up, the common case on every keystroke.
    bool startsWithLiterals(QStringView s) const {
        qsizetype si = 0, width = 0;
        for (size_t pi = 0; pi + 1 < tokens_.size(); ++pi, si += width) {
            if (si >= s.size() || searchFolded(codePointAt(s, si, width)) != tokens_[pi].folded)
                return false;
        }
        return true;
    }

    enum Kind : char { Literal, One, Any };
    struct Token {
        Kind kind;
        char32_t folded; // of a literal
    };
    std::vector<Token> tokens_;
    bool plainPrefix_ = false;
};

} // namespace

// And and Or hold all their operands in one list ("a or b or c ..." is one node), so a long
// chain costs no depth; only parentheses and not nest, and the parser bounds them.
struct FilterExpression::Node {
    enum class Kind { And, Or, Not, Compare } kind = Kind::Compare;
    std::vector<std::unique_ptr<Node>> operands;
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
            for (const auto& n : operands)
                if (!n->eval(cell, row))
                    return false;
            return true;
        case Kind::Or:
            for (const auto& n : operands)
                if (n->eval(cell, row))
                    return true;
            return false;
        case Kind::Not:
            return !operands.front()->eval(cell, row);
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
                // A number's text is short: a long text is no number, and a chain of many
                // comparisons must not convert it again for each one.
                if (v.typeId() == QMetaType::QString &&
                    static_cast<const QString*>(v.constData())->size() > longestNumberText)
                    return op == Op::Ne;
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

    // Deeper than this is no filter a window builds; it only costs stack.
    static constexpr int maxDepth = 100;

    [[noreturn]] void fail() const {
        throw ConversionError(QStringLiteral("Неверное выражение фильтра: «%1»").arg(excerpt(s_)));
    }

    void enter() {
        if (++depth_ > maxDepth)
            throw ConversionError(
                QStringLiteral("Выражение фильтра вложено глубже %1 уровней скобок и not: «%2»")
                    .arg(maxDepth)
                    .arg(excerpt(s_)));
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

    // operand (keyword operand)...: one node for the whole run.
    template <typename Next>
    std::unique_ptr<Node> chain(Node::Kind kind, const char* word, Next next) {
        auto first = (this->*next)();
        if (!keyword(word))
            return first;
        auto n = std::make_unique<Node>();
        n->kind = kind;
        n->operands.push_back(std::move(first));
        do
            n->operands.push_back((this->*next)());
        while (keyword(word));
        return n;
    }

    std::unique_ptr<Node> orExpr() { return chain(Node::Kind::Or, "or", &Parser::andExpr); }
    std::unique_ptr<Node> andExpr() { return chain(Node::Kind::And, "and", &Parser::primary); }

    std::unique_ptr<Node> primary() {
        skipSpace();
        if (pos_ < s_.size() && s_[pos_] == QLatin1Char('(')) {
            enter();
            ++pos_;
            auto n = orExpr();
            skipSpace();
            if (pos_ >= s_.size() || s_[pos_] != QLatin1Char(')'))
                fail();
            ++pos_;
            --depth_;
            return n;
        }
        if (keyword("not")) {
            enter();
            auto n = std::make_unique<Node>();
            n->kind = Node::Kind::Not;
            n->operands.push_back(primary());
            --depth_;
            return n;
        }
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
            throw ConversionError(QStringLiteral("Поле «%1» не найдено").arg(excerpt(field)));
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
    int depth_ = 0;
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
