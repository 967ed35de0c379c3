// parlune-compare: the comparison of the window, without a window.
//
// Loads two files as the panes do, runs the same comparison pass and prints
// the aligned rows (default), the engine's compare records (--records) or
// only the count (--count). Exit status: 0 equal, 1 different, 2 trouble.

#include "cli/Unified.h"
#include "compare/CompareOps.h"
#include "folders/FolderCompare.h"
#include "text/Errors.h"
#include "compare/HashUnit.h"
#include "text/Lines.h"
#include "text/FileSource.h"
#include "text/TextFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <memory>
#include <vector>
#include <cstdio>
#include <cstring>
#include <exception>
#include <future>

namespace {

constexpr const char *kUsage =
    "Usage: parlune-compare [RULE] [--records | --count | -u | --unified[=N]] [--] LEFT RIGHT\n"
    "       parlune-compare -r | --recursive [RULE] [--] LEFTDIR RIGHTDIR\n"
    "\n"
    "Compares two text files line by line as Parlune's \"Scan Difference\" does:\n"
    "empty lines are dropped, and lines that differ only in letter case, spaces\n"
    "or tabs count as equal.\n"
    "\n"
    "RULE (what counts as a difference):\n"
    "  --exact                  all three count: the lines as they are.\n"
    "  --no-ignore-case         letter case counts.\n"
    "  --no-ignore-blanks       spaces and tabs count.\n"
    "  --no-ignore-empty-lines  empty lines are kept and compared.\n"
    "\n"
    "Output (UTF-8):\n"
    "  default    one row per aligned line: left text, a mark, right text.\n"
    "             Marks: '|' same, '!' changed or removed, '+' added.\n"
    "  --records  one line per compare record: KIND INDEX1 INDEX2, with KIND one\n"
    "             of ckNone, ckAdd, ckDelete, ckModify and the indices counted\n"
    "             from 0 in the texts without their empty lines.\n"
    "  --count    nothing but the last line.\n"
    "  -u, --unified[=N]  a unified diff with N lines of context (3), numbered\n"
    "             in the files' own lines, for patch; no Changes= line.\n"
    "Every other format ends with the line Changes=N.\n"
    "\n"
    "LEFT and RIGHT may be files, pipes or FIFOs (/dev/stdin, /dev/null).\n"
    "After --, arguments are file names even when they start with '-'.\n"
    "\n"
    "With -r, two folders are compared entry by entry and every entry that is\n"
    "not the same gets one line in the words of diff -rq. Text files whose lines\n"
    "count as equal under the RULE are the same; --exact compares bytes only.\n"
    "\n"
    "Exit status: 0 when N is 0, 1 when it is not, 2 on trouble.\n";

// The widest left column in default output; longer left lines push their
// row's mark to the right instead of widening every row.
constexpr int kMaxColumn = 60;

class TOut
{
public:
    TOut() { fBuf.reserve(kFlushAt + 65536); }
    ~TOut() { flush(); }
    void text(const char *s) { fBuf.append(s); }
    void text(const QByteArray &s) { fBuf.append(s); }
    void chars(char c, qsizetype n) { fBuf.append(n, c); }
    void line(const TLineRec &r) { AppendUtf8(fBuf, r); }
    void endLine()
    {
        fBuf.append('\n');
        if (fBuf.size() >= kFlushAt)
            flush();
    }
    void flush()
    {
        if (!fBuf.isEmpty())
            std::fwrite(fBuf.constData(), 1, size_t(fBuf.size()), stdout);
        fBuf.clear();
    }
    // Whether everything reached standard output (after flushing it).
    bool ok()
    {
        flush();
        return std::fflush(stdout) == 0 && !std::ferror(stdout);
    }

private:
    static constexpr qsizetype kFlushAt = 1 << 16;
    QByteArray fBuf;
};

enum class TFormat { Rows, Records, Count, Unified };

void printRows(const TLines &left, const TLines &right, TOut &out)
{
    int width = 0;
    for (int i = 0; i < left.Count() && width < kMaxColumn; ++i)
        width = std::max(width, left.Length(i));
    width = std::min(width, kMaxColumn);
    for (int i = 0; i < left.Count(); ++i) {
        const TLineRec &l = left.Rec(i);
        const TLineRec &r = right.Rec(i);
        out.line(l);
        out.chars(' ', std::max<qsizetype>(0, width - qsizetype(l.length)) + 1);
        out.text(right.GetBreakPoint(i) ? "!" : right.GetBookmark(i) ? "+" : "|");
        if (r.length) {
            out.text(" ");
            out.line(r);
        }
        out.endLine();
    }
}

// Whether two regular files hold the same bytes (names in the system's
// bytes). Equal bytes make equal texts, so --count can answer without
// loading either file. Anything else (a pipe, which could be read only
// once, a device, a file that cannot be opened) is left to the full
// comparison, which reports any trouble.
bool sameBytes(const QByteArray &leftPath, const QByteArray &rightPath)
{
    struct TFile
    {
        int fd;
        explicit TFile(const QByteArray &path) : fd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {}
        ~TFile()
        {
            if (fd >= 0)
                ::close(fd);
        }
        qint64 regularSize() const
        {
            struct stat st;
            return fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? qint64(st.st_size) : -1;
        }
    };
    const TFile left(leftPath), right(rightPath);
    const qint64 size = left.regularSize();
    if (size < 0 || right.regularSize() != size)
        return false;
    // A file this small cannot pass the line model's limits (each line takes
    // a byte), so the answer is the full comparison's; a larger one is left
    // to it, to be refused there as it would be with any other output.
    if (size > std::min(kMaxLineCount, kMaxLineLength) || size > SourceByteLimit())
        return false;
    // Buffers no larger than the file (plus the byte that finds its end),
    // and not cleared: a small pair costs a few pages. At 256 KB both stay
    // in the core's cache between the copy in and the compare (1 MB ones
    // made a pair of 84 MB files take 23 ms instead of 16).
    const size_t kChunk = std::min(size_t(256) << 10, size_t(size) + 1);
    const std::unique_ptr<char[]> a(new char[kChunk]), b(new char[kChunk]);
    for (;;) {
        const ssize_t got = ::read(left.fd, a.get(), kChunk);
        if (got < 0)
            return false;
        size_t have = 0;
        while (have < size_t(got)) {  // the same number of bytes from the right
            const ssize_t more = ::read(right.fd, b.get() + have, size_t(got) - have);
            if (more <= 0)
                return false;
            have += size_t(more);
        }
        if (got == 0) {
            char extra;
            return ::read(right.fd, &extra, 1) == 0;
        }
        if (std::memcmp(a.get(), b.get(), size_t(got)) != 0)
            return false;
    }
}

int fail(const QString &message)
{
    std::fprintf(stderr, "parlune-compare: %s\n", message.toLocal8Bit().constData());
    return 2;
}

// -r: two folder trees, one line per entry that is not the same.
int compareFolders(const QByteArray &left, const QByteArray &right, bool exact, const TCompareRule &rule)
{
    for (const QByteArray &root : {left, right}) {
        struct stat st;
        if (::stat(root.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return fail(QStringLiteral("%1 is not a folder").arg(QString::fromLocal8Bit(root)));
    }
    Folders::TOptions options;
    options.exact = exact;
    options.rule = rule;
    options.ignore.clear();
    std::vector<Folders::TEntry> entries;
    try {
        entries = Folders::CompareTrees(left, right, options);
    } catch (const std::exception &e) {
        return fail(QString::fromUtf8(e.what()));
    }
    const QByteArray report = Folders::RecursiveReport(left, right, entries);
    std::fwrite(report.constData(), 1, size_t(report.size()), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return fail(QStringLiteral("cannot write the output: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    const bool trouble = std::any_of(entries.begin(), entries.end(), [](const Folders::TEntry &e) {
        return e.status == Folders::TStatus::Unreadable;
    });
    return trouble ? 2 : report.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    TFormat format = TFormat::Rows;
    bool recursive = false, exact = false;
    TCompareRule rule;
    int context = 3;
    // File names are kept as the system's bytes: they need not be UTF-8.
    QList<QByteArray> files;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (options && !std::strcmp(a, "--")) {
            options = false;
            continue;
        }
        if (options && (!std::strcmp(a, "--help") || !std::strcmp(a, "-h"))) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (options && !std::strcmp(a, "--records"))
            format = TFormat::Records;
        else if (options && !std::strcmp(a, "--count"))
            format = TFormat::Count;
        else if (options && (!std::strcmp(a, "-r") || !std::strcmp(a, "--recursive")))
            recursive = true;
        else if (options && !std::strcmp(a, "--exact"))
            exact = true, rule = TCompareRule::Exact();
        else if (options && !std::strcmp(a, "--no-ignore-case"))
            rule.ignoreCase = false;
        else if (options && !std::strcmp(a, "--no-ignore-blanks"))
            rule.ignoreBlanks = false;
        else if (options && !std::strcmp(a, "--no-ignore-empty-lines"))
            rule.ignoreEmptyLines = false;
        else if (options && (!std::strcmp(a, "-u") || !std::strcmp(a, "--unified")))
            format = TFormat::Unified;
        else if (options && !std::strncmp(a, "--unified=", 10)) {
            bool ok = false;
            context = QByteArray(a + 10).toInt(&ok);
            if (!ok || context < 0)
                return fail(QStringLiteral("--unified takes a number of context lines, not %1").arg(QString::fromLocal8Bit(a + 10)));
            format = TFormat::Unified;
        }
        else if (options && a[0] == '-' && a[1] != '\0')
            return fail(QStringLiteral("unknown option %1 (see --help)").arg(QString::fromLocal8Bit(a)));
        else if (a[0] == '\0')
            return fail(QStringLiteral("an empty file name was given"));
        else
            files << QByteArray(a);
    }
    if (files.size() != 2)
        return fail(QStringLiteral("expected two files, LEFT and RIGHT (see --help)"));
    if (recursive)
        return compareFolders(files[0], files[1], exact, rule);

    if (format == TFormat::Count && sameBytes(files[0], files[1])) {
        TOut out;
        out.text((CompareOps::kChangesPrefix + QLatin1Char('0')).toUtf8());
        out.endLine();
        if (!out.ok())
            return fail(QStringLiteral("cannot write the output: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return 0;
    }
    try {
        // The two files are read, split and hashed on both cores at once.
        // When blanks count, a tab is a tab (not the four spaces a pane shows).
        // The count alone needs no shown text: when blanks do not count,
        // a tab and the spaces it would show as are both dropped, so tabs
        // are kept and their lines are not copied to be expanded.
        const int tabSize = rule.ignoreBlanks && format != TFormat::Count ? 4 : 0;
        auto read = [tabSize](const QByteArray &name) {
            return ReadTextFile(name, tabSize, HashUnit::HashNormalized, TSourceKind::Stream);
        };
        // Both names for one file or pipe (seq 1 9 | parlune-compare
        // /dev/stdin /dev/stdin): it is read once, as a pipe can be, and
        // compared with itself.
        struct stat a, b;
        const bool oneSource = ::stat(files[0].constData(), &a) == 0 && ::stat(files[1].constData(), &b) == 0
                            && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
        auto leftText = std::async(std::launch::async, [&] { return read(files[0]); });
        TLoadedText rightText = oneSource ? TLoadedText{} : read(files[1]);
        if (format == TFormat::Count) {
            // The count needs no rows: the lines go to the comparison as
            // they were read, and no line list is built.
            TLoadedText leftLoaded = leftText.get();
            std::vector<TLineRec> rightLines = oneSource ? leftLoaded.lines : std::move(rightText.lines);
            const TDiffStats s = CompareOps::CountChanges(std::move(leftLoaded.lines), std::move(rightLines), rule);
            const qint64 changes = qint64(s.adds) + s.deletes + s.modifies;
            TOut out;
            out.text((CompareOps::kChangesPrefix + QString::number(changes)).toUtf8());
            out.endLine();
            if (!out.ok())
                return fail(QStringLiteral("cannot write the output: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
            return changes == 0 ? 0 : 1;
        }
        TLines left;
        TLines right;
        left.Assign(leftText.get());
        if (oneSource) {
            rightText.lines = left.Snapshot().lines();
            rightText.keep = left.Snapshot().keep;
            rightText.encoding = left.Encoding();
        }
        right.Assign(std::move(rightText));

        TOut out;
        CompareOps::TComparePass pass(left, right);
        pass.SetRule(rule);
        if (format == TFormat::Records)
            pass.SetRecordSink([&out](const TCompareRec &r) {
                out.text(QByteArray(ChangeKindName(r.Kind)) + ' ' + QByteArray::number(r.oldIndex1) + ' '
                         + QByteArray::number(r.oldIndex2));
                out.endLine();
            });
        const QString status = pass.Run();
        if (format == TFormat::Rows)
            printRows(left, right, out);
        if (format == TFormat::Unified) {
            out.text(Unified::Diff(left, right, files[0], files[1], context));
        } else {
            out.text(status.toUtf8());
            out.endLine();
        }
        if (!out.ok())
            return fail(QStringLiteral("cannot write the output: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        const TDiffStats &s = pass.LastStats();
        return (s.adds + s.deletes + s.modifies) == 0 ? 0 : 1;
    } catch (const std::exception &e) {
        return fail(QString::fromUtf8(e.what()));
    }
}
