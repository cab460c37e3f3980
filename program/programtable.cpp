#include "program/programtable.h"

#include <QStringView>

#include <algorithm>
#include <utility>

namespace {
constexpr int kNewColumnWidths[ProgramTable::kNewColumnCount] = {450, 700, 1020, 800};
// The most characters of a cell that the grid is given to show.
constexpr qsizetype kMaxShownLength = 1000;
constexpr QChar kCellSeparator = QLatin1Char('\t');
constexpr QChar kRowSeparator = QLatin1Char('\r');

// Calls line(r, text) for each line of the block, as rows top..bottom; returns the last row the
// block reaches.
template <typename Line> int forEachLine(QStringView block, int top, int bottom, Line line) {
    qsizetype start = 0;
    for (int r = top;; ++r) {
        qsizetype end = block.indexOf(kRowSeparator, start);
        if (end < 0)
            end = block.size();
        line(r, block.mid(start, end - start));
        if (end == block.size() || r == bottom)
            return r;
        start = end + 1;
    }
}

// Calls cell(c, text) for each cell of a line, as columns left..right.
template <typename Cell> void forEachCell(QStringView line, int left, int right, Cell cell) {
    const QChar *const data = line.data();
    qsizetype start = 0;
    for (qsizetype i = 0; left <= right; ++i) {
        if (i < line.size() && data[i] != kCellSeparator)
            continue;
        cell(left++, QStringView(data + start, i - start));
        if (i == line.size())
            return;
        start = i + 1;
    }
}

// How many cells of its row a line fills: up to its last one with text.
int filledCount(QStringView line, int left, int right) {
    int count = 0;
    forEachCell(line, left, right, [&count](int c, QStringView text) {
        if (!text.isEmpty())
            count = c + 1;
    });
    return count;
}

// Room for `count` cells in a row that has `capacity`: what a row grown cell by cell needs, and
// no more than asked when it is filled at once.
int grownCapacity(int capacity, int count, int columns) {
    return count <= capacity ? capacity : std::min(columns, std::max(count, capacity * 2));
}
} // namespace

ProgramTable::ProgramTable(QObject *parent)
    : QAbstractTableModel(parent) {
    m_columnWidths.assign(std::begin(kNewColumnWidths), std::end(kNewColumnWidths));
}

int ProgramTable::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int ProgramTable::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_cols;
}

QVariant ProgramTable::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        // No column is wide enough to show more, and laying out a cell of megabytes for every
        // paint would stall the grid.
        return cell(index.row(), index.column()).left(kMaxShownLength).toString();
    case Qt::EditRole:
        return cell(index.row(), index.column()).toString();
    case Qt::BackgroundRole: {
        const auto it = m_backgrounds.constFind(backgroundKey(index.row(), index.column()));
        if (it != m_backgrounds.cend())
            return *it;
        return {};
    }
    default:
        return {};
    }
}

bool ProgramTable::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (role != Qt::EditRole ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    setText(index.row(), index.column(), value.toString());
    return true;
}

Qt::ItemFlags ProgramTable::flags(const QModelIndex &index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // The view only shows and selects; the editor's own controls change the cells.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void ProgramTable::setRowCount(int rows) {
    rows = std::max(rows, fixedRowCount());
    if (rows == m_rows)
        return;
    if (rows > m_rows) {
        // New rows are empty, which takes nothing.
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    } else {
        beginRemoveRows({}, rows, m_rows - 1);
        if (m_rowCells.size() > std::size_t(rows)) {
            for (auto it = m_rowCells.begin() + rows; it != m_rowCells.end(); ++it) {
                dropCells(*it, 0);
                m_unusedSpans += it->capacity;
            }
            m_rowCells.resize(std::size_t(rows));
            // A long program replaced by a short one does not keep its room.
            if (m_rowCells.capacity() > 2 * m_rowCells.size() + 64)
                m_rowCells.shrink_to_fit();
        }
        m_rows = rows;
        dropBackgroundsOutside();
        endRemoveRows();
        compactIfSparse();
    }
    clampPositions();
}

void ProgramTable::setColumnCount(int cols) {
    cols = std::max(cols, fixedColumnCount());
    if (cols == m_cols)
        return;
    const int oldCols = m_cols;
    if (cols > oldCols) {
        beginInsertColumns({}, oldCols, cols - 1);
    } else {
        beginRemoveColumns({}, cols, oldCols - 1);
        for (RowCells &cells : m_rowCells)
            dropCells(cells, cols);
    }
    m_cols = cols;
    m_columnWidths.resize(std::size_t(cols), kDefaultColumnWidth);

    if (cols > oldCols) {
        endInsertColumns();
    } else {
        dropBackgroundsOutside();
        endRemoveColumns();
        compactIfSparse();
    }
    clampPositions();
}

QString ProgramTable::text(int row, int col) const {
    if (!contains(row, col))
        return {};
    return cell(row, col).toString();
}

void ProgramTable::setText(int row, int col, const QString &text) {
    if (!contains(row, col) || !storeCell(row, col, text))
        return;
    compactIfSparse();
    const QModelIndex changed = index(row, col);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
}

void ProgramTable::setCurrentCell(int row, int col) {
    m_row = std::clamp(row, 0, m_rows - 1);
    m_col = std::clamp(col, 0, m_cols - 1);
    m_rowSel = m_row;
    m_colSel = m_col;
    // Sent even when the cell stays, because the selection may just have collapsed onto it.
    emit currentCellChanged(m_row, m_col);
    emit selectionEndChanged(m_rowSel, m_colSel);
}

void ProgramTable::setSelectionEnd(int row, int col) {
    row = std::clamp(row, 0, m_rows - 1);
    col = std::clamp(col, 0, m_cols - 1);
    if (row == m_rowSel && col == m_colSel)
        return;
    m_rowSel = row;
    m_colSel = col;
    emit selectionEndChanged(m_rowSel, m_colSel);
}

QString ProgramTable::selectedText() const {
    const Rect sel = selection();
    qsizetype length = 0;
    for (int r = sel.top; r <= sel.bottom; ++r) {
        for (int c = sel.left; c <= sel.right; ++c)
            length += cell(r, c).size() + 1;
    }

    QString block;
    block.reserve(length);
    for (int r = sel.top; r <= sel.bottom; ++r) {
        if (r != sel.top)
            block += kRowSeparator;
        for (int c = sel.left; c <= sel.right; ++c) {
            if (c != sel.left)
                block += kCellSeparator;
            block += cell(r, c);
        }
    }
    return block;
}

void ProgramTable::setSelectedText(const QString &block) {
    const Rect sel = selection();
    // Room for every cell the block can fill, taken at once: grown a row at a time, the cells
    // would be copied over and over, and a large block would need several times its size. A
    // large room that stays unused is never touched, and what is left over is given back below.
    const qsizetype lines = block.count(kRowSeparator) + 1;
    qsizetype room = block.count(kCellSeparator) + lines;
    for (std::size_t r = std::size_t(sel.top);
         r <= std::size_t(sel.bottom) && r < m_rowCells.size(); ++r)
        room += m_rowCells[r].capacity;
    m_spans.reserve(m_spans.size() + std::size_t(room));
    m_text.reserve(m_text.size() + block.size());
    m_rowCells.reserve(std::size_t(std::min<qsizetype>(sel.bottom + 1, sel.top + lines)));

    const int lastRow = forEachLine(block, sel.top, sel.bottom, [&](int r, QStringView line) {
        const int count = std::max(rowCells(r).count, filledCount(line, sel.left, sel.right));
        if (count == 0)
            return;
        // The row's cells, set up once: a block may hold millions of them.
        Span *const spans = rowSpans(r, count);
        forEachCell(line, sel.left, std::min(sel.right, count - 1), [&](int c, QStringView text) {
            Span &span = spans[c];
            m_unusedText += span.size;
            span = {m_text.size(), text.size()};
            m_text.append(text);
        });
    });
    if (m_spans.capacity() > 2 * m_spans.size() + 1024)
        m_spans.shrink_to_fit();
    if (m_rowCells.capacity() > 2 * m_rowCells.size() + 1024)
        m_rowCells.shrink_to_fit();
    compactIfSparse();
    emit dataChanged(index(sel.top, sel.left), index(lastRow, sel.right),
                     {Qt::DisplayRole, Qt::EditRole});
}

int ProgramTable::topRow() const {
    return m_topRow;
}

void ProgramTable::setTopRow(int row) {
    row = std::clamp(row, fixedRowCount(), std::max(fixedRowCount(), m_rows - 1));
    if (row == m_topRow)
        return;
    m_topRow = row;
    emit topRowChanged(m_topRow);
}

void ProgramTable::setCurrentCellBackground(const QColor &color) {
    const quint64 key = backgroundKey(m_row, m_col);
    if (color.isValid()) {
        auto it = m_backgrounds.find(key);
        if (it != m_backgrounds.end() && *it == color)
            return;
        m_backgrounds.insert(key, color);
    } else if (m_backgrounds.remove(key) == 0) {
        return;
    }
    const QModelIndex changed = index(m_row, m_col);
    emit dataChanged(changed, changed, {Qt::BackgroundRole});
}

QColor ProgramTable::cellBackground(int row, int col) const {
    if (!contains(row, col))
        return {};
    return m_backgrounds.value(backgroundKey(row, col));
}

int ProgramTable::columnWidth(int col) const {
    if (col < 0 || col >= m_cols)
        return 0;
    return m_columnWidths[std::size_t(col)];
}

void ProgramTable::setColumnWidth(int col, int twips) {
    if (col < 0 || col >= m_cols || twips < 0 || m_columnWidths[std::size_t(col)] == twips)
        return;
    m_columnWidths[std::size_t(col)] = twips;
    emit columnWidthChanged(col, twips);
}

void ProgramTable::clear() {
    std::vector<RowCells>().swap(m_rowCells);
    std::vector<Span>().swap(m_spans);
    m_text = QString();
    m_unusedText = 0;
    m_unusedSpans = 0;
    // Formatting goes with the text, so a step marked during a run does not outlive its program.
    const bool hadBackgrounds = !m_backgrounds.isEmpty();
    m_backgrounds.clear();
    QList<int> roles{Qt::DisplayRole, Qt::EditRole};
    if (hadBackgrounds)
        roles.append(Qt::BackgroundRole);
    emit dataChanged(index(0, 0), index(m_rows - 1, m_cols - 1), roles);
}

void ProgramTable::refresh() {
    emit refreshRequested();
}

void ProgramTable::addrow() {
    setRowCount(m_rows + 1);
}

void ProgramTable::genSteps() {
    if (m_rows <= fixedRowCount())
        return;
    for (int r = fixedRowCount(); r < m_rows; ++r)
        storeCell(r, StepColumn, QString::number(r));
    compactIfSparse();
    emit dataChanged(index(fixedRowCount(), StepColumn), index(m_rows - 1, StepColumn),
                     {Qt::DisplayRole, Qt::EditRole});
}

bool ProgramTable::contains(int row, int col) const {
    return row >= 0 && row < m_rows && col >= 0 && col < m_cols;
}

ProgramTable::RowCells ProgramTable::rowCells(int row) const {
    return std::size_t(row) < m_rowCells.size() ? m_rowCells[std::size_t(row)] : RowCells{};
}

QStringView ProgramTable::cell(int row, int col) const {
    const RowCells cells = rowCells(row);
    if (col >= cells.count)
        return {};
    const Span &span = m_spans[std::size_t(cells.first + col)];
    return QStringView(m_text).mid(span.start, span.size);
}

bool ProgramTable::storeCell(int row, int col, QStringView text) {
    const RowCells cells = rowCells(row);
    if (col >= cells.count ? text.isEmpty() : cell(row, col) == text)
        return false;
    Span &span = rowSpans(row, std::max(cells.count, col + 1))[col];
    m_unusedText += span.size;
    span = {m_text.size(), text.size()};
    m_text.append(text);
    return true;
}

ProgramTable::Span *ProgramTable::rowSpans(int row, int count) {
    if (std::size_t(row) >= m_rowCells.size())
        m_rowCells.resize(std::size_t(row) + 1);
    RowCells &cells = m_rowCells[std::size_t(row)];
    if (count > cells.capacity) {
        // The row moves to the end of the cells, leaving a hole where it was; its new cells
        // start empty.
        const int capacity = grownCapacity(cells.capacity, count, m_cols);
        const auto first = qsizetype(m_spans.size());
        m_spans.resize(m_spans.size() + std::size_t(capacity));
        std::copy_n(m_spans.begin() + cells.first, cells.count, m_spans.begin() + first);
        m_unusedSpans += cells.capacity;
        cells.first = first;
        cells.capacity = capacity;
    } else if (count > cells.count) {
        // Cells dropped before may have left their old texts in these places.
        std::fill(m_spans.begin() + cells.first + cells.count,
                  m_spans.begin() + cells.first + count, Span{});
    }
    cells.count = std::max(cells.count, count);
    return m_spans.data() + cells.first;
}

void ProgramTable::dropCells(RowCells &cells, int from) {
    for (int c = from; c < cells.count; ++c)
        m_unusedText += m_spans[std::size_t(cells.first + c)].size;
    cells.count = std::min(cells.count, from);
}

void ProgramTable::compactIfSparse() {
    if (m_unusedText > m_text.size() / 2 + 4096 ||
        m_unusedSpans > qsizetype(m_spans.size()) / 2 + 1024)
        compact();
}

void ProgramTable::compact() {
    qsizetype cellCount = 0;
    for (const RowCells &cells : m_rowCells)
        cellCount += cells.count;
    std::vector<Span> spans;
    spans.reserve(std::size_t(cellCount));
    QString text;
    text.reserve(m_text.size() - m_unusedText);
    for (RowCells &cells : m_rowCells) {
        const auto first = qsizetype(spans.size());
        for (int c = 0; c < cells.count; ++c) {
            const Span &span = m_spans[std::size_t(cells.first + c)];
            spans.push_back({text.size(), span.size});
            text.append(QStringView(m_text).mid(span.start, span.size));
        }
        cells = {first, cells.count, cells.count};
    }
    m_spans = std::move(spans);
    m_text = std::move(text);
    m_unusedText = 0;
    m_unusedSpans = 0;
}

ProgramTable::Rect ProgramTable::selection() const {
    return {std::min(m_row, m_rowSel), std::min(m_col, m_colSel), std::max(m_row, m_rowSel),
            std::max(m_col, m_colSel)};
}

void ProgramTable::clampPositions() {
    const int lastRow = m_rows - 1;
    const int lastCol = m_cols - 1;
    if (m_row > lastRow || m_col > lastCol) {
        m_row = std::min(m_row, lastRow);
        m_col = std::min(m_col, lastCol);
        emit currentCellChanged(m_row, m_col);
    }
    if (m_rowSel > lastRow || m_colSel > lastCol) {
        m_rowSel = std::min(m_rowSel, lastRow);
        m_colSel = std::min(m_colSel, lastCol);
        emit selectionEndChanged(m_rowSel, m_colSel);
    }
    if (m_topRow > std::max(fixedRowCount(), lastRow)) {
        m_topRow = std::max(fixedRowCount(), lastRow);
        emit topRowChanged(m_topRow);
    }
}

void ProgramTable::dropBackgroundsOutside() {
    for (auto it = m_backgrounds.begin(); it != m_backgrounds.end();) {
        const int r = int(it.key() >> 32);
        const int c = int(it.key() & 0xffffffffu);
        if (contains(r, c))
            ++it;
        else
            it = m_backgrounds.erase(it);
    }
}
