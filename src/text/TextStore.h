#pragma once
// Compact, stable storage for the characters of many lines.
//
// A pane may hold millions of lines, so a line is not a QString of its own:
// it is a view into a larger block of memory. Lines whose code units are all
// below 256 are kept as Latin-1 bytes (most text), others as UTF-16. A loaded
// file's own buffer serves as storage for its plain ASCII lines, so loading
// such a file copies no characters at all. Stored characters never move or
// change, so a view stays valid for as long as its block is kept alive.

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
struct TLineRec
{
    const void *data = nullptr;  // Latin-1 bytes or char16_t units, see wide
    uint32_t length : 30 = 0;    // in code units
    uint32_t wide : 1 = 0;
    uint32_t hashed : 1 = 0;     // hash holds the hasher's value for this text
    uint32_t hash = 0;

    QStringView wideView() const { return {static_cast<const char16_t *>(data), qsizetype(length)}; }
    const uchar *latin1() const { return static_cast<const uchar *>(data); }
    char16_t at(qsizetype i) const { return wide ? static_cast<const char16_t *>(data)[i] : latin1()[i]; }
    QString toString() const;
    bool equalsText(QStringView s) const;
};

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
    explicit TTextArena(size_t blockSize = 256 * 1024) : fBlockSize(blockSize) {}
    // Stores s as Latin-1 when every unit is below 256, else as UTF-16.
    TLineRec store(QStringView s, TKeepAlive &keep);
    TLineRec storeLatin1(const char *p, size_t n, TKeepAlive &keep);
    void reset() { fBlock.reset(); fUsed = fCap = 0; fStored = 0; }
    // Bytes handed out since the last reset, live or not.
    size_t stored() const { return fStored; }

private:
    void *allocate(size_t bytes, size_t align, TKeepAlive &keep);
    size_t fBlockSize;
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

// A count with thousands separators, for messages.
QString FormatCount(qint64 n);
// Refuses (EParlune, naming the limit) a line longer than kMaxLineLength.
void checkLineLength(qsizetype length);
// Refuses (EParlune, naming the limit) more than kMaxLineCount lines.
void checkLineCount(qsizetype count);

// Appends s to out with every tab turned into tabSize spaces, in one pass.
void AppendExpandingTabs(QString &out, QStringView s, int tabSize);
QString ExpandTabs(QStringView s, int tabSize);

// Appends the line's text to out as UTF-8 (plain ASCII lines are copied as
// they are stored).
void AppendUtf8(QByteArray &out, const TLineRec &line);
