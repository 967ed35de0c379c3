#include "Lines.h"

#include "Errors.h"

TLines::TLines(QObject *parent) : QObject(parent) {}

void TLines::checkIndex(int i) const
{
    if (i < 0 || i >= Count())
        throw EParlune(QStringLiteral("List index out of bounds (%1)").arg(i));
}

const TLineRec &TLines::Rec(int i) const
{
    checkIndex(i);
    return fLines[size_t(i)];
}

QString TLines::Get(int i) const
{
    return Rec(i).toString();
}

TLineRec TLines::makeLine(QStringView s)
{
    if (s.contains(u'\t')) {
        QString expanded = s.toString();
        expanded.replace(QChar(u'\t'), QString(fTabSize, QChar(u' ')));
        return fArena.store(expanded, fKeep);
    }
    return fArena.store(s, fKeep);
}

void TLines::appendExpanded(QStringView s)
{
    fLines.push_back(makeLine(s));
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
    if (index < 0 || index > Count())
        throw EParlune(QStringLiteral("List index out of bounds (%1)").arg(index));
    fLines.insert(fLines.begin() + index, makeLine(s));
    notifyInserted(index, 1);
}

void TLines::Replace(int i, QStringView s)
{
    checkIndex(i);
    const TLineProp prop = fLines[size_t(i)].prop;
    TLineRec r = makeLine(s);
    r.prop = prop;
    fLines[size_t(i)] = r;
    notifyChanged(i);
}

void TLines::Delete(int i)
{
    if (i < 0 || i >= Count())
        return;
    if (Count() == 1) {
        TLineRec &only = fLines.front();
        if (only.length != 0) {
            only.length = 0;
            notifyChanged(0);
        }
        return;
    }
    fLines.erase(fLines.begin() + i);
    notifyRemoved(i, 1);
}

void TLines::DeleteEmptyLines()
{
    // One compacting sweep instead of one Delete per line: same result,
    // linear time. When every line is empty, line 0 stays with its marks,
    // as deleting from the last line to the first leaves it.
    const size_t before = fLines.size();
    if (before == 0)
        return;
    size_t kept = 0;
    for (size_t i = 0; i < before; ++i)
        if (fLines[i].length != 0)
            fLines[kept++] = fLines[i];
    if (kept == 0)
        kept = 1;  // fLines[0] is still the original line 0, which is empty
    if (kept == before)
        return;
    fLines.resize(kept);
    notifyReset();
}

void TLines::Clear()
{
    fLines.clear();
    fLines.shrink_to_fit();
    fKeep.clear();
    fArena.reset();
    notifyReset();
}

QString TLines::Text() const
{
    qsizetype total = 0;
    for (const TLineRec &r : fLines)
        total += qsizetype(r.length) + 2;
    QString out;
    out.reserve(total);
    for (const TLineRec &r : fLines) {
        if (r.wide)
            out.append(r.wideView());
        else
            out.append(QLatin1StringView(static_cast<const char *>(r.data), qsizetype(r.length)));
        out.append(u"\r\n");
    }
    return out;
}

void TLines::SetText(QStringView text)
{
    BeginUpdate();
    Clear();
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        appendExpanded(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        appendExpanded(text.sliced(start));
    fUpdateDirty = true;
    EndUpdate();
}

void TLines::SetBreakPoint(int index, bool value)
{
    if (index < 0 || index >= Count())
        throw EParlune(QStringLiteral("Invalid line index for breakpoint (%1)").arg(index));
    fLines[size_t(index)].prop.BreakPoint = value;
    notifyMarks(index);
}

void TLines::SetBookmark(int index, bool value)
{
    if (index == -1)
        return;
    if (index < -1 || index >= Count())
        throw EParlune(QStringLiteral("Invalid line index for bookmark"));
    TLineProp &p = fLines[size_t(index)].prop;
    p.Bookmark = value;
    p.BookmarkIndex = -1;
    notifyMarks(index);
}

bool TLines::GetBreakPoint(int index) const
{
    return index >= 0 && index < Count() && fLines[size_t(index)].prop.BreakPoint;
}

bool TLines::GetBookmark(int index) const
{
    return index >= 0 && index < Count() && fLines[size_t(index)].prop.Bookmark;
}

void TLines::LoadFromFile(const QString &path)
{
    Assign(ReadTextFile(path, fTabSize));
}

void TLines::Assign(TLoadedText &&loaded)
{
    fLines = std::move(loaded.lines);
    fKeep = std::move(loaded.keep);
    fArena.reset();
    fEncoding = loaded.encoding;
    if (fLines.empty())
        fLines.push_back(TLineRec{});  // the caret placed at 0,0 needs a line
    notifyReset();
}

void TLines::TrimTrailing()
{
    for (size_t i = 0; i < fLines.size(); ++i) {
        TLineRec &r = fLines[i];
        uint32_t len = r.length;
        while (len > 0 && r.at(len - 1) <= u' ')
            --len;
        if (len != r.length) {
            r.length = len;  // a prefix of the stored characters: nothing to copy
            notifyChanged(int(i));
        }
    }
}

void TLines::SaveToFile(const QString &path)
{
    TrimTrailing();
    WriteTextFile(path, fLines, fEncoding);
}

TLineSnapshot TLines::Snapshot() const
{
    TLineSnapshot s;
    s.lines = fLines;
    for (TLineRec &r : s.lines)
        r.prop = TLineProp{};
    s.keep = fKeep;
    return s;
}

void TLines::AdoptStorage(const TLineSnapshot &s)
{
    fKeep.adopt(s.keep);
}

void TLines::AddFrom(const TLineSnapshot &s, int index)
{
    TLineRec r = s.lines[size_t(index)];
    r.prop = TLineProp{};
    fLines.push_back(r);
    notifyInserted(Count() - 1, 1);
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
