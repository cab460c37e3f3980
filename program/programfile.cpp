#include "program/programfile.h"

#include "core/numbers.h"
#include "platform/files.h"
#include "program/programtable.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFileInfo>

#include <limits>

namespace {
// The titles are part of the file, which other copies of the program must read alike, so they
// are not translated.
const QString kTitles[] = {QStringLiteral("Step"), QStringLiteral("Channel"),
                           QStringLiteral("Time to wait"), QStringLiteral("Time unit")};
// Rows 1 to this one are numbered when a program has fewer steps.
constexpr int kLastNumberedRow = 17;
// The largest program file that is read or written: about seven times the largest program
// measured (100,000 steps, 1.5 MiB) and thousands of times a full program of 199 steps, yet the
// costliest file of this size loads within a second. Saving keeps to it too, so every file
// that is saved loads back.
constexpr qint64 kMaxFileBytes = 10 * 1024 * 1024;
constexpr qint64 kMiB = 1024 * 1024;

struct Text {
    Q_DECLARE_TR_FUNCTIONS(ProgramFile)
};

QString displayName(const QString &path) {
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? path : name;
}

QString cellName(int row, int col) {
    if (row == 0)
        return Text::tr("the title of column %1").arg(col + 1);
    return Text::tr("step %1, column %2").arg(row).arg(col + 1);
}

// A cell a file cannot carry as it is: a character beyond Latin-1 would be lost, and a tab or CR
// would split the cell on loading. Returns the first such cell's description, or nothing.
QString unstorableCell(const ProgramTable &table, int lastRow) {
    for (int r = 0; r <= lastRow; ++r) {
        for (int c = 0; c < table.columnCount(); ++c) {
            const QString text = table.text(r, c);
            for (const QChar ch : text) {
                const char16_t u = ch.unicode();
                if (u > 0xff || u == u'\t' || u == u'\r') {
                    const QString code =
                        QStringLiteral("%1").arg(uint(u), 4, 16, QLatin1Char('0')).toUpper();
                    return Text::tr(
                               "%1 holds the character U+%2, which a program file cannot store.")
                        .arg(cellName(r, c), code);
                }
            }
        }
    }
    return {};
}

// Numbers the step column of the rows after the last step, up to row 17.
void numberFreeRows(ProgramTable &table, int steps) {
    for (int r = steps + 1; r <= kLastNumberedRow && r < table.rowCount(); ++r)
        table.setText(r, ProgramTable::StepColumn, QString::number(r));
}

// A new program: the table emptied to 17 rows (its column count as it was) under the titles.
void clearProgram(ProgramTable &table) {
    table.clear();
    table.setRowCount(ProgramTable::kNewRowCount);
    for (int c = 0; c < ProgramTable::kNewColumnCount && c < table.columnCount(); ++c)
        table.setText(0, c, kTitles[c]);
}

struct Header {
    int steps = 0;
    int columns = 0;
    qsizetype blockStart = 0;
};

enum class HeaderState { Missing, Damaged, Valid };

HeaderState readHeader(const QByteArray &bytes, Header &header) {
    const qsizetype semicolon = bytes.indexOf(';');
    if (semicolon < 0)
        return HeaderState::Missing;
    const qsizetype comma = bytes.indexOf(',');
    if (comma < 0 || comma > semicolon)
        return HeaderState::Missing;
    const double steps =
        roundHalfEven(leadingNumber(QString::fromLatin1(bytes.constData(), comma)));
    const double columns = roundHalfEven(
        leadingNumber(QString::fromLatin1(bytes.constData() + comma + 1, semicolon - comma - 1)));
    // Every saved file has at least one byte per cell (its separators and line end), so a header
    // announcing more cells than that cannot be meant. Written so that a NaN fails too.
    const double size = double(bytes.size());
    if (!(steps >= 0 && columns >= 1 && steps <= size && columns <= size &&
          (steps + 1) * columns <= size && steps + 2 <= double(std::numeric_limits<int>::max())))
        return HeaderState::Damaged;
    header.steps = int(steps);
    header.columns = int(columns);
    header.blockStart = semicolon + 1;
    return HeaderState::Valid;
}

// Why a file whose header is sound still does not hold the steps it names, or an empty text. A
// saved file has a CR before every step and ends in CR LF; a file cut short lacks the end, and a
// transfer in text mode turns the CRs into LFs.
QString missingSteps(QStringView block, bool endsInLineEnd, int steps) {
    const qsizetype rowEnds = block.count(u'\r');
    const qsizetype whole = endsInLineEnd ? rowEnds : std::max<qsizetype>(0, rowEnds - 1);
    if (whole >= steps)
        return {};
    if (block.endsWith(u'\n'))
        return Text::tr("its rows end in LF instead of CR, as a transfer in text mode leaves them");
    return Text::tr("steps named in its header: %1, whole in the file: %2").arg(steps).arg(whole);
}

// The message for a file that was not loaded, or an empty text.
QString unreadFileMessage(const FileRead &read, const QString &path) {
    switch (read.outcome) {
    case FileRead::Outcome::Read:
    case FileRead::Outcome::Missing: // simply a new program
        return {};
    case FileRead::Outcome::NotRegular:
        return Text::tr("%1 was not opened: it is not a regular file.").arg(displayName(path));
    case FileRead::Outcome::TooLarge:
        return Text::tr("%1 was not opened: it is larger than a program file can be (%2 MiB).")
            .arg(displayName(path))
            .arg(kMaxFileBytes / kMiB);
    case FileRead::Outcome::Unreadable:
        break;
    }
    return Text::tr("%1 could not be read: %2").arg(displayName(path), read.error);
}

// SaveProgram(), leaving the bytes written in `bytes`.
QString saveProgram(const QString &path, ProgramTable &table, QByteArray &bytes) {
    int steps = 0;
    while (steps + 1 < table.rowCount() &&
           !table.text(steps + 1, ProgramTable::ChannelColumn).isEmpty())
        ++steps;
    const int columns = table.columnCount();

    table.setCurrentCell(0, 0);
    table.setSelectionEnd(steps, columns - 1);
    QString reason = unstorableCell(table, steps);
    if (reason.isEmpty()) {
        const QString block = table.selectedText();
        bytes.reserve(block.size() + 32);
        bytes += QByteArray::number(steps);
        bytes += ',';
        bytes += QByteArray::number(columns);
        bytes += ';';
        bytes += block.toLatin1();
        bytes += "\r\n";
        const QString error =
            bytes.size() > kMaxFileBytes
                ? Text::tr("the file would be larger than a program file can be (%1 MiB)")
                      .arg(kMaxFileBytes / kMiB)
                : writeWholeFile(path, bytes);
        if (!error.isEmpty())
            reason = Text::tr("%1 could not be saved: %2").arg(displayName(path), error);
    } else {
        reason = Text::tr("%1 was not saved: %2").arg(displayName(path), reason);
    }
    table.setSelectionEnd(0, 0);
    return reason;
}

ProgramFileId fileId(const QString &path, const QByteArray &bytes) {
    return {QFileInfo(path).absoluteFilePath(),
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256)};
}
} // namespace

void setUpFirstProgram(ProgramTable &table) {
    table.setColumnCount(ProgramTable::kNewColumnCount);
    clearProgram(table);
    table.genSteps();
    table.setCurrentCell(table.fixedRowCount(), table.fixedColumnCount());
}

ProgramDocument::ProgramDocument(ProgramTable &table, StepTable &steps)
    : m_table(table)
    , m_steps(steps) {
    // Any change of the program's text or shape: it is no longer the file. The colour of the
    // running step is no change.
    const auto changed = [this] {
        m_file.reset();
    };
    connect(&m_table, &ProgramTable::dataChanged, this,
            [this](const QModelIndex &, const QModelIndex &, const QList<int> &roles) {
                if (roles.isEmpty() || roles.contains(Qt::DisplayRole) ||
                    roles.contains(Qt::EditRole))
                    m_file.reset();
            });
    connect(&m_table, &ProgramTable::rowsInserted, this, changed);
    connect(&m_table, &ProgramTable::rowsRemoved, this, changed);
    connect(&m_table, &ProgramTable::columnsInserted, this, changed);
    connect(&m_table, &ProgramTable::columnsRemoved, this, changed);
    connect(&m_table, &ProgramTable::modelReset, this, changed);
}

void ProgramDocument::NewProgram() {
    clearProgram(m_table);
    clearSteps(m_steps);
    emit newProgram();
}

std::optional<QString> describeLostSteps(const ProgramTable &table) {
    int gap = 0;
    int lastStep = 0;
    for (int r = table.fixedRowCount(); r < table.rowCount(); ++r) {
        if (table.text(r, ProgramTable::ChannelColumn).isEmpty())
            gap = gap == 0 ? r : gap;
        else if (gap != 0)
            lastStep = r;
    }
    if (lastStep == 0)
        return std::nullopt;
    const QString lost = lastStep == gap + 1
                             ? Text::tr("step %1 would be lost").arg(lastStep)
                             : Text::tr("steps %1 to %2 would be lost").arg(gap + 1).arg(lastStep);
    return Text::tr("Step %1 has no channel: %2.").arg(gap).arg(lost);
}

QString SaveProgram(const QString &path, ProgramTable &table) {
    QByteArray bytes;
    return saveProgram(path, table, bytes);
}

QString ProgramDocument::SaveProgram(const QString &path) {
    QByteArray bytes;
    const QString reason = saveProgram(path, m_table, bytes);
    if (reason.isEmpty())
        m_file = fileId(path, bytes);
    return reason;
}

void ProgramDocument::LoadProgram(const QString &path) {
    NewProgram();

    int loadedSteps = 0;
    FileRead read = readRegularFile(path, kMaxFileBytes);
    QString problem = unreadFileMessage(read, path);
    std::optional<ProgramFileId> file;
    Header header;
    switch (read.outcome == FileRead::Outcome::Read ? readHeader(read.bytes, header)
                                                    : HeaderState::Missing) {
    case HeaderState::Missing:
        break;
    case HeaderState::Damaged:
        problem = Text::tr("%1 is not a QMX-7700 program file: its header is damaged.")
                      .arg(displayName(path));
        break;
    case HeaderState::Valid: {
        file = fileId(path, read.bytes);
        // The line end closes the file. Dropped, it cannot leave a stray LF in a cell when the
        // file holds fewer rows than its header announces.
        const bool endsInLineEnd = read.bytes.endsWith("\r\n");
        const qsizetype end = endsInLineEnd ? read.bytes.size() - 2 : read.bytes.size();
        const QString block = QString::fromLatin1(read.bytes.constData() + header.blockStart,
                                                  std::max<qsizetype>(0, end - header.blockStart));
        // Only the block is needed from here on, and a large file should not be held twice.
        read.bytes = QByteArray();
        const QString missing = missingSteps(block, endsInLineEnd, header.steps);
        if (!missing.isEmpty())
            problem = Text::tr("%1 is damaged: %2. What could be read is loaded.")
                          .arg(displayName(path), missing);
        loadedSteps = header.steps;
        m_table.setRowCount(loadedSteps < ProgramTable::kNewRowCount ? kLastNumberedRow + 1
                                                                     : loadedSteps + 2);
        if (m_table.columnCount() < header.columns)
            m_table.setColumnCount(header.columns);
        m_table.setCurrentCell(0, 0);
        m_table.setSelectionEnd(loadedSteps, header.columns - 1);
        m_table.setSelectedText(block);
        m_table.setSelectionEnd(0, 0);
        break;
    }
    }

    numberFreeRows(m_table, loadedSteps);
    // A file read in part is not the program that the table holds.
    if (problem.isEmpty())
        m_file = file;
    else
        emit message(problem);
}
