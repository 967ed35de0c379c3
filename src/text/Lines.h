#pragma once
// The line list of a text pane: lines, one TLineProp per line, and the file
// encoding remembered from the last load. Plain data with change signals;
// it knows nothing of painting, carets or undo.

#include "text/TextFile.h"
#include "text/TextStore.h"

#include <QObject>

#include <atomic>
#include <QString>
#include <memory>
#include <vector>

// A pane's lines taken at one moment. It shares the line records and the
// characters with the pane, so taking one costs nothing, and it stays valid
// whatever the pane does next. The rule that makes this safe across
// threads: a worker (the interning of a comparison) reads a snapshot only,
// never the list; and every write to the list's records goes through
// edit(), which copies the records first while a snapshot shares them.
struct TLineSnapshot
{
    std::shared_ptr<const std::vector<TLineRec>> shared;
    TKeepAlive keep;
    const std::vector<TLineRec> &lines() const { return *shared; }
    int Count() const { return int(shared->size()); }
};

// The mark bits of TRowInfo::marks (the bookmark number sits above them).
constexpr uint8_t kBreakPointBit = 1;
constexpr uint8_t kBookmarkBit = 2;

// What a row stands for beyond its text. A row shows a line of the text
// (loaded and unedited, or edited or new) or is a filler a comparison put
// where the other side has a line; a comparison also hides the empty lines
// of the text, and each row counts those hidden right before it. The info
// travels with its row through every edit, as the marks do.
struct TRowInfo
{
    static constexpr int32_t kText = -1;    // a line of the text, not as loaded
    static constexpr int32_t kFiller = -2;  // no line of the text

    int32_t origin = kText;  // >= 0: the line of the loaded text, unedited
    uint32_t hidden = 0;     // empty lines of the text hidden before this row
    int32_t passRow = -1;    // the row the last comparison gave it, on both sides
    uint8_t marks = 0;       // breakpoint, bookmark and bookmark number, packed

    bool filler() const { return origin == kFiller; }
};

class TLines : public QObject
{
    Q_OBJECT
public:
    explicit TLines(QObject *parent = nullptr);

    int Count() const { return int(fLines->size()); }
    QString Get(int i) const;
    const TLineRec &Rec(int i) const;  // the stored line, for fast read-only passes
    int Length(int i) const { return int(Rec(i).length); }
    // The length of the longest line, in code units.
    int MaxLength() const;

    // Tabs become TabSize spaces, line feeds are dropped, carriage returns
    // cut s into lines; each piece is appended unmarked. "" appends one line.
    void Add(QStringView s);
    // Inserts one line before index (index == Count appends); s must hold no
    // line breaks; tabs are expanded as in Add.
    void Insert(int index, QStringView s);
    // Inserts the lines before index in one step (one signal); each text
    // must hold no line breaks; tabs are expanded as in Add.
    void InsertLines(int index, const QList<QStringView> &texts);
    // Replaces the text of line i, keeping its marks.
    void Replace(int i, QStringView s);
    // Replaces count lines from first on (count >= 1) by texts (at least
    // one, none holding a line break; tabs are expanded as in Add) in one
    // step: line first keeps its marks, the other new lines have none. A
    // failure (a limit, memory) leaves the list as it was.
    void ReplaceLines(int first, int count, const QList<QStringView> &texts);
    // Removes line i and its marks; the only line is emptied instead (its
    // marks stay), so a list with lines never becomes empty this way.
    void Delete(int i);
    // Removes count lines from first on (at least one line must remain).
    void DeleteRange(int first, int count);
    // Deletes every empty line, last to first, with the same rule as Delete.
    void DeleteEmptyLines();
    // Deletes the fillers a comparison left and puts the empty lines it hid
    // back in their places: the rows become the text's own lines again.
    void DeleteFillers();
    void Clear();

    QString Text() const;  // every line followed by CR LF
    void SetText(QStringView text);

    void SetBreakPoint(int index, bool value);
    void SetBookmark(int index, bool value);
    // Inline: the overview strip and the count of differences ask every row.
    bool GetBreakPoint(int index) const
    {
        return index >= 0 && size_t(index) < fRows.size() && (fRows[size_t(index)].marks & kBreakPointBit);
    }
    bool GetBookmark(int index) const
    {
        return index >= 0 && size_t(index) < fRows.size() && (fRows[size_t(index)].marks & kBookmarkBit);
    }
    TLineProp Prop(int index) const;

    const TRowInfo &Row(int index) const;
    // The infos of rows first .. first + count - 1, and putting them back
    // (an undo does, after it has put back the rows' texts).
    std::vector<TRowInfo> RowInfos(int first, int count) const;
    void SetRowInfos(int first, const std::vector<TRowInfo> &infos);
    // The number the row's line has in the text that saving writes, from 1;
    // 0 for a filler.
    int LineNumber(int row) const;
    // The row that shows line `number` (from 1) of that text; for a hidden
    // empty line, the next row that shows one (the last row past the end).
    // -1 without rows.
    int RowOfLine(int number) const;
    // How many lines the text that saving writes has (the largest LineNumber,
    // plus the empty lines hidden at the end).
    int TextLineCount() const;
    // Empty lines of the text hidden after the last row.
    uint32_t HiddenAtEnd() const { return fHiddenAtEnd; }

    int TabSize() const { return fTabSize; }
    void SetTabSize(int size) { fTabSize = size; }
    TTextEncoding Encoding() const { return fEncoding; }
    void SetEncoding(TTextEncoding e) { fEncoding = e; }
    // The line break saving writes: the loaded file's, LF for other texts.
    TLineBreak LineBreak() const { return fLineBreak; }
    // Whether saving ends the last line with a break too.
    bool FinalBreak() const { return fFinalBreak; }
    // The row's line in UTF-8: the bytes it was loaded from when it is an
    // unedited line of a UTF-8 file, else its stored text.
    QByteArray RowUtf8(int row) const;

    // Replaces all lines by the file's; remembers its encoding. A file with
    // no lines leaves one empty line. On error the list is unchanged.
    void LoadFromFile(const QString &path, TLineHasher hasher = nullptr);
    // Lines read elsewhere with their row list made, so that the thread
    // that reads a file also makes what taking it in needs most.
    struct TPrepared
    {
        TLoadedText text;
        std::vector<TRowInfo> rows;
    };
    static TPrepared Prepare(TLoadedText &&loaded);
    // Takes lines read elsewhere (e.g. on another thread) as LoadFromFile does.
    void Assign(TPrepared &&prepared);
    void Assign(TLoadedText &&loaded) { Assign(Prepare(std::move(loaded))); }
    // Writes the text the rows stand for: fillers left out, hidden empty
    // lines in their places, unedited lines as the bytes they were loaded
    // from, in the remembered encoding with the loaded file's line break
    // and final break. The rows stand for the written file from then on.
    void SaveToFile(const QString &path);
    // Whether every row shows its loaded line unedited.
    bool Unedited() const;
    // Removes trailing characters up to U+0020 from every line; one
    // LinesChanged over the lines it changed.
    void TrimTrailing();
    // The number (LineNumber) of the first line of the text that the
    // encoding (the remembered one by default) cannot hold, or 0.
    int FirstLineNotEncodable() const { return FirstLineNotEncodable(fEncoding); }
    int FirstLineNotEncodable(TTextEncoding encoding) const;
    // Characters held, in bytes as stored (for measuring memory).
    size_t TextBytes() const;
    // Bytes the arena has handed out since it was last emptied or compacted
    // (for measuring memory).
    size_t ArenaBytes() const { return fArena.stored(); }

    // Gives every line without a hash its hash; lines keep it until their
    // text changes. Sends no change signal: the text is unchanged.
    void ComputeHashes(TLineHasher hasher);
    // Every line's hash, made where missing, without changing the list (so
    // another thread may make them while this one only reads); empty when
    // no line lacks one, or when `stop` was set meanwhile.
    std::vector<uint32_t> HashesOf(TLineHasher hasher, const std::atomic<bool> *stop) const;
    // Takes the hashes HashesOf gave for the lines as they still are, those
    // of lines [from, to) (so that a long list can be taken in pieces).
    void SetHashes(const std::vector<uint32_t> &hashes, size_t from, size_t to);

    TLineSnapshot Snapshot() const;
    // Replaces all lines by `rows` unmarked rows: row k is line source(k) of
    // the snapshot, or an empty line where source(k) is negative. The
    // non-negative sources must increase along the rows, each at most its
    // row (as in an alignment that inserts fillers), so that the rows can be
    // laid out in the snapshot's own records when nothing else holds them.
    // A layout that breaks this is refused (EParlune) and changes nothing.
    template <typename Source> void SetRows(TLineSnapshot &&snapshot, int rows, const Source &source);

    // Rows made aside, for TakeRows: the records, their infos and the
    // blocks that keep their characters alive.
    struct TRowsPlan
    {
        std::shared_ptr<std::vector<TLineRec>> lines;
        std::vector<TRowInfo> infos;
        TKeepAlive keep;
        uint32_t maxLength = 0;  // the longest record's length, counted on the way
        std::vector<int> numbers;  // LineNumber of every row
        int lastNumber = 0;
    };
    // The rows SetRows would make of the snapshot, with mark(k) (a
    // TLineProp) as the marks of row k. It touches no list, so it may run
    // on another thread while the list is shown and its window stays
    // responsive: rows take what their lines stood for from `current`, the
    // list's row infos when the snapshot holds its current lines (pass an
    // empty vector otherwise), and the records are copied, never laid out
    // in the snapshot's own. A bad layout is refused (EParlune) as by SetRows.
    template <typename Source, typename Marks>
    static TRowsPlan MakeRows(const TLineSnapshot &snapshot, const std::vector<TRowInfo> &current, int rows,
                              const Source &source, const Marks &mark);
    // Puts rows made by MakeRows in place of all lines, in one step that
    // cannot fail, and signals a reset. Returns what was replaced, so that
    // the caller may free it where that holds nothing up.
    TRowsPlan TakeRows(TRowsPlan &&plan);
    // The row infos of all rows (a copy that another thread may read).
    std::vector<TRowInfo> AllRowInfos() const { return fRows; }

    // The lines and their infos at one moment, to go back to (a comparison
    // that is cancelled does, so that no mark stands on a row it no longer
    // describes). Taking one costs a copy of the infos; the lines are shared.
    struct TState
    {
        std::shared_ptr<const std::vector<TLineRec>> lines;
        std::vector<TRowInfo> rows;
        TKeepAlive keep;
        uint32_t hiddenAtEnd = 0;
    };
    TState SaveState() const;
    // The same, the row infos copied into `room` (memory made ready
    // elsewhere, so that the copy does not wait for fresh pages).
    TState SaveState(std::vector<TRowInfo> &&room) const;
    void RestoreState(TState &&state);

    // Between BeginUpdate and EndUpdate no change signal is sent; EndUpdate
    // sends one Reset when anything changed. Pair them with TUpdateGuard.
    void BeginUpdate();
    void EndUpdate();

signals:
    void LinesInserted(int index, int count);
    void LinesRemoved(int index, int count);
    void LineChanged(int index);
    // The texts of lines first .. first + count - 1 changed; no line came or went.
    void LinesChanged(int first, int count);
    void MarksChanged(int index);
    void Reset();

private:
    template <typename Source> static void checkRowsLayout(int available, int rows, const Source &source);
    static void checkRowLayout(int k, int j, int available, int last);
    void commitRows(std::shared_ptr<std::vector<TLineRec>> rows, std::vector<TRowInfo> &&infos,
                    TKeepAlive &&keep) noexcept;
    void resetArena();
    void reclaimArena(size_t storedBefore);
    void appendExpanded(QStringView s);
    TLineRec makeLine(QStringView s);
    void checkIndex(int i) const;
    void notifyInserted(int index, int count);
    void notifyRemoved(int index, int count);
    void notifyChanged(int index);
    void notifyMarks(int index);
    void notifyReset();

    std::vector<TLineRec> &edit();  // the records, copied first if a snapshot shares them

    // Marks packed into one byte per line: bit 0 breakpoint, bit 1
    // bookmark, bits 2..5 the bookmark number + 1.
    static uint8_t packProp(const TLineProp &p);
    static TLineProp unpackProp(uint8_t bits);
    // The lines saving writes, and their format.
    std::vector<TOutLine> outLines() const;
    TOutFormat outFormat(TTextEncoding encoding) const;
    void forgetDocument();
    void rowsChanged();

    std::shared_ptr<std::vector<TLineRec>> fLines;
    std::vector<TRowInfo> fRows;  // parallel to the records
    uint32_t fHiddenAtEnd = 0;
    // The loaded file: its line break, final break, and the bytes of lines
    // whose text was changed in reading (sorted by line).
    TLineBreak fLineBreak = TLineBreak::Lf;
    bool fFinalBreak = true;  // a text from no file ends with a break
    TTextEncoding fLoadedEncoding = TTextEncoding::Utf8;
    std::vector<TRawLine> fRaw;
    std::shared_ptr<const void> fRawBlock;
    // LineNumber of every row into numbers; returns the last number.
    static int CountNumbers(const std::vector<TRowInfo> &rows, std::vector<int> &numbers);
    mutable std::vector<int> fNumbers;  // LineNumber per row while not dirty
    mutable int fLastNumber = 0;
    mutable bool fNumbersDirty = true;
    TKeepAlive fKeep;
    TTextArena fArena;
    size_t fEditedBytes = 0;  // stored by edits since the arena was last looked at
    size_t fLiveAtLook = 0;   // live text bytes then
    int fTabSize = 4;
    TTextEncoding fEncoding = TTextEncoding::Utf8;
    void lengthChanged(uint32_t oldLength, uint32_t newLength);

    mutable int fMaxLength = 0;  // valid unless fMaxLengthDirty
    mutable bool fMaxLengthDirty = false;
    int fUpdateDepth = 0;
    bool fUpdateDirty = false;
};

// Holds back a list's change signals for a scope: BeginUpdate now,
// EndUpdate when the scope ends, also when it ends by an exception (a list
// left inside an update would never signal again).
class TUpdateGuard
{
public:
    explicit TUpdateGuard(TLines &lines) : fLines(lines) { fLines.BeginUpdate(); }
    ~TUpdateGuard() { fLines.EndUpdate(); }
    TUpdateGuard(const TUpdateGuard &) = delete;
    TUpdateGuard &operator=(const TUpdateGuard &) = delete;

private:
    TLines &fLines;
};

template <typename Source>
void TLines::checkRowsLayout(int available, int rows, const Source &source)
{
    for (int k = 0, last = -1; k < rows; ++k) {
        const int j = source(k);
        if (j >= 0) {
            checkRowLayout(k, j, available, last);
            last = j;
        }
    }
    checkLineCount(rows);
}

template <typename Source, typename Marks>
TLines::TRowsPlan TLines::MakeRows(const TLineSnapshot &snapshot, const std::vector<TRowInfo> &current, int rows,
                                   const Source &source, const Marks &mark)
{
    checkRowsLayout(snapshot.Count(), rows, source);
    TRowsPlan plan;
    plan.infos.resize(static_cast<size_t>(rows));
    plan.lines = std::make_shared<std::vector<TLineRec>>(size_t(rows));
    plan.keep = snapshot.keep;
    const bool sameLines = current.size() == snapshot.lines().size();
    const std::vector<TLineRec> &from = snapshot.lines();
    TLineRec *to = plan.lines->data();
    uint32_t longest = 0;
    for (int k = 0; k < rows; ++k) {
        const int j = source(k);
        TRowInfo &info = plan.infos[size_t(k)];
        if (j < 0) {
            info.origin = TRowInfo::kFiller;
        } else {
            if (sameLines)
                info = current[size_t(j)];
            to[k] = from[size_t(j)];
            longest = std::max<uint32_t>(longest, to[k].length);
        }
        info.marks = packProp(mark(k));
        info.passRow = k;
    }
    plan.maxLength = longest;
    plan.lastNumber = CountNumbers(plan.infos, plan.numbers);
    return plan;
}

template <typename Source>
void TLines::SetRows(TLineSnapshot &&snapshot, int rows, const Source &source)
{
    // Check the whole layout first, so that a bad one changes nothing.
    checkRowsLayout(snapshot.Count(), rows, source);

    // Everything that may fail to allocate comes first, so that a failure
    // leaves this list as it was (strong guarantee): the row infos, and the
    // room for the rows. A row keeps what its line stood for (the snapshot
    // is of this list's lines), without marks, and learns its row.
    std::vector<TRowInfo> infos(static_cast<size_t>(rows));
    const bool sameLines = snapshot.Count() == Count();
    for (int k = 0; k < rows; ++k) {
        const int j = source(k);
        TRowInfo &info = infos[size_t(k)];
        if (j < 0)
            info.origin = TRowInfo::kFiller;
        else if (sameLines)
            info = fRows[size_t(j)];
        info.marks = 0;
        info.passRow = k;
    }
    std::shared_ptr<std::vector<TLineRec>> to;
    // Whether nobody but this list and the snapshot sees these records.
    const long holders = snapshot.shared.get() == fLines.get() ? 2 : 1;
    if (snapshot.shared.use_count() == holders) {
        // Spread them out in place, from the last row back, so no line is
        // overwritten before it was moved.
        to = std::const_pointer_cast<std::vector<TLineRec>>(snapshot.shared);
        to->reserve(size_t(rows));
        to->resize(size_t(rows));  // within the reserved room: cannot fail
        TLineRec *r = to->data();
        for (int k = rows - 1; k >= 0; --k) {
            const int j = source(k);
            r[k] = j >= 0 ? r[j] : TLineRec{};
        }
    } else {
        to = std::make_shared<std::vector<TLineRec>>(size_t(rows));
        const std::vector<TLineRec> &from = *snapshot.shared;
        for (int k = 0; k < rows; ++k) {
            const int j = source(k);
            if (j >= 0)
                (*to)[size_t(k)] = from[size_t(j)];
        }
    }
    snapshot.shared.reset();
    commitRows(std::move(to), std::move(infos), std::move(snapshot.keep));
    notifyReset();
}
