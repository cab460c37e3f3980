#include "ui/programgrid.h"

#include "program/programtable.h"
#include "ui/twips.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {
constexpr int kTextMargin = 2;

// Numbers stand right-aligned, as in a spreadsheet; titles and units left.
Qt::Alignment cellAlignment(const QModelIndex &cell) {
    const bool numbers = cell.row() > 0 && cell.column() <= ProgramTable::TimeColumn;
    return (numbers ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

// A fixed cell: the button face (or the colour the table gives the cell, such as the running
// step's), a darker line at its right and bottom, and its text.
void paintFixedCell(QPainter &painter, const QRect &rect, const QModelIndex &cell,
                    const QPalette &palette) {
    QColor background = cell.data(Qt::BackgroundRole).value<QColor>();
    if (!background.isValid())
        background = palette.color(QPalette::Button);
    painter.fillRect(rect, background);
    painter.setPen(palette.color(QPalette::Mid));
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.setPen(qGray(background.rgb()) < 128 ? QColor(Qt::white)
                                                 : palette.color(QPalette::ButtonText));
    painter.drawText(rect.adjusted(kTextMargin, 0, -kTextMargin - 1, -1), cellAlignment(cell),
                     cell.data(Qt::DisplayRole).toString());
}

// Draws row 0 (horizontal) or column 0 (vertical) of the table as its sections.
class FixedCellHeader final : public QHeaderView {
public:
    FixedCellHeader(Qt::Orientation orientation, QWidget *parent)
        : QHeaderView(orientation, parent) {
        setSectionsClickable(false);
        setSectionsMovable(false);
        setHighlightSections(false);
        setSectionResizeMode(QHeaderView::Fixed);
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override {
        if (!model())
            return;
        const QModelIndex cell = orientation() == Qt::Horizontal ? model()->index(0, logicalIndex)
                                                                 : model()->index(logicalIndex, 0);
        paintFixedCell(*painter, rect, cell, palette());
    }
};

// Cells in the window colour unless the table gives them one, with spreadsheet alignment.
class CellDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = cellAlignment(index);
        if (option->backgroundBrush.style() == Qt::NoBrush)
            option->backgroundBrush = option->palette.base();
    }
};
} // namespace

// The cell where the title row and the step column meet.
class FixedCorner final : public QWidget {
public:
    FixedCorner(const ProgramTable &table, QWidget *parent)
        : QWidget(parent)
        , m_table(table) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        paintFixedCell(painter, rect(), m_table.index(0, 0), palette());
    }

private:
    const ProgramTable &m_table;
};

ProgramGrid::ProgramGrid(ProgramTable &table, QWidget *parent)
    : QTableView(parent)
    , m_table(table)
    , m_corner(new FixedCorner(table, this)) {
    setHorizontalHeader(new FixedCellHeader(Qt::Horizontal, this));
    setVerticalHeader(new FixedCellHeader(Qt::Vertical, this));
    setItemDelegate(new CellDelegate(this));
    setModel(&m_table);
    setCornerButtonEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // Per pixel: per item would count the hidden title row as a step of the scroll bar.
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    // Outside the cells the grid shows the button face.
    viewport()->setBackgroundRole(QPalette::Button);

    // Row 0 and column 0 are drawn by the headers.
    setRowHidden(0, true);
    setColumnHidden(0, true);

    connect(&m_table, &ProgramTable::currentCellChanged, this, &ProgramGrid::showSelection);
    connect(&m_table, &ProgramTable::selectionEndChanged, this, &ProgramGrid::showSelection);
    connect(&m_table, &ProgramTable::topRowChanged, this, &ProgramGrid::showTopRow);
    connect(&m_table, &ProgramTable::currentCellChanged, this, &ProgramGrid::keepCurrentRowInView);
    connect(&m_table, &ProgramTable::columnWidthChanged, this, &ProgramGrid::applyColumnWidths);
    connect(&m_table, &ProgramTable::columnsInserted, this, &ProgramGrid::applyColumnWidths);
    // The view moves its own current index when rows or columns go; the table's stands.
    connect(&m_table, &ProgramTable::rowsRemoved, this, &ProgramGrid::showSelection);
    connect(&m_table, &ProgramTable::columnsRemoved, this, &ProgramGrid::showSelection);
    connect(&m_table, &ProgramTable::dataChanged, this, [this](const QModelIndex &topLeft) {
        if (topLeft.row() == 0 || topLeft.column() == 0)
            repaintFixedCells();
    });
    connect(&m_table, &ProgramTable::refreshRequested, this, [this] {
        viewport()->repaint();
        horizontalHeader()->viewport()->repaint();
        verticalHeader()->viewport()->repaint();
        m_corner->repaint();
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &ProgramGrid::takeTopRow);

    applyColumnWidths();
    showSelection();
}

void ProgramGrid::setRowHeight(int pixels) {
    m_rowHeight = pixels;
    verticalHeader()->setMinimumSectionSize(pixels);
    verticalHeader()->setDefaultSectionSize(pixels);
    horizontalHeader()->setFixedHeight(pixels);
}

QRect ProgramGrid::cellRect(int row, int col) {
    if (row < m_table.fixedRowCount() || col < m_table.fixedColumnCount())
        return {};
    const QModelIndex cell = m_table.index(row, col);
    if (!cell.isValid())
        return {};
    scrollTo(cell);
    return visualRect(cell);
}

bool ProgramGrid::titlesFit() const {
    const QFontMetrics metrics = fontMetrics();
    for (int c = 0; c < m_table.columnCount(); ++c) {
        const int room = toPixelsX(m_table.columnWidth(c)) - 2 * kTextMargin - 1;
        if (metrics.horizontalAdvance(m_table.text(0, c)) > room)
            return false;
    }
    return true;
}

int ProgramGrid::widthForColumns() const {
    int width =
        2 * frameWidth() + verticalHeader()->width() + verticalScrollBar()->sizeHint().width();
    for (int c = m_table.fixedColumnCount(); c < m_table.columnCount(); ++c)
        width += columnWidth(c);
    return width;
}

void ProgramGrid::keyPressEvent(QKeyEvent *event) {
    asUserMove([&] { QTableView::keyPressEvent(event); });
    emit keyPressed(event);
}

void ProgramGrid::mousePressEvent(QMouseEvent *event) {
    asUserMove([&] { QTableView::mousePressEvent(event); });
    if (event->button() == Qt::LeftButton)
        emit leftButtonPressed();
}

void ProgramGrid::mouseMoveEvent(QMouseEvent *event) {
    asUserMove([&] { QTableView::mouseMoveEvent(event); });
}

void ProgramGrid::mouseDoubleClickEvent(QMouseEvent *event) {
    asUserMove([&] { QTableView::mouseDoubleClickEvent(event); });
}

void ProgramGrid::focusInEvent(QFocusEvent *event) {
    // The base view picks a current cell of its own when it has none; the table's stands.
    QTableView::focusInEvent(event);
    showSelection();
}

void ProgramGrid::keyboardSearch(const QString &) {}

void ProgramGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous) {
    QTableView::currentChanged(current, previous);
    if (m_userMove && current.isValid())
        m_table.setCurrentCell(current.row(), current.column());
}

void ProgramGrid::updateGeometries() {
    QTableView::updateGeometries();
    const QRect area = viewport()->geometry();
    const int width = verticalHeader()->width();
    const int height = horizontalHeader()->height();
    m_corner->setGeometry(area.left() - width, area.top() - height, width, height);
    m_corner->raise();
}

template <typename Handler> void ProgramGrid::asUserMove(Handler &&handler) {
    m_userMove = true;
    handler();
    m_userMove = false;
}

void ProgramGrid::showSelection() {
    QItemSelectionModel *selection = selectionModel();
    const int firstRow = m_table.fixedRowCount();
    const int firstCol = m_table.fixedColumnCount();
    // A fixed cell (the runner marks steps in column 0) shows no current cell in the view.
    const bool inSteps = m_table.currentRow() >= firstRow && m_table.currentColumn() >= firstCol;
    selection->setCurrentIndex(
        inSteps ? m_table.index(m_table.currentRow(), m_table.currentColumn()) : QModelIndex(),
        QItemSelectionModel::NoUpdate);

    const int top = std::max(std::min(m_table.currentRow(), m_table.selectionEndRow()), firstRow);
    const int bottom = std::max(m_table.currentRow(), m_table.selectionEndRow());
    const int left =
        std::max(std::min(m_table.currentColumn(), m_table.selectionEndColumn()), firstCol);
    const int right = std::max(m_table.currentColumn(), m_table.selectionEndColumn());
    if (top > bottom || left > right) {
        selection->clearSelection();
        return;
    }
    selection->select(QItemSelection(m_table.index(top, left), m_table.index(bottom, right)),
                      QItemSelectionModel::ClearAndSelect);
}

void ProgramGrid::showTopRow() {
    m_showingTopRow = true;
    // The scroll range may not yet know of rows just added.
    updateGeometries();
    verticalScrollBar()->setValue(verticalHeader()->sectionPosition(m_table.topRow()));
    m_showingTopRow = false;
    keepCurrentRowInView();
}

void ProgramGrid::keepCurrentRowInView() {
    // The user's own scrolling and moves are left as they are.
    const int row = m_table.currentRow();
    const int rowHeight = verticalHeader()->defaultSectionSize();
    if (m_userMove || !isVisible() || row < m_table.fixedRowCount() || rowHeight <= 0)
        return;
    const int wholeRows = std::max(1, viewport()->height() / rowHeight);
    if (m_table.topRow() < row - wholeRows + 1)
        m_table.setTopRow(row - wholeRows + 1);
}

void ProgramGrid::takeTopRow() {
    if (m_showingTopRow)
        return;
    const int row = rowAt(0);
    if (row >= m_table.fixedRowCount())
        asUserMove([&] { m_table.setTopRow(row); });
}

void ProgramGrid::applyColumnWidths() {
    verticalHeader()->setFixedWidth(toPixelsX(m_table.columnWidth(0)));
    // Every section takes the usual width in one pass, then the few that differ get theirs.
    // Resized one by one, each section would cost the header a pass over all of them: a file of
    // many columns froze the editor for hours.
    QHeaderView *header = horizontalHeader();
    header->setDefaultSectionSize(toPixelsX(ProgramTable::kDefaultColumnWidth));
    for (int c = m_table.fixedColumnCount(); c < m_table.columnCount(); ++c) {
        if (m_table.columnWidth(c) != ProgramTable::kDefaultColumnWidth)
            header->resizeSection(c, toPixelsX(m_table.columnWidth(c)));
    }
}

void ProgramGrid::repaintFixedCells() {
    horizontalHeader()->viewport()->update();
    verticalHeader()->viewport()->update();
    m_corner->update();
}
