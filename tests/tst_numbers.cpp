#include "core/numbers.h"

#include <QLocale>
#include <QTest>

#include <optional>

namespace {
// What a reader gives for a text: the value, or nothing when it refuses the text.
using Reading = std::optional<double>;

template <typename T> Reading asReading(const std::optional<T> &value) {
    return value ? Reading(double(*value)) : std::nullopt;
}
} // namespace

Q_DECLARE_METATYPE(Reading)

namespace QTest {
template <> char *toString(const Reading &value) {
    return value ? QTest::toString(*value) : qstrdup("nothing");
}
} // namespace QTest

class TestNumbers : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // "leading": the number a text starts with (file headers, channel cells); "integer": settings
    // values and device replies; "whole": the runs box; "time <locale>": the time to wait.
    void readers_data() {
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Reading>("value");
        const auto row = [](const char *reader, const char *text, Reading value) {
            QTest::addRow("%s \"%s\"", reader, text) << reader << text << value;
        };
        const Reading none;
        row("leading", "  3", 3);
        row("leading", "1 2", 12);
        row("leading", "\t4\n2", 42);
        row("leading", "- 4", -4);
        row("leading", "1,5", 1);
        row("leading", "1.2.3", 1.2);
        row("leading", ".5", 0.5);
        row("leading", "25E-1", 2.5);
        row("leading", "4e+x", 4);
        row("leading", "\r5", 0);
        row("leading", "1e999", qInf());
        row("integer", " 2 ", 2);
        row("integer", "1200\r\n", 1200);
        row("integer", "2.5", 2);
        row("integer", "-3.5", -4);
        row("integer", "-32768", -32768);
        row("integer", "32767.5", none);
        row("integer", "-32769", none);
        row("integer", "12ab", none);
        row("integer", "1,000", none);
        row("integer", "inf", none);
        // Beyond the double range: 0 to any precision below it, out of range above it.
        row("integer", "4.555533106386e-3454", 0);
        row("integer", "-1e999", none);
        row("whole", " -1 ", -1);
        row("whole", "+7", 7);
        row("whole", "2147483647", 2147483647);
        row("whole", "2147483648", none);
        row("whole", "2.0", none);
        row("whole", "1 2", none);
        for (const char *locale : {"time de_DE", "time en_US", "time C"}) {
            const bool german = QByteArray(locale).endsWith("DE");
            // The full stop is a decimal mark everywhere, never a group separator.
            row(locale, "2.500", 2.5);
            row(locale, " 0.25 ", 0.25);
            // The comma is the German decimal mark, and a group separator elsewhere.
            row(locale, "1,5", german ? Reading(1.5) : none);
            row(locale, "1,000", german ? Reading(1.0) : none);
            row(locale, "1.000,5", none);
            row(locale, "1.2.3", none);
            row(locale, "inf", none);
            row(locale, "1e-400", 0);
        }
    }

    void readers() {
        QFETCH(QString, reader);
        QFETCH(QString, text);
        QFETCH(Reading, value);

        if (reader == QLatin1String("leading"))
            QCOMPARE(Reading(leadingNumber(text)), value);
        else if (reader == QLatin1String("integer"))
            QCOMPARE(asReading(parseInteger(text)), value);
        else if (reader == QLatin1String("whole"))
            QCOMPARE(asReading(parseWholeLong(text)), value);
        else {
            QLocale::setDefault(QLocale(reader.section(u' ', 1)));
            QCOMPARE(parseLocaleNumber(text), value);
        }
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
