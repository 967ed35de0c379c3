#pragma once
// Whether two engine runs gave the same records and statistics.

#include "compare/Diff.h"

inline bool SameRecords(const TDiff &x, const TDiff &y)
{
    if (x.Count() != y.Count())
        return false;
    for (int i = 0; i < x.Count(); ++i) {
        const TCompareRec r = x.Compares(i);
        const TCompareRec s = y.Compares(i);
        if (r.Kind != s.Kind || r.oldIndex1 != s.oldIndex1 || r.oldIndex2 != s.oldIndex2 || r.int1 != s.int1
            || r.int2 != s.int2)
            return false;
    }
    const TDiffStats &p = x.DiffStats();
    const TDiffStats &q = y.DiffStats();
    return p.matches == q.matches && p.adds == q.adds && p.deletes == q.deletes && p.modifies == q.modifies;
}
