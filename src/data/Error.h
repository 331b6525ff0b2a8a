#pragma once

#include <QString>
#include <exception>

namespace data {

// Base of the errors an action may raise; the action guard shows text() as it stands, under
// the general caption or the error's own.
class Error : public std::exception {
public:
    explicit Error(QString text) : text_(std::move(text)), utf8_(text_.toUtf8()) {}
    // An error whose box has a caption of its own ("Ошибка Microsoft Excel").
    static Error captioned(QString caption, QString text) {
        Error e(std::move(text));
        e.caption_ = std::move(caption);
        return e;
    }
    const QString& text() const { return text_; }
    const QString& caption() const { return caption_; } // empty: the general one
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString text_;
    QByteArray utf8_;
    QString caption_;
};

// The server refused a statement, or the connection failed. text() is what the user reads;
// serverText() the server's own words, kept for a caller that says in Russian what was refused.
// The server's SQLSTATE tells a refusal a window answers itself (a unique key) from the rest.
class DbError : public Error {
public:
    explicit DbError(QString text, QString sqlState = {}, QString constraint = {},
                     QString serverText = {})
        : Error(std::move(text)), sqlState_(std::move(sqlState)),
          constraint_(std::move(constraint)),
          serverText_(serverText.isEmpty() ? this->text() : std::move(serverText)) {}
    const QString& sqlState() const { return sqlState_; }
    const QString& serverText() const { return serverText_; }
    // The unique key or index the server named when it refused a duplicate.
    bool isUniqueViolation(const QString& constraint) const {
        return sqlState_ == QLatin1String("23505") && constraint_ == constraint;
    }
    // The foreign key the server named: a row referred to is gone, or one in use was deleted.
    bool isForeignKeyViolation(const QString& constraint) const {
        return sqlState_ == QLatin1String("23503") && constraint_ == constraint;
    }
    // A number the column cannot hold (a day's hours past a smallint, say).
    bool isOutOfRange() const { return sqlState_ == QLatin1String("22003"); }
    // The same refusal worded by the caller: its Russian reason first, the server's text on a
    // second line.
    DbError refused(const QString& reason) const {
        return DbError(reason + QLatin1Char('\n') + serverText_, sqlState_, constraint_,
                       serverText_);
    }

private:
    QString sqlState_;
    QString constraint_;
    QString serverText_;
};

// A value that does not convert: a text that is no number, an identifier out of range.
class ConversionError : public Error {
public:
    using Error::Error;
};

// An input or value as an error text quotes it: its first 100 characters, then "…", so a
// message stays readable whatever was typed or stored.
inline QString excerpt(const QString& text) {
    constexpr qsizetype limit = 100;
    if (text.size() <= limit)
        return text;
    const qsizetype cut = text[limit - 1].isHighSurrogate() ? limit - 1 : limit;
    return text.left(cut) + QChar(0x2026);
}

} // namespace data
