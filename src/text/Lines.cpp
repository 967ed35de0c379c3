#include "text/Lines.h"

#include "text/Errors.h"

#include <algorithm>

TLines::TLines(QObject *parent) : QObject(parent), fLines(std::make_shared<std::vector<TLineRec>>()) {}

std::vector<TLineRec> &TLines::edit()
{
    if (fLines.use_count() > 1)
        fLines = std::make_shared<std::vector<TLineRec>>(*fLines);
    return *fLines;
}

uint8_t TLines::packProp(const TLineProp &p)
{
    const int number = std::clamp<int>(p.BookmarkIndex, -1, 9) + 1;
    return uint8_t((p.BreakPoint ? kBreakPointBit : 0) | (p.Bookmark ? kBookmarkBit : 0) | (number << 2));
}

TLineProp TLines::unpackProp(uint8_t bits)
{
    TLineProp p;
    p.BreakPoint = bits & kBreakPointBit;
    p.Bookmark = bits & kBookmarkBit;
    p.BookmarkIndex = qint8((bits >> 2) - 1);
    return p;
}

void TLines::checkIndex(int i) const
{
    if (i < 0 || i >= Count())
        throw EParlune(QStringLiteral("List index out of bounds (%1)").arg(i));
}

const TLineRec &TLines::Rec(int i) const
{
    checkIndex(i);
    return (*fLines)[size_t(i)];
}

QString TLines::Get(int i) const
{
    return Rec(i).toString();
}

TLineProp TLines::Prop(int index) const
{
    checkIndex(index);
    return unpackProp(fRows[size_t(index)].marks);
}

const TRowInfo &TLines::Row(int index) const
{
    checkIndex(index);
    return fRows[size_t(index)];
}

std::vector<TRowInfo> TLines::RowInfos(int first, int count) const
{
    if (first < 0 || count < 0 || first + count > Count())
        throw EParlune(QStringLiteral("Invalid line range (%1, %2)").arg(first).arg(count));
    return std::vector<TRowInfo>(fRows.begin() + first, fRows.begin() + first + count);
}

void TLines::SetRowInfos(int first, const std::vector<TRowInfo> &infos)
{
    if (first < 0 || first + qsizetype(infos.size()) > Count())
        throw EParlune(QStringLiteral("Invalid line range (%1, %2)").arg(first).arg(infos.size()));
    if (infos.empty())
        return;
    std::copy(infos.begin(), infos.end(), fRows.begin() + first);
    rowsChanged();
    notifyMarks(first);
}

void TLines::forgetDocument()
{
    fRaw.clear();
    fRawBlock.reset();
    fLoadedEncoding = fEncoding;
}

void TLines::rowsChanged()
{
    fNumbersDirty = true;
}

int TLines::TextLineCount() const
{
    if (!fRows.empty())
        LineNumber(0);  // brings the numbers up to date
    return int(std::min<int64_t>(int64_t(fLastNumber) + fHiddenAtEnd, INT32_MAX));
}

int TLines::LineNumber(int row) const
{
    checkIndex(row);
    if (fNumbersDirty) {
        fLastNumber = CountNumbers(fRows, fNumbers);
        fNumbersDirty = false;
    }
    return fNumbers[size_t(row)];
}

int TLines::CountNumbers(const std::vector<TRowInfo> &rows, std::vector<int> &numbers)
{
    numbers.resize(rows.size());
    int64_t n = 0;
    for (size_t k = 0; k < rows.size(); ++k) {
        const TRowInfo &info = rows[k];
        n += info.hidden;
        if (info.filler()) {
            numbers[k] = 0;
        } else {
            ++n;
            numbers[k] = int(std::min<int64_t>(n, INT32_MAX));
        }
    }
    return int(std::min<int64_t>(n, INT32_MAX));
}

int TLines::RowOfLine(int number) const
{
    if (fRows.empty())
        return -1;
    LineNumber(0);  // brings the numbers up to date
    // Fillers hold 0 and the numbers of other rows rise: the first row at
    // or past the number is the one.
    const auto at = std::find_if(fNumbers.begin(), fNumbers.end(), [number](int n) { return n >= number; });
    return at == fNumbers.end() ? int(fNumbers.size()) - 1 : int(at - fNumbers.begin());
}

int TLines::MaxLength() const
{
    if (fMaxLengthDirty) {
        uint32_t longest = 0;
        for (const TLineRec &r : *fLines)
            longest = std::max<uint32_t>(longest, r.length);
        fMaxLength = int(longest);
        fMaxLengthDirty = false;
    }
    return fMaxLength;
}

// Keeps the longest length up to date cheaply: a longer line raises it at
// once; only shortening or removing a line of the longest length makes it
// be counted again, on the next read.
void TLines::lengthChanged(uint32_t oldLength, uint32_t newLength)
{
    if (!fMaxLengthDirty && int(newLength) > fMaxLength)
        fMaxLength = int(newLength);
    if (int(oldLength) == fMaxLength && newLength < oldLength)
        fMaxLengthDirty = true;
}

TLineRec TLines::makeLine(QStringView s)
{
    if (s.contains(u'\t'))
        return fArena.store(ExpandTabs(s, fTabSize), fKeep);
    return fArena.store(s, fKeep);
}

size_t TLines::TextBytes() const
{
    size_t bytes = 0;
    for (const TLineRec &r : *fLines)
        bytes += r.utf8 ? r.utf8Bytes() : size_t(r.length) * (r.wide ? 2 : 1);
    return bytes;
}

// Every edit stores its new line whole, and what it replaced stays in the
// arena. Once the text stored by edits since the last look outweighs the
// live text, all lines are copied into a fresh arena and the old blocks
// (and a loaded file's buffer) go, so memory stays proportional to the text
// however long the user types. Looking costs one pass over the records, and
// happens only after that much editing.
void TLines::reclaimArena(size_t storedBefore)
{
    constexpr size_t kMinGarbage = 4 << 20;
    fEditedBytes += fArena.stored() - storedBefore;
    if (fEditedBytes <= std::max(kMinGarbage, fLiveAtLook))
        return;
    const size_t live = TextBytes();
    const bool compact = fEditedBytes > live;
    fEditedBytes = 0;
    fLiveAtLook = live;
    if (!compact)
        return;
    TKeepAlive keep;
    TTextArena arena;
    std::vector<TLineRec> &lines = edit();
    std::vector<TLineRec> copied(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        copied[i] = arena.copy(lines[i], keep);
    }
    lines.swap(copied);
    fKeep = std::move(keep);
    fArena = std::move(arena);
}

void TLines::appendExpanded(QStringView s)
{
    if (Count() >= kMaxLineCount)
        checkLineCount(qsizetype(Count()) + 1);
    const TLineRec r = makeLine(s);
    edit().push_back(r);
    fRows.push_back(TRowInfo{});
    rowsChanged();
    lengthChanged(0, r.length);
}

void TLines::Add(QStringView s)
{
    const int first = Count();
    QString withoutLf;
    if (s.contains(u'\n')) {
        withoutLf = s.toString();
        withoutLf.remove(QChar(u'\n'));
        s = withoutLf;
    }
    qsizetype start = 0;
    for (qsizetype i = s.indexOf(u'\r'); i >= 0; i = s.indexOf(u'\r', start)) {
        appendExpanded(s.sliced(start, i - start));
        start = i + 1;
    }
    appendExpanded(s.sliced(start));
    notifyInserted(first, Count() - first);
}

void TLines::Insert(int index, QStringView s)
{
    InsertLines(index, QList<QStringView>{s});
}

void TLines::InsertLines(int index, const QList<QStringView> &texts)
{
    if (index < 0 || index > Count())
        throw EParlune(QStringLiteral("List index out of bounds (%1)").arg(index));
    if (texts.isEmpty())
        return;
    checkLineCount(qsizetype(Count()) + texts.size());
    const size_t storedBefore = fArena.stored();
    std::vector<TLineRec> made;
    made.reserve(size_t(texts.size()));
    for (QStringView s : texts)
        made.push_back(makeLine(s));
    std::vector<TLineRec> &lines = edit();
    lines.insert(lines.begin() + index, made.begin(), made.end());
    fRows.insert(fRows.begin() + index, made.size(), TRowInfo{});
    rowsChanged();
    for (const TLineRec &r : made)
        lengthChanged(0, r.length);
    reclaimArena(storedBefore);
    notifyInserted(index, int(made.size()));
}

void TLines::Replace(int i, QStringView s)
{
    checkIndex(i);
    const size_t storedBefore = fArena.stored();
    const TLineRec r = makeLine(s);
    TLineRec &line = edit()[size_t(i)];
    lengthChanged(line.length, r.length);
    line = r;
    // Edited: no longer the loaded line (nor a filler); its marks stay.
    TRowInfo &info = fRows[size_t(i)];
    if (info.origin != TRowInfo::kText) {
        info.origin = TRowInfo::kText;
        rowsChanged();
    }
    reclaimArena(storedBefore);
    notifyChanged(i);
}

void TLines::ReplaceLines(int first, int count, const QList<QStringView> &texts)
{
    if (first < 0 || count < 1 || first + count > Count() || texts.isEmpty())
        throw EParlune(QStringLiteral("Invalid line range (%1, %2)").arg(first).arg(count));
    const qsizetype added = texts.size();
    checkLineCount(qsizetype(Count()) - count + added);
    // Everything that may fail comes first: the new records, the copy of
    // shared records and room for the longer lists.
    const size_t storedBefore = fArena.stored();
    std::vector<TLineRec> made;
    made.reserve(size_t(added));
    for (QStringView s : texts)
        made.push_back(makeLine(s));
    std::vector<TLineRec> &lines = edit();
    const size_t size = lines.size() - size_t(count) + made.size();
    lines.reserve(size);
    fRows.reserve(size);

    const auto at = size_t(first);
    for (size_t i = at; i < at + size_t(count); ++i)
        lengthChanged(lines[i].length, 0);
    for (const TLineRec &r : made)
        lengthChanged(0, r.length);
    lines.erase(lines.begin() + qsizetype(at) + 1, lines.begin() + qsizetype(at) + count);
    // The first row keeps its marks and hidden lines, now an edited line;
    // the empty lines hidden before the removed rows lay in the replaced text.
    fRows.erase(fRows.begin() + qsizetype(at) + 1, fRows.begin() + qsizetype(at) + count);
    lines[at] = made.front();
    lines.insert(lines.begin() + qsizetype(at) + 1, made.begin() + 1, made.end());
    fRows[at].origin = TRowInfo::kText;
    fRows.insert(fRows.begin() + qsizetype(at) + 1, made.size() - 1, TRowInfo{});
    rowsChanged();
    reclaimArena(storedBefore);

    if (added > 1) {
        notifyReset();
        return;
    }
    notifyChanged(first);
    if (count > 1)
        notifyRemoved(first + 1, count - 1);
}

void TLines::Delete(int i)
{
    if (i < 0 || i >= Count())
        return;
    if (Count() == 1) {
        if ((*fLines)[0].length != 0) {
            lengthChanged((*fLines)[0].length, 0);
            edit()[0] = TLineRec{};  // emptied; its marks stay
            if (fRows[0].origin != TRowInfo::kText) {
                fRows[0].origin = TRowInfo::kText;
                rowsChanged();
            }
            notifyChanged(0);
        }
        return;
    }
    DeleteRange(i, 1);
}

void TLines::DeleteRange(int first, int count)
{
    if (first < 0 || count < 0 || first + count > Count() || count >= Count())
        throw EParlune(QStringLiteral("Invalid line range (%1, %2)").arg(first).arg(count));
    if (count == 0)
        return;
    std::vector<TLineRec> &lines = edit();
    for (int i = first; i < first + count; ++i)
        lengthChanged(lines[size_t(i)].length, 0);
    lines.erase(lines.begin() + first, lines.begin() + first + count);
    // The empty lines hidden before the removed rows lay inside the text
    // removed with them: they go too.
    fRows.erase(fRows.begin() + first, fRows.begin() + first + count);
    rowsChanged();
    notifyRemoved(first, count);
}

void TLines::DeleteEmptyLines()
{
    // One compacting sweep instead of one Delete per line: same result,
    // linear time. When every line is empty, line 0 stays with its marks,
    // as deleting from the last line to the first leaves it.
    const std::vector<TLineRec> &current = *fLines;
    const size_t before = current.size();
    const size_t empty = size_t(std::count_if(current.begin(), current.end(),
                                              [](const TLineRec &r) { return r.length == 0; }));
    if (empty == 0 || (empty == 1 && before == 1))
        return;
    // An empty line of the text is hidden: the next row kept counts it (the
    // end, after the last row). A filler stands for no line and goes.
    std::vector<TLineRec> &lines = edit();
    const bool allEmpty = empty == before;
    size_t kept = 0;
    uint64_t hidden = 0;
    for (size_t i = 0; i < before; ++i) {
        const TRowInfo &info = fRows[i];
        if (lines[i].length != 0 || (allEmpty && i == 0)) {
            lines[kept] = lines[i];
            fRows[kept] = info;
            fRows[kept].hidden = uint32_t(std::min<uint64_t>(info.hidden + hidden, UINT32_MAX));
            hidden = 0;
            ++kept;
        } else {
            hidden += info.hidden + (info.filler() ? 0 : 1);
        }
    }
    fHiddenAtEnd = uint32_t(std::min<uint64_t>(fHiddenAtEnd + hidden, UINT32_MAX));
    lines.resize(kept);
    fRows.resize(kept);
    rowsChanged();
    notifyReset();
}

void TLines::DeleteFillers()
{
    const std::vector<TLineRec> &current = *fLines;
    const auto isFiller = [&](size_t i) { return fRows[i].filler() && current[i].length == 0; };
    bool any = fHiddenAtEnd != 0;
    for (size_t i = 0; i < current.size() && !any; ++i)
        any = fRows[i].hidden != 0 || isFiller(i);
    if (!any)
        return;
    // Built aside, so that a failed allocation leaves the list as it was.
    auto lines = std::make_shared<std::vector<TLineRec>>();
    std::vector<TRowInfo> rows;
    lines->reserve(current.size());
    rows.reserve(current.size());
    TLineRec empty;
    empty.hashed = 1;  // every hasher gives an empty line 0
    const auto addEmpty = [&](uint64_t count) {
        checkLineCount(qsizetype(lines->size() + count));
        lines->insert(lines->end(), size_t(count), empty);
        rows.insert(rows.end(), size_t(count), TRowInfo{});
    };
    for (size_t i = 0; i < current.size(); ++i) {
        addEmpty(fRows[i].hidden);
        if (isFiller(i))
            continue;
        lines->push_back(current[i]);
        rows.push_back(fRows[i]);
        rows.back().hidden = 0;
    }
    addEmpty(fHiddenAtEnd);
    if (lines->empty())
        addEmpty(1);  // a pane keeps one line
    fHiddenAtEnd = 0;
    commitRows(std::move(lines), std::move(rows), TKeepAlive(fKeep));
    notifyReset();
}

void TLines::Clear()
{
    fLines = std::make_shared<std::vector<TLineRec>>();
    std::vector<TRowInfo>().swap(fRows);
    fHiddenAtEnd = 0;
    rowsChanged();
    fMaxLength = 0;
    fMaxLengthDirty = false;
    fKeep.clear();
    resetArena();
    notifyReset();
}

QString TLines::Text() const
{
    qsizetype total = 0;
    for (const TLineRec &r : *fLines)
        total += qsizetype(r.length) + 2;
    QString out;
    out.reserve(total);
    for (const TLineRec &r : *fLines) {
        if (r.wide)
            out.append(r.wideView());
        else if (r.utf8)
            out.append(r.toString());
        else
            out.append(QLatin1StringView(static_cast<const char *>(r.data), qsizetype(r.length)));
        out.append(u"\r\n");
    }
    return out;
}

void TLines::SetText(QStringView text)
{
    // The new lines are made aside, in an arena of their own, so that a
    // limit or a failed allocation leaves the list as it was.
    TKeepAlive keep;
    TTextArena arena;
    auto rows = std::make_shared<std::vector<TLineRec>>();
    auto append = [&](QStringView line) {
        if (qsizetype(rows->size()) >= kMaxLineCount)
            checkLineCount(qsizetype(rows->size()) + 1);
        rows->push_back(line.contains(u'\t') ? arena.store(ExpandTabs(line, fTabSize), keep) : arena.store(line, keep));
    };
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        append(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        append(text.sliced(start));
    std::vector<TRowInfo> infos(rows->size());
    // A text from no file: LF breaks, and a final break when it ends with one.
    forgetDocument();
    fLineBreak = TLineBreak::Lf;
    fFinalBreak = text.endsWith(u'\n') || text.endsWith(u'\r');
    fHiddenAtEnd = 0;
    commitRows(std::move(rows), std::move(infos), std::move(keep));
    notifyReset();
}

void TLines::SetBreakPoint(int index, bool value)
{
    if (index < 0 || index >= Count())
        throw EParlune(QStringLiteral("Invalid line index for breakpoint (%1)").arg(index));
    uint8_t &m = fRows[size_t(index)].marks;
    m = value ? (m | kBreakPointBit) : (m & ~kBreakPointBit);
    notifyMarks(index);
}

void TLines::SetBookmark(int index, bool value)
{
    if (index == -1)
        return;
    if (index < -1 || index >= Count())
        throw EParlune(QStringLiteral("Invalid line index for bookmark"));
    TLineProp p = unpackProp(fRows[size_t(index)].marks);
    p.Bookmark = value;
    p.BookmarkIndex = -1;
    fRows[size_t(index)].marks = packProp(p);
    notifyMarks(index);
}

void TLines::LoadFromFile(const QString &path, TLineHasher hasher)
{
    Assign(ReadTextFile(path, fTabSize, hasher));
}

TLines::TPrepared TLines::Prepare(TLoadedText &&loaded)
{
    TPrepared prepared{std::move(loaded), {}};
    std::vector<TLineRec> &lines = prepared.text.lines;
    const bool none = lines.empty();
    if (none)
        lines.push_back(TLineRec{});  // the caret placed at 0,0 needs a line
    prepared.rows.reserve(lines.size());
    PreferHugePages(prepared.rows.data(), lines.size() * sizeof(TRowInfo));
    prepared.rows.assign(lines.size(), TRowInfo{});
    if (!none)
        for (size_t i = 0; i < prepared.rows.size(); ++i)
            prepared.rows[i].origin = int32_t(i);
    return prepared;
}

void TLines::Assign(TPrepared &&prepared)
{
    TLoadedText &loaded = prepared.text;
    fLines = std::make_shared<std::vector<TLineRec>>(std::move(loaded.lines));
    fKeep = std::move(loaded.keep);
    resetArena();
    fEncoding = loaded.encoding;
    fLoadedEncoding = loaded.encoding;
    fLineBreak = loaded.lineBreak;
    fFinalBreak = loaded.finalBreak;
    fRaw = std::move(loaded.raw);
    fRawBlock = std::move(loaded.rawBlock);
    fHiddenAtEnd = 0;
    fRows = std::move(prepared.rows);
    rowsChanged();
    fMaxLengthDirty = true;
    notifyReset();
}

void TLines::TrimTrailing()
{
    // One pass and one signal: a signal per line would make every listener
    // redo its work per line.
    size_t first = fLines->size(), last = 0;
    for (size_t i = 0; i < fLines->size(); ++i) {
        const TLineRec &r = (*fLines)[i];
        uint32_t len = r.length;
        if (r.utf8) {
            // Units up to U+0020 are single bytes in UTF-8, and no other
            // character's bytes are that low: trim bytes.
            const auto *p = r.latin1();
            for (size_t bytes = r.utf8Bytes(); bytes > 0 && p[bytes - 1] <= ' '; --bytes)
                --len;
        } else {
            while (len > 0 && r.at(len - 1) <= u' ')
                --len;
        }
        if (len != r.length) {
            TLineRec &line = edit()[i];
            lengthChanged(line.length, len);
            line.length = len;  // a prefix of the stored characters: nothing to copy
            line.hashed = 0;
            fRows[i].origin = fRows[i].filler() ? TRowInfo::kFiller : TRowInfo::kText;
            rowsChanged();
            first = std::min(first, i);
            last = i;
        }
    }
    if (first > last)
        return;
    if (fUpdateDepth)
        fUpdateDirty = true;
    else
        emit LinesChanged(int(first), int(last - first + 1));
}

std::vector<TOutLine> TLines::outLines() const
{
    std::vector<TOutLine> out;
    out.reserve(fRows.size() + fHiddenAtEnd);
    const TOutLine empty;
    for (size_t k = 0; k < fRows.size(); ++k) {
        const TRowInfo &info = fRows[k];
        out.insert(out.end(), info.hidden, empty);
        if (info.filler())
            continue;
        TOutLine line;
        line.text = &(*fLines)[k];
        if (info.origin >= 0) {
            const auto raw = std::lower_bound(fRaw.begin(), fRaw.end(), info.origin,
                                              [](const TRawLine &r, int32_t line) { return r.line < line; });
            if (raw != fRaw.end() && raw->line == info.origin)
                line.raw = &*raw;
        }
        out.push_back(line);
    }
    out.insert(out.end(), fHiddenAtEnd, empty);
    return out;
}

QByteArray TLines::RowUtf8(int row) const
{
    const TRowInfo &info = Row(row);
    const bool utf8File = fLoadedEncoding == TTextEncoding::Utf8 || fLoadedEncoding == TTextEncoding::Utf8Bom;
    if (info.origin >= 0 && utf8File) {
        const auto raw = std::lower_bound(fRaw.begin(), fRaw.end(), info.origin,
                                          [](const TRawLine &r, int32_t line) { return r.line < line; });
        if (raw != fRaw.end() && raw->line == info.origin)
            return QByteArray(static_cast<const char *>(raw->data), qsizetype(raw->count));
    }
    QByteArray out;
    AppendUtf8(out, Rec(row));
    return out;
}

TOutFormat TLines::outFormat(TTextEncoding encoding) const
{
    TOutFormat f;
    f.encoding = encoding;
    f.lineBreak = fLineBreak;
    f.finalBreak = fFinalBreak;
    f.rawEncoding = fLoadedEncoding;
    return f;
}

int TLines::FirstLineNotEncodable(TTextEncoding encoding) const
{
    const int bad = ::FirstLineNotEncodable(outLines(), outFormat(encoding));
    return bad + 1;
}

bool TLines::Unedited() const
{
    for (size_t k = 0; k < fRows.size(); ++k)
        if (fRows[k].origin != int32_t(k))
            return false;
    return fHiddenAtEnd == 0;
}

void TLines::SaveToFile(const QString &path)
{
    WriteTextFile(path, outLines(), outFormat(fEncoding));
}

void TLines::ComputeHashes(TLineHasher hasher)
{
    const std::vector<TLineRec> &current = *fLines;
    auto missing = std::find_if(current.begin(), current.end(), [](const TLineRec &r) { return !r.hashed; });
    if (missing == current.end())
        return;
    const size_t first = size_t(missing - current.begin());
    std::vector<TLineRec> &lines = edit();
    for (size_t i = first; i < lines.size(); ++i) {
        TLineRec &r = lines[i];
        if (!r.hashed) {
            r.hash = hasher(r);
            r.hashed = 1;
        }
    }
}

std::vector<uint32_t> TLines::HashesOf(TLineHasher hasher, const std::atomic<bool> *stop) const
{
    constexpr size_t kLinesPerStopCheck = 16384;
    const std::vector<TLineRec> &lines = *fLines;
    if (std::all_of(lines.begin(), lines.end(), [](const TLineRec &r) { return r.hashed; }))
        return {};
    std::vector<uint32_t> hashes(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const TLineRec &r = lines[i];
        hashes[i] = r.hashed ? r.hash : hasher(r);
        if (stop && i % kLinesPerStopCheck == 0 && stop->load(std::memory_order_relaxed))
            return {};
    }
    return hashes;
}

void TLines::SetHashes(const std::vector<uint32_t> &hashes, size_t from, size_t to)
{
    if (hashes.size() != fLines->size() || from >= std::min(to, hashes.size()))
        return;
    std::vector<TLineRec> &lines = edit();
    for (size_t i = from; i < std::min(to, lines.size()); ++i) {
        lines[i].hash = hashes[i];
        lines[i].hashed = 1;
    }
}

TLines::TState TLines::SaveState() const
{
    return TState{fLines, fRows, fKeep, fHiddenAtEnd};
}

TLines::TState TLines::SaveState(std::vector<TRowInfo> &&room) const
{
    room.assign(fRows.begin(), fRows.end());
    return TState{fLines, std::move(room), fKeep, fHiddenAtEnd};
}

void TLines::RestoreState(TState &&state)
{
    fHiddenAtEnd = state.hiddenAtEnd;
    commitRows(std::const_pointer_cast<std::vector<TLineRec>>(std::move(state.lines)), std::move(state.rows),
               std::move(state.keep));
    notifyReset();
}

TLineSnapshot TLines::Snapshot() const
{
    return TLineSnapshot{fLines, fKeep};
}

TLines::TRowsPlan TLines::TakeRows(TRowsPlan &&plan)
{
    TRowsPlan replaced;
    replaced.lines = fLines;
    replaced.infos = std::move(fRows);
    replaced.keep = fKeep;
    commitRows(std::move(plan.lines), std::move(plan.infos), std::move(plan.keep));
    // Known already: the panes need them at once, and counting them here
    // would walk every row on the window's thread.
    fMaxLength = int(plan.maxLength);
    fMaxLengthDirty = false;
    std::swap(fNumbers, plan.numbers);
    replaced.numbers = std::move(plan.numbers);
    fLastNumber = plan.lastNumber;
    fNumbersDirty = false;
    notifyReset();
    return replaced;
}

void TLines::checkRowLayout(int k, int j, int available, int last)
{
    if (j >= available || j > k || j <= last)
        throw EParlune(QStringLiteral("Row %1 takes line %2 out of order").arg(k).arg(j));
}

void TLines::commitRows(std::shared_ptr<std::vector<TLineRec>> rows, std::vector<TRowInfo> &&infos,
                        TKeepAlive &&keep) noexcept
{
    fLines = std::move(rows);
    fRows = std::move(infos);
    rowsChanged();
    fMaxLengthDirty = true;
    fKeep = std::move(keep);
    resetArena();
}

void TLines::resetArena()
{
    fArena.reset();
    fEditedBytes = 0;
    fLiveAtLook = 0;
}

void TLines::BeginUpdate()
{
    ++fUpdateDepth;
}

void TLines::EndUpdate()
{
    if (fUpdateDepth > 0 && --fUpdateDepth == 0 && fUpdateDirty) {
        fUpdateDirty = false;
        emit Reset();
    }
}

void TLines::notifyInserted(int index, int count)
{
    if (fUpdateDepth)
        fUpdateDirty = true;
    else
        emit LinesInserted(index, count);
}

void TLines::notifyRemoved(int index, int count)
{
    if (fUpdateDepth)
        fUpdateDirty = true;
    else
        emit LinesRemoved(index, count);
}

void TLines::notifyChanged(int index)
{
    if (fUpdateDepth)
        fUpdateDirty = true;
    else
        emit LineChanged(index);
}

void TLines::notifyMarks(int index)
{
    if (fUpdateDepth)
        fUpdateDirty = true;
    else
        emit MarksChanged(index);
}

void TLines::notifyReset()
{
    if (fUpdateDepth)
        fUpdateDirty = true;
    else
        emit Reset();
}
