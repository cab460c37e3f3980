#include "program/programtable.h"

#include <QStringView>

#include <algorithm>
#include <utility>

namespace {
constexpr int kNewColumnWidths[ProgramTable::kNewColumnCount] = {450, 700, 1020, 800};
// Columns added later get the width of the last one the editor starts with.
constexpr int kDefaultColumnWidth = 800;
constexpr QChar kCellSeparator = QLatin1Char('\t');
constexpr QChar kRowSeparator = QLatin1Char('\r');
} // namespace

ProgramTable::ProgramTable(QObject *parent)
    : QAbstractTableModel(parent) {
    m_cells.resize(std::size_t(m_rows) * std::size_t(m_cols));
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
    case Qt::EditRole:
        return cell(index.row(), index.column());
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

int ProgramTable::rows() const {
    return m_rows;
}

void ProgramTable::setRows(int rows) {
    rows = std::max(rows, fixedRows());
    if (rows == m_rows)
        return;
    const std::size_t newSize = std::size_t(rows) * std::size_t(m_cols);
    if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        // Grow geometrically so that adding rows one by one stays linear overall.
        if (newSize > m_cells.capacity())
            m_cells.reserve(std::max(newSize, m_cells.capacity() * 2));
        m_cells.resize(newSize);
        m_rows = rows;
        endInsertRows();
    } else {
        beginRemoveRows({}, rows, m_rows - 1);
        m_cells.resize(newSize);
        m_rows = rows;
        dropBackgroundsOutside();
        endRemoveRows();
    }
    clampPositions();
}

int ProgramTable::cols() const {
    return m_cols;
}

void ProgramTable::setCols(int cols) {
    cols = std::max(cols, fixedCols());
    if (cols == m_cols)
        return;
    const int oldCols = m_cols;
    if (cols > oldCols)
        beginInsertColumns({}, oldCols, cols - 1);
    else
        beginRemoveColumns({}, cols, oldCols - 1);

    std::vector<QString> cells(std::size_t(m_rows) * std::size_t(cols));
    const int kept = std::min(oldCols, cols);
    for (int r = 0; r < m_rows; ++r) {
        auto from = m_cells.begin() + std::ptrdiff_t(r) * oldCols;
        std::move(from, from + kept, cells.begin() + std::ptrdiff_t(r) * cols);
    }
    m_cells = std::move(cells);
    m_cols = cols;
    m_columnWidths.resize(std::size_t(cols), kDefaultColumnWidth);

    if (cols > oldCols) {
        endInsertColumns();
    } else {
        dropBackgroundsOutside();
        endRemoveColumns();
    }
    clampPositions();
}

QString ProgramTable::text(int row, int col) const {
    if (!contains(row, col))
        return {};
    return cell(row, col);
}

void ProgramTable::setText(int row, int col, const QString &text) {
    if (!contains(row, col))
        return;
    QString &target = cell(row, col);
    if (target == text)
        return;
    target = text;
    const QModelIndex changed = index(row, col);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
}

int ProgramTable::row() const {
    return m_row;
}

int ProgramTable::col() const {
    return m_col;
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

int ProgramTable::rowSel() const {
    return m_rowSel;
}

int ProgramTable::colSel() const {
    return m_colSel;
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

QString ProgramTable::clip() const {
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

void ProgramTable::setClip(const QString &block) {
    const Rect sel = selection();
    const QStringView all(block);
    qsizetype rowStart = 0;
    int r = sel.top;
    int lastRow = -1;
    while (r <= sel.bottom) {
        qsizetype rowEnd = all.indexOf(kRowSeparator, rowStart);
        if (rowEnd < 0)
            rowEnd = all.size();
        const QStringView line = all.mid(rowStart, rowEnd - rowStart);

        qsizetype cellStart = 0;
        for (int c = sel.left; c <= sel.right; ++c) {
            qsizetype cellEnd = line.indexOf(kCellSeparator, cellStart);
            const bool last = cellEnd < 0;
            if (last)
                cellEnd = line.size();
            QString &target = cell(r, c);
            const QStringView piece = line.mid(cellStart, cellEnd - cellStart);
            if (target != piece)
                target = piece.toString();
            if (last)
                break;
            cellStart = cellEnd + 1;
        }
        lastRow = r;
        ++r;
        if (rowEnd >= all.size())
            break;
        rowStart = rowEnd + 1;
    }
    if (lastRow >= 0) {
        emit dataChanged(index(sel.top, sel.left), index(lastRow, sel.right),
                         {Qt::DisplayRole, Qt::EditRole});
    }
}

int ProgramTable::topRow() const {
    return m_topRow;
}

void ProgramTable::setTopRow(int row) {
    row = std::clamp(row, fixedRows(), std::max(fixedRows(), m_rows - 1));
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
    for (QString &text : m_cells)
        text.clear();
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
    setRows(rows() + 1);
}

void ProgramTable::genSteps() {
    if (m_rows <= fixedRows())
        return;
    for (int r = fixedRows(); r < m_rows; ++r)
        cell(r, StepColumn) = QString::number(r);
    emit dataChanged(index(fixedRows(), StepColumn), index(m_rows - 1, StepColumn),
                     {Qt::DisplayRole, Qt::EditRole});
}

bool ProgramTable::contains(int row, int col) const {
    return row >= 0 && row < m_rows && col >= 0 && col < m_cols;
}

QString &ProgramTable::cell(int row, int col) {
    return m_cells[std::size_t(row) * std::size_t(m_cols) + std::size_t(col)];
}

const QString &ProgramTable::cell(int row, int col) const {
    return m_cells[std::size_t(row) * std::size_t(m_cols) + std::size_t(col)];
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
    if (m_topRow > std::max(fixedRows(), lastRow)) {
        m_topRow = std::max(fixedRows(), lastRow);
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
