#pragma once
// Two folder trees compared entry by entry. Listing never follows a
// symbolic link and never opens anything but regular files and folders;
// paths are kept as the system's bytes, so names that are not UTF-8 survive.

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <atomic>
#include <vector>

namespace Folders {

enum class TKind { None, File, Folder, Link, Special };

enum class TStatus {
    Same,          // byte-equal
    EqualByRule,   // bytes differ, lines compare equal
    Differs,
    DiffersBinary,
    OnlyLeft,
    OnlyRight,
    KindMismatch,  // e.g. a file on one side, a folder on the other
    Unreadable,
};

struct TSide
{
    TKind kind = TKind::None;
    qint64 size = 0;
    qint64 mtime = 0;  // seconds since the epoch
    QByteArray linkTarget;
    QString error;     // why the entry could not be read, if it could not
};

struct TEntry
{
    QByteArray path;   // relative to both roots, '/'-separated
    int depth = 0;
    std::array<TSide, 2> sides;
    TStatus status = TStatus::Same;
    QString reason;    // for Unreadable
};

struct TOptions
{
    bool exact = false;  // bytes only; otherwise text files equal by lines count as equal
    QList<QByteArray> ignore{".git", ".hg", ".svn"};
    const std::atomic<bool> *stop = nullptr;
};

// Compares two regular files (by path, not following links).
TStatus ComparePair(const QByteArray &left, const QByteArray &right, bool exact, QString *reason = nullptr);

// Every entry of the union of both trees, depth first with the names of a
// folder in byte order; a folder present on one side only is listed alone,
// not its contents. File pairs are compared on a thread pool while the listing goes on.
std::vector<TEntry> CompareTrees(const QByteArray &left, const QByteArray &right, const TOptions &options);

// One line per entry that is not the same, in the words of `diff -rq`.
QByteArray RecursiveReport(const QByteArray &left, const QByteArray &right, const std::vector<TEntry> &entries);

} // namespace Folders
