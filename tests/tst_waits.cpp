#include "core/globalstate.h"
#include "program/waits.h"
#include "support/virtualclock.h"

#include <QTest>

#include <memory>

class TestWaits : public QObject {
    Q_OBJECT

private slots:
    void init();

    void waitTime_data();
    void waitTime();
    void servesEventsEveryRound_data();
    void servesEventsEveryRound();
    void stopEndsLongWait_data();
    void stopEndsLongWait();
    void slowEventHandlerDoesNotStretchWait();
    void wallClockDoesNotTimeWait_data();
    void wallClockDoesNotTimeWait();

private:
    // Waits and returns the virtual milliseconds it took.
    qint64 timedWait(double value, const QString &unit);

    std::unique_ptr<VirtualClock> m_clockHolder;
    VirtualClock *m_clock = nullptr;
    GlobalState m_state;
};

void TestWaits::init() {
    m_clockHolder = std::make_unique<VirtualClock>();
    m_clock = m_clockHolder.get();
    m_state = GlobalState();
    m_state.prog_running = true;
}

qint64 TestWaits::timedWait(double value, const QString &unit) {
    Waits waits(*m_clock, m_state);
    const qint64 start = m_clock->nowMs();
    waits.WaitTime(value, unit);
    return m_clock->nowMs() - start;
}

void TestWaits::waitTime_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<bool>("running");
    QTest::addColumn<qint64>("expectedMs");
    // -1: the wait polls, so the count of sleeps is not fixed.
    QTest::addColumn<int>("expectedSleeps");
    QTest::addColumn<bool>("servesEvents");

    const QString ms = QStringLiteral("ms");
    const QString s = QStringLiteral("s");
    QTest::newRow("999 ms: one blocking sleep") << 999.0 << ms << true << qint64(999) << 1 << false;
    QTest::newRow("1000 ms polls") << 1000.0 << ms << true << qint64(1000) << -1 << true;
    QTest::newRow("1005 ms: last sleep ends on time")
        << 1005.0 << ms << true << qint64(1005) << 101 << true;
    QTest::newRow("1.5 s") << 1.5 << s << true << qint64(1500) << -1 << true;
    QTest::newRow("2 min") << 2.0 << QStringLiteral("min") << true << qint64(120000) << -1 << true;
    QTest::newRow("1 h") << 1.0 << QStringLiteral("h") << true << qint64(3600000) << -1 << true;
    QTest::newRow("unit S") << 5.0 << QStringLiteral("S") << true << qint64(0) << 0 << false;
    QTest::newRow("empty unit") << 5.0 << QString() << true << qint64(0) << 0 << false;
    QTest::newRow("unit with blank")
        << 5.0 << QStringLiteral(" s") << true << qint64(0) << 0 << false;
    QTest::newRow("1.5 ms rounds to 2") << 1.5 << ms << true << qint64(2) << 1 << false;
    QTest::newRow("2.5 ms rounds to 2") << 2.5 << ms << true << qint64(2) << 1 << false;
    QTest::newRow("999.5 ms rounds up, still one sleep")
        << 999.5 << ms << true << qint64(1000) << 1 << false;
    QTest::newRow("0.0625 s = 62.5 ms rounds to 62")
        << 0.0625 << s << true << qint64(62) << -1 << true;
    QTest::newRow("0.1875 s = 187.5 ms rounds to 188")
        << 0.1875 << s << true << qint64(188) << -1 << true;
    // The factors one after the other: 0.000525 x 1000 x 60 is 31.5 and rounds to 32, where
    // 0.000525 x 60000 gives 31.4999...; the other way round for 0.001225 min and 0.00008875 h.
    QTest::newRow("0.000525 min") << 0.000525 << QStringLiteral("min") << true << qint64(32) << -1
                                  << true;
    QTest::newRow("0.001225 min") << 0.001225 << QStringLiteral("min") << true << qint64(73) << -1
                                  << true;
    QTest::newRow("0.00002125 h") << 0.00002125 << QStringLiteral("h") << true << qint64(77) << -1
                                  << true;
    QTest::newRow("0.00008875 h") << 0.00008875 << QStringLiteral("h") << true << qint64(319) << -1
                                  << true;
    QTest::newRow("negative ms") << -3.0 << ms << true << qint64(0) << 0 << false;
    QTest::newRow("negative s") << -5.0 << s << true << qint64(0) << 0 << false;
    QTest::newRow("2^31 ms does not fit") << 2147483648.0 << ms << true << qint64(0) << 0 << false;
    QTest::newRow("short ms sleeps even when stopped")
        << 300.0 << ms << false << qint64(300) << 1 << false;
    QTest::newRow("long wait when stopped") << 2.0 << s << false << qint64(0) << 0 << false;
}

void TestWaits::waitTime() {
    QFETCH(double, value);
    QFETCH(QString, unit);
    QFETCH(bool, running);
    QFETCH(qint64, expectedMs);
    QFETCH(int, expectedSleeps);
    QFETCH(bool, servesEvents);

    m_state.prog_running = running;
    QCOMPARE(timedWait(value, unit), expectedMs);
    if (expectedSleeps >= 0)
        QCOMPARE(m_clock->sleeps(), expectedSleeps);
    QCOMPARE(m_clock->eventRounds() > 0, servesEvents);
}

void TestWaits::servesEventsEveryRound_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("unit");

    QTest::newRow("1000 ms") << 1000.0 << QStringLiteral("ms");
    QTest::newRow("1.5 s") << 1.5 << QStringLiteral("s");
    QTest::newRow("2 min") << 2.0 << QStringLiteral("min");
}

void TestWaits::servesEventsEveryRound() {
    QFETCH(double, value);
    QFETCH(QString, unit);

    QList<qint64> rounds;
    m_clock->setOnServeEvents([&] { rounds << m_clock->nowMs(); });
    const qint64 start = m_clock->nowMs();
    const qint64 took = timedWait(value, unit);

    QVERIFY(!rounds.isEmpty());
    QCOMPARE(rounds.first(), start);
    qint64 previous = start;
    for (const qint64 at : std::as_const(rounds)) {
        QVERIFY2(at - previous <= 10,
                 qPrintable(QStringLiteral("gap of %1 ms").arg(at - previous)));
        previous = at;
    }
    // The last round sees the deadline.
    QCOMPARE(rounds.last(), start + took);
}

void TestWaits::stopEndsLongWait_data() {
    QTest::addColumn<qint64>("stopAfterMs");

    QTest::newRow("at once") << qint64(0);
    QTest::newRow("after 9 min 59 s") << qint64(599000);
}

void TestWaits::stopEndsLongWait() {
    QFETCH(qint64, stopAfterMs);

    const qint64 start = m_clock->nowMs();
    qint64 stoppedAt = -1;
    m_clock->setOnServeEvents([&] {
        if (stoppedAt < 0 && m_clock->nowMs() - start >= stopAfterMs) {
            m_state.prog_running = false;
            stoppedAt = m_clock->nowMs();
        }
    });
    const qint64 took = timedWait(10, QStringLiteral("min"));

    QVERIFY(stoppedAt >= 0);
    QVERIFY2(
        start + took - stoppedAt <= 10,
        qPrintable(QStringLiteral("ended %1 ms after the stop").arg(start + took - stoppedAt)));
    QVERIFY(took < 600000);
}

void TestWaits::slowEventHandlerDoesNotStretchWait() {
    // An event handler that takes 25 ms each round: the wait ends at the first round that
    // finds the deadline passed, without one more sleep.
    m_clock->setOnServeEvents([&] { m_clock->advanceMs(25); });
    const int sleepsBefore = m_clock->sleeps();
    const qint64 took = timedWait(1000, QStringLiteral("ms"));

    QVERIFY2(took >= 1000 && took < 1025, qPrintable(QString::number(took)));
    // Each sleep follows a round of 25 ms, so no more than 1000 / 35 + 1 of them.
    QVERIFY(m_clock->sleeps() - sleepsBefore <= 29);
}

void TestWaits::wallClockDoesNotTimeWait_data() {
    QTest::addColumn<qint64>("wallStartMs");
    QTest::addColumn<qint64>("jumpMs");
    QTest::addColumn<qint64>("wallEndMs");

    constexpr qint64 kHour = 3600000;
    constexpr qint64 kBeforeMidnight = 86399500; // 23:59:59.500
    QTest::newRow("across midnight") << kBeforeMidnight << qint64(0) << qint64(1500);
    QTest::newRow("across midnight, clock 1 h on")
        << kBeforeMidnight << kHour << qint64(kHour + 1500);
    QTest::newRow("noon, clock 1 h on") << 12 * kHour << kHour << qint64(13 * kHour + 2000);
}

void TestWaits::wallClockDoesNotTimeWait() {
    QFETCH(qint64, wallStartMs);
    QFETCH(qint64, jumpMs);
    QFETCH(qint64, wallEndMs);

    m_clock->setWallClockStart(wallStartMs);
    const qint64 start = m_clock->nowMs();
    bool jumped = false;
    m_clock->setOnServeEvents([&] {
        if (!jumped && m_clock->nowMs() - start >= 500) {
            m_clock->jumpWallClock(jumpMs);
            jumped = true;
        }
    });

    QCOMPARE(timedWait(2000, QStringLiteral("ms")), qint64(2000));
    QVERIFY(jumped);
    QCOMPARE(Waits(*m_clock, m_state).MsSinceMidnight(), qint32(wallEndMs));
}

QTEST_GUILESS_MAIN(TestWaits)
#include "tst_waits.moc"
