#pragma once

#include <QChar>
#include <QString>
#include <QVariant>

// Numbers as text for people: report masks and the workstation's decimal comma. Rounding works
// on the 15-digit decimal form, so a printed value matches what was typed.
namespace data::value {

// The decimals a report mask asks for: "#0.00" 2, "#0" 0; an empty mask -1 (general format).
int decimalsOf(const QString& mask);

// x with exactly that many decimals, a half rounded away from zero, point as the separator.
QString fixed(double x, int decimals, QChar point);

// A number with that many decimals; with -1 an integer in full and any other number in at
// most 15 significant digits ("-0" printed as "0").
QString formatNumber(const QVariant& number, int decimals, QChar point);

// A cell as a report prints it under a mask: null empty, a number as formatNumber with the
// locale's decimal point, anything else as its text.
QString formatValue(const QVariant& value, const QString& mask);

// x in at most 15 significant digits, trailing zeros dropped, never in exponent form from
// 1e-15 to 1e20 ("-0" printed as "0"): 1.6500000000000001 shows as 1.65.
QString shortest(double x, QChar point);

// A value as the workstation shows a number: its shortest text, with a decimal comma. A number
// written as text ("1.6500000000000001" from the server) is shown the same way.
QString withDecimalComma(const QVariant& value);

} // namespace data::value
