// Damaged program files, the same ones on every run: a load never fails in a way a user would
// notice beyond one message, and whatever it gives can be saved again.
#include "core/views.h"
#include "program/programfile.h"
#include "program/programtable.h"
#include "program/steptable.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {
class CountingMessages final : public MessageDisplay {
public:
    void showMessage(const QString &) override { ++count; }
    int count = 0;
};
} // namespace

class TestProgramFuzz : public QObject {
    Q_OBJECT

private slots:
    void loadSurvivesDamage() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("damaged.qmx"));
        QRandomGenerator random(0x7700);
        const auto bounded = [&](qsizetype limit) {
            return int(random.bounded(int(limit) + 1));
        };
        static const char *const pieces[] = {";", ",",   "\r",  "\t",    "\n", "\r\n", "-1", "0",
                                             "7", "2.5", "1e9", "99999", " ",  "\xe9", "ms", "1,5"};
        int refused = 0;
        for (int round = 0; round < 600; ++round) {
            QByteArray bytes =
                "3,4;Step\tChannel\tTime to wait\tTime unit\r1\t3\t500\tms\r2\t12\t1,5"
                "\ts\r3\t4\t2\tmin\r\n";
            for (int edit = bounded(5); edit >= 0; --edit) {
                const int at = bounded(bytes.size());
                switch (bounded(3)) {
                case 0:
                    bytes.insert(at, pieces[bounded(std::size(pieces) - 1)]);
                    break;
                case 1:
                    bytes.remove(at, bounded(bytes.size() - at));
                    break;
                default:
                    bytes.insert(at, bytes.mid(bounded(bytes.size()), bounded(20)));
                }
            }
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
            out.close();

            ProgramTable table;
            StepTable steps;
            steps[1].channel_no = 3;
            CountingMessages messages;
            LoadProgram(file, table, steps, nullptr, &messages);

            QVERIFY(messages.count <= 1);
            refused += messages.count;
            const qint64 size = bytes.size();
            QVERIFY(table.rows() >= ProgramTable::kNewRowCount && table.rows() <= size + 18);
            QVERIFY(table.cols() >= ProgramTable::kNewColumnCount && table.cols() <= size + 4);
            QVERIFY(qint64(table.rows()) * table.cols() <= 24 * (size + 4));
            QVERIFY(table.row() == 0 && table.rowSel() == 0 && table.colSel() == 0);
            QCOMPARE(steps[1].channel_no, qint16(-1));
            // Whatever was loaded saves, and loads back to the same table.
            QCOMPARE(SaveProgram(file, table), QString());
            ProgramTable again;
            again.setCols(table.cols());
            LoadProgram(file, again, steps, nullptr, &messages);
            for (int r = 0; r < table.rows() && !table.text(r, 1).isEmpty(); ++r) {
                for (int c = 0; c < table.cols(); ++c)
                    QCOMPARE(again.text(r, c), table.text(r, c));
            }
        }
        QVERIFY(refused > 0 && refused < 600);
    }
};

QTEST_GUILESS_MAIN(TestProgramFuzz)
#include "tst_programfuzz.moc"
