#pragma once
// Compact, stable storage for the characters of many lines.
//
// A pane may hold millions of lines, so a line is not a QString of its own:
// it is a view into a larger block of memory, of one of three kinds:
//   Latin-1  one byte a character (plain ASCII, and Latin-1 files);
//   UTF-8    valid UTF-8 as it stood in a file, read as UTF-16 units;
//   UTF-16   units in the machine's byte order.
// A loaded file's own buffer is the storage of every line that needs no
// change to be read: ASCII and valid UTF-8 lines of a byte file, ASCII lines
// of a Latin-1 file, and the lines of a UTF-16 file (big-endian units are
// swapped in the buffer itself). Lines with tabs, and lines decoded in any
// other way, are stored in an arena (TTextArena). Who keeps a block alive:
// the TKeepAlive of the line list that points into it, and of every
// snapshot taken of it, so the buffer lives as long as the last of them.
// Stored characters never move or change, so a view stays valid for as long
// as its block is kept alive.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <memory>
#include <vector>

struct TLineProp
{
    bool BreakPoint = false;
    bool Bookmark = false;
    qint8 BookmarkIndex = -1;  // numbered bookmark 0..9, or -1 for none
};

// One stored line: where its characters are, and the hash of its text,
// made once when the line is made (the comparison needs it for every line
// on every pass; lines that do not change are not hashed again).
//
// Three kinds of storage: Latin-1 bytes, UTF-16 units (wide), or valid UTF-8
// (utf8; a loaded file's own bytes, so a UTF-8 file is not copied). Whatever
// the kind, length counts UTF-16 code units: a UTF-8 line is the first
// length units its bytes decode to, so a shorter length is a prefix.
struct TLineRec
{
    const void *data = nullptr;  // see wide and utf8
    uint32_t length : 28 = 0;    // in UTF-16 code units
    uint32_t wide : 1 = 0;
    uint32_t utf8 : 1 = 0;
    uint32_t hashed : 1 = 0;     // hash holds the hasher's value for this text
    uint32_t hash = 0;

    QStringView wideView() const { return {static_cast<const char16_t *>(data), qsizetype(length)}; }
    const uchar *latin1() const { return static_cast<const uchar *>(data); }
    // Unit i; linear in i for a UTF-8 line.
    char16_t at(qsizetype i) const;
    // Bytes of a UTF-8 line that hold its length units.
    size_t utf8Bytes() const;
    QString toString() const;
    // Units [first, first + count) clipped to the line.
    QString mid(qsizetype first, qsizetype count) const;
    bool equalsText(QStringView s) const;
};

// Reads valid UTF-8 as UTF-16 units, one unit per next(); a character
// beyond U+FFFF gives its two surrogates in turn. No checks: the bytes must
// have passed Utf8Units.
class TUtf8Reader
{
public:
    explicit TUtf8Reader(const void *p) : fP(static_cast<const uchar *>(p)) {}
    char16_t next()
    {
        if (fLow) {
            const char16_t c = fLow;
            fLow = 0;
            return c;
        }
        const uchar b = fP[0];
        if (b < 0x80) {
            ++fP;
            return b;
        }
        if (b < 0xE0) {
            const char16_t c = char16_t((b & 0x1F) << 6 | (fP[1] & 0x3F));
            fP += 2;
            return c;
        }
        if (b < 0xF0) {
            const char16_t c = char16_t((b & 0x0F) << 12 | (fP[1] & 0x3F) << 6 | (fP[2] & 0x3F));
            fP += 3;
            return c;
        }
        const char32_t cp = char32_t((b & 0x07) << 18 | (fP[1] & 0x3F) << 12 | (fP[2] & 0x3F) << 6 | (fP[3] & 0x3F));
        fP += 4;
        fLow = char16_t(0xDC00 | (cp & 0x3FF));
        return char16_t(0xD800 | ((cp - 0x10000) >> 10));
    }
    // Bytes read so far, from the start given.
    const uchar *position() const { return fP; }

private:
    const uchar *fP;
    char16_t fLow = 0;  // the low surrogate still to give, or 0
};

// Readers of the other two stored kinds, with the same next() as
// TUtf8Reader, for comparing lines of any two kinds.
struct TLatin1Reader
{
    const uchar *p;
    char16_t next() { return *p++; }
};

struct TWideReader
{
    const char16_t *p;
    char16_t next() { return *p++; }
};

// The number of UTF-16 units that s[0, n) decodes to, or -1 when it is not
// well-formed UTF-8 (overlong forms, surrogates, values above U+10FFFF and
// cut sequences are not).
qsizetype Utf8Units(const char *s, size_t n);

// The hash that lines carry (the comparison's normalised line hash).
using TLineHasher = uint32_t (*)(const TLineRec &);

// The set of memory blocks a list of lines points into.
class TKeepAlive
{
public:
    void add(std::shared_ptr<const void> block);
    void adopt(const TKeepAlive &other);
    void clear() { fBlocks.clear(); }
    size_t size() const { return fBlocks.size(); }

private:
    std::vector<std::shared_ptr<const void>> fBlocks;
};

// Append-only storage for line texts made on the fly (decoded, tab-expanded
// or edited lines). Blocks are registered with the given keep-alive set as
// they are made. All bookkeeping is in bytes; a UTF-16 line starts on an
// even byte, and the alignment is part of the capacity check.
class TTextArena
{
public:
    explicit TTextArena(size_t blockSize = 256 * 1024) : fFirstBlockSize(blockSize), fBlockSize(blockSize) {}
    // Stores s as Latin-1 when every unit is below 256, else as UTF-16.
    TLineRec store(QStringView s, TKeepAlive &keep);
    // Copies the line's stored characters, keeping their kind (hash included).
    TLineRec copy(const TLineRec &line, TKeepAlive &keep);
    TLineRec storeLatin1(const char *p, size_t n, TKeepAlive &keep);
    // Stores the bytes p[0, n), Latin-1 or valid UTF-8 of `units` UTF-16
    // units, with every tab turned into tabSize spaces (kept as they are for
    // a tab size of 0), in their own kind:
    // a tab is one byte in both, so the bytes stay valid and the line is
    // the text the decoded and expanded bytes would make.
    TLineRec storeExpandingTabs(const char *p, size_t n, size_t units, bool utf8, int tabSize, TKeepAlive &keep);
    void reset()
    {
        fBlock.reset();
        fUsed = fCap = 0;
        fStored = 0;
        fBlockSize = fFirstBlockSize;
    }
    // Bytes handed out since the last reset, live or not.
    size_t stored() const { return fStored; }

private:
    void *allocate(size_t bytes, size_t align, TKeepAlive &keep);
    static constexpr size_t kHugePage = size_t(2) << 20;
    static constexpr size_t kHugeBlock = size_t(4) << 20;     // from here on: hinted
    static constexpr size_t kLargestBlock = size_t(8) << 20;
    size_t fFirstBlockSize;
    size_t fBlockSize;  // of the next block
    std::shared_ptr<char[]> fBlock;
    size_t fUsed = 0;  // bytes of fBlock handed out, never above fCap
    size_t fCap = 0;   // bytes in fBlock
    size_t fStored = 0;
};

// The longest line and the most lines a list holds. A pane draws a line in
// pixels at 64-bit offsets, but its scroll bars count in int, so a line is
// kept well below 2^31 / character width; the line count keeps row offsets
// and the engine's arrays within their int indices.
constexpr qsizetype kMaxLineLength = 200'000'000;
constexpr qsizetype kMaxLineCount = 100'000'000;

// Asks for the memory [p, p + bytes) of a large buffer about to be filled
// whole to be backed by huge pages where the system offers them, and puts
// the ends no huge page covers in place in one call: filling it then takes
// a page fault per 2 MiB instead of per 4 KiB. Only a hint: nothing else
// changes. It is given to what is filled whole right after it is made: a
// file's read buffer, its list of lines, the row list, the large blocks of
// tab-expanded copies and the pass's two id lists. On this machine a fault
// costs about 10 us: a 1M-line file whose lines half hold tabs read in
// 0.36-0.55 s with the hints against 0.70-0.94 s without, on every run, and
// two 500k-line files compared in 0.07-0.09 s instead of 0.10 s (469 faults
// instead of 3,209). The pass's table and script arrays are not filled
// whole, and where the kernel compacts memory on the fault that asks for a
// huge page (transparent_hugepage/defrag = madvise) a hint can cost more
// than it saves, so they are not hinted.
void PreferHugePages(void *p, size_t bytes);

// A count with thousands separators, for messages.
QString FormatCount(qint64 n);
// Refuses (EParlune, naming the limit) a line longer than kMaxLineLength.
void checkLineLength(qsizetype length);
// Refuses (EParlune, naming the limit) more than kMaxLineCount lines.
void checkLineCount(qsizetype count);

// Appends s to out with every tab turned into tabSize spaces, in one pass.
void AppendExpandingTabs(QString &out, QStringView s, int tabSize);
QString ExpandTabs(QStringView s, int tabSize);

// Appends the line's text to out as UTF-8 (plain ASCII and UTF-8 lines are
// copied as they are stored).
void AppendUtf8(QByteArray &out, const TLineRec &line);
