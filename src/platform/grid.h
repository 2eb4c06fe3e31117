#pragma once

#include <QStringView>
#include <QTableView>

#include <vector>

namespace platform {

class GridModel;

// A grid of text cells whose row 0 is a fixed header row (shown as the column headers, so it
// stays in view) and whose column 0 is drawn as a fixed column. Data rows are 1..Rows() - 1.
// The cells live in one flat list, so a grid of 100,000 rows stays light.
class Grid : public QTableView {
    Q_OBJECT
public:
    explicit Grid(int cols, QWidget* parent = nullptr);
    ~Grid() override;

    int Rows() const;
    int Cols() const;
    // The selected row and column.
    int Row() const;
    void setRow(int row);
    int Col() const;
    // Out-of-range cells read as empty.
    const QString& Text(int row, int col) const;
    void setText(int row, int col, const QString& text);
    // The first data row in view.
    int TopRow() const;
    void setTopRow(int row);
    int ColWidth(int col) const;
    void setColWidth(int col, int width);
    // Makes a column wide enough to show this sample text in full in its cells.
    void fitColWidth(int col, const QString& sample);
    // Appends a row from a TAB-separated text: parts fill the columns in order, parts beyond
    // the last column are dropped, missing ones stay empty.
    void AddItem(QStringView tabSeparated);
    // Appends many rows at once: Cols() cells per row, row after row.
    void appendRows(std::vector<QString>&& cells);

    QRect visualRect(const QModelIndex& index) const override;

protected:
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;

private:
    // Every row is this high; where a row starts in the viewport follows from it, with no
    // lookup in the row header.
    int uniformRowHeight() const;
    int rowTop(int modelRow) const;
    GridModel* model_;
};

} // namespace platform
