// The number conversions on any text, against the C library: they accept the decimal numbers
// that strtod and strtoll read completely, nothing else (the time to wait with the locale's
// decimal mark or a full stop), and give the same values, rounded to the nearest whole number
// with ties to even.
#include "core/numbers.h"
#include "fuzzcheck.h"

#include <QLocale>
#include <QString>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

namespace {
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isSign(char c) {
    return c == '+' || c == '-';
}

qsizetype skipDigits(const QByteArray &text, qsizetype &pos) {
    const qsizetype start = pos;
    while (pos < text.size() && isDigit(text[pos]))
        ++pos;
    return pos - start;
}

// A decimal number as the C locale writes it: a sign, digits with at most one period, an
// exponent. No group separators, no hexadecimal, no infinity.
bool isDecimal(const QByteArray &text) {
    qsizetype pos = 0;
    if (pos < text.size() && isSign(text[pos]))
        ++pos;
    qsizetype digits = skipDigits(text, pos);
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        digits += skipDigits(text, pos);
    }
    if (digits == 0)
        return false;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && isSign(text[pos]))
            ++pos;
        if (skipDigits(text, pos) == 0)
            return false;
    }
    return pos == text.size();
}

bool isWhole(const QByteArray &text) {
    qsizetype pos = 0;
    if (pos < text.size() && isSign(text[pos]))
        ++pos;
    return skipDigits(text, pos) > 0 && pos == text.size();
}

// The reference rounding: the C library's, in the default rounding mode (ties to even).
template <typename T> std::optional<T> rounded(double value) {
    const double r = std::nearbyint(value);
    if (!(r >= double(std::numeric_limits<T>::min()) && r <= double(std::numeric_limits<T>::max())))
        return std::nullopt;
    return T(r);
}

struct CNumber {
    double value;
    bool outOfRange;
};

CNumber cDouble(const QByteArray &text) {
    errno = 0;
    char *end = nullptr;
    const double value = std::strtod(text.constData(), &end);
    return {value, errno == ERANGE};
}

void checkRounding(double value) {
    if (!std::isfinite(value)) {
        FUZZ_CHECK(!toInteger(value) && !toLong(value));
        return;
    }
    FUZZ_CHECK(roundHalfEven(value) == std::nearbyint(value));
    FUZZ_CHECK(toInteger(value) == rounded<qint16>(value));
    FUZZ_CHECK(toLong(value) == rounded<qint32>(value));
}

void checkInteger(const QString &text) {
    const QByteArray number = text.trimmed().toLatin1();
    const std::optional<qint16> read = parseInteger(text);
    if (!isDecimal(number)) {
        FUZZ_CHECK(!read);
        return;
    }
    const CNumber c = cDouble(number);
    if (!c.outOfRange)
        FUZZ_CHECK(read == rounded<qint16>(c.value));
    else if (std::isinf(c.value))
        FUZZ_CHECK(!read);
}

void checkWholeLong(const QString &text) {
    const QByteArray number = text.trimmed().toLatin1();
    const std::optional<qint32> read = parseWholeLong(text);
    if (!isWhole(number)) {
        FUZZ_CHECK(!read);
        return;
    }
    errno = 0;
    const long long value = std::strtoll(number.constData(), nullptr, 10);
    if (errno == ERANGE || value < std::numeric_limits<qint32>::min() ||
        value > std::numeric_limits<qint32>::max())
        FUZZ_CHECK(!read);
    else
        FUZZ_CHECK(read == qint32(value));
}

void checkLeadingNumber(const QString &text) {
    QString compact = text;
    compact.remove(QLatin1Char(' ')).remove(QLatin1Char('\t')).remove(QLatin1Char('\n'));
    const QByteArray bytes = compact.toLatin1();
    const double read = leadingNumber(text);
    checkRounding(read);

    qsizetype pos = bytes.size() > 0 && isSign(bytes[0]) ? 1 : 0;
    const bool startsNumber =
        pos < bytes.size() &&
        (isDigit(bytes[pos]) ||
         (bytes[pos] == '.' && pos + 1 < bytes.size() && isDigit(bytes[pos + 1])));
    // strtod would read "0x1" as hexadecimal; the period-only reading stops at the x.
    const bool hexadecimal =
        startsNumber && bytes.mid(pos, 2).compare("0x", Qt::CaseInsensitive) == 0;
    if (!startsNumber || hexadecimal) {
        FUZZ_CHECK(read == 0.0);
        return;
    }
    const CNumber c = cDouble(bytes);
    if (!c.outOfRange)
        FUZZ_CHECK(read == c.value);
    else if (std::isinf(c.value))
        FUZZ_CHECK(read == c.value);
}

// The time to wait: the locale's decimal mark or a full stop, once, and never a group separator.
void checkLocaleNumber(const QString &text) {
    static const QLocale kLocales[] = {
        QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::French, QLocale::France)};
    for (const QLocale &locale : kLocales) {
        QLocale::setDefault(locale);
        QString number = text.trimmed();
        number.replace(locale.decimalPoint(), QStringLiteral("."));
        const std::optional<double> read = parseLocaleNumber(text);
        const QByteArray bytes = number.toLatin1();
        if (!isDecimal(bytes)) {
            FUZZ_CHECK(!read);
            continue;
        }
        const CNumber c = cDouble(bytes);
        if (!c.outOfRange)
            FUZZ_CHECK(read == c.value);
        else if (std::isinf(c.value))
            FUZZ_CHECK(!read);
    }
}

void checkText(const QString &text) {
    checkInteger(text);
    checkWholeLong(text);
    checkLeadingNumber(text);
    checkLocaleNumber(text);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const auto *chars = reinterpret_cast<const char *>(data);
    checkText(QString::fromLatin1(chars, qsizetype(size)));
    checkText(QString::fromUtf8(chars, qsizetype(size)));
    // Any bit pattern as a double, infinities, NaNs and subnormal numbers included.
    if (size >= sizeof(double)) {
        double value;
        std::memcpy(&value, data, sizeof value);
        checkRounding(value);
    }
    return 0;
}
