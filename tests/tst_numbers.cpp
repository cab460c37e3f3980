#include "core/numbers.h"

#include <QLocale>
#include <QTest>

#include <cmath>

class TestNumbers : public QObject {
    Q_OBJECT

private slots:
    void leadingNumberReadsWhatItCan_data();
    void leadingNumberReadsWhatItCan();
    void roundsHalfToEven_data();
    void roundsHalfToEven();
    void integerText_data();
    void integerText();
    void wholeNumbers_data();
    void wholeNumbers();
    void longRange();
    void localeNumbers_data();
    void localeNumbers();
};

void TestNumbers::leadingNumberReadsWhatItCan_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("blanks before") << "  3" << 3.0;
    QTest::newRow("blank inside") << "1 2" << 12.0;
    QTest::newRow("letter after") << "7a" << 7.0;
    QTest::newRow("tab and line feed inside") << "\t4\n2" << 42.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("no number") << "abc" << 0.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("negative") << "-3" << -3.0;
    QTest::newRow("sign, blank, digits") << "- 4" << -4.0;
    QTest::newRow("plus sign") << "+8" << 8.0;
    QTest::newRow("period is the decimal mark") << "1.5" << 1.5;
    QTest::newRow("comma ends the number") << "1,5" << 1.0;
    QTest::newRow("second period ends it") << "1.2.3" << 1.2;
    QTest::newRow("fraction only") << ".5" << 0.5;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("negative exponent") << "25E-1" << 2.5;
    QTest::newRow("exponent without digits") << "1e" << 1.0;
    QTest::newRow("exponent sign without digits") << "4e+x" << 4.0;
    QTest::newRow("carriage return is not a blank") << "\r5" << 0.0;
    QTest::newRow("header with blanks") << " 3 " << 3.0;
    QTest::newRow("beyond the double range") << "1e999" << qInf();
}

void TestNumbers::leadingNumberReadsWhatItCan() {
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(leadingNumber(text), value);
}

void TestNumbers::roundsHalfToEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");

    QTest::newRow("0.5") << 0.5 << 0.0;
    QTest::newRow("1.5") << 1.5 << 2.0;
    QTest::newRow("2.5") << 2.5 << 2.0;
    QTest::newRow("2.5000001") << 2.5000001 << 3.0;
    QTest::newRow("-1.5") << -1.5 << -2.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("-2.4") << -2.4 << -2.0;
    QTest::newRow("1e15 + 0.5") << 1e15 + 0.5 << 1e15;
}

void TestNumbers::roundsHalfToEven() {
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(roundHalfEven(value), rounded);
}

void TestNumbers::integerText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");

    QTest::newRow("plain") << "1200" << true << 1200;
    QTest::newRow("blanks around") << " 2 " << true << 2;
    QTest::newRow("line end after") << "1200\r\n" << true << 1200;
    QTest::newRow("negative") << "-5" << true << -5;
    QTest::newRow("fraction rounds to even") << "2.5" << true << 2;
    QTest::newRow("fraction rounds up") << "3.5" << true << 4;
    QTest::newRow("lowest") << "-32768" << true << -32768;
    QTest::newRow("highest") << "32767" << true << 32767;
    QTest::newRow("rounds past the range") << "32767.5" << false << 0;
    QTest::newRow("above the range") << "32768" << false << 0;
    QTest::newRow("below the range") << "-32769" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("blank") << "   " << false << 0;
    QTest::newRow("letters") << "x" << false << 0;
    QTest::newRow("number then letters") << "12ab" << false << 0;
    QTest::newRow("infinity") << "inf" << false << 0;
}

void TestNumbers::integerText() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);

    const std::optional<qint16> read = parseInteger(text);
    QCOMPARE(read.has_value(), valid);
    if (valid)
        QCOMPARE(int(*read), value);
}

void TestNumbers::wholeNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");

    QTest::newRow("plain") << "3" << true << 3;
    QTest::newRow("blanks and sign") << " -1 " << true << -1;
    QTest::newRow("plus sign") << "+7" << true << 7;
    QTest::newRow("highest") << "2147483647" << true << 2147483647;
    QTest::newRow("beyond the range") << "2147483648" << false << 0;
    QTest::newRow("fraction") << "2.0" << false << 0;
    QTest::newRow("letters after") << "2x" << false << 0;
    QTest::newRow("sign only") << "-" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("blank inside") << "1 2" << false << 0;
}

void TestNumbers::wholeNumbers() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);

    const std::optional<qint32> read = parseWholeLong(text);
    QCOMPARE(read.has_value(), valid);
    if (valid)
        QCOMPARE(*read, value);
}

void TestNumbers::longRange() {
    QCOMPARE(toLong(2147483647.0), std::optional<qint32>(2147483647));
    QCOMPARE(toLong(-2147483648.0), std::optional<qint32>(-2147483647 - 1));
    QVERIFY(!toLong(2147483647.5));
    QVERIFY(!toLong(std::nan("")));
    QCOMPARE(toInteger(-0.5), std::optional<qint16>(0));
}

void TestNumbers::localeNumbers_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");

    QTest::newRow("English period") << "en_US"
                                    << "1.5" << true << 1.5;
    QTest::newRow("German comma") << "de_DE"
                                  << "1,5" << true << 1.5;
    QTest::newRow("German blanks") << "de_DE"
                                   << " 2,25 " << true << 2.25;
    QTest::newRow("English comma is no decimal mark") << "en_US"
                                                      << "1,5" << false << 0.0;
    QTest::newRow("empty") << "en_US"
                           << "" << false << 0.0;
    QTest::newRow("letters") << "de_DE"
                             << "x" << false << 0.0;
    QTest::newRow("infinity") << "en_US"
                              << "inf" << false << 0.0;
}

void TestNumbers::localeNumbers() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(double, value);

    const QLocale previous;
    QLocale::setDefault(QLocale(locale));
    const std::optional<double> read = parseLocaleNumber(text);
    QLocale::setDefault(previous);
    QCOMPARE(read.has_value(), valid);
    if (valid)
        QCOMPARE(*read, value);
}

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
