#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QString>

#include <vector>

// The program table: a grid of text cells with one fixed title row (row 0, held as data so the
// block text and the file carry the titles) and one fixed column (the step numbers), a current
// cell, a selection end and a top visible row. The editor's grid view shows this model directly;
// the file commands and the runner work on it without any widget.
class ProgramTable final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { StepColumn = 0, ChannelColumn = 1, TimeColumn = 2, UnitColumn = 3 };
    static constexpr int kNewRowCount = 17;
    static constexpr int kNewColumnCount = 4;
    // In twips: the width of every column after the ones a new table starts with.
    static constexpr int kDefaultColumnWidth = 800;

    explicit ProgramTable(QObject *parent = nullptr);

    // The system colour "button face": a cell's normal background.
    static QColor buttonFace() { return {}; }

    // QAbstractTableModel: row 0 is an ordinary row of the model; a cell's background (role
    // Qt::BackgroundRole) is a QColor only where one was set.
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Grid operations. Rows and columns are 0-based and include the fixed ones.
    void setRowCount(int rows); // keeps the cells that remain
    void setColumnCount(int columns);
    int fixedRowCount() const { return 1; }
    int fixedColumnCount() const { return 1; }

    QString text(int row, int col) const; // empty outside the table
    void setText(int row, int col, const QString &text);

    // The current cell; setting it also collapses the selection onto it.
    int currentRow() const { return m_row; }
    int currentColumn() const { return m_col; }
    void setCurrentCell(int row, int col);
    // The far corner of the selection, the current cell being the other.
    int selectionEndRow() const { return m_rowSel; }
    int selectionEndColumn() const { return m_colSel; }
    void setSelectionEnd(int row, int col);

    // The block text of the selection: cells joined by a tab, rows by a CR, nothing after the
    // last. Setting it fills the selection from its top-left cell; text beyond the selection is
    // ignored, and cells it does not reach keep their text.
    QString selectedText() const;
    void setSelectedText(const QString &block);

    int topRow() const;
    void setTopRow(int row);

    // buttonFace() restores the normal background.
    void setCurrentCellBackground(const QColor &color);
    QColor cellBackground(int row, int col) const;

    // In twips.
    int columnWidth(int col) const;
    void setColumnWidth(int col, int twips);

    // Empties every cell, titles included; sizes stay.
    void clear();
    // Asks the view to repaint at once.
    void refresh();

    // Adds one row at the end.
    void addrow();
    // Writes the step numbers "1".. into column 0 of rows 1 to the last.
    void genSteps();

signals:
    void currentCellChanged(int row, int col);
    // The far corner of the selection moved (setCurrentCell collapses it, so it sends this too).
    void selectionEndChanged(int row, int col);
    void topRowChanged(int row);
    void columnWidthChanged(int col, int twips);
    void refreshRequested();

private:
    struct Rect {
        int top = 0;
        int left = 0;
        int bottom = 0;
        int right = 0;
    };
    // Cell texts live side by side in one buffer, m_text, and a cell is a stretch of it. Each
    // row keeps its cells together in m_spans, up to its last cell that was given text; the
    // cells after it, and the rows after the last one with cells, are empty and cost nothing.
    // So a table costs about its text and 16 bytes a cell up to each row's last text, whatever
    // its row and column counts: a loaded file can make it wide or long, never large. Replaced
    // texts and moved rows leave holes, which compact() closes once they outweigh what is used.
    struct Span {
        qsizetype start = 0;
        qsizetype size = 0;
    };
    struct RowCells {
        qsizetype first = 0; // in m_spans
        int count = 0;
        int capacity = 0;
    };

    static quint64 backgroundKey(int row, int col) { return (quint64(row) << 32) | quint32(col); }
    bool contains(int row, int col) const;
    RowCells rowCells(int row) const;
    QStringView cell(int row, int col) const;
    // Gives the cell the text; false when it held that text already.
    bool storeCell(int row, int col, QStringView text);
    // Makes room for the first `count` cells of the row (new ones empty) and returns them.
    Span *rowSpans(int row, int count);
    void dropCells(RowCells &cells, int from);
    void compactIfSparse();
    void compact();
    Rect selection() const;
    void clampPositions();
    void dropBackgroundsOutside();

    int m_rows = kNewRowCount;
    int m_cols = kNewColumnCount;
    std::vector<RowCells> m_rowCells; // up to the last row with cells
    std::vector<Span> m_spans;
    QString m_text;
    // Characters of m_text and slots of m_spans no cell uses any more.
    qsizetype m_unusedText = 0;
    qsizetype m_unusedSpans = 0;
    std::vector<int> m_columnWidths;
    QHash<quint64, QColor> m_backgrounds;
    int m_row = 0;
    int m_col = 0;
    int m_rowSel = 0;
    int m_colSel = 0;
    int m_topRow = 1;
};
