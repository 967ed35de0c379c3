#include "text/TextStore.h"

#include "text/Errors.h"
#include "text/Utf8.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

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
    // A unit takes at least one byte, so while u units are still to come,
    // the next (length - u) bytes surely belong to the line: those are
    // counted in one tight loop, each byte that starts a character adding
    // its units (2 for a four-byte one). Then the last character's
    // remaining bytes are added.
    const uchar *p = latin1();
    size_t i = 0;
    for (size_t u = 0; u < length;) {
        const size_t stop = i + (length - u);
        size_t add = 0;
        for (; i < stop; ++i)
            add += Utf8::UnitsStarted(p[i]);
        u += add;
    }
    return Utf8::EndOfLastChar(p, i);
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

namespace {

#if defined(__SSE2__)
// Sixteen bytes from a character start that hold only ASCII and well-formed
// two-byte characters (the usual text of alphabets with case): true, with
// the bytes and units they make up (a two-byte character cut by the end of
// the window is left for the next). Anything else is left to the byte loop.
inline bool asciiOrTwoByte(const uchar *p, size_t &bytes, size_t &units)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const unsigned high = unsigned(_mm_movemask_epi8(v));
    if (!high) {
        bytes = units = 16;
        return true;
    }
    const __m128i v2 = _mm_add_epi8(v, v);
    const unsigned bit6 = unsigned(_mm_movemask_epi8(v2));
    const unsigned bit5 = unsigned(_mm_movemask_epi8(_mm_add_epi8(v2, v2)));
    const unsigned overlong = unsigned(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(char(0xFE))), _mm_set1_epi8(char(0xC0)))));
    const unsigned cont = high & ~bit6;
    const unsigned lead2 = high & bit6 & ~bit5 & ~overlong;
    // Every byte is ASCII, a lead or a continuation; a continuation follows
    // each lead and nothing else.
    if (((~high & 0xFFFF) | lead2 | cont) != 0xFFFF || cont != ((lead2 << 1) & 0xFFFF))
        return false;
    // Each character is one unit (the cut one's is left for the next).
    const unsigned cut = lead2 >> 15;
    bytes = 16 - cut;
    units = Utf8::UnitsStarted16(v) - cut;
    return true;
}
#endif

// The tabs among p[0, n). Compared sixteen bytes at a time, with the hits
// summed in byte lanes (at most 255 blocks before they are added up): the
// plain loop is widened to 64-bit lanes by the compiler, at twice the cost.
size_t countTabs(const char *p, size_t n)
{
    size_t tabs = 0;
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i tab = _mm_set1_epi8('\t');
    while (n - i >= 16) {
        const size_t blocks = std::min((n - i) / 16, size_t(255));
        __m128i hits = _mm_setzero_si128();
        for (size_t b = 0; b < blocks; ++b, i += 16)
            hits = _mm_sub_epi8(hits, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i)), tab));
        const __m128i sums = _mm_sad_epu8(hits, _mm_setzero_si128());
        tabs += size_t(_mm_cvtsi128_si32(sums)) + size_t(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
#endif
    for (; i < n; ++i)
        tabs += size_t(p[i] == '\t');
    return tabs;
}

// Copies p[0, n) to dst with each tab as width spaces; [dst, end) holds
// exactly the result. Runs of sixteen bytes without a tab (most of a line)
// are copied whole; where a tab falls, the block is stored up to its end
// and the part after the tab is written over, so nothing lands past end.
void expandTabsInto(const char *p, size_t n, char *dst, char *end, size_t width)
{
    const char *const stop = p + n;
#if defined(__SSE2__)
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i spaces = _mm_set1_epi8(' ');
    while (stop - p >= 16 && end - dst >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const unsigned tabs = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, tab)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst), v);
        if (!tabs) {
            p += 16;
            dst += 16;
            continue;
        }
        const unsigned before = unsigned(std::countr_zero(tabs));
        dst += before;
        p += before + 1;
        if (width <= 16 && end - dst >= 16)
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst), spaces);
        else
            std::memset(dst, ' ', width);
        dst += width;
    }
#endif
    for (; p < stop; ++p) {
        if (*p != '\t') {
            *dst++ = *p;
        } else {
            std::memset(dst, ' ', width);
            dst += width;
        }
    }
}

} // namespace

qsizetype Utf8Units(const char *s, size_t n)
{
    const auto *p = reinterpret_cast<const uchar *>(s);
    size_t units = 0;
    size_t i = 0;
    while (i < n) {
#if defined(__SSE2__)
        size_t bytes, made;
        if (i + 16 <= n && asciiOrTwoByte(p + i, bytes, made)) {
            i += bytes;
            units += made;
            continue;
        }
#endif
        // Runs of ASCII go eight bytes at a time.
        if (i + 8 <= n) {
            uint64_t w;
            std::memcpy(&w, p + i, 8);
            if (!(w & 0x8080808080808080ull)) {
                i += 8;
                units += 8;
                continue;
            }
        }
        const uchar b = p[i];
        if (b < 0x80) {
            ++i;
            ++units;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF) {  // two bytes: most letters outside ASCII
            if (i + 1 >= n || (p[i + 1] & 0xC0) != 0x80)
                return -1;
            i += 2;
            ++units;
            continue;
        }
        // The allowed range of the second byte depends on the first, so that
        // overlong forms, surrogates and values above U+10FFFF fail.
        uchar lo = 0x80, hi = 0xBF;
        size_t len;
        if (b >= 0xE0 && b <= 0xEF) {
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

void PreferHugePages(void *p, size_t bytes)
{
#if defined(MADV_HUGEPAGE)
    constexpr quintptr kHuge = quintptr(2) << 20;
    constexpr quintptr kPage = 4096;
    const auto start = reinterpret_cast<quintptr>(p);
    const quintptr first = (start + kHuge - 1) & ~(kHuge - 1);
    const quintptr last = (start + bytes) & ~(kHuge - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
    // The ends that no huge page covers are put in place in one call, not a
    // fault per page (kernels before 5.14 refuse this: it is only a hint).
    constexpr int kPopulateWrite = 23;  // MADV_POPULATE_WRITE
    const quintptr headStart = (start + kPage - 1) & ~(kPage - 1);
    const quintptr headEnd = last > first ? first : (start + bytes) & ~(kPage - 1);
    if (headEnd > headStart)
        ::madvise(reinterpret_cast<void *>(headStart), headEnd - headStart, kPopulateWrite);
    const quintptr tailEnd = (start + bytes) & ~(kPage - 1);
    if (last > first && tailEnd > last)
        ::madvise(reinterpret_cast<void *>(last), tailEnd - last, kPopulateWrite);
#else
    Q_UNUSED(p);
    Q_UNUSED(bytes);
#endif
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
    if (tabs == 0 || tabSize <= 0) {  // a tab size of 0 keeps tabs as they are
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
        std::shared_ptr<char[]> block;
        if (cap >= kHugeBlock) {
            // Aligned, so that huge pages can back all of it.
            constexpr std::align_val_t align{kHugePage};
            block.reset(new (align) char[cap], [](char *p) { ::operator delete[](p, align); });
            PreferHugePages(block.get(), cap);
        } else {
            block.reset(new char[cap]);
        }
        // Blocks grow with what is stored: a large file's tab lines fill
        // few blocks, a small file's few lines take little memory.
        fBlockSize = std::min(fBlockSize * 2, kLargestBlock);
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

TLineRec TTextArena::storeExpandingTabs(const char *p, size_t n, size_t units, bool utf8, int tabSize,
                                        TKeepAlive &keep)
{
    // A tab size of 0 keeps tabs as they are (as AppendExpandingTabs does).
    const size_t tabs = tabSize > 0 ? countTabs(p, n) : 0;
    const size_t width = size_t(std::max(tabSize, 0));
    const size_t length = units - tabs + tabs * width;
    if (length > size_t(kMaxLineLength))
        checkLineLength(kMaxLineLength + 1);
    TLineRec r;
    r.length = uint32_t(length);
    r.utf8 = utf8 ? 1 : 0;
    const size_t bytes = n - tabs + tabs * width;
    if (bytes == 0)
        return r;
    auto *dst = static_cast<char *>(allocate(bytes, 1, keep));
    r.data = dst;
    if (tabs == 0) {
        std::memcpy(dst, p, n);
        return r;
    }
    expandTabsInto(p, n, dst, dst + bytes, width);
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
