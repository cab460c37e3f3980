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
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return toInteger(value);
}

std::optional<qint32> parseWholeLong(const QString &text) {
    const QString trimmed = text.trimmed();
    qsizetype digits = 0;
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const bool sign =
            i == 0 && (trimmed[i] == QLatin1Char('+') || trimmed[i] == QLatin1Char('-'));
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

    qsizetype pos = 0;
    const qsizetype size = compact.size();
    if (pos < size && (compact[pos] == QLatin1Char('+') || compact[pos] == QLatin1Char('-')))
        ++pos;
    qsizetype digits = 0;
    while (pos < size && isDigit(compact[pos])) {
        ++pos;
        ++digits;
    }
    if (pos < size && compact[pos] == QLatin1Char('.')) {
        ++pos;
        while (pos < size && isDigit(compact[pos])) {
            ++pos;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    qsizetype end = pos;
    // An exponent counts only when at least one digit follows its letter and sign.
    if (pos < size && (compact[pos] == QLatin1Char('e') || compact[pos] == QLatin1Char('E'))) {
        qsizetype exp = pos + 1;
        if (exp < size && (compact[exp] == QLatin1Char('+') || compact[exp] == QLatin1Char('-')))
            ++exp;
        if (exp < size && isDigit(compact[exp])) {
            while (exp < size && isDigit(compact[exp]))
                ++exp;
            end = exp;
        }
    }
    // A number beyond the double range reads as infinity (below it, as 0), which every caller's
    // range check then rejects.
    return QLocale::c().toDouble(compact.left(end));
}

std::optional<double> parseLocaleNumber(const QString &text) {
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    const QString trimmed = text.trimmed();
    bool ok = false;
    double value = locale.toDouble(trimmed, &ok);
    // A full stop where the locale has another decimal mark stands for that mark; where the
    // locale groups digits with it ("2.500" in German), this reads it as the decimal mark.
    const QString mark = locale.decimalPoint();
    if (!ok && mark != QLatin1String(".") && trimmed.contains(QLatin1Char('.'))) {
        QString marked = trimmed;
        value = locale.toDouble(marked.replace(QLatin1Char('.'), mark), &ok);
    }
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}
