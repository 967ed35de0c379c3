#include "TextStore.h"

#include "Errors.h"

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

void checkLineLength(qsizetype length)
{
    if (length < 0 || length >= (qsizetype(1) << 30))
        throw EParlune(QStringLiteral("Line too long (1,073,741,824 characters or more)"));
}

void *TTextArena::allocate(size_t bytes, TKeepAlive &keep)
{
    fUsed = (fUsed + 1) & ~size_t(1);  // keep UTF-16 units aligned
    if (!fBlock || fCap - fUsed < bytes) {
        fCap = std::max(fBlockSize, bytes);
        fBlock = std::shared_ptr<char[]>(new char[fCap]);
        fUsed = 0;
        keep.add(std::shared_ptr<const void>(fBlock, fBlock.get()));
    }
    void *p = fBlock.get() + fUsed;
    fUsed += bytes;
    return p;
}

TLineRec TTextArena::storeLatin1(const char *p, size_t n, TKeepAlive &keep)
{
    checkLineLength(qsizetype(n));
    TLineRec r;
    r.length = uint32_t(n);
    if (n) {
        void *dst = allocate(n, keep);
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
        auto *dst = static_cast<uchar *>(allocate(size_t(s.size()), keep));
        for (qsizetype i = 0; i < s.size(); ++i)
            dst[i] = uchar(src[i]);
        r.data = dst;
    } else {
        void *dst = allocate(size_t(s.size()) * 2, keep);
        std::memcpy(dst, src, size_t(s.size()) * 2);
        r.data = dst;
        r.wide = true;
    }
    return r;
}
