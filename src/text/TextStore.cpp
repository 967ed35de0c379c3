#include "TextStore.h"

#include "Errors.h"

#include <QLocale>

#include <algorithm>
#include <cstring>

namespace {

// Decodes count units of a UTF-8 line, skipping the first skip units.
void decodeUtf8(const TLineRec &r, qsizetype skip, qsizetype count, char16_t *dst)
{
    TUtf8Reader in(r.data);
    for (qsizetype i = 0; i < skip; ++i)
        in.next();
    for (qsizetype i = 0; i < count; ++i)
        dst[i] = in.next();
}

} // namespace

char16_t TLineRec::at(qsizetype i) const
{
    if (wide)
        return static_cast<const char16_t *>(data)[i];
    if (!utf8)
        return latin1()[i];
    char16_t c;
    decodeUtf8(*this, i, 1, &c);
    return c;
}

size_t TLineRec::utf8Bytes() const
{
    TUtf8Reader in(data);
    for (uint32_t i = 0; i < length; ++i)
        in.next();
    return size_t(in.position() - latin1());
}

QString TLineRec::mid(qsizetype first, qsizetype count) const
{
    first = std::clamp<qsizetype>(first, 0, length);
    count = std::clamp<qsizetype>(count, 0, length - first);
    if (wide)
        return wideView().mid(first, count).toString();
    if (!utf8)
        return QString::fromLatin1(static_cast<const char *>(data) + first, count);
    QString out(count, Qt::Uninitialized);
    decodeUtf8(*this, first, count, reinterpret_cast<char16_t *>(out.data()));
    return out;
}

QString TLineRec::toString() const
{
    return mid(0, length);
}

bool TLineRec::equalsText(QStringView s) const
{
    if (s.size() != qsizetype(length))
        return false;
    if (wide)
        return wideView() == s;
    if (utf8) {
        TUtf8Reader in(data);
        for (qsizetype i = 0; i < s.size(); ++i)
            if (s[i].unicode() != in.next())
                return false;
        return true;
    }
    const uchar *p = latin1();
    for (qsizetype i = 0; i < s.size(); ++i)
        if (s[i].unicode() != p[i])
            return false;
    return true;
}

qsizetype Utf8Units(const char *s, size_t n)
{
    const auto *p = reinterpret_cast<const uchar *>(s);
    size_t units = 0;
    size_t i = 0;
    while (i < n) {
        // Runs of ASCII go eight bytes at a time.
        while (i + 8 <= n) {
            uint64_t w;
            std::memcpy(&w, p + i, 8);
            if (w & 0x8080808080808080ull)
                break;
            i += 8;
            units += 8;
        }
        if (i == n)
            break;
        const uchar b = p[i];
        if (b < 0x80) {
            ++i;
            ++units;
            continue;
        }
        // The allowed range of the second byte depends on the first, so that
        // overlong forms, surrogates and values above U+10FFFF fail.
        uchar lo = 0x80, hi = 0xBF;
        size_t len;
        if (b >= 0xC2 && b <= 0xDF) {
            len = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            if (b == 0xE0)
                lo = 0xA0;
            else if (b == 0xED)
                hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            if (b == 0xF0)
                lo = 0x90;
            else if (b == 0xF4)
                hi = 0x8F;
        } else {
            return -1;
        }
        if (n - i < len || p[i + 1] < lo || p[i + 1] > hi)
            return -1;
        for (size_t k = 2; k < len; ++k)
            if ((p[i + k] & 0xC0) != 0x80)
                return -1;
        i += len;
        units += len == 4 ? 2 : 1;
    }
    return qsizetype(units);
}

void AppendUtf8(QByteArray &out, const TLineRec &line)
{
    if (line.utf8) {
        out.append(static_cast<const char *>(line.data), qsizetype(line.utf8Bytes()));
        return;
    }
    bool ascii = !line.wide;
    for (uint32_t i = 0; ascii && i < line.length; ++i)
        ascii = line.latin1()[i] < 0x80;
    if (ascii)
        out.append(static_cast<const char *>(line.data), qsizetype(line.length));
    else
        out.append(line.toString().toUtf8());
}

void TKeepAlive::add(std::shared_ptr<const void> block)
{
    if (std::find(fBlocks.begin(), fBlocks.end(), block) == fBlocks.end())
        fBlocks.push_back(std::move(block));
}

void TKeepAlive::adopt(const TKeepAlive &other)
{
    for (const auto &b : other.fBlocks)
        add(b);
}

QString FormatCount(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

void checkLineLength(qsizetype length)
{
    static_assert(kMaxLineLength < (qsizetype(1) << 28), "the record keeps lengths in 28 bits");
    if (length < 0 || length > kMaxLineLength)
        throw ETooLarge(QStringLiteral("Line too long: a line may hold at most %1 characters").arg(FormatCount(kMaxLineLength)));
}

void checkLineCount(qsizetype count)
{
    if (count < 0 || count > kMaxLineCount)
        throw ETooLarge(QStringLiteral("Too many lines: a text may hold at most %1 lines").arg(FormatCount(kMaxLineCount)));
}

void AppendExpandingTabs(QString &out, QStringView s, int tabSize)
{
    qsizetype tabs = 0;
    for (QChar c : s)
        tabs += c == u'\t';
    if (tabs == 0) {
        out.append(s);
        return;
    }
    const qsizetype start = out.size();
    out.resize(start + s.size() + tabs * (tabSize - 1));
    char16_t *dst = reinterpret_cast<char16_t *>(out.data()) + start;
    for (QChar c : s) {
        if (c == u'\t') {
            for (int k = 0; k < tabSize; ++k)
                *dst++ = u' ';
        } else {
            *dst++ = c.unicode();
        }
    }
}

QString ExpandTabs(QStringView s, int tabSize)
{
    QString out;
    AppendExpandingTabs(out, s, tabSize);
    return out;
}

void *TTextArena::allocate(size_t bytes, size_t align, TKeepAlive &keep)
{
    size_t start = (fUsed + align - 1) & ~(align - 1);
    if (!fBlock || start > fCap || fCap - start < bytes) {
        const size_t cap = std::max(fBlockSize, bytes);
        std::shared_ptr<char[]> block(new char[cap]);
        keep.add(std::shared_ptr<const void>(block, block.get()));
        fBlock = std::move(block);
        fCap = cap;
        start = 0;
    }
    fUsed = start + bytes;
    fStored += bytes;
    return fBlock.get() + start;
}

TLineRec TTextArena::storeLatin1(const char *p, size_t n, TKeepAlive &keep)
{
    checkLineLength(qsizetype(n));
    TLineRec r;
    r.length = uint32_t(n);
    if (n) {
        void *dst = allocate(n, 1, keep);
        std::memcpy(dst, p, n);
        r.data = dst;
    }
    return r;
}

TLineRec TTextArena::store(QStringView s, TKeepAlive &keep)
{
    checkLineLength(s.size());
    TLineRec r;
    r.length = uint32_t(s.size());
    if (s.isEmpty())
        return r;
    const char16_t *src = s.utf16();
    bool narrow = true;
    for (qsizetype i = 0; i < s.size(); ++i)
        narrow &= src[i] < 256;
    if (narrow) {
        auto *dst = static_cast<uchar *>(allocate(size_t(s.size()), 1, keep));
        for (qsizetype i = 0; i < s.size(); ++i)
            dst[i] = uchar(src[i]);
        r.data = dst;
    } else {
        void *dst = allocate(size_t(s.size()) * 2, alignof(char16_t), keep);
        std::memcpy(dst, src, size_t(s.size()) * 2);
        r.data = dst;
        r.wide = true;
    }
    return r;
}

TLineRec TTextArena::copy(const TLineRec &line, TKeepAlive &keep)
{
    TLineRec c;
    if (line.wide) {
        c = store(line.wideView(), keep);
    } else if (line.utf8) {
        const size_t bytes = line.utf8Bytes();
        c.length = line.length;
        c.utf8 = 1;
        void *dst = allocate(bytes, 1, keep);
        std::memcpy(dst, line.data, bytes);
        c.data = dst;
    } else {
        c = storeLatin1(static_cast<const char *>(line.data), line.length, keep);
    }
    c.hash = line.hash;
    c.hashed = line.hashed;
    return c;
}
