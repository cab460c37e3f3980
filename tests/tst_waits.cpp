#include "core/globalstate.h"
#include "platform/clock.h"
#include "program/waits.h"
#include "support/virtualclock.h"

#include <QTest>
#include <QTimer>

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
        row("1 h", 1, "h", 3600000);
        row("unit S", 5, "S", 0, 0);
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
                state.prog_running = false;
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

    // The real clock serves the events a wait leaves to it, as a click on Stop is one.
    void systemClockServesEvents() {
        bool served = false;
        QTimer::singleShot(0, this, [&served] { served = true; });
        SystemClock().serveEvents();
        QVERIFY(served);
    }

    // The wall clock set an hour on, to midnight, half a second into a wait: the wait still
    // takes its 2 s, and the time of day follows the wall clock to the millisecond.
    void wallClockDoesNotTimeWait() {
        constexpr qint64 kHour = 3600000;
        clock.setWallClockStart(86399500 - kHour);
        const qint64 start = clock.nowMs();
        bool jumped = false;
        clock.setOnServeEvents([&] {
            if (!jumped && clock.nowMs() - start >= 500) {
                clock.jumpWallClock(kHour);
                jumped = true;
            }
        });
        QCOMPARE(timedWait(2000, QStringLiteral("ms")), qint64(2000));
        QVERIFY(jumped);
        QCOMPARE(Waits(clock, state).MsSinceMidnight(), qint32(1500));
    }
};

QTEST_GUILESS_MAIN(TestWaits)
#include "tst_waits.moc"
