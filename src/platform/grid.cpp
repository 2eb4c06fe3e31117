#include "platform/grid.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QItemSelection>
#include <QPalette>
#include <QScrollBar>
#include <QStyle>

namespace platform {

// Row 0 of the grid is the model's horizontal header; grid row r > 0 is model row r - 1.
class GridModel : public QAbstractTableModel {
public:
    GridModel(int cols, QObject* parent)
        : QAbstractTableModel(parent), cols_(cols), cells_(size_t(cols)) {}

    int rows() const { return int(cells_.size() / size_t(cols_)); }
    int cols() const { return cols_; }

    const QString& text(int row, int col) const {
        static const QString empty;
        if (row < 0 || row >= rows() || col < 0 || col >= cols_)
            return empty;
        return cells_[size_t(row) * size_t(cols_) + size_t(col)];
    }

    void setText(int row, int col, const QString& text) {
        if (row < 0 || row >= rows() || col < 0 || col >= cols_)
            return;
        cells_[size_t(row) * size_t(cols_) + size_t(col)] = text;
        if (row == 0) {
            emit headerDataChanged(Qt::Horizontal, col, col);
        } else {
            const QModelIndex at = index(row - 1, col);
            emit dataChanged(at, at, {Qt::DisplayRole});
        }
    }

    void append(std::vector<QString>&& cells) {
        const int added = int(cells.size() / size_t(cols_));
        if (added == 0)
            return;
        const int first = rows() - 1;
        beginInsertRows(QModelIndex(), first, first + added - 1);
        cells_.insert(cells_.end(), std::make_move_iterator(cells.begin()),
                      std::make_move_iterator(cells.begin() + qsizetype(added) * cols_));
        endInsertRows();
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : rows() - 1;
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : cols_;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole)
            return text(index.row() + 1, index.column());
        // Column 0 keeps the header's look, as a fixed column would.
        if (role == Qt::BackgroundRole && index.column() == 0)
            return QPalette().button();
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return text(0, section);
        return {};
    }

private:
    int cols_;
    std::vector<QString> cells_; // row after row, the header row first
};

Grid::Grid(int cols, QWidget* parent) : QTableView(parent), model_(new GridModel(cols, this)) {
    setObjectName(QStringLiteral("Grid"));
    setModel(model_);
    setEditTriggers(NoEditTriggers);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    // The owner decides what is in view (TopRow), not the selection.
    setAutoScroll(false);
    // Rows are all one height, so a pixel offset tells the top row; per item, the view would
    // look the offset up in the row header, which walks every row after each one appended.
    setVerticalScrollMode(ScrollPerPixel);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Nor does the hidden row header need to place the current row.
    QObject::disconnect(selectionModel(), nullptr, verticalHeader(), nullptr);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
}

Grid::~Grid() = default;

int Grid::Rows() const {
    return model_->rows();
}

int Grid::Cols() const {
    return model_->cols();
}

int Grid::Row() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void Grid::setRow(int row) {
    if (row < 1 || row >= Rows())
        return;
    selectionModel()->setCurrentIndex(model_->index(row - 1, Col()),
                                      QItemSelectionModel::ClearAndSelect |
                                          QItemSelectionModel::Rows);
}

int Grid::Col() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.column() : 0;
}

const QString& Grid::Text(int row, int col) const {
    return model_->text(row, col);
}

void Grid::setText(int row, int col, const QString& text) {
    model_->setText(row, col, text);
}

int Grid::uniformRowHeight() const {
    return verticalHeader()->defaultSectionSize();
}

int Grid::TopRow() const {
    return verticalScrollBar()->value() / uniformRowHeight() + 1;
}

void Grid::setTopRow(int row) {
    const int offset = (row - 1) * uniformRowHeight();
    // Rows appended since the last layout are not in the scroll range yet.
    if (offset > verticalScrollBar()->maximum())
        updateGeometries();
    verticalScrollBar()->setValue(offset);
}

int Grid::ColWidth(int col) const {
    return columnWidth(col);
}

void Grid::setColWidth(int col, int width) {
    setColumnWidth(col, width);
}

void Grid::fitColWidth(int col, const QString& sample) {
    // A cell draws its text inside a margin on either side, and its grid line takes a pixel.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    setColumnWidth(col,
                   fontMetrics().horizontalAdvance(sample) + 2 * margin + (showGrid() ? 1 : 0));
}

void Grid::AddItem(QStringView tabSeparated) {
    std::vector<QString> cells(static_cast<size_t>(Cols()));
    size_t col = 0;
    for (QStringView part : tabSeparated.tokenize(u'\t')) {
        if (col == cells.size())
            break;
        cells[col++] = part.toString();
    }
    model_->append(std::move(cells));
}

int Grid::rowTop(int modelRow) const {
    return modelRow * uniformRowHeight() - verticalScrollBar()->value();
}

QRect Grid::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model_)
        return {};
    const int line = showGrid() ? 1 : 0;
    return QRect(columnViewportPosition(index.column()), rowTop(index.row()),
                 columnWidth(index.column()) - line, uniformRowHeight() - line);
}

QRegion Grid::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int width = viewport()->width();
    const int height = uniformRowHeight();
    for (const QItemSelectionRange& range : selection)
        region += QRect(0, rowTop(range.top()), width, (range.bottom() - range.top() + 1) * height);
    return region & viewport()->rect();
}

void Grid::appendRows(std::vector<QString>&& cells) {
    model_->append(std::move(cells));
}

} // namespace platform
