#pragma once

#include "platform/grid.h"

#include <QAbstractItemModel>
#include <QStyle>

namespace testsupport {

// How much wider a grid's data cell is than its text needs: the style draws an item's text
// inside a margin of PM_FocusFrameHMargin + 1 on either side of the cell the view gives it, and
// cuts it short ("07-23:59:…") when it does not fit. Negative when the text is cut.
inline int cellSlack(const platform::Grid& grid, int row, int col) {
    const int margin = grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1;
    const int cell = grid.visualRect(grid.model()->index(row - 1, col)).width();
    return cell - 2 * margin - grid.fontMetrics().horizontalAdvance(grid.Text(row, col));
}

} // namespace testsupport
