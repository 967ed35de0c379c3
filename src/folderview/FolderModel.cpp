#include "folderview/FolderModel.h"

#include <QApplication>
#include <QBrush>
#include <QDateTime>
#include <QHash>
#include <QIcon>
#include <QLocale>
#include <QStyle>
#include <algorithm>
#include <optional>

namespace FolderView {

using Folders::TEntry;
using Folders::TKind;

struct TFolderModel::TNode
{
    TNode *parent = nullptr;
    int row = 0;
    qsizetype number = -1;  // the entry's number in the walk
    std::vector<std::unique_ptr<TNode>> children;
    TEntry entry;
    QString name;       // for the eye: bytes that are not UTF-8 are replaced
    std::optional<QCollatorSortKey> key;  // the name's, in a file manager's order
    bool folder = false;  // sorts with the folders
    bool sums = false;    // a folder on both sides: shows the sum of its contents
    TRowStatus shown = TRowStatus::Same;
    std::array<int, kRowStatusCount> inside{};  // how many children show each status
};

namespace {

TRowStatus own(const TEntry &e)
{
    return e.pending ? TRowStatus::Pending : TRowStatus(int(e.status));
}

const char *kindWord(TKind kind)
{
    switch (kind) {
    case TKind::File: return "file";
    case TKind::Folder: return "folder";
    case TKind::Link: return "link";
    case TKind::Special: return "special";
    case TKind::None: break;
    }
    return "nothing";
}

QString sizeText(const Folders::TSide &side)
{
    switch (side.kind) {
    case TKind::File: return QLocale().toString(side.size);
    case TKind::Link: return QStringLiteral("→ %1").arg(QString::fromUtf8(side.linkTarget));
    case TKind::Special: return QStringLiteral("special");
    default: return {};
    }
}

QColor statusColor(TRowStatus status)
{
    switch (status) {
    case TRowStatus::Differs:
    case TRowStatus::DiffersBinary: return QColor(0xB0, 0x20, 0x20);
    case TRowStatus::OnlyLeft: return QColor(0x20, 0x40, 0xB0);
    case TRowStatus::OnlyRight: return QColor(0x10, 0x80, 0x30);
    case TRowStatus::KindMismatch:
    case TRowStatus::Unreadable: return QColor(0xB0, 0x60, 0x00);
    case TRowStatus::Pending: return QColor(0x80, 0x80, 0x80);
    default: return {};
    }
}

} // namespace

QString StatusWords(TRowStatus status)
{
    switch (status) {
    case TRowStatus::Same: return QStringLiteral("same");
    case TRowStatus::EqualByRule: return QStringLiteral("equal by rule");
    case TRowStatus::Differs: return QStringLiteral("differs");
    case TRowStatus::DiffersBinary: return QStringLiteral("differs (binary)");
    case TRowStatus::OnlyLeft: return QStringLiteral("only left");
    case TRowStatus::OnlyRight: return QStringLiteral("only right");
    case TRowStatus::KindMismatch: return QStringLiteral("kinds differ");
    case TRowStatus::Unreadable: return QStringLiteral("cannot be read");
    case TRowStatus::Pending: return QStringLiteral("comparing…");
    }
    return {};
}

namespace {
// A file manager's order: numbers by value, letters without regard to case.
// The C locale's collation knows no numbers; English stands in for it.
QCollator nameOrder()
{
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}
} // namespace

TFolderModel::TFolderModel(QObject *parent)
    : QAbstractItemModel(parent), fRoot(std::make_unique<TNode>())
{
    fRoot->sums = true;
}

TFolderModel::~TFolderModel() = default;

void TFolderModel::Clear()
{
    beginResetModel();
    fRoot = std::make_unique<TNode>();
    fRoot->sums = true;
    fByNumber.clear();
    fFolders.clear();
    fCounts = {};
    endResetModel();
}

bool TFolderModel::before(const TNode &a, const TNode &b) const
{
    if (a.folder != b.folder)
        return a.folder;
    if (const int c = a.key->compare(*b.key))
        return c < 0;
    return a.entry.path < b.entry.path;  // names that read alike
}

TFolderModel::TListed TFolderModel::Prepare(qsizetype first, std::vector<TEntry> entries)
{
    thread_local const QCollator collator = nameOrder();
    TListed listed;
    listed.first = first;
    listed.names.reserve(entries.size());
    listed.keys.reserve(entries.size());
    for (const TEntry &e : entries) {
        listed.names.push_back(QString::fromUtf8(e.path.mid(e.path.lastIndexOf('/') + 1)));
        listed.keys.push_back(collator.sortKey(listed.names.back()));
    }
    listed.entries = std::move(entries);
    return listed;
}

void TFolderModel::Add(TListed listed)
{
    std::vector<TEntry> &entries = listed.entries;
    const qsizetype first = listed.first;
    if (entries.empty() || listed.names.size() != entries.size() || listed.keys.size() != entries.size())
        return;
    const QByteArray &path = entries.front().path;
    const qsizetype slash = path.lastIndexOf('/');
    TNode *parent = slash < 0 ? fRoot.get() : fFolders.value(path.left(slash));
    if (!parent)
        return;  // the folder was cleared meanwhile
    if (fByNumber.size() < size_t(first + qsizetype(entries.size())))
        fByNumber.resize(size_t(first + qsizetype(entries.size())), nullptr);
    std::vector<std::unique_ptr<TNode>> nodes;
    nodes.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        auto n = std::make_unique<TNode>();
        n->parent = parent;
        n->entry = std::move(entries[i]);
        n->name = std::move(listed.names[i]);
        n->key = std::move(listed.keys[i]);
        n->folder = n->entry.sides[0].kind == TKind::Folder || n->entry.sides[1].kind == TKind::Folder;
        n->sums = n->entry.sides[0].kind == TKind::Folder && n->entry.sides[1].kind == TKind::Folder;
        n->shown = own(n->entry);
        if (n->sums) {
            n->shown = n->shown == TRowStatus::Unreadable ? n->shown : TRowStatus::Same;
            fFolders.insert(n->entry.path, n.get());
        }
        n->number = first + qsizetype(i);
        fByNumber[size_t(first) + i] = n.get();
        count(*n, 1);
        ++parent->inside[size_t(n->shown)];
        nodes.push_back(std::move(n));
    }
    insert(parent, std::move(nodes));
    setShown(parent);
}

void TFolderModel::insert(TNode *parent, std::vector<std::unique_ptr<TNode>> nodes)
{
    const QModelIndex at = indexOf(parent);
    auto &children = parent->children;
    auto less = [this](const std::unique_ptr<TNode> &a, const std::unique_ptr<TNode> &b) { return before(*a, *b); };
    if (children.empty()) {
        // The first entries of a folder come in one piece: one insertion.
        std::sort(nodes.begin(), nodes.end(), less);
        beginInsertRows(at, 0, int(nodes.size()) - 1);
        children = std::move(nodes);
        for (size_t i = 0; i < children.size(); ++i)
            children[i]->row = int(i);
        endInsertRows();
        return;
    }
    for (auto &n : nodes) {
        const int pos = int(std::upper_bound(children.begin(), children.end(), n, less) - children.begin());
        beginInsertRows(at, pos, pos);
        children.insert(children.begin() + pos, std::move(n));
        for (size_t i = size_t(pos); i < children.size(); ++i)
            children[i]->row = int(i);
        endInsertRows();
    }
}

void TFolderModel::Settle(qsizetype index, Folders::TStatus status, const QString &reason)
{
    if (index < 0 || size_t(index) >= fByNumber.size() || !fByNumber[size_t(index)])
        return;
    TNode *n = fByNumber[size_t(index)];
    count(*n, -1);
    n->entry.status = status;
    n->entry.reason = reason;
    n->entry.pending = false;
    count(*n, 1);
    setShown(n);
}

void TFolderModel::Replace(qsizetype index, const TEntry &entry)
{
    if (index < 0 || size_t(index) >= fByNumber.size() || !fByNumber[size_t(index)])
        return;
    TNode *n = fByNumber[size_t(index)];
    count(*n, -1);
    n->entry.sides = entry.sides;
    n->entry.status = entry.status;
    n->entry.reason = entry.reason;
    n->entry.pending = false;
    count(*n, 1);
    setShown(n);
    emit dataChanged(indexOf(n, 0), indexOf(n, ColumnCount - 1));
}

// Works out what a row shows and, when that changed, carries the change up
// through the folders that sum it.
void TFolderModel::setShown(TNode *n)
{
    while (n) {
        TRowStatus now = own(n->entry);
        if (n->sums && now != TRowStatus::Unreadable) {
            auto any = [n](TRowStatus s) { return n->inside[size_t(s)] > 0; };
            now = TRowStatus::Same;
            if (any(TRowStatus::EqualByRule))
                now = TRowStatus::EqualByRule;
            if (any(TRowStatus::Pending))
                now = TRowStatus::Pending;
            for (TRowStatus s : {TRowStatus::Differs, TRowStatus::DiffersBinary, TRowStatus::OnlyLeft,
                                 TRowStatus::OnlyRight, TRowStatus::KindMismatch, TRowStatus::Unreadable})
                if (any(s))
                    now = TRowStatus::Differs;
        }
        if (now == n->shown || n == fRoot.get())
            return;
        const TRowStatus was = n->shown;
        n->shown = now;
        emit dataChanged(indexOf(n, Name), indexOf(n, Status));
        n = n->parent;
        --n->inside[size_t(was)];
        ++n->inside[size_t(now)];
    }
}

void TFolderModel::count(const TNode &n, qsizetype delta)
{
    const TRowStatus s = own(n.entry);
    if (!n.sums || s == TRowStatus::Unreadable)
        fCounts[size_t(s)] += delta;
}

const TEntry *TFolderModel::Entry(const QModelIndex &index) const
{
    const TNode *n = node(index);
    return n ? &n->entry : nullptr;
}

qsizetype TFolderModel::EntryNumber(const QModelIndex &index) const
{
    const TNode *n = node(index);
    return n ? n->number : -1;
}

QModelIndex TFolderModel::IndexOf(qsizetype entryNumber, int column) const
{
    if (entryNumber < 0 || size_t(entryNumber) >= fByNumber.size() || !fByNumber[size_t(entryNumber)])
        return {};
    return indexOf(fByNumber[size_t(entryNumber)], column);
}

TRowStatus TFolderModel::RowStatus(const QModelIndex &index) const
{
    const TNode *n = node(index);
    return n ? n->shown : TRowStatus::Same;
}

TFolderModel::TNode *TFolderModel::node(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<TNode *>(index.internalPointer()) : nullptr;
}

QModelIndex TFolderModel::indexOf(const TNode *n, int column) const
{
    if (!n || n == fRoot.get())
        return {};
    return createIndex(n->row, column, const_cast<TNode *>(n));
}

QModelIndex TFolderModel::index(int row, int column, const QModelIndex &parent) const
{
    const TNode *p = parent.isValid() ? node(parent) : fRoot.get();
    if (row < 0 || size_t(row) >= p->children.size() || column < 0 || column >= ColumnCount)
        return {};
    return createIndex(row, column, p->children[size_t(row)].get());
}

QModelIndex TFolderModel::parent(const QModelIndex &child) const
{
    const TNode *n = node(child);
    return n ? indexOf(n->parent) : QModelIndex();
}

int TFolderModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    const TNode *p = parent.isValid() ? node(parent) : fRoot.get();
    return int(p->children.size());
}

int TFolderModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

bool TFolderModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0;
}

QVariant TFolderModel::display(const TNode &n, int column) const
{
    const TEntry &e = n.entry;
    switch (column) {
    case Name: return n.name;
    case Status:
        if (n.shown == TRowStatus::KindMismatch)
            return QStringLiteral("%1 / %2").arg(QLatin1String(kindWord(e.sides[0].kind)),
                                                 QLatin1String(kindWord(e.sides[1].kind)));
        return StatusWords(n.shown);
    case LeftSize:
    case RightSize: return sizeText(e.sides[column == LeftSize ? 0 : 1]);
    case LeftTime:
    case RightTime: {
        const Folders::TSide &side = e.sides[column == LeftTime ? 0 : 1];
        if (side.kind == TKind::None || !side.error.isEmpty())
            return {};
        return QDateTime::fromSecsSinceEpoch(side.mtime).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    default: return {};
    }
}

QVariant TFolderModel::data(const QModelIndex &index, int role) const
{
    const TNode *n = node(index);
    if (!n)
        return {};
    switch (role) {
    case Qt::DisplayRole: return display(*n, index.column());
    case kStatusRole: return int(n->shown);
    case Qt::ToolTipRole:
        if (!n->entry.reason.isEmpty())
            return n->entry.reason;
        if (index.column() == Name)
            return QString::fromUtf8(n->entry.path);
        return {};
    case Qt::ForegroundRole: {
        const QColor c = statusColor(n->shown);
        return c.isValid() ? QVariant(QBrush(c)) : QVariant();
    }
    case Qt::TextAlignmentRole:
        if (index.column() == LeftSize || index.column() == RightSize)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::DecorationRole: {
        if (index.column() != Name || !qobject_cast<QApplication *>(QCoreApplication::instance()))
            return {};
        const bool link = n->entry.sides[0].kind == TKind::Link || n->entry.sides[1].kind == TKind::Link;
        const size_t which = n->folder ? 0 : link ? 1 : 2;
        // Made once: a new icon from the style decodes its images again,
        // and the view asks for one per row it paints.
        if (fIcons[which].isNull()) {
            constexpr QStyle::StandardPixmap kIcons[] = {QStyle::SP_DirIcon, QStyle::SP_FileLinkIcon,
                                                         QStyle::SP_FileIcon};
            fIcons[which] = QApplication::style()->standardIcon(kIcons[which]);
        }
        return fIcons[which];
    }
    default: return {};
    }
}

QVariant TFolderModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Name: return QStringLiteral("Name");
    case Status: return QStringLiteral("Status");
    case LeftSize: return QStringLiteral("Left size");
    case LeftTime: return QStringLiteral("Left modified");
    case RightSize: return QStringLiteral("Right size");
    case RightTime: return QStringLiteral("Right modified");
    default: return {};
    }
}

} // namespace FolderView
