// The number readings on any text, held against the straightforward ones of numberreference.h:
// the same texts accepted, the same values, the same rounding. The time to wait is read in four
// locales, two with the full stop and two with the comma as their decimal mark.
#include "core/numbers.h"
#include "fuzzcheck.h"
#include "numberreference.h"

#include <QLocale>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {
struct LocaleCase {
    QLocale locale;
    QChar mark;
};

const LocaleCase kLocales[] = {
    {QLocale::c(), QLatin1Char('.')},
    {QLocale(QStringLiteral("en_US")), QLatin1Char('.')},
    {QLocale(QStringLiteral("de_DE")), QLatin1Char(',')},
    {QLocale(QStringLiteral("fr_FR")), QLatin1Char(',')},
};

void checkRounding(double value) {
    FUZZ_CHECK(!std::isfinite(value) || roundHalfEven(value) == std::nearbyint(value));
    FUZZ_CHECK(toInteger(value) == reference::rounded<qint16>(value));
    FUZZ_CHECK(toLong(value) == reference::rounded<qint32>(value));
}

void checkText(const QString &text) {
    const double leading = leadingNumber(text);
    FUZZ_CHECK(leading == reference::leadingNumber(text));
    checkRounding(leading);
    FUZZ_CHECK(parseInteger(text) == reference::integer(text));
    FUZZ_CHECK(parseWholeLong(text) == reference::wholeLong(text));
    for (const LocaleCase &c : kLocales) {
        QLocale::setDefault(c.locale);
        FUZZ_CHECK(parseLocaleNumber(text) == reference::localeNumber(text, c.mark));
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // The reference's decimal marks are the locales' own.
    static const bool marksKnown = [] {
        for (const LocaleCase &c : kLocales)
            FUZZ_CHECK(c.locale.decimalPoint() == QString(c.mark));
        return true;
    }();
    (void)marksKnown;
    // Files and device replies are Latin-1, settings files and typed text Unicode.
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
