#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Number conversions shared by the settings, the device replies and the program table.
// Integer is 16-bit and Long 32-bit signed; fractions round to the nearest whole number, ties to
// the even one.

double roundHalfEven(double value);

// value rounded, or nothing when the result lies outside the type's range (or value is not finite).
std::optional<qint16> toInteger(double value);
std::optional<qint32> toLong(double value);

// A decimal number in text, with blanks and line ends around it allowed, rounded to an Integer.
// Nothing for text that is not such a number or lies outside -32768..32767.
std::optional<qint16> parseInteger(const QString &text);

// A whole number as typed: blanks around it, an optional sign and decimal digits, within the
// Long range. Nothing for any other text (a fraction included).
std::optional<qint32> parseWholeLong(const QString &text);

// The leading number of a text: blanks, tabs and line feeds are ignored wherever they stand, then
// an optional sign, digits with at most one period as the decimal mark (whatever the locale) and
// an optional exponent are read up to the first character that cannot continue the number.
// A text that does not start with a number gives 0.
double leadingNumber(const QString &text);

// A number written the user's way (QLocale's default: "1,5" in a German locale). Nothing for
// text that locale cannot read.
std::optional<double> parseLocaleNumber(const QString &text);
