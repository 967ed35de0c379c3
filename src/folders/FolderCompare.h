#pragma once
// Two folder trees compared entry by entry. Listing never follows a
// symbolic link and never opens anything but regular files and folders;
// paths are kept as the system's bytes, so names that are not UTF-8 survive.

#include "compare/CompareRule.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <atomic>
#include <functional>
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
    bool pending = false;  // a pair of files whose comparison has not ended (status not yet known)
};

struct TOptions
{
    bool exact = false;  // bytes only; otherwise text files equal by lines count as equal
    TCompareRule rule;   // what the line comparison of two text files ignores
    // Names left out, as shell patterns matched against a whole name (fnmatch: "*.o", ".git").
    QList<QByteArray> ignore{".git", ".hg", ".svn"};
    const std::atomic<bool> *stop = nullptr;
};

// Compares two regular files (by path, not following links).
TStatus ComparePair(const QByteArray &left, const QByteArray &right, const TOptions &options,
                    QString *reason = nullptr);

// What a walk tells while it goes on, for a view that fills as it runs.
// Entries are numbered in the order CompareTrees returns them. Both calls
// come from worker threads (listed from the walking one, settled from it or
// from the pool's), so they must be thread-safe; settled for an entry always
// comes after the listed that carried it.
struct TProgress
{
    // Entries just listed, numbered from first on; they are children of one
    // folder. A pair of files still to be compared is marked pending.
    std::function<void(qsizetype first, std::vector<TEntry> entries)> listed;
    // The final status of an entry listed before: a pair of files compared,
    // or a folder found unreadable once it was listed.
    std::function<void(qsizetype index, TStatus status, const QString &reason)> settled;
};

// Every entry of the union of both trees, depth first with the names of a
// folder in byte order; a folder present on one side only is listed alone,
// not its contents. File pairs are compared on a thread pool while the
// listing goes on. progress, when given, hears of entries as they come.
// A root that cannot be listed raises EParlune, naming it and the reason.
std::vector<TEntry> CompareTrees(const QByteArray &left, const QByteArray &right, const TOptions &options,
                                 const TProgress *progress = nullptr);

// One side of the entry at path, as listed: what it is, never following a link.
TSide DescribeSide(const QByteArray &path);

// The entry at path (relative to both roots) described and compared anew,
// e.g. after one of its files was saved. A folder's contents are not looked at.
TEntry CompareEntry(const QByteArray &left, const QByteArray &right, const QByteArray &path, const TOptions &options);

// One line per entry that is not the same, in the words of `diff -rq`.
QByteArray RecursiveReport(const QByteArray &left, const QByteArray &right, const std::vector<TEntry> &entries);

} // namespace Folders
