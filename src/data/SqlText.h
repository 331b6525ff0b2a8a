#pragma once

#include <QDate>
#include <QString>

// Pieces of statement text. Every value goes in through one of these, so typed text can
// never change what a statement means.
namespace sqltext {

// Decimal integer without leading zeros.
QString integer(qint64 v);
// Shortest decimal form that reads back as the same number, "." as the separator: 12.5, 100.
QString decimal(double v);
// A number as the user typed it, "," taken as the separator: "1,5" gives "1.5". Anything
// that is not a plain decimal number is refused with ConversionError, naming the field when
// given: "Поле «Кол-во» не заполнено", "«1,2,3» не является числом (поле Кол-во)".
QString typedDecimal(const QString& typed, const QString& fieldCaption = {});
// The same for a field that takes no sign and nothing above max: "-7,5" typed for "Цена" is
// refused as "Значение -7,5 поля Цена не может быть отрицательным", a wider number as out of
// range, whatever way the text reached the box.
QString typedDecimal(const QString& typed, double max, const QString& fieldCaption);
// A typed whole number ("3", " 12 "); anything else is refused with ConversionError.
QString typedInteger(const QString& typed);
// The same within min..max, for a field of a narrower column: "40000" typed for the smallint
// field caption "Брак" is refused as "Значение 40000 поля Брак вне допустимого диапазона
// (от -32768 до 32767)"; with min 0, a negative one as "… не может быть отрицательным".
QString typedInteger(const QString& typed, qint64 min, qint64 max, const QString& fieldCaption);
// DD.MM.YYYY.
QString date(const QDate& d);
// to_date('DD.MM.YYYY', 'DD.MM.YYYY').
QString toDate(const QDate& d);
// A quoted literal: 'O''Neil'. The session reads it with standard_conforming_strings on (the
// connection insists), so a backslash is an ordinary character. A text holding NUL, which
// the server cannot store, is refused with ConversionError.
QString quoted(const QString& text);
// A quoted like pattern matching text that begins with the typed text: 'O''Ne%'. The
// wildcards % and _ and the backslash typed by the user are taken literally.
QString likePrefix(const QString& typed);
// Client-side filter comparisons built the same way.
QString filterEquals(const QString& field, qint64 v);
QString filterLikePrefix(const QString& field, const QString& typed);

} // namespace sqltext
