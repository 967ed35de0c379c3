#include "text/FileSource.h"

#include "text/Errors.h"
#include "text/TextStore.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QString shown(const QByteArray &nativePath)
{
    return QFile::decodeName(nativePath);
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void refuseOpen(const QByteArray &nativePath, const QString &reason)
{
    throw EParlune(QStringLiteral("Cannot open file \"%1\": %2").arg(shown(nativePath), reason));
}

[[noreturn]] void refuseNotAFile(const QByteArray &nativePath, const QString &reason)
{
    throw ENotAFile(QStringLiteral("Cannot open file \"%1\": %2").arg(shown(nativePath), reason));
}

[[noreturn]] void refuse(const QByteArray &nativePath, const QString &reason)
{
    throw EParlune(QStringLiteral("Cannot read file \"%1\": %2").arg(shown(nativePath), reason));
}

bool isDevNull(const struct stat &st)
{
    return S_ISCHR(st.st_mode) && major(st.st_rdev) == 1 && minor(st.st_rdev) == 3;
}

// Closes the descriptor on every way out.
struct TFd
{
    int fd = -1;
    ~TFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Watches the bytes as they arrive and refuses a source that has passed the
// line model's limits. Every line break ends a line (CR LF counts once). A
// line's length in characters is at most its length in bytes (UTF-16: half
// of it), and at least a third of it in UTF-8, so a run of bytes without a
// break is refused once even its smallest possible length is too long; the
// decoder checks the exact length afterwards.
class TLimitScanner
{
public:
    // Scans bytes [fScanned, data.size()); at the end also a short tail.
    void scan(const QByteArray &data, bool atEnd)
    {
        const qsizetype n = data.size();
        if (!fDecided) {
            if (n < 3 && !atEnd)
                return;  // the byte-order mark decides how breaks look
            const auto *u = reinterpret_cast<const uchar *>(data.constData());
            fUtf16 = n >= 2 && ((u[0] == 0xFF && u[1] == 0xFE) || (u[0] == 0xFE && u[1] == 0xFF));
            fBigEndian = fUtf16 && u[0] == 0xFE;
            fScanned = fUtf16 ? 2 : 0;
            fDecided = true;
        }
        if (fUtf16)
            scanUnits(data);
        else
            scanBytes(data.constData() + fScanned, size_t(n - fScanned));
        fScanned = fUtf16 ? fScanned : n;
    }

private:
    void lineBreak()
    {
        if (++fBreaks > kMaxLineCount)
            checkLineCount(fBreaks + 1);
        fRun = 0;
    }
    void extend(qint64 bytes)
    {
        fRun += bytes;
        const qint64 perChar = fUtf16 ? 2 : 3;
        if (fRun > kMaxLineLength * perChar)
            checkLineLength(qsizetype(fRun / perChar));
    }

    void scanBytes(const char *p, size_t n)
    {
        if (!std::memchr(p, '\r', n) && !fPendingCR) {
            // The usual case, LF only: step from break to break.
            const char *end = p + n;
            while (p < end) {
                const void *hit = std::memchr(p, '\n', size_t(end - p));
                if (!hit) {
                    extend(end - p);
                    return;
                }
                extend(static_cast<const char *>(hit) - p);
                lineBreak();
                p = static_cast<const char *>(hit) + 1;
            }
            return;
        }
        for (size_t i = 0; i < n; ++i)
            unit(uchar(p[i]), 1);
    }

    void scanUnits(const QByteArray &data)
    {
        const auto *u = reinterpret_cast<const uchar *>(data.constData());
        qsizetype i = fScanned;
        for (; i + 1 < data.size(); i += 2)
            unit(fBigEndian ? (u[i] << 8 | u[i + 1]) : (u[i] | u[i + 1] << 8), 2);
        fScanned = i;
    }

    void unit(unsigned c, int bytes)
    {
        if (c == '\n') {
            if (fPendingCR)
                fPendingCR = false;  // the LF of a CR LF: the CR ended the line
            else
                lineBreak();
        } else if (c == '\r') {
            lineBreak();
            fPendingCR = true;
        } else {
            fPendingCR = false;
            extend(bytes);
        }
    }

    bool fDecided = false;
    bool fUtf16 = false;
    bool fBigEndian = false;
    bool fPendingCR = false;
    qsizetype fScanned = 0;
    qint64 fBreaks = 0;
    qint64 fRun = 0;
};

qint64 gByteLimit = 0;

[[noreturn]] void refuseSize(const QByteArray &nativePath, qint64 limit)
{
    refuse(nativePath, QStringLiteral("it holds more than %1 bytes, the most one text may take here (a quarter of "
                                      "this machine's memory)")
                           .arg(FormatCount(limit)));
}

void readAll(int fd, const QByteArray &nativePath, qint64 sizeHint, QByteArray &out)
{
    const qint64 byteLimit = SourceByteLimit();
    // A file no larger than the limits cannot pass them (every line takes at
    // least one byte); only larger or growing sources are watched.
    constexpr qint64 kSafeSize = std::min(kMaxLineCount, kMaxLineLength);
    constexpr qint64 kChunk = 16 << 20;
    constexpr qint64 kStreamChunk = 1 << 20;
    constexpr qint64 kTail = 1 << 16;  // what a regular file is asked for past its size
    TLimitScanner limits;
    if (sizeHint > 0) {
        out.reserve(sizeHint + kTail);
        PreferHugePages(out.data(), size_t(out.capacity()));
    }
    for (;;) {
        const qint64 want = out.size() < sizeHint ? std::min(sizeHint - out.size(), kChunk)
                            : sizeHint > 0        ? kTail
                                                  : kStreamChunk;
        const qsizetype at = out.size();
        out.resize(at + want);
        ssize_t got;
        do
            got = ::read(fd, out.data() + at, size_t(want));
        while (got < 0 && errno == EINTR);
        if (got < 0) {
            const int error = errno;
            out.clear();
            refuse(nativePath, systemReason(error));
        }
        out.resize(at + got);
        if (out.size() > byteLimit) {
            out.clear();
            refuseSize(nativePath, byteLimit);
        }
        if (out.size() > kSafeSize) {
            try {
                limits.scan(out, got == 0);
            } catch (const ETooLarge &e) {
                out.clear();
                refuse(nativePath, e.message());
            }
        }
        if (got == 0)
            return;
    }
}

} // namespace

qint64 SourceByteLimit()
{
    if (gByteLimit > 0)
        return gByteLimit;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return qint64(1) << 32;  // unknown: 4 GiB
    return qint64(pages) * pageSize / 4;
}

void SetSourceByteLimit(qint64 bytes)
{
    gByteLimit = std::max<qint64>(bytes, 0);
}

QByteArray NativePath(const QString &path)
{
    return QFile::encodeName(path);
}

bool IsExistingNonRegular(const QByteArray &nativePath)
{
    struct stat st;
    return ::stat(nativePath.constData(), &st) == 0 && !S_ISREG(st.st_mode);
}

QByteArray ReadSourceBytes(const QByteArray &nativePath, TSourceKind kind)
{
    if (nativePath.isEmpty())
        throw EParlune(QStringLiteral("Cannot open file \"\": no file name was given"));
    TFd file;
    // O_NONBLOCK keeps the window from waiting in open() for a FIFO's
    // writer; whatever was opened is checked by its descriptor, so the
    // check and the read see the same file.
    const int flags = O_RDONLY | O_CLOEXEC | (kind == TSourceKind::Window ? O_NONBLOCK : 0);
    do
        file.fd = ::open(nativePath.constData(), flags);
    while (file.fd < 0 && errno == EINTR);
    if (file.fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            refuseNotAFile(nativePath, systemReason(error));
        refuseOpen(nativePath, systemReason(error));
    }
    struct stat st;
    if (::fstat(file.fd, &st) != 0)
        refuseOpen(nativePath, systemReason(errno));

    QByteArray bytes;
    if (S_ISDIR(st.st_mode))
        refuseNotAFile(nativePath, QStringLiteral("it is a folder, not a file"));
    if (isDevNull(st))
        return bytes;
    // Memory running out while reading ends the read with the file's name.
    const auto readGuarded = [&](qint64 sizeHint) {
        try {
            readAll(file.fd, nativePath, sizeHint, bytes);
        } catch (const std::bad_alloc &) {
            bytes = QByteArray();
            refuse(nativePath, QStringLiteral("there is not enough memory to read it"));
        }
    };
    if (S_ISREG(st.st_mode)) {
        if (qint64(st.st_size) > SourceByteLimit())
            refuseSize(nativePath, SourceByteLimit());
        if (kind == TSourceKind::Window)
            ::fcntl(file.fd, F_SETFL, O_RDONLY);  // back to ordinary reads
        readGuarded(qint64(st.st_size));
        return bytes;
    }
    if (kind == TSourceKind::Stream && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))) {
        readGuarded(0);
        return bytes;
    }
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))
        refuseNotAFile(nativePath, QStringLiteral("it is a pipe (FIFO), not a regular file"));
    refuseNotAFile(nativePath, QStringLiteral("it is a device, not a regular file"));
}
