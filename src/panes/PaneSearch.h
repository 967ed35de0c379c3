#pragma once
// Finding text in a line list, line by line, the way the find command does.

#include "text/Lines.h"
#include "panes/PaneEditing.h"

#include <QString>

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
    bool found() const { return line >= 0; }
};

// Searches from `start`: down, the rest of its line then the following lines
// (first match in each); up, the part of its line before it then the lines
// above (last match in each). With wrap, a search that reaches the end (up:
// the start) goes on from the other end. An invalid expression finds nothing.
TFindMatch FindInLines(const TLines &lines, const QString &text, const TFindOptions &options, TTextPos start);

// Every match of text in one line, for highlighting (no case, no word test).
QList<std::pair<int, int>> OccurrencesInLine(const QString &line, const QString &text);
