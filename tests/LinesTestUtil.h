#pragma once
// Helpers for tests that look at a line list as a whole.

#include "text/Lines.h"

#include <QStringList>

inline QStringList allLines(const TLines &l)
{
    QStringList out;
    for (int i = 0; i < l.Count(); ++i)
        out << l.Get(i);
    return out;
}

// One letter per line: b breakpoint, k bookmark, . none.
inline QString markString(const TLines &l)
{
    QString out;
    for (int i = 0; i < l.Count(); ++i)
        out += l.GetBreakPoint(i) ? u'b' : l.GetBookmark(i) ? u'k' : u'.';
    return out;
}
