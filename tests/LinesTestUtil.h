#pragma once
// Helpers for tests that look at a line list as a whole.

#include "text/Errors.h"
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

// The message of the error that action ends with (Error type E), or
// "(no error)" when it ends normally, so that a test states what it expects
// in one comparison.
template <typename E = EParlune, typename F>
QString errorOf(F &&action)
{
    try {
        action();
    } catch (const E &e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}
