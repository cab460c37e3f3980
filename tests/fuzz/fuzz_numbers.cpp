// The number conversions on any text, against the C library: they accept the decimal numbers
// that strtod and strtoll read completely, nothing else (the time to wait with the locale's
// decimal mark or a full stop), and give the same values, rounded to the nearest whole number
// with ties to even.
#include "core/numbers.h"
#include "fuzzcheck.h"

#include <QLocale>
#include <QRegularExpression>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

namespace {
// The decimal number a text starts with, as the C locale writes it: no group separators,
// hexadecimal or infinity.
const QRegularExpression
    kDecimal(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?"));

// Its length (0: none) and its value as strtod reads it; `tiny` when strtod finds it too small
// to tell.
struct Decimal {
    qsizetype length = 0;
    double value = 0;
    bool tiny = false;
};

Decimal decimal(const QString &text) {
    const QRegularExpressionMatch match = kDecimal.match(text);
    if (!match.hasMatch())
        return {};
    errno = 0;
    const double value = std::strtod(match.captured().toLatin1().constData(), nullptr);
    return {match.capturedLength(), value, errno == ERANGE && std::isfinite(value)};
}

// The reference rounding: the C library's, in the default rounding mode (ties to even).
template <typename T> std::optional<T> rounded(double value) {
    const double r = std::nearbyint(value);
    if (!(r >= double(std::numeric_limits<T>::min()) && r <= double(std::numeric_limits<T>::max())))
        return std::nullopt;
    return T(r);
}

void checkRounding(double value) {
    FUZZ_CHECK(!std::isfinite(value) || roundHalfEven(value) == std::nearbyint(value));
    FUZZ_CHECK(toInteger(value) == rounded<qint16>(value));
    FUZZ_CHECK(toLong(value) == rounded<qint32>(value));
}

// A reader of whole texts gives `read` for `text`: nothing unless it is one decimal number.
template <typename T>
void checkWhole(const QString &text, const std::optional<T> &read,
                std::optional<T> (*expected)(double)) {
    const Decimal d = decimal(text);
    if (d.length == 0 || d.length != text.size())
        FUZZ_CHECK(!read);
    else if (!d.tiny)
        FUZZ_CHECK(read == expected(d.value));
}

std::optional<double> finite(double value) {
    return std::isfinite(value) ? std::optional(value) : std::nullopt;
}

void checkText(const QString &text) {
    const QString trimmed = text.trimmed();
    // Settings values and device replies.
    checkWhole(trimmed, parseInteger(text), rounded<qint16>);
    // The runs box: digits only.
    if (trimmed.contains(QRegularExpression(QStringLiteral("^[+-]?[0-9]+$"))))
        checkWhole(trimmed, parseWholeLong(text), rounded<qint32>);
    else
        FUZZ_CHECK(!parseWholeLong(text));
    // The number a text starts with, blanks anywhere: its value, or 0.
    QString compact = text;
    compact.remove(QLatin1Char(' ')).remove(QLatin1Char('\t')).remove(QLatin1Char('\n'));
    const double leading = leadingNumber(text);
    checkRounding(leading);
    if (const Decimal d = decimal(compact); !d.tiny)
        FUZZ_CHECK(leading == d.value);
    // The time to wait: the locale's decimal mark or a full stop, once, never a group separator.
    for (const QLocale &locale : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::German, QLocale::Germany)}) {
        QLocale::setDefault(locale);
        const std::optional<double> time = parseLocaleNumber(text);
        checkWhole(QString(trimmed).replace(locale.decimalPoint(), QStringLiteral(".")), time,
                   finite);
    }
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
