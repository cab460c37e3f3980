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

// Generates program files and damaged variants of them, the same ones on every run.
class FileGenerator {
public:
    explicit FileGenerator(quint32 seed)
        : m_random(seed) {}

    // Fills a table as a user might and returns it, saved, as bytes.
    QByteArray validProgram(ProgramTable &table, const QString &path) {
        StepTable steps;
        table.setCols(1 + bounded(8));
        NewProgram(table, steps, nullptr);
        const int rows = bounded(45);
        table.setRows(std::max(table.rows(), rows + 1));
        for (int r = 1; r <= rows; ++r) {
            for (int c = 0; c < table.cols(); ++c)
                table.setText(r, c, cellText());
        }
        if (bounded(4) == 0)
            table.setText(0, bounded(table.cols()), cellText());
        if (!SaveProgram(path, table).isEmpty())
            return {};
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }

    QByteArray mutate(QByteArray bytes) {
        const int rounds = 1 + bounded(4);
        for (int i = 0; i < rounds; ++i) {
            switch (bounded(8)) {
            case 0: // flip a byte
                if (!bytes.isEmpty())
                    bytes[bounded(int(bytes.size()))] = char(bounded(256));
                break;
            case 1: // cut short
                bytes.truncate(bounded(int(bytes.size()) + 1));
                break;
            case 2: { // insert a separator
                static const char separators[] = {';', ',', '\r', '\t', '\n'};
                bytes.insert(bounded(int(bytes.size()) + 1), separators[bounded(5)]);
                break;
            }
            case 3: // replace the header
                bytes = header() + bytes.mid(bytes.indexOf(';') + 1);
                break;
            case 4: // drop a stretch
                if (!bytes.isEmpty()) {
                    const int at = bounded(int(bytes.size()));
                    bytes.remove(at, bounded(int(bytes.size()) - at + 1));
                }
                break;
            case 5: // repeat a stretch
                if (!bytes.isEmpty()) {
                    const int at = bounded(int(bytes.size()));
                    bytes.insert(at, bytes.mid(at, bounded(64)));
                }
                break;
            case 6: // drop the header
                bytes = bytes.mid(bytes.indexOf(';') + 1);
                break;
            default: // random bytes
                bytes.insert(bounded(int(bytes.size()) + 1), randomBytes(1 + bounded(40)));
                break;
            }
        }
        return bytes;
    }

    QByteArray randomBytes(int size) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (char &b : bytes)
            b = char(bounded(256));
        return bytes;
    }

    int bounded(int limit) { return limit <= 0 ? 0 : int(m_random.bounded(limit)); }

private:
    QString cellText() {
        static const char *const samples[] = {"", "1", "12", "500", "1,5", "ms", "s", "min", " "};
        if (bounded(3) != 0)
            return QString::fromLatin1(samples[bounded(9)]);
        QString text;
        const int size = bounded(12);
        for (int i = 0; i < size; ++i) {
            const int u = bounded(256);
            if (u != '\t' && u != '\r')
                text += QChar(u);
        }
        return text;
    }

    QByteArray number() {
        static const char *const odd[] = {
            "",           " ",           "-",   "-1",  "1e9", "1e400",
            "-1e400",     "99999999999", "0.5", "1.5", "2.5", "+3",
            " 4 ",        "\t5\n",       "1e",  ".",   "abc", "2147483647",
            "2147483648", "-2147483649", "7e-3"};
        if (bounded(2) == 0)
            return QByteArray::number(bounded(60) - 5);
        return odd[bounded(int(std::size(odd)))];
    }

    QByteArray header() { return number() + (bounded(10) ? "," : "") + number() + ";"; }

    QRandomGenerator m_random;
};
} // namespace

class TestProgramFuzz : public QObject {
    Q_OBJECT

private slots:
    void loadSurvivesDamage();
};

void TestProgramFuzz::loadSurvivesDamage() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString source = dir.filePath(QStringLiteral("source.qmx"));
    const QString damaged = dir.filePath(QStringLiteral("damaged.qmx"));
    const QString again = dir.filePath(QStringLiteral("again.qmx"));

    FileGenerator generator(0x7700);
    int loaded = 0;
    int refused = 0;
    for (int round = 0; round < 400; ++round) {
        ProgramTable original;
        const QByteArray valid = generator.validProgram(original, source);
        QVERIFY(!valid.isEmpty());

        // A saved program loads and saves back byte for byte.
        {
            ProgramTable table;
            table.setCols(original.cols());
            StepTable steps;
            CountingMessages messages;
            LoadProgram(source, table, steps, nullptr, &messages);
            QCOMPARE(messages.count, 0);
            QCOMPARE(SaveProgram(again, table), QString());
            QFile file(again);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), valid);
        }

        for (int variant = 0; variant < 8; ++variant) {
            const QByteArray bytes = variant == 7 ? generator.randomBytes(generator.bounded(300))
                                                  : generator.mutate(valid);
            {
                QFile file(damaged);
                QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
                QCOMPARE(file.write(bytes), bytes.size());
            }
            ProgramTable table;
            StepTable steps;
            steps[1].channel_no = 3;
            CountingMessages messages;
            LoadProgram(damaged, table, steps, nullptr, &messages);

            const auto size = int(bytes.size());
            QVERIFY(messages.count <= 1);
            refused += messages.count;
            ++loaded;
            QVERIFY(table.rows() >= ProgramTable::kNewRowCount);
            QVERIFY2(table.rows() <= std::max(ProgramTable::kNewRowCount + 1, size + 2),
                     qPrintable(QString::number(table.rows())));
            QVERIFY(table.cols() >= ProgramTable::kNewColumnCount);
            QVERIFY(table.cols() <= std::max(ProgramTable::kNewColumnCount, size));
            // The cells, not just each side, stay linear in the file's size.
            QVERIFY(qint64(table.rows()) * table.cols() <= 24 * (qint64(size) + 4));
            QCOMPARE(table.row(), 0);
            QCOMPARE(table.rowSel(), 0);
            QCOMPARE(table.colSel(), 0);
            QCOMPARE(steps[1].channel_no, qint16(-1));
            // Whatever was loaded can be saved again.
            QCOMPARE(SaveProgram(again, table).isEmpty(), true);
        }
    }
    qInfo("%d damaged files loaded, %d refused with a message", loaded, refused);
    QVERIFY(refused > 0);
    QVERIFY(refused < loaded);
}

QTEST_GUILESS_MAIN(TestProgramFuzz)
#include "tst_programfuzz.moc"
