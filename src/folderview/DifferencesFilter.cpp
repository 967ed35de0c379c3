#include "folderview/DifferencesFilter.h"

#include "folderview/FolderModel.h"

namespace FolderView {

TDifferencesFilter::TDifferencesFilter(QObject *parent) : QSortFilterProxyModel(parent)
{
    // A folder sums its contents, so a folder holding a row that shows is
    // never hidden itself: no need to look below a hidden row.
    setRecursiveFilteringEnabled(false);
    setDynamicSortFilter(true);
}

void TDifferencesFilter::SetShowAll(bool all)
{
    if (all == fShowAll)
        return;
    fShowAll = all;
    invalidateRowsFilter();
}

bool TDifferencesFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (fShowAll)
        return true;
    const QModelIndex row = sourceModel()->index(sourceRow, 0, sourceParent);
    const auto status = TRowStatus(row.data(TFolderModel::kStatusRole).toInt());
    return status != TRowStatus::Same && status != TRowStatus::Pending;
}

} // namespace FolderView
