#pragma once
// What the fuzz targets share: a check that stops the run (libFuzzer keeps
// the input), and a line list as plain strings.

#include "text/Lines.h"

#include <QStringList>
#include <cstdlib>

inline void check(bool ok)
{
    if (!ok)
        std::abort();
}

inline QStringList linesOf(const TLines &l)
{
    QStringList out;
    for (int i = 0; i < l.Count(); ++i)
        out << l.Get(i);
    return out;
}
