#pragma once
// Text edits on a line list by position, and the undo step that records one.
//
// Every change a user makes in a pane is one edit: replace the text between
// two positions with other text (either may be empty). Line breaks inside
// the text are "\n"; tabs become the list's TabSize spaces.

#include "text/Lines.h"

#include <QString>
#include <QUndoCommand>
#include <compare>
#include <functional>

struct TTextPos
{
    int line = 0;
    int col = 0;
    auto operator<=>(const TTextPos &) const = default;
};

// The text between two positions (from <= to), lines joined by "\n".
QString TextBetween(const TLines &lines, TTextPos from, TTextPos to);
// Replaces the text between two positions (from <= to) by text in one
// change of the list; returns the position just after the new text. A
// failure leaves the lines as they were. Tabs in text must have been
// expanded already (see ExpandTabs).
TTextPos SpliceText(TLines &lines, TTextPos from, TTextPos to, const QString &text);
// The position reached by writing text at pos.
TTextPos EndOf(TTextPos pos, const QString &text);
// Letters, digits and the underscore make words (word selection, word
// moves, whole-word search).
inline bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// CR LF, CR and LF become "\n"; tabs become tabSize spaces.
QString NormalizeText(QString text, int tabSize);

// One undoable edit. The caret positions before and after are restored
// with it, through the pane's callback.
// Sets the infos (marks included) of a run of rows; undone, puts back
// what they were.
class TRowsCommand : public QUndoCommand
{
public:
    TRowsCommand(TLines &lines, int first, std::vector<TRowInfo> after);
    void redo() override;
    void undo() override;

private:
    TLines &fLines;
    int fFirst;
    std::vector<TRowInfo> fBefore;
    std::vector<TRowInfo> fAfter;
};

class TEditCommand : public QUndoCommand
{
public:
    struct TCaret
    {
        TTextPos caret;
        TTextPos anchor;
    };
    using TApply = std::function<void(const std::function<void()> &change, const TCaret &caretAfter)>;

    // kind: typing (merges with the typing before it), or any other edit.
    enum class TKind { Typing, Other };

    TEditCommand(TLines &lines, TTextPos from, TTextPos to, const QString &text, TKind kind,
                 const TCaret &before, TApply apply);

    void redo() override;
    void undo() override;
    int id() const override { return fKind == TKind::Typing ? 1 : -1; }
    bool mergeWith(const QUndoCommand *other) override;

private:
    TLines &fLines;
    std::vector<TRowInfo> fRowsBefore;  // of the rows the edit covers: an undo puts them back
    TTextPos fFrom;
    QString fRemoved;
    QString fInserted;
    TTextPos fInsertedEnd;  // where fInserted ends, kept as typing runs grow
    TKind fKind;
    TCaret fBefore;
    TApply fApply;
};
