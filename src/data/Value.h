#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <optional>

// Conversions of result cells. Identifiers come from the ERP side as decimals of up to
// 15 digits; the program handles them as signed 32-bit integers and refuses, rather than
// wraps, anything wider.
namespace data::value {

bool isNull(const QVariant& v);
QString toString(const QVariant& v);
double toDouble(const QVariant& v, const QString& field = {});
qint64 toInt64(const QVariant& v, const QString& field = {});
qint32 toInt32(const QVariant& v, const QString& field = {});
QDate toDate(const QVariant& v, const QString& field = {});
QDateTime toDateTime(const QVariant& v, const QString& field = {});

// Refuses a value outside the signed 32-bit range with a clear message.
qint32 checkedInt32(qint64 v, const QString& field = {});

// Decodes one cell of the server's text output by the column's type oid.
QVariant decode(const char* text, int length, unsigned int typeOid);

// The text form sent as a statement parameter; nullopt is sent as NULL.
std::optional<QByteArray> parameterText(const QVariant& v);

} // namespace data::value
