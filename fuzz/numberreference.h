#pragma once

// Straightforward readings of numbers in text, written apart from the program's own so that a
// fuzz target can hold one against the other: a regular expression for the form, the C library's
// strtod (in the C locale, whatever the process's) for the value and nearbyint (ties to even in
// the default rounding mode) for the rounding.

#include <QRegularExpression>
#include <QString>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

namespace reference {

// A decimal number as the C locale writes it: no group separators, hexadecimal or infinity.
inline const QRegularExpression &decimalForm() {
    static const QRegularExpression form(
        QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?"));
    return form;
}

// strtod's value: the nearest double, 0 below the double range and an infinity above it.
inline double strtodValue(const QString &number) {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtod_l(number.toLatin1().constData(), nullptr, c);
}

// Blanks of any kind around the text go.
inline QString trimmed(const QString &text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first].isSpace())
        ++first;
    while (last > first && text[last - 1].isSpace())
        --last;
    return text.mid(first, last - first);
}

// The text when it is one decimal number and nothing else.
inline std::optional<double> wholeDecimal(const QString &text) {
    const QRegularExpressionMatch match = decimalForm().match(text);
    if (!match.hasMatch() || match.capturedLength() != text.size() || text.isEmpty())
        return std::nullopt;
    return strtodValue(text);
}

template <typename T> std::optional<T> rounded(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    const double whole = std::nearbyint(value);
    if (whole < double(std::numeric_limits<T>::min()) ||
        whole > double(std::numeric_limits<T>::max()))
        return std::nullopt;
    return T(whole);
}

// Settings values and device replies: one decimal number between blanks, as an Integer.
inline std::optional<qint16> integer(const QString &text) {
    const std::optional<double> value = wholeDecimal(trimmed(text));
    return value ? rounded<qint16>(*value) : std::nullopt;
}

// The number a text starts with once its blanks, tabs and line feeds are gone; 0 for none.
inline double leadingNumber(const QString &text) {
    QString compact = text;
    compact.remove(QLatin1Char(' ')).remove(QLatin1Char('\t')).remove(QLatin1Char('\n'));
    const QRegularExpressionMatch match = decimalForm().match(compact);
    return match.hasMatch() ? strtodValue(match.captured()) : 0.0;
}

// A whole number between blanks: a sign and decimal digits only, within the Long range.
inline std::optional<qint32> wholeLong(const QString &text) {
    const QString whole = trimmed(text);
    static const QRegularExpression form(QStringLiteral("^[+-]?[0-9]+$"));
    if (!form.match(whole).hasMatch())
        return std::nullopt;
    return rounded<qint32>(strtodValue(whole));
}

// The time to wait in a locale whose decimal mark is `mark`: one decimal number between blanks,
// with `mark` or a full stop, once, as its decimal mark; finite.
inline std::optional<double> localeNumber(const QString &text, QChar mark) {
    const std::optional<double> value = wholeDecimal(trimmed(text).replace(mark, QLatin1Char('.')));
    return value && std::isfinite(*value) ? value : std::nullopt;
}

} // namespace reference
