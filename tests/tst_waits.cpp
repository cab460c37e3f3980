#include "core/globalstate.h"
#include "program/waits.h"
#include "support/virtualclock.h"

#include <QTest>

class TestWaits : public QObject {
    Q_OBJECT

    // Waits and returns the virtual milliseconds it took.
    qint64 timedWait(double value, const QString &unit) {
        Waits waits(clock, state);
        const qint64 start = clock.nowMs();
        waits.WaitTime(value, unit);
        return clock.nowMs() - start;
    }

    VirtualClock clock;
    GlobalState state;

private slots:
    void init() {
        clock = VirtualClock();
        state = GlobalState();
        state.prog_running = true;
    }

    void waitTime_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<bool>("running");
        QTest::addColumn<qint64>("expectedMs");
        QTest::addColumn<int>("sleeps"); // -1: the wait polls, serving events every 10 ms
        QTest::addColumn<int>("stopAt"); // the event round that asks for a stop; 0: none
        const auto row = [](const char *name, double value, const char *unit, qint64 ms,
                            int sleeps = -1, bool running = true, int stopAt = 0) {
            QTest::newRow(name) << value << unit << running << ms << sleeps << stopAt;
        };
        row("999 ms: one blocking sleep", 999, "ms", 999, 1);
        row("1000 ms polls", 1000, "ms", 1000);
        row("1005 ms: last sleep ends on time", 1005, "ms", 1005);
        row("2 min", 2, "min", 120000);
        row("1 h", 1, "h", 3600000);
        row("unit S", 5, "S", 0, 0);
        row("1.5 ms rounds to 2", 1.5, "ms", 2, 1);
        row("2.5 ms rounds to 2", 2.5, "ms", 2, 1);
        row("999.5 ms rounds up, still one sleep", 999.5, "ms", 1000, 1);
        row("0.0625 s = 62.5 ms rounds to 62", 0.0625, "s", 62);
        // The factors one after the other: 0.000525 x 1000 x 60 is 31.5 and rounds to 32, where
        // 0.000525 x 60000 gives 31.4999...; the other way round for 0.00008875 h.
        row("0.000525 min", 0.000525, "min", 32);
        row("0.00008875 h", 0.00008875, "h", 319);
        row("negative ms", -3, "ms", 0, 0);
        row("2^31 ms does not fit", 2147483648.0, "ms", 0, 0);
        row("short ms sleeps even when stopped", 300, "ms", 300, 1, false);
        row("long wait when stopped", 2, "s", 0, 0, false);
        // A stop served in a round ends the wait there, not a round later.
        row("stopped in the first round", 60, "s", 0, -1, true, 1);
        row("stopped in the fifth round", 60, "s", 40, -1, true, 5);
    }

    void waitTime() {
        QFETCH(double, value);
        QFETCH(QString, unit);
        QFETCH(bool, running);
        QFETCH(qint64, expectedMs);
        QFETCH(int, sleeps);
        QFETCH(int, stopAt);

        state.prog_running = running;
        QList<qint64> rounds;
        clock.setOnServeEvents([&] {
            rounds << clock.nowMs();
            if (rounds.size() == stopAt)
                RequestStop(state);
        });
        const qint64 start = clock.nowMs();
        QCOMPARE(timedWait(value, unit), expectedMs);
        if (sleeps >= 0) {
            QCOMPARE(clock.sleeps(), sleeps);
            QVERIFY(rounds.isEmpty());
            return;
        }
        // Events are served from the start, every 10 ms, and the last round sees the deadline.
        QCOMPARE(rounds.value(0, -1), start);
        for (qsizetype i = 1; i < rounds.size(); ++i)
            QVERIFY2(rounds[i] - rounds[i - 1] <= 10, qPrintable(QString::number(rounds[i])));
        QCOMPARE(rounds.last(), start + expectedMs);
        QVERIFY(stopAt == 0 || rounds.size() == stopAt);
    }

    void wallClockDoesNotTimeWait_data() {
        QTest::addColumn<qint64>("wallStartMs");
        QTest::addColumn<qint64>("jumpMs");
        QTest::addColumn<qint64>("wallEndMs");
        constexpr qint64 kHour = 3600000;
        QTest::newRow("across midnight") << qint64(86399500) << qint64(0) << qint64(1500);
        QTest::newRow("noon, clock 1 h on") << 12 * kHour << kHour << qint64(13 * kHour + 2000);
    }

    void wallClockDoesNotTimeWait() {
        QFETCH(qint64, wallStartMs);
        QFETCH(qint64, jumpMs);
        QFETCH(qint64, wallEndMs);

        clock.setWallClockStart(wallStartMs);
        const qint64 start = clock.nowMs();
        bool jumped = false;
        clock.setOnServeEvents([&] {
            if (!jumped && clock.nowMs() - start >= 500) {
                clock.jumpWallClock(jumpMs);
                jumped = true;
            }
        });
        QCOMPARE(timedWait(2000, QStringLiteral("ms")), qint64(2000));
        QVERIFY(jumped);
        QCOMPARE(Waits(clock, state).MsSinceMidnight(), qint32(wallEndMs));
    }
};

QTEST_GUILESS_MAIN(TestWaits)
#include "tst_waits.moc"
