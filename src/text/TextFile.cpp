#include "TextFile.h"

#include "Errors.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cstring>
#include <memory>

QString EncodingName(TTextEncoding e)
{
    switch (e) {
    case TTextEncoding::Utf8: return QStringLiteral("UTF-8");
    case TTextEncoding::Latin1: return QStringLiteral("Latin-1");
    case TTextEncoding::Utf8Bom: return QStringLiteral("UTF-8 with BOM");
    case TTextEncoding::Utf16LE: return QStringLiteral("UTF-16 LE");
    case TTextEncoding::Utf16BE: return QStringLiteral("UTF-16 BE");
    }
    return {};
}

namespace {

QString expandTabs(QString s, int tabSize)
{
    return s.replace(QChar(u'\t'), QString(tabSize, QChar(u' ')));
}

// Calls line(begin, end) for every line of units [p, p + n), cutting at
// CR LF, lone CR and lone LF; a break at the very end starts no line.
template <typename Unit, typename Fn>
void splitLines(const Unit *p, size_t n, Fn &&line)
{
    size_t start = 0;
    for (size_t i = 0; i < n; ++i) {
        const Unit c = p[i];
        if (c != Unit('\n') && c != Unit('\r'))
            continue;
        line(start, i);
        if (c == Unit('\r') && i + 1 < n && p[i + 1] == Unit('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        line(start, n);
}

enum class TByteMode { Latin1, Utf8, Utf8Checked };

// Byte-oriented files (UTF-8, Latin-1): plain ASCII lines without tabs are
// used in place, the rest is decoded into the arena. In Utf8Checked mode a
// line that is not valid UTF-8 stops the split and false comes back (the
// file is then read as Latin-1); only lines with non-ASCII bytes are checked.
void addLine(TLoadedText &out, TLineRec r, TLineHasher hasher)
{
    if (hasher) {
        r.hash = hasher(r);
        r.hashed = 1;
    }
    out.lines.push_back(r);
}

bool splitBytes(const QByteArray &bytes, qsizetype from, TByteMode mode, int tabSize, TLineHasher hasher,
                TLoadedText &out)
{
    const bool utf8 = mode != TByteMode::Latin1;
    bool valid = true;
    const char *base = bytes.constData() + from;
    const size_t n = size_t(bytes.size() - from);
    auto block = std::make_shared<const QByteArray>(bytes);
    bool blockUsed = false;
    TTextArena arena;
    out.lines.reserve(out.lines.size() + n / 40 + 16);

    struct TScan
    {
        unsigned high = 0;  // some byte is not ASCII
        unsigned tabs = 0;
        unsigned crs = 0;
    };
    auto scan = [](const char *s, size_t len) {
        TScan f;
        for (size_t i = 0; i < len; ++i) {  // no early exit: vectorises
            f.high |= uchar(s[i]) & 0x80u;
            f.tabs |= s[i] == '\t';
            f.crs |= s[i] == '\r';
        }
        return f;
    };

    auto line = [&](size_t b, size_t e, const TScan &f) {
        if (!valid)
            return;
        const char *s = base + b;
        const size_t len = e - b;
        if (f.high && mode == TByteMode::Utf8Checked && !QByteArrayView(s, qsizetype(len)).isValidUtf8()) {
            valid = false;
            return;
        }
        if (!f.tabs && (!f.high || !utf8)) {
            checkLineLength(qsizetype(len));
            TLineRec r;
            r.data = s;
            r.length = uint32_t(len);
            addLine(out, r, hasher);
            blockUsed = true;
            return;
        }
        QString text = utf8 ? QString::fromUtf8(s, qsizetype(len)) : QString::fromLatin1(s, qsizetype(len));
        if (f.tabs)
            text = expandTabs(std::move(text), tabSize);
        addLine(out, arena.store(text, out.keep), hasher);
    };

    // Lines end at LF (found with memchr) or at a CR inside the piece.
    size_t start = 0;
    while (start < n && valid) {
        const void *hit = std::memchr(base + start, '\n', n - start);
        const size_t end = hit ? size_t(static_cast<const char *>(hit) - base) : n;
        const TScan f = scan(base + start, end - start);
        if (f.crs) {
            const size_t pieceEnd = (end < n) ? end + 1 : end;  // include the LF
            splitLines(base + start, pieceEnd - start, [&](size_t b, size_t e) {
                line(start + b, start + e, scan(base + start + b, e - b));
            });
        } else {
            line(start, end, f);
        }
        start = end + 1;
    }
    if (blockUsed && valid)
        out.keep.add(std::shared_ptr<const void>(block, block.get()));
    return valid;
}

void splitUtf16(const QByteArray &bytes, bool littleEndian, int tabSize, TLineHasher hasher, TLoadedText &out)
{
    QStringDecoder decoder(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                           QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(bytes).sliced(2));
    TTextArena arena;
    out.lines.reserve(size_t(text.size() / 40 + 16));
    splitLines(text.utf16(), size_t(text.size()), [&](size_t b, size_t e) {
        QStringView piece = QStringView(text).sliced(qsizetype(b), qsizetype(e - b));
        if (piece.contains(u'\t'))
            addLine(out, arena.store(expandTabs(piece.toString(), tabSize), out.keep), hasher);
        else
            addLine(out, arena.store(piece, out.keep), hasher);
    });
}

} // namespace

TLoadedText DecodeText(QByteArray bytes, int tabSize, TLineHasher hasher)
{
    TLoadedText out;
    const auto *u = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) {
        out.encoding = TTextEncoding::Utf8Bom;
        splitBytes(bytes, 3, TByteMode::Utf8, tabSize, hasher, out);
    } else if (n >= 2 && u[0] == 0xFF && u[1] == 0xFE) {
        out.encoding = TTextEncoding::Utf16LE;
        splitUtf16(bytes, true, tabSize, hasher, out);
    } else if (n >= 2 && u[0] == 0xFE && u[1] == 0xFF) {
        out.encoding = TTextEncoding::Utf16BE;
        splitUtf16(bytes, false, tabSize, hasher, out);
    } else {
        out.encoding = TTextEncoding::Utf8;
        if (!splitBytes(bytes, 0, TByteMode::Utf8Checked, tabSize, hasher, out)) {
            out = TLoadedText{};
            out.encoding = TTextEncoding::Latin1;
            splitBytes(bytes, 0, TByteMode::Latin1, tabSize, hasher, out);
        }
    }
    return out;
}

TLoadedText ReadTextFile(const QString &path, int tabSize, TLineHasher hasher)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EParlune(QStringLiteral("Cannot open file \"%1\": %2").arg(path, file.errorString()));
    // A regular file is read in one call into a buffer of its exact size;
    // files without a known size (pipes, /proc) are read to their end.
    QByteArray bytes;
    const qint64 size = file.size();
    if (size > 0 && !file.isSequential()) {
        bytes.resize(size);
        const qint64 got = file.read(bytes.data(), size);
        bytes.resize(qMax<qint64>(got, 0));
        if (got == size && !file.atEnd())
            bytes += file.readAll();  // it grew while being read
    } else {
        bytes = file.readAll();
    }
    if (file.error() != QFileDevice::NoError)
        throw EParlune(QStringLiteral("Cannot read file \"%1\": %2").arg(path, file.errorString()));
    file.close();
    return DecodeText(std::move(bytes), tabSize, hasher);
}

namespace {

class TEncodingWriter
{
public:
    TEncodingWriter(QSaveFile &file, TTextEncoding e) : fFile(file), fEncoding(e)
    {
        if (e == TTextEncoding::Utf16LE || e == TTextEncoding::Utf16BE)
            fEncoder = QStringEncoder(e == TTextEncoding::Utf16LE ? QStringConverter::Utf16LE
                                                                  : QStringConverter::Utf16BE,
                                      QStringConverter::Flag::Stateless);
        fBuffer.reserve(kFlushAt + 4096);
        switch (e) {
        case TTextEncoding::Utf8Bom: fBuffer.append("\xEF\xBB\xBF"); break;
        case TTextEncoding::Utf16LE: fBuffer.append("\xFF\xFE"); break;
        case TTextEncoding::Utf16BE: fBuffer.append("\xFE\xFF"); break;
        default: break;
        }
    }

    void line(const TLineRec &r)
    {
        switch (fEncoding) {
        case TTextEncoding::Latin1:
            if (r.wide)
                fBuffer.append(r.wideView().toLatin1());
            else
                fBuffer.append(static_cast<const char *>(r.data), qsizetype(r.length));
            fBuffer.append("\r\n");
            break;
        case TTextEncoding::Utf8:
        case TTextEncoding::Utf8Bom:
            AppendUtf8(fBuffer, r);
            fBuffer.append("\r\n");
            break;
        case TTextEncoding::Utf16LE:
        case TTextEncoding::Utf16BE:
            fBuffer.append(fEncoder.encode(r.toString() + QStringLiteral("\r\n")));
            break;
        }
        if (fBuffer.size() >= kFlushAt)
            flush();
    }

    void flush()
    {
        if (!fBuffer.isEmpty() && fFile.write(fBuffer) != fBuffer.size())
            throw EParlune(QStringLiteral("Cannot write file \"%1\": %2").arg(fFile.fileName(), fFile.errorString()));
        fBuffer.clear();
    }

private:
    static constexpr qsizetype kFlushAt = 1 << 20;
    QSaveFile &fFile;
    TTextEncoding fEncoding;
    QStringEncoder fEncoder;
    QByteArray fBuffer;
};

} // namespace

void WriteTextFile(const QString &path, const std::vector<TLineRec> &lines, TTextEncoding encoding)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EParlune(QStringLiteral("Cannot create file \"%1\": %2").arg(path, file.errorString()));
    TEncodingWriter writer(file, encoding);
    for (const TLineRec &r : lines)
        writer.line(r);
    writer.flush();
    if (!file.commit())
        throw EParlune(QStringLiteral("Cannot write file \"%1\": %2").arg(path, file.errorString()));
}
