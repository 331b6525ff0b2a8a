#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <optional>

// Conversions of result cells. Identifiers come from the ERP side as decimals of up to
// 15 digits; the program handles them as signed 32-bit integers and refuses, rather than
// wraps or rounds, anything wider or with a fraction. A null value reads as 0 or empty.
namespace data::value {

bool isNull(const QVariant& v);
// A number of any of the kinds a cell or a parameter may hold (integers, doubles).
bool isNumber(const QVariant& v);
// Whether two cells hold the same value: nulls only match nulls, a number matches the number
// of equal value in any form (5, 5.0, "5"), everything else by its text.
bool same(const QVariant& a, const QVariant& b);
QString toString(const QVariant& v);
double toDouble(const QVariant& v, const QString& field = {});
// A whole number: a fraction (2.5), an empty text and a number outside the range are refused
// with ConversionError naming the field.
qint64 toInteger(const QVariant& v, qint64 min, qint64 max, const QString& field = {});
qint64 toInt64(const QVariant& v, const QString& field = {});
qint32 toInt32(const QVariant& v, const QString& field = {});
QDate toDate(const QVariant& v, const QString& field = {});
QDateTime toDateTime(const QVariant& v, const QString& field = {});

// Refuses a value outside min..max: "Значение 40000 поля brak вне допустимого диапазона
// (от -32768 до 32767)".
qint64 checkedRange(qint64 v, qint64 min, qint64 max, const QString& field = {});

// Half away from zero, to the given number of decimal places.
double rounded(double v, int places);

// Text of the server (cells, field names, error texts) as it is stored: UTF-8, a leading
// U+FEFF kept, since the server compares with it too.
// The text as the server will hold it: a surrogate without its pair (a paste may carry one)
// becomes U+FFFD, the replacement character, so a filter on the workstation and a statement
// on the server compare the same text.
QString wellFormed(const QString& text);
QString fromServer(const char* text, qsizetype length);
QString fromServer(const char* text);

// Decodes one cell of the server's text output by the column's type oid.
QVariant decode(const char* text, int length, unsigned int typeOid);

// The text form sent as a statement parameter; nullopt is sent as NULL. A text holding a
// NUL character, which the server cannot take, is refused; place names it in the message
// ("параметр :fio", "поле fio").
std::optional<QByteArray> parameterText(const QVariant& v, const QString& place = {});

} // namespace data::value
