#pragma once
// The rows of a folder model worth a look: by default those that are not
// the same on both sides (a pair still being compared waits unseen); with
// "show all", every row.

#include <QSortFilterProxyModel>

namespace FolderView {

class TDifferencesFilter : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit TDifferencesFilter(QObject *parent = nullptr);
    bool ShowAll() const { return fShowAll; }
    void SetShowAll(bool all);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    bool fShowAll = false;
};

} // namespace FolderView
