#include "folders/FolderCompare.h"

#include "compare/CompareOps.h"
#include "compare/HashUnit.h"
#include "text/Errors.h"
#include "text/Lines.h"
#include "text/TextFile.h"

#include <QThreadPool>
#include <algorithm>
#include <deque>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Folders {
namespace {

QString systemReason(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

QByteArray join(const QByteArray &root, const QByteArray &rel)
{
    return rel.isEmpty() ? root : root + '/' + rel;
}

} // namespace

TSide DescribeSide(const QByteArray &path)
{
    TSide side;
    struct stat st;
    if (::lstat(path.constData(), &st) != 0) {
        if (errno != ENOENT)
            side.error = systemReason(errno), side.kind = TKind::Special;
        return side;
    }
    side.size = st.st_size;
    side.mtime = st.st_mtim.tv_sec;
    if (S_ISREG(st.st_mode))
        side.kind = TKind::File;
    else if (S_ISDIR(st.st_mode))
        side.kind = TKind::Folder;
    else if (S_ISLNK(st.st_mode)) {
        side.kind = TKind::Link;
        char buf[4096];
        const ssize_t n = ::readlink(path.constData(), buf, sizeof buf);
        if (n >= 0)
            side.linkTarget = QByteArray(buf, n);
    } else
        side.kind = TKind::Special;
    return side;
}

namespace {

// The names in one folder, sorted by bytes; an error leaves the reason.
QList<QByteArray> listNames(const QByteArray &path, QString *error)
{
    QList<QByteArray> names;
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR *dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        *error = systemReason(errno);
        if (fd >= 0)
            ::close(fd);
        return names;
    }
    while (const dirent *d = ::readdir(dir)) {
        if (std::strcmp(d->d_name, ".") && std::strcmp(d->d_name, ".."))
            names << QByteArray(d->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

class TFd
{
public:
    explicit TFd(const QByteArray &path) : fd(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)) {}
    ~TFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    TFd(const TFd &) = delete;
    TFd &operator=(const TFd &) = delete;
    const int fd;
};

// Reads up to n bytes, retrying short reads; -1 on error.
ssize_t readFull(int fd, char *buf, size_t n)
{
    size_t have = 0;
    while (have < n) {
        const ssize_t got = ::read(fd, buf + have, n - have);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        have += size_t(got);
    }
    return ssize_t(have);
}

constexpr size_t kTextProbe = 8192;

bool looksLikeText(const QByteArray &path)
{
    TFd f(path);
    char buf[kTextProbe];
    const ssize_t n = f.fd >= 0 ? readFull(f.fd, buf, sizeof buf) : -1;
    return n >= 0 && !std::memchr(buf, 0, size_t(n));
}

bool equalByLines(const QByteArray &left, const QByteArray &right, const TCompareRule &rule)
{
    // Where blanks count, tabs become 4 spaces as in the file window, so
    // that a pair it shows as equal is equal here too; where they do not,
    // a tab is a blank either way and is kept.
    const int tabSize = rule.ignoreBlanks ? 0 : 4;
    TLines l, r;
    l.Assign(ReadTextFile(left, tabSize, HashUnit::HashNormalized, TSourceKind::Stream));
    r.Assign(ReadTextFile(right, tabSize, HashUnit::HashNormalized, TSourceKind::Stream));
    CompareOps::TComparePass pass(l, r);
    pass.SetRule(rule);
    pass.Run();
    const TDiffStats &s = pass.LastStats();
    return s.adds + s.deletes + s.modifies == 0;
}

} // namespace

TStatus ComparePair(const QByteArray &left, const QByteArray &right, const TOptions &options, QString *reason)
{
    bool sameBytes = false;
    {
        const TFd a(left), b(right);
        std::array<struct stat, 2> st;
        for (int s = 0; s < 2; ++s) {
            const int fd = s == 0 ? a.fd : b.fd;
            if (fd < 0 || ::fstat(fd, &st[size_t(s)]) != 0) {
                if (reason)
                    *reason = systemReason(errno);
                return TStatus::Unreadable;
            }
            if (!S_ISREG(st[size_t(s)].st_mode))
                return TStatus::KindMismatch;  // replaced since it was listed
        }
        if (st[0].st_size == st[1].st_size) {
            // One pair of buffers per pool thread, not one per file pair.
            constexpr size_t kChunk = 1 << 18;
            thread_local std::vector<char> x(kChunk), y(kChunk);
            sameBytes = true;
            // Reads one byte more than the size, so that a small file is
            // read and found complete in one call.
            const size_t want = size_t(std::min<qint64>(st[0].st_size + 1, qint64(kChunk)));
            for (;;) {
                const ssize_t n = readFull(a.fd, x.data(), want);
                const ssize_t m = readFull(b.fd, y.data(), want);
                if (n < 0 || m < 0) {
                    if (reason)
                        *reason = systemReason(errno);
                    return TStatus::Unreadable;
                }
                if (n != m || std::memcmp(x.data(), y.data(), size_t(n)) != 0) {
                    sameBytes = false;
                    break;
                }
                if (size_t(n) < want)
                    break;
            }
        }
    }
    if (sameBytes)
        return TStatus::Same;
    if (!looksLikeText(left) || !looksLikeText(right))
        return TStatus::DiffersBinary;
    if (options.exact)
        return TStatus::Differs;
    try {
        return equalByLines(left, right, options.rule) ? TStatus::EqualByRule : TStatus::Differs;
    } catch (const std::exception &e) {
        if (reason)
            *reason = QString::fromUtf8(e.what());
        return TStatus::Unreadable;
    }
}

namespace {

// The status of an entry from its two sides alone: everything but the
// comparison of two files, which is left as Same.
void classify(TEntry &e)
{
    const TKind l = e.sides[0].kind, r = e.sides[1].kind;
    if (!e.sides[0].error.isEmpty() || !e.sides[1].error.isEmpty()) {
        e.status = TStatus::Unreadable;
        e.reason = e.sides[0].error.isEmpty() ? e.sides[1].error : e.sides[0].error;
    } else if (r == TKind::None)
        e.status = TStatus::OnlyLeft;
    else if (l == TKind::None)
        e.status = TStatus::OnlyRight;
    else if (l != r)
        e.status = TStatus::KindMismatch;
    else if (l == TKind::Link)
        e.status = e.sides[0].linkTarget == e.sides[1].linkTarget ? TStatus::Same : TStatus::Differs;
    else
        e.status = TStatus::Same;
}

bool needsComparing(const TEntry &e)
{
    return e.status == TStatus::Same && e.sides[0].kind == TKind::File;
}

bool ignored(const QList<QByteArray> &patterns, const QByteArray &name)
{
    for (const QByteArray &p : patterns)
        if (::fnmatch(p.constData(), name.constData(), FNM_PERIOD) == 0)
            return true;
    return false;
}

} // namespace

TEntry CompareEntry(const QByteArray &left, const QByteArray &right, const QByteArray &path, const TOptions &options)
{
    TEntry e;
    e.path = path;
    e.depth = int(path.count('/'));
    e.sides = {DescribeSide(join(left, path)), DescribeSide(join(right, path))};
    classify(e);
    if (needsComparing(e))
        e.status = ComparePair(join(left, path), join(right, path), options, &e.reason);
    return e;
}

std::vector<TEntry> CompareTrees(const QByteArray &left, const QByteArray &right, const TOptions &options,
                                 const TProgress *progress)
{
    // A deque keeps the entries in place while it grows, so that the pool
    // compares file pairs while the listing goes on.
    std::deque<TEntry> entries;
    QThreadPool pool;
    const std::array<QByteArray, 2> roots{left, right};
    auto stopped = [&] { return options.stop && options.stop->load(); };

    // Entries listed but not yet told of, and the pairs among them that wait
    // to be compared: a pair is compared only once it was told of, so that
    // its result never overtakes its listing.
    size_t told = 0;
    std::vector<size_t> toCompare;
    auto flush = [&] {
        if (progress && progress->listed && told < entries.size())
            progress->listed(qsizetype(told), std::vector<TEntry>(entries.begin() + qsizetype(told), entries.end()));
        told = entries.size();
        for (const size_t at : toCompare) {
            TEntry *pair = &entries[at];
            pool.start([&, pair, at] {
                if (stopped())
                    return;
                QString reason;
                const TStatus status = ComparePair(join(left, pair->path), join(right, pair->path), options, &reason);
                pair->status = status;
                pair->reason = reason;
                pair->pending = false;
                if (progress && progress->settled)
                    progress->settled(qsizetype(at), status, reason);
            });
        }
        toCompare.clear();
    };

    // Depth first; the entries of a folder follow the folder's own entry.
    // parent: the index of the folder's own entry, -1 for the roots.
    auto walk = [&](auto &&self, const QByteArray &rel, int depth, qsizetype parent) -> void {
        std::array<QList<QByteArray>, 2> names;
        for (int s = 0; s < 2; ++s) {
            QString error;
            names[s] = listNames(join(roots[s], rel), &error);
            // A root that cannot be read would make every entry of the other
            // side look as if it were on that side only.
            if (!error.isEmpty() && parent < 0)
                throw EParlune(QStringLiteral("Cannot read the folder %1: %2")
                                   .arg(QString::fromLocal8Bit(roots[s]), error));
            if (!error.isEmpty()) {
                entries[size_t(parent)].status = TStatus::Unreadable;
                entries[size_t(parent)].reason = error;
                if (progress && progress->settled)
                    progress->settled(parent, TStatus::Unreadable, error);
                return;
            }
        }
        QList<QByteArray> all = names[0] + names[1];
        std::sort(all.begin(), all.end());
        all.erase(std::unique(all.begin(), all.end()), all.end());
        for (const QByteArray &name : all) {
            if (stopped())
                break;
            if (ignored(options.ignore, name))
                continue;
            TEntry e;
            e.path = rel.isEmpty() ? name : rel + '/' + name;
            e.depth = depth;
            for (int s = 0; s < 2; ++s)
                e.sides[s] = DescribeSide(join(roots[s], e.path));
            classify(e);
            const bool descend = e.sides[0].kind == TKind::Folder && e.sides[1].kind == TKind::Folder;
            e.pending = needsComparing(e);
            if (e.pending)
                toCompare.push_back(entries.size());
            entries.push_back(std::move(e));
            if (descend) {
                flush();  // the folder's entry is told of before its contents
                const qsizetype at = qsizetype(entries.size()) - 1;
                self(self, QByteArray(entries.back().path), depth + 1, at);  // a copy: entries grows meanwhile
            }
        }
        flush();
    };
    walk(walk, QByteArray(), 0, -1);

    pool.waitForDone();
    return {std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end())};
}

namespace {
const char *kindWords(const TSide &s)
{
    switch (s.kind) {
    case TKind::File: return s.size == 0 ? "regular empty file" : "regular file";
    case TKind::Folder: return "directory";
    case TKind::Link: return "symbolic link";
    default: return "special file";
    }
}

// The folder part and the name of a relative path.
std::pair<QByteArray, QByteArray> splitPath(const QByteArray &root, const QByteArray &rel)
{
    const qsizetype slash = rel.lastIndexOf('/');
    if (slash < 0)
        return {root, rel};
    return {root + '/' + rel.left(slash), rel.mid(slash + 1)};
}
} // namespace

QByteArray RecursiveReport(const QByteArray &left, const QByteArray &right, const std::vector<TEntry> &entries)
{
    QByteArray out;
    for (const TEntry &e : entries) {
        const QByteArray a = join(left, e.path), b = join(right, e.path);
        switch (e.status) {
        case TStatus::Same:
        case TStatus::EqualByRule:
            break;
        case TStatus::Differs:
        case TStatus::DiffersBinary:
            out += "Files " + a + " and " + b + " differ\n";
            break;
        case TStatus::OnlyLeft:
        case TStatus::OnlyRight: {
            const auto [folder, name] = splitPath(e.status == TStatus::OnlyLeft ? left : right, e.path);
            out += "Only in " + folder + ": " + name + '\n';
            break;
        }
        case TStatus::KindMismatch:
            out += "File " + a + " is a " + kindWords(e.sides[0]) + " while file " + b + " is a "
                   + kindWords(e.sides[1]) + '\n';
            break;
        case TStatus::Unreadable:
            out += "Cannot compare " + a + " and " + b + ": " + e.reason.toLocal8Bit() + '\n';
            break;
        }
    }
    return out;
}

} // namespace Folders
