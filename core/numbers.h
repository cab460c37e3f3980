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

// A number written the user's way, as the time to wait is: the decimal mark of QLocale's default
// ("1,5" in a German locale) or a full stop, which the editor admits as one in every locale.
// Group separators are never read, so "2.500" is two and a half and "1,000" in an English locale
// is no number. Nothing for text that cannot be read so, or that is not finite.
std::optional<double> parseLocaleNumber(const QString &text);
