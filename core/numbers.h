#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Number conversions shared by the settings, the device replies and the program table.
// Integer is 16-bit and Long 32-bit signed; fractions round to the nearest whole number, ties to
// the even one. A decimal number is read as the nearest double: one too small for a double (an
// exponent far below its range) reads as 0, which it is to any precision; one too large reads as
// an infinity, which no reading accepts.

double roundHalfEven(double value);

// value rounded, or nothing when the result lies outside the type's range (or value is not finite).
std::optional<qint16> toInteger(double value);
std::optional<qint32> toLong(double value);

// A decimal number in text (an optional sign, digits with at most one period, an optional
// exponent), with blanks and line ends around it allowed, rounded to an Integer. Nothing for text
// that is not such a number or lies outside -32768..32767.
std::optional<qint16> parseInteger(const QString &text);

// A whole number as typed: blanks around it, an optional sign and decimal digits, within the
// Long range. Nothing for any other text (a fraction included).
std::optional<qint32> parseWholeLong(const QString &text);

// The leading number of a text: blanks, tabs and line feeds are ignored wherever they stand, then
// an optional sign, digits with at most one period as the decimal mark (whatever the locale) and
// an optional exponent are read up to the first character that cannot continue the number.
// A text that does not start with a number gives 0.
double leadingNumber(const QString &text);

// A number written the user's way, as the time to wait is: a decimal number with blanks around it
// whose decimal mark is QLocale's default one ("1,5" in a German locale) or a full stop, which
// the editor admits as one in every locale. Group separators are never read, so "2.500" is two
// and a half and "1,000" in an English locale is no number. Nothing for text that cannot be read
// so, or that is beyond the double range.
std::optional<double> parseLocaleNumber(const QString &text);
