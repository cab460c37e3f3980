#include "core/numbers.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {
template <typename T> std::optional<T> roundedInto(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = roundHalfEven(value);
    if (rounded < double(std::numeric_limits<T>::min()) ||
        rounded > double(std::numeric_limits<T>::max()))
        return std::nullopt;
    return static_cast<T>(rounded);
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isSign(QChar c) {
    return c == QLatin1Char('+') || c == QLatin1Char('-');
}

// The length of the decimal number that text starts with: an optional sign, digits with at most
// one period, and an exponent when at least one digit follows its letter and sign. 0 when no
// digit comes before the exponent.
qsizetype decimalLength(QStringView text) {
    const qsizetype size = text.size();
    qsizetype pos = 0;
    if (pos < size && isSign(text[pos]))
        ++pos;
    qsizetype digits = 0;
    for (; pos < size && isDigit(text[pos]); ++pos)
        ++digits;
    if (pos < size && text[pos] == QLatin1Char('.')) {
        for (++pos; pos < size && isDigit(text[pos]); ++pos)
            ++digits;
    }
    if (digits == 0)
        return 0;
    if (pos < size && (text[pos] == QLatin1Char('e') || text[pos] == QLatin1Char('E'))) {
        qsizetype exponent = pos + 1;
        if (exponent < size && isSign(text[exponent]))
            ++exponent;
        if (exponent < size && isDigit(text[exponent])) {
            while (exponent < size && isDigit(text[exponent]))
                ++exponent;
            pos = exponent;
        }
    }
    return pos;
}

// The value of a number that decimalLength() reads whole: the nearest double, an infinity beyond
// the double range and 0 below it, since such a number is 0 to any precision.
double decimalValue(QStringView number) {
    // toDouble() reports both ends of the range as failures; its value is the one wanted.
    return QLocale::c().toDouble(number);
}

// A text that is one decimal number and nothing else, as decimalValue() reads it.
std::optional<double> readDecimal(QStringView text) {
    if (text.isEmpty() || decimalLength(text) != text.size())
        return std::nullopt;
    return decimalValue(text);
}
} // namespace

double roundHalfEven(double value) {
    // Written out rather than std::nearbyint, whose result depends on the process's rounding mode.
    const double down = std::floor(value);
    const double fraction = value - down;
    if (fraction > 0.5)
        return down + 1;
    if (fraction < 0.5)
        return down;
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

std::optional<qint16> toInteger(double value) {
    return roundedInto<qint16>(value);
}

std::optional<qint32> toLong(double value) {
    return roundedInto<qint32>(value);
}

std::optional<qint16> parseInteger(const QString &text) {
    const std::optional<double> value = readDecimal(text.trimmed());
    if (!value)
        return std::nullopt;
    return toInteger(*value);
}

std::optional<qint32> parseWholeLong(const QString &text) {
    const QString trimmed = text.trimmed();
    qsizetype digits = 0;
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const bool sign = i == 0 && isSign(trimmed[i]);
        if (!sign && !isDigit(trimmed[i]))
            return std::nullopt;
        digits += sign ? 0 : 1;
    }
    bool ok = false;
    const qint32 value = trimmed.toInt(&ok, 10);
    if (digits == 0 || !ok)
        return std::nullopt;
    return value;
}

double leadingNumber(const QString &text) {
    QString compact;
    compact.reserve(text.size());
    for (const QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            compact += c;
    }
    const qsizetype length = decimalLength(compact);
    return length == 0 ? 0.0 : decimalValue(QStringView(compact).left(length));
}

std::optional<double> parseLocaleNumber(const QString &text) {
    // The locale's decimal mark reads as the full stop, which is a decimal mark in every locale.
    // Group separators, and any second mark, are no part of a number.
    QString number = text.trimmed();
    const QString mark = QLocale().decimalPoint();
    if (mark != QLatin1String("."))
        number.replace(mark, QLatin1String("."));
    const std::optional<double> value = readDecimal(number);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}
