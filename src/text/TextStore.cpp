#include "TextStore.h"

#include "Errors.h"

#include <QLocale>

#include <algorithm>
#include <cstring>

QString TLineRec::toString() const
{
    if (wide)
        return wideView().toString();
    return QString::fromLatin1(static_cast<const char *>(data), qsizetype(length));
}

bool TLineRec::equalsText(QStringView s) const
{
    if (s.size() != qsizetype(length))
        return false;
    if (wide)
        return wideView() == s;
    const uchar *p = latin1();
    for (qsizetype i = 0; i < s.size(); ++i)
        if (s[i].unicode() != p[i])
            return false;
    return true;
}

void AppendUtf8(QByteArray &out, const TLineRec &line)
{
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
    static_assert(kMaxLineLength < (qsizetype(1) << 30), "the record keeps lengths in 30 bits");
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
