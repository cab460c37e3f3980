#include "core/numbers.h"

#include <QLocale>
#include <QTest>

#include <optional>

namespace {
// Cases of the readers that may refuse: the text and the value, or nothing when refused.
using Reading = std::optional<double>;

void addReading(const char *name, const QString &text, Reading value) {
    QTest::newRow(name) << text << value;
}

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

    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");

        QTest::newRow("blanks before") << "  3" << 3.0;
        QTest::newRow("blank inside") << "1 2" << 12.0;
        QTest::newRow("letter after") << "7a" << 7.0;
        QTest::newRow("tab and line feed inside") << "\t4\n2" << 42.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("sign only") << "-" << 0.0;
        QTest::newRow("sign, blank, digits") << "- 4" << -4.0;
        QTest::newRow("period is the decimal mark") << "1.5" << 1.5;
        QTest::newRow("comma ends the number") << "1,5" << 1.0;
        QTest::newRow("second period ends it") << "1.2.3" << 1.2;
        QTest::newRow("fraction only") << ".5" << 0.5;
        QTest::newRow("negative exponent") << "25E-1" << 2.5;
        QTest::newRow("exponent without digits") << "1e" << 1.0;
        QTest::newRow("exponent sign without digits") << "4e+x" << 4.0;
        QTest::newRow("carriage return is not a blank") << "\r5" << 0.0;
        QTest::newRow("beyond the double range") << "1e999" << qInf();
    }

    void leadingNumber() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(::leadingNumber(text), value);
    }

    void roundsHalfToEven_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("rounded");

        QTest::newRow("0.5") << 0.5 << 0.0;
        QTest::newRow("1.5") << 1.5 << 2.0;
        QTest::newRow("2.5") << 2.5 << 2.0;
        QTest::newRow("2.5000001") << 2.5000001 << 3.0;
        QTest::newRow("-1.5") << -1.5 << -2.0;
        QTest::newRow("-2.5") << -2.5 << -2.0;
        QTest::newRow("1e15 + 0.5") << 1e15 + 0.5 << 1e15;
    }

    void roundsHalfToEven() {
        QFETCH(double, value);
        QFETCH(double, rounded);
        QCOMPARE(roundHalfEven(value), rounded);
    }

    // Settings values and device replies.
    void integerText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Reading>("value");

        addReading("blanks around", " 2 ", 2);
        addReading("line end after", "1200\r\n", 1200);
        addReading("fraction rounds to even", "2.5", 2);
        addReading("fraction rounds up", "3.5", 4);
        addReading("lowest", "-32768", -32768);
        addReading("highest", "32767", 32767);
        addReading("rounds past the range", "32767.5", std::nullopt);
        addReading("below the range", "-32769", std::nullopt);
        addReading("blank", "   ", std::nullopt);
        addReading("number then letters", "12ab", std::nullopt);
        addReading("group separator", "1,000", std::nullopt);
        addReading("infinity", "inf", std::nullopt);
    }

    void integerText() {
        QFETCH(QString, text);
        QFETCH(Reading, value);
        QCOMPARE(asReading(parseInteger(text)), value);
    }

    // The runs box.
    void wholeNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Reading>("value");

        addReading("blanks and sign", " -1 ", -1);
        addReading("plus sign", "+7", 7);
        addReading("highest", "2147483647", 2147483647);
        addReading("beyond the range", "2147483648", std::nullopt);
        addReading("fraction", "2.0", std::nullopt);
        addReading("letters after", "2x", std::nullopt);
        addReading("sign only", "-", std::nullopt);
        addReading("blank inside", "1 2", std::nullopt);
    }

    void wholeNumbers() {
        QFETCH(QString, text);
        QFETCH(Reading, value);
        QCOMPARE(asReading(parseWholeLong(text)), value);
    }

    // The time to wait, in the user's locale.
    void localeNumbers_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Reading>("value");

        const auto row = [](const char *locale, const char *text, Reading value) {
            QTest::addRow("%s \"%s\"", locale, text)
                << QString::fromLatin1(locale) << QString::fromLatin1(text) << value;
        };
        for (const char *locale : {"de_DE", "en_US", "C"}) {
            const bool german = locale == QByteArray("de_DE");
            // The full stop is a decimal mark everywhere, never a group separator.
            row(locale, "1.5", 1.5);
            row(locale, "2.500", 2.5);
            row(locale, " 0.25 ", 0.25);
            // The comma is the German decimal mark, and a group separator elsewhere.
            row(locale, "1,5", german ? Reading(1.5) : std::nullopt);
            row(locale, "1,000", german ? Reading(1.0) : std::nullopt);
            row(locale, "1.000,5", std::nullopt);
            row(locale, "1.2.3", std::nullopt);
            row(locale, "", std::nullopt);
            row(locale, "x", std::nullopt);
            row(locale, "inf", std::nullopt);
        }
    }

    void localeNumbers() {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(Reading, value);

        QLocale::setDefault(QLocale(locale));
        QCOMPARE(parseLocaleNumber(text), value);
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
