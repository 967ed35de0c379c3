#pragma once
// Finding text in a line list, line by line, the way the find command does.

#include "text/Lines.h"
#include "panes/PaneEditing.h"

#include <QString>
#include <functional>

struct TFindOptions
{
    bool caseSensitive = false;  // off: ASCII letters compare without case
    bool regularExpression = false;
    bool wholeWord = false;      // the match must stand between word delimiters or line ends
    bool up = false;             // towards the start of the text
    bool wrap = false;           // on reaching the end (or start), go on from the other end
};

struct TFindMatch
{
    int line = -1;
    int col = 0;
    int length = 0;
    bool stopped = false;  // the yield ended the search
    bool found() const { return line >= 0; }
};

// Called between lines while a search runs, at most every kSearchSliceMs
// (one line of a costly expression can take longer); false stops the
// search. The window lets its events run here, so a long search can be
// cancelled.
using TSearchYield = std::function<bool()>;
constexpr int kSearchSliceMs = 10;

// Searches from `start`: down, the rest of its line then the following lines
// (first match in each); up, the part of its line before it then the lines
// above (last match in each). With wrap, a search that reaches the end (up:
// the start) goes on from the other end. An invalid expression finds nothing.
// The search reads a snapshot of the lines, so whatever runs in the yield
// cannot change them under it.
TFindMatch FindInLines(const TLines &lines, const QString &text, const TFindOptions &options, TTextPos start,
                       const TSearchYield &yield = {});

// Every match of text in one line, for highlighting (no case, no word test).
QList<std::pair<int, int>> OccurrencesInLine(const QString &line, const QString &text);
