#include "Parameters.h"

#include "Error.h"
#include "Value.h"

namespace data {

namespace {

bool isNameStart(QChar c) {
    return c.isLetter() || c == QLatin1Char('_');
}
bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// Index just past the quoted run that starts at i with the given quote.
qsizetype skipQuoted(const QString& s, qsizetype i, QChar quote, bool backslashEscapes) {
    for (++i; i < s.size(); ++i) {
        if (backslashEscapes && s[i] == QLatin1Char('\\')) {
            ++i;
        } else if (s[i] == quote) {
            if (i + 1 < s.size() && s[i + 1] == quote)
                ++i;
            else
                return i + 1;
        }
    }
    return s.size();
}

// A dollar-quoted body: $tag$ ... $tag$. Returns i unchanged when s[i] starts no such quote.
qsizetype skipDollarQuoted(const QString& s, qsizetype i) {
    qsizetype j = i + 1;
    while (j < s.size() && isNameChar(s[j]) && !s[j].isDigit())
        ++j;
    if (j >= s.size() || s[j] != QLatin1Char('$'))
        return i;
    const QString tag = s.mid(i, j - i + 1);
    const qsizetype end = s.indexOf(tag, j + 1);
    return end < 0 ? s.size() : end + tag.size();
}

// Index just past the block comment that starts at i ("/*"). PostgreSQL nests them:
// "/* a /* b */ c */" is one comment.
qsizetype skipBlockComment(const QString& s, qsizetype i) {
    int depth = 0;
    while (i + 1 < s.size()) {
        if (s[i] == QLatin1Char('/') && s[i + 1] == QLatin1Char('*')) {
            ++depth;
            i += 2;
        } else if (s[i] == QLatin1Char('*') && s[i + 1] == QLatin1Char('/')) {
            i += 2;
            if (--depth == 0)
                return i;
        } else {
            ++i;
        }
    }
    return s.size();
}

} // namespace

ParsedStatement parseStatement(const QString& sql) {
    ParsedStatement out;
    QString text;
    text.reserve(sql.size());
    qsizetype i = 0;
    const qsizetype n = sql.size();
    while (i < n) {
        const QChar c = sql[i];
        qsizetype next = i + 1;
        if (c == QLatin1Char('\'')) {
            const bool escapes =
                i > 0 && (sql[i - 1] == QLatin1Char('E') || sql[i - 1] == QLatin1Char('e')) &&
                (i < 2 || !isNameChar(sql[i - 2]));
            next = skipQuoted(sql, i, c, escapes);
        } else if (c == QLatin1Char('"')) {
            next = skipQuoted(sql, i, c, false);
        } else if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            next = sql.indexOf(QLatin1Char('\n'), i);
            next = next < 0 ? n : next;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
            next = skipBlockComment(sql, i);
        } else if (c == QLatin1Char('$') && (i == 0 || !isNameChar(sql[i - 1]))) {
            next = std::max(skipDollarQuoted(sql, i), i + 1);
        } else if (c == QLatin1Char(':')) {
            if (i + 1 < n && sql[i + 1] == QLatin1Char(':')) {
                next = i + 2; // a cast
            } else if (i + 1 < n && isNameStart(sql[i + 1])) {
                qsizetype j = i + 1;
                while (j < n && isNameChar(sql[j]))
                    ++j;
                const QString name = sql.mid(i + 1, j - i - 1).toLower();
                qsizetype position = out.names.indexOf(name);
                if (position < 0) {
                    out.names.append(name);
                    position = out.names.size() - 1;
                }
                text += QLatin1Char('$') + QString::number(position + 1);
                i = j;
                continue;
            }
        }
        text += QStringView(sql).mid(i, next - i);
        i = next;
    }
    out.positional = value::wellFormed(text).toUtf8();
    return out;
}

void Parameters::set(const QString& name, const QVariant& value) {
    const QString key = name.toLower();
    for (auto& [k, v] : values_) {
        if (k == key) {
            v = value;
            return;
        }
    }
    values_.emplace_back(key, value);
}

QVariant Parameters::value(const QString& name) const {
    const QString key = name.toLower();
    for (const auto& [k, v] : values_)
        if (k == key)
            return v;
    return {};
}

bool Parameters::contains(const QString& name) const {
    const QString key = name.toLower();
    for (const auto& [k, v] : values_)
        if (k == key)
            return true;
    return false;
}

std::vector<std::optional<QByteArray>> Parameters::bind(const ParsedStatement& statement) const {
    std::vector<std::optional<QByteArray>> out;
    out.reserve(statement.names.size());
    for (const QString& name : statement.names) {
        if (!contains(name))
            throw DbError(QStringLiteral("Не задано значение параметра :%1").arg(name));
        out.push_back(value::parameterText(value(name), QStringLiteral("параметр :%1").arg(name)));
    }
    return out;
}

} // namespace data
