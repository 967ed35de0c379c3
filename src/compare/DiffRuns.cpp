#include "compare/DiffRuns.h"

namespace DiffRuns {

namespace {

bool marked(const TLines &l, int row)
{
    return l.GetBreakPoint(row) || l.GetBookmark(row);
}

TRun runFrom(const TLines &l, int first)
{
    int end = first;
    while (end < l.Count() && marked(l, end))
        ++end;
    return {first, end - first};
}

} // namespace

std::optional<TRun> At(const TLines &right, int row)
{
    if (!marked(right, row))
        return std::nullopt;
    int first = row;
    while (first > 0 && marked(right, first - 1))
        --first;
    return runFrom(right, first);
}

std::optional<TRun> Next(const TLines &right, int row)
{
    int r = std::max(row, -1) + 1;
    if (row >= 0 && marked(right, row))  // leave the run the row is in
        while (r < right.Count() && marked(right, r))
            ++r;
    for (; r < right.Count(); ++r)
        if (marked(right, r))
            return runFrom(right, r);
    return std::nullopt;
}

std::optional<TRun> Previous(const TLines &right, int row)
{
    int r = std::min(row, right.Count()) - 1;
    if (const auto here = At(right, row))
        r = here->first - 1;
    for (; r >= 0; --r)
        if (marked(right, r))
            return At(right, r);
    return std::nullopt;
}

TPosition Position(const TLines &right, int row)
{
    TPosition p{0, 0};
    for (int r = 0; r < right.Count(); ++r) {
        if (marked(right, r) && (r == 0 || !marked(right, r - 1))) {
            ++p.total;
            if (r <= row)
                p.index = p.total;
        }
    }
    return p;
}

int MarkedRows(const TLines &right)
{
    int n = 0;
    for (int r = 0; r < right.Count(); ++r)
        n += marked(right, r);
    return n;
}

} // namespace DiffRuns
