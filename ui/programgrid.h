#pragma once

#include <QTableView>

class FixedCorner;
class ProgramTable;

// The program editor's grid: a read-only view of the program table, spreadsheet-like, with the
// table's row 0 (the titles) and column 0 (the step numbers) drawn as fixed cells that stay in
// place while the steps scroll. The table holds the current cell, the selection and the top row;
// the view shows them, and only the user's own moves (keys, mouse) go back into the table.
class ProgramGrid final : public QTableView {
    Q_OBJECT

public:
    explicit ProgramGrid(ProgramTable &table, QWidget *parent = nullptr);

    ProgramTable &table() const { return m_table; }

    // The height of every row, the title row included.
    void setRowHeight(int pixels);
    int rowHeight() const { return m_rowHeight; }

    // The cell's rectangle in the viewport, after scrolling it into view. Empty for a fixed cell.
    QRect cellRect(int row, int col);

    // Whether every title fits its column in the grid's font.
    bool titlesFit() const;
    // The width that shows every column beside the vertical scroll bar.
    int widthForColumns() const;

signals:
    // Sent after the view has handled the key or the press, so the current cell is already the
    // one moved to.
    void keyPressed(QKeyEvent *event);
    void leftButtonPressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    // Typing edits cells; it never jumps to a matching one.
    void keyboardSearch(const QString &search) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void updateGeometries() override;

private:
    // Runs a handler of the base view as a move of the user's, which the table takes over.
    template <typename Handler> void asUserMove(Handler &&handler);
    void showSelection();
    void showTopRow();
    // The table's top row follows a rule made for 16 visible steps. Where fewer rows fit, the
    // current row (the running step) would fall below the viewport: the top row moves down
    // until that row is whole in view.
    void keepCurrentRowInView();
    void takeTopRow();
    void applyColumnWidths();
    void repaintFixedCells();

    ProgramTable &m_table;
    FixedCorner *m_corner = nullptr;
    int m_rowHeight = 0;
    bool m_userMove = false;
    bool m_showingTopRow = false;
};
