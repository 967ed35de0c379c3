#include "text/TextFile.h"

#include "text/Errors.h"
#include "text/FileSource.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSysInfo>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <memory>

QString LineBreakName(TLineBreak b)
{
    switch (b) {
    case TLineBreak::Lf: return QStringLiteral("LF");
    case TLineBreak::CrLf: return QStringLiteral("CR LF");
    case TLineBreak::Cr: return QStringLiteral("CR");
    }
    return {};
}

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

// QString::fromUtf8 drops a byte-order mark at the start of what it is
// given. Only a file's first bytes can be a byte-order mark (DecodeText
// takes it off); in a line it is a character like any other, so it is kept.
QString decodeUtf8Line(const char *s, size_t len)
{
    QString text;
    while (len >= 3 && std::memcmp(s, "\xEF\xBB\xBF", 3) == 0) {
        text.append(QChar(0xFEFF));
        s += 3;
        len -= 3;
    }
    if (text.isEmpty())
        return QString::fromUtf8(s, qsizetype(len));
    return text + QString::fromUtf8(s, qsizetype(len));
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

// The line break of the first break in units [p, p + n), and whether the
// last unit ends a line.
template <typename Unit>
void findBreaks(const Unit *p, size_t n, TLoadedText &out)
{
    out.lineBreak = TLineBreak::Lf;
    out.finalBreak = n > 0 && (p[n - 1] == Unit('\n') || p[n - 1] == Unit('\r'));
    for (size_t i = 0; i < n; ++i) {
        if (p[i] == Unit('\n'))
            return;
        if (p[i] == Unit('\r')) {
            out.lineBreak = i + 1 < n && p[i + 1] == Unit('\n') ? TLineBreak::CrLf : TLineBreak::Cr;
            return;
        }
    }
}

// The number of CR and LF units in [p, p + n): at least the number of
// lines less one. One pass without branches, which the compiler vectorises.
template <typename Unit>
size_t breaksIn(const Unit *p, size_t n)
{
    size_t breaks = 0;
    for (size_t i = 0; i < n; ++i)
        breaks += size_t((p[i] == Unit('\n')) | (p[i] == Unit('\r')));
    return breaks;
}

enum class TByteMode { Latin1, Utf8, Utf8Checked };

void addLine(TLoadedText &out, TLineRec r, TLineHasher hasher)
{
    if (out.lines.size() >= size_t(kMaxLineCount))
        checkLineCount(qsizetype(out.lines.size()) + 1);
    if (hasher) {
        r.hash = hasher(r);
        r.hashed = 1;
    }
    out.lines.push_back(r);
}

// The hashes of recently seen lines, by their bytes. Texts often repeat
// lines (empty ones, closing braces, or a text made of a few lines over and
// over); a line whose bytes equal one kept here takes its hash without being
// hashed again. Equal bytes make the same record, so the same hash. The
// bytes must outlive the memo.
class THashMemo
{
public:
    // The bytes of the equal line seen before, and their hash; null when
    // there is none in the memo.
    const char *find(const char *s, size_t n, uint32_t &hash) const
    {
        const TEntry &e = fEntries[slot(s, n)];
        if (e.n != n || !e.p || std::memcmp(e.p, s, n) != 0)
            return nullptr;
        hash = e.hash;
        return e.p;
    }
    void remember(const char *s, size_t n, uint32_t hash) { fEntries[slot(s, n)] = TEntry{s, n, hash}; }

private:
    static constexpr size_t kSlots = 64;
    static size_t slot(const char *s, size_t n)
    {
        const uint32_t mixed = uint32_t(n) * 0x9E3779B1u ^ (n ? uchar(s[0]) * 0x85EBCA6Bu ^ uchar(s[n - 1]) * 0xC2B2AE35u : 0);
        return (mixed >> 26) & (kSlots - 1);
    }
    struct TEntry
    {
        const char *p = nullptr;
        size_t n = 0;
        uint32_t hash = 0;
    };
    std::array<TEntry, kSlots> fEntries{};
};

// Byte-oriented files (UTF-8, Latin-1): plain ASCII lines and (in the UTF-8
// modes) valid UTF-8 lines without tabs are used in place, the rest is
// decoded into the arena. In Utf8Checked mode a line that is not valid UTF-8
// stops the split and false comes back (the file is then read as Latin-1);
// only lines with non-ASCII bytes are checked.
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
    THashMemo memo;
    // Room for every line at once: a guess from the size would either grow
    // the list (copying it) for short lines or leave much of it unused.
    const size_t most = out.lines.size() + breaksIn(base, n) + 1;
    out.lines.reserve(most);
    PreferHugePages(out.lines.data(), out.lines.capacity() * sizeof(TLineRec));
    // Room for a raw entry per line: only what is used is ever touched, and
    // growing the list would copy it (a file indented with tabs has one
    // for half its lines).
    out.raw.reserve(most);

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
        const qsizetype units = f.high && utf8 ? Utf8Units(s, len) : qsizetype(len);
        if (units < 0 && mode == TByteMode::Utf8Checked) {
            valid = false;
            return;
        }
        // With a tab size of 0 tabs are kept, so a line with tabs is its
        // bytes too.
        if ((!f.tabs || tabSize <= 0) && units >= 0) {
            checkLineLength(units);
            TLineRec r;
            r.data = s;
            r.length = uint32_t(units);
            r.utf8 = f.high && utf8;
            if (hasher) {
                // A repeated line points at the bytes of its first copy:
                // the same record then, which compares equal at a glance.
                if (const char *same = memo.find(s, len, r.hash)) {
                    r.data = same;
                } else {
                    r.hash = hasher(r);
                    memo.remember(s, len, r.hash);
                }
                r.hashed = 1;
            }
            addLine(out, r, nullptr);
            blockUsed = true;
            return;
        }
        // The stored text differs from the bytes: keep where the bytes are,
        // so that an unedited line is saved as it was read.
        out.raw.push_back(TRawLine{int32_t(out.lines.size()), s, uint32_t(len)});
        if (units >= 0) {
            // Tabs in bytes that are read as they are: expanded on the copy,
            // without decoding (code indented with tabs has many such lines).
            addLine(out, arena.storeExpandingTabs(s, len, size_t(units), f.high && utf8, tabSize, out.keep), hasher);
            return;
        }
        QString text = decodeUtf8Line(s, len);
        if (f.tabs)
            text = ExpandTabs(text, tabSize);
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
    if (!out.raw.empty() && valid)
        out.rawBlock = block;
    if (valid)
        findBreaks(base, n, out);
    return valid;
}

// UTF-16 lines are views into the file's own buffer, as plain ASCII lines
// of a byte file are: big-endian units are swapped in the buffer itself,
// and only lines with tabs are copied (expanded) into the arena. Units are
// kept as they are (a lone surrogate too), so a load and a save give the
// file back; a dangling last byte reads as U+FFFD.
void splitUtf16(QByteArray &bytes, bool littleEndian, int tabSize, TLineHasher hasher, TLoadedText &out)
{
    if ((bytes.size() % 2) != 0) {
        bytes.chop(1);
        bytes.append(littleEndian ? "\xFD\xFF" : "\xFF\xFD", 2);
    }
    char *p = bytes.data();  // detaches: the units must be writable and aligned
    if (reinterpret_cast<quintptr>(p) % alignof(char16_t) != 0) {
        bytes = QByteArray(bytes.constData(), bytes.size());
        p = bytes.data();
    }
    const size_t n = size_t(bytes.size() - 2) / 2;
    const bool swap = littleEndian != (QSysInfo::ByteOrder == QSysInfo::LittleEndian);
    if (swap)
        for (size_t i = 0; i < n; ++i)
            std::swap(p[2 + 2 * i], p[2 + 2 * i + 1]);
    const auto *units = reinterpret_cast<const char16_t *>(p + 2);
    TTextArena arena;
    bool blockUsed = false;
    out.lines.reserve(breaksIn(units, n) + 1);
    PreferHugePages(out.lines.data(), out.lines.capacity() * sizeof(TLineRec));
    splitLines(units, n, [&](size_t b, size_t e) {
        const QStringView piece(units + b, qsizetype(e - b));
        if (tabSize > 0 && piece.contains(u'\t')) {
            out.raw.push_back(TRawLine{int32_t(out.lines.size()), units + b, uint32_t(e - b)});
            addLine(out, arena.store(ExpandTabs(piece, tabSize), out.keep), hasher);
            return;
        }
        checkLineLength(piece.size());
        TLineRec r;
        r.data = piece.utf16();
        r.length = uint32_t(piece.size());
        r.wide = 1;
        addLine(out, r, hasher);
        blockUsed = true;
    });
    auto block = std::make_shared<const QByteArray>(bytes);  // shares the buffer: the views stay valid
    if (blockUsed)
        out.keep.add(std::shared_ptr<const void>(block, block.get()));
    if (!out.raw.empty())
        out.rawBlock = block;
    findBreaks(units, n, out);
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

TLoadedText ReadTextFile(const QString &path, int tabSize, TLineHasher hasher, TSourceKind kind)
{
    return ReadTextFile(NativePath(path), tabSize, hasher, kind);
}

TLoadedText ReadTextFile(const QByteArray &nativePath, int tabSize, TLineHasher hasher, TSourceKind kind)
{
    try {
        return DecodeText(ReadSourceBytes(nativePath, kind), tabSize, hasher);
    } catch (const ETooLarge &e) {
        throw EParlune(QStringLiteral("Cannot read file \"%1\": %2").arg(QFile::decodeName(nativePath), e.message()));
    } catch (const std::bad_alloc &) {
        throw EParlune(QStringLiteral("Cannot read file \"%1\": there is not enough memory for its lines")
                           .arg(QFile::decodeName(nativePath)));
    }
}

namespace {

// The system's reason for the failure just seen; Qt's own text is used only
// when the system gave none (it can say "Unknown error" for a failed write).
QString failureReason(const QFileDevice &file)
{
    if (errno != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return file.errorString();
}

// Whether bytes read in one encoding are written unchanged in the other.
bool sameForm(TTextEncoding a, TTextEncoding b)
{
    auto form = [](TTextEncoding e) {
        switch (e) {
        case TTextEncoding::Utf8:
        case TTextEncoding::Utf8Bom: return 0;
        case TTextEncoding::Latin1: return 1;
        case TTextEncoding::Utf16LE:
        case TTextEncoding::Utf16BE: return 2;
        }
        return -1;
    };
    return form(a) == form(b);
}

// The text of a raw line, read in the encoding it was loaded with.
QString rawText(const TRawLine &raw, TTextEncoding encoding)
{
    const auto *bytes = static_cast<const char *>(raw.data);
    switch (encoding) {
    case TTextEncoding::Latin1: return QString::fromLatin1(bytes, qsizetype(raw.count));
    case TTextEncoding::Utf8:
    case TTextEncoding::Utf8Bom: return decodeUtf8Line(bytes, raw.count);
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE: return QString(static_cast<const QChar *>(raw.data), qsizetype(raw.count));
    }
    return {};
}

// Whether the text holds a surrogate that is not half of a pair.
bool hasLoneSurrogate(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

bool encodable(const TLineRec &r, TTextEncoding encoding)
{
    switch (encoding) {
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE:
        return true;  // units go out as they are
    case TTextEncoding::Utf8:
    case TTextEncoding::Utf8Bom:
        return !r.wide || !hasLoneSurrogate(r.wideView());  // valid UTF-8 lines hold no lone surrogate
    case TTextEncoding::Latin1:
        if (r.utf8) {
            TUtf8Reader in(r.data);
            for (uint32_t k = 0; k < r.length; ++k)
                if (in.next() > 0xFF)
                    return false;
            return true;
        }
        if (!r.wide)
            return true;
        const QStringView text = r.wideView();  // a wide line may still hold Latin-1 only
        return std::none_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0xFF; });
    }
    return true;
}

bool encodable(const QString &text, TTextEncoding encoding)
{
    switch (encoding) {
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE: return true;
    case TTextEncoding::Utf8:
    case TTextEncoding::Utf8Bom: return !hasLoneSurrogate(text);
    case TTextEncoding::Latin1:
        return std::none_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0xFF; });
    }
    return true;
}

class TEncodingWriter
{
public:
    TEncodingWriter(QSaveFile &file, const TOutFormat &format) : fFile(file), fFormat(format)
    {
        switch (format.encoding) {
        case TTextEncoding::Utf8Bom: fBuffer.append("\xEF\xBB\xBF"); break;
        case TTextEncoding::Utf16LE: fBuffer.append("\xFF\xFE"); break;
        case TTextEncoding::Utf16BE: fBuffer.append("\xFE\xFF"); break;
        default: break;
        }
    }

    void line(const TOutLine &l)
    {
        if (l.raw && sameForm(fFormat.rawEncoding, fFormat.encoding))
            raw(*l.raw);
        else if (l.raw)
            text(rawText(*l.raw, fFormat.rawEncoding));
        else if (l.text)
            text(*l.text);
        if (fBuffer.size() >= kFlushAt)
            flush();
    }

    void lineBreak()
    {
        switch (fFormat.lineBreak) {
        case TLineBreak::Lf: ascii('\n'); break;
        case TLineBreak::Cr: ascii('\r'); break;
        case TLineBreak::CrLf:
            ascii('\r');
            ascii('\n');
            break;
        }
    }

    void flush()
    {
        errno = 0;
        if (!fBuffer.isEmpty() && fFile.write(fBuffer) != fBuffer.size())
            throw EParlune(QStringLiteral("Cannot write file \"%1\": %2").arg(fFile.fileName(), failureReason(fFile)));
        fBuffer.clear();
    }

private:
    bool wide() const
    {
        return fFormat.encoding == TTextEncoding::Utf16LE || fFormat.encoding == TTextEncoding::Utf16BE;
    }

    void ascii(char c)
    {
        if (wide())
            unit(char16_t(c));
        else
            fBuffer.append(c);
    }

    void raw(const TRawLine &r)
    {
        if (wide()) {
            const auto *units = static_cast<const char16_t *>(r.data);
            for (uint32_t i = 0; i < r.count; ++i)
                unit(units[i]);
        } else {
            fBuffer.append(static_cast<const char *>(r.data), qsizetype(r.count));
        }
    }

    void text(const TLineRec &r)
    {
        switch (fFormat.encoding) {
        case TTextEncoding::Latin1:
            if (r.wide || r.utf8)
                fBuffer.append(r.toString().toLatin1());
            else
                fBuffer.append(static_cast<const char *>(r.data), qsizetype(r.length));
            break;
        case TTextEncoding::Utf8:
        case TTextEncoding::Utf8Bom:
            AppendUtf8(fBuffer, r);
            break;
        case TTextEncoding::Utf16LE:
        case TTextEncoding::Utf16BE:
            // Units go out as they are, a lone surrogate too: what was
            // loaded from a UTF-16 file is saved unchanged.
            if (r.utf8) {
                TUtf8Reader in(r.data);
                for (uint32_t i = 0; i < r.length; ++i)
                    unit(in.next());
            } else {
                for (uint32_t i = 0; i < r.length; ++i)
                    unit(r.at(i));
            }
            break;
        }
    }

    void text(const QString &t)
    {
        switch (fFormat.encoding) {
        case TTextEncoding::Latin1: fBuffer.append(t.toLatin1()); break;
        case TTextEncoding::Utf8:
        case TTextEncoding::Utf8Bom: fBuffer.append(t.toUtf8()); break;
        case TTextEncoding::Utf16LE:
        case TTextEncoding::Utf16BE:
            for (QChar c : t)
                unit(c.unicode());
            break;
        }
    }

    void unit(char16_t c)
    {
        const char high = char(c >> 8), low = char(c & 0xFF);
        if (fFormat.encoding == TTextEncoding::Utf16LE) {
            fBuffer.append(low);
            fBuffer.append(high);
        } else {
            fBuffer.append(high);
            fBuffer.append(low);
        }
    }

    static constexpr qsizetype kFlushAt = 1 << 20;
    QSaveFile &fFile;
    TOutFormat fFormat;
    QByteArray fBuffer;
};

} // namespace

int FirstLineNotEncodable(const std::vector<TLineRec> &lines, TTextEncoding encoding)
{
    for (size_t i = 0; i < lines.size(); ++i)
        if (!encodable(lines[i], encoding))
            return int(i);
    return -1;
}

int FirstLineNotEncodable(const std::vector<TOutLine> &lines, const TOutFormat &format)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        const TOutLine &l = lines[i];
        const bool ok = l.raw ? sameForm(format.rawEncoding, format.encoding)
                                    || encodable(rawText(*l.raw, format.rawEncoding), format.encoding)
                              : !l.text || encodable(*l.text, format.encoding);
        if (!ok)
            return int(i);
    }
    return -1;
}

void WriteTextFile(const QString &path, const std::vector<TOutLine> &lines, const TOutFormat &format)
{
    // The save replaces the target by renaming a new file over it, which
    // would put a regular file where a device or FIFO was.
    if (IsExistingNonRegular(NativePath(path)))
        throw EParlune(QStringLiteral("Cannot write file \"%1\": it is not a regular file").arg(path));
    if (const int bad = FirstLineNotEncodable(lines, format); bad >= 0)
        throw EParlune(QStringLiteral("Cannot write file \"%1\": line %2 holds characters that %3 cannot keep")
                           .arg(path).arg(bad + 1).arg(EncodingName(format.encoding)));
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const QString folder = QFileInfo(path).absolutePath();
        // The new text goes into a temporary file beside the target, so a
        // folder that cannot be written to cannot take the save, even where
        // the file itself could be overwritten in place (which a failure
        // half-way would leave half old, half new).
        if (QFileInfo(folder).isDir() && ::access(NativePath(folder).constData(), W_OK) != 0)
            throw EParlune(QStringLiteral("Cannot create file \"%1\": the folder \"%2\" is not writable")
                               .arg(path, folder));
        throw EParlune(QStringLiteral("Cannot create file \"%1\": %2").arg(path, failureReason(file)));
    }
    TEncodingWriter writer(file, format);
    for (size_t i = 0; i < lines.size(); ++i) {
        writer.line(lines[i]);
        if (format.finalBreak || i + 1 < lines.size())
            writer.lineBreak();
    }
    writer.flush();
    errno = 0;
    if (!file.commit())
        throw EParlune(QStringLiteral("Cannot write file \"%1\": %2").arg(path, failureReason(file)));
}

void WriteTextFile(const QString &path, const std::vector<TLineRec> &lines, TTextEncoding encoding)
{
    std::vector<TOutLine> out(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        out[i].text = &lines[i];
    TOutFormat format;
    format.encoding = encoding;
    WriteTextFile(path, out, format);
}
