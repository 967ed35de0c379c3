#include "panes/PaneEditing.h"

#include "text/Errors.h"

QString NormalizeText(QString text, int tabSize)
{
    if (text.contains(u'\r')) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(QChar(u'\r'), QChar(u'\n'));
    }
    return ExpandTabs(text, tabSize);
}

TTextPos EndOf(TTextPos pos, const QString &text)
{
    const qsizetype lastBreak = text.lastIndexOf(u'\n');
    if (lastBreak < 0)
        return {pos.line, pos.col + int(text.size())};
    return {pos.line + int(text.count(u'\n')), int(text.size() - lastBreak - 1)};
}

QString TextBetween(const TLines &lines, TTextPos from, TTextPos to)
{
    if (from.line == to.line)
        return lines.Get(from.line).mid(from.col, to.col - from.col);
    QString out = lines.Get(from.line).mid(from.col);
    for (int i = from.line + 1; i < to.line; ++i) {
        out += u'\n';
        out += lines.Get(i);
    }
    out += u'\n';
    out += lines.Get(to.line).left(to.col);
    return out;
}

TTextPos SpliceText(TLines &lines, TTextPos from, TTextPos to, const QString &text)
{
    if (from == to && text.isEmpty())
        return from;
    const QString tail = lines.Get(to.line).mid(to.col);
    QList<QStringView> pieces = QStringView(text).split(u'\n');
    const QString firstLine = lines.Get(from.line).left(from.col).append(pieces.front());
    // All new lines go in at once: one insert per line would move the
    // lines below once per inserted line.
    QString lastLine;
    if (pieces.size() == 1) {
        lastLine = firstLine + tail;
        pieces.front() = lastLine;
    } else {
        lastLine = pieces.back().toString().append(tail);
        pieces.front() = firstLine;
        pieces.back() = lastLine;
    }
    lines.ReplaceLines(from.line, to.line - from.line + 1, pieces);
    return EndOf(from, text);
}

TEditCommand::TEditCommand(TLines &lines, TTextPos from, TTextPos to, const QString &text, TKind kind,
                           const TCaret &before, TApply apply)
    : fLines(lines), fRowsBefore(lines.RowInfos(from.line, to.line - from.line + 1)), fFrom(from),
      fRemoved(TextBetween(lines, from, to)), fInserted(text),
      fInsertedEnd(EndOf(from, text)), fKind(kind),
      fBefore(before), fApply(std::move(apply))
{
}

void TEditCommand::redo()
{
    const TTextPos end = fInsertedEnd;
    fApply(
        [&] {
            SpliceText(fLines, fFrom, EndOf(fFrom, fRemoved), fInserted);
        },
        TCaret{end, end});
}

void TEditCommand::undo()
{
    fApply(
        [&] {
            SpliceText(fLines, fFrom, fInsertedEnd, fRemoved);
            // The rows are back: so is what they stood for (loaded lines,
            // fillers, hidden empty lines, marks).
            fLines.SetRowInfos(fFrom.line, fRowsBefore);
        },
        fBefore);
}

TRowsCommand::TRowsCommand(TLines &lines, int first, std::vector<TRowInfo> after)
    : fLines(lines), fFirst(first), fBefore(lines.RowInfos(first, int(after.size()))), fAfter(std::move(after))
{
}

void TRowsCommand::redo()
{
    fLines.SetRowInfos(fFirst, fAfter);
}

void TRowsCommand::undo()
{
    fLines.SetRowInfos(fFirst, fBefore);
}

bool TEditCommand::mergeWith(const QUndoCommand *other)
{
    // Typing goes back in runs, not character by character: a typed
    // character right after the previous one joins its step.
    const auto *next = static_cast<const TEditCommand *>(other);
    if (next->fKind != TKind::Typing || !next->fRemoved.isEmpty())
        return false;
    if (next->fFrom != fInsertedEnd || next->fInserted.contains(u'\n'))
        return false;
    fInserted += next->fInserted;
    fInsertedEnd = next->fInsertedEnd;
    return true;
}
