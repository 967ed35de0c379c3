#pragma once
// TFolderModel: the union of two folder trees as a tree of rows, filled
// entry by entry while a walk goes on (folders/FolderCompare.h). Rows sit
// folders first, then by name as a file manager sorts them. A folder that
// is on both sides shows the sum of its contents: it differs when anything
// inside differs.

#include "folders/FolderCompare.h"

#include <QAbstractItemModel>
#include <QCollator>
#include <QHash>
#include <QIcon>
#include <array>
#include <memory>
#include <vector>

namespace FolderView {

// What a row shows: the walk's statuses, and a pair still being compared.
enum class TRowStatus { Same, EqualByRule, Differs, DiffersBinary, OnlyLeft, OnlyRight, KindMismatch, Unreadable, Pending };
constexpr int kRowStatusCount = int(TRowStatus::Pending) + 1;
using TStatusCounts = std::array<qsizetype, kRowStatusCount>;

// The status's words as the view shows them.
QString StatusWords(TRowStatus status);

class TFolderModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum TColumn { Name, Status, LeftSize, LeftTime, RightSize, RightTime, ColumnCount };
    static constexpr int kStatusRole = Qt::UserRole;  // int(TRowStatus)

    explicit TFolderModel(QObject *parent = nullptr);
    ~TFolderModel() override;

    // Forgets every row.
    void Clear();
    // Entries listed by the walk, numbered from first on, all children of
    // one folder (TProgress::listed), with their names and sort keys made
    // ready. Making the keys takes a while for a folder of tens of thousands
    // of names, so Prepare may run on the walk's thread (it keeps a collator
    // per thread); Add then only sorts by the keys.
    struct TListed
    {
        qsizetype first = -1;
        std::vector<Folders::TEntry> entries;
        std::vector<QString> names;  // for the eye: bytes that are not UTF-8 are replaced
        std::vector<QCollatorSortKey> keys;
    };
    static TListed Prepare(qsizetype first, std::vector<Folders::TEntry> entries);
    void Add(TListed listed);
    void Add(qsizetype first, std::vector<Folders::TEntry> entries) { Add(Prepare(first, std::move(entries))); }
    // The final status of entry index (TProgress::settled).
    void Settle(qsizetype index, Folders::TStatus status, const QString &reason);
    // Entry index described and compared anew (its sides and status).
    void Replace(qsizetype index, const Folders::TEntry &entry);

    // The entry behind a row and its number; nullptr and -1 for none.
    const Folders::TEntry *Entry(const QModelIndex &index) const;
    qsizetype EntryNumber(const QModelIndex &index) const;
    QModelIndex IndexOf(qsizetype entryNumber, int column = 0) const;
    TRowStatus RowStatus(const QModelIndex &index) const;
    // How many entries have each status; a folder on both sides counts
    // only when it could not be read, its contents count for it.
    const TStatusCounts &Counts() const { return fCounts; }
    qsizetype EntryCount() const { return qsizetype(fByNumber.size()); }

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct TNode;
    TNode *node(const QModelIndex &index) const;
    QModelIndex indexOf(const TNode *n, int column = 0) const;
    bool before(const TNode &a, const TNode &b) const;
    void insert(TNode *parent, std::vector<std::unique_ptr<TNode>> nodes);
    void setShown(TNode *n);
    void count(const TNode &n, qsizetype delta);
    QVariant display(const TNode &n, int column) const;

    std::unique_ptr<TNode> fRoot;
    std::vector<TNode *> fByNumber;  // by entry number
    QHash<QByteArray, TNode *> fFolders;  // the folders that sum their contents, by path
    TStatusCounts fCounts{};
    mutable std::array<QIcon, 3> fIcons;  // folder, link, file
};

} // namespace FolderView
