#pragma once
// The differences of a compared pair, as the user moves through them: a
// difference is a run of consecutive marked rows of the right list (a
// breakpoint or a bookmark on each). Found by a scan over the marks alone.

#include "text/Lines.h"

#include <optional>

namespace DiffRuns {

struct TRun
{
    int first;
    int count;
    bool operator==(const TRun &) const = default;
};

// The run that holds row, if any.
std::optional<TRun> At(const TLines &right, int row);
// The first run that starts below row (row -1: the first run).
std::optional<TRun> Next(const TLines &right, int row);
// The last run that starts above row.
std::optional<TRun> Previous(const TLines &right, int row);

struct TPosition
{
    int index;  // 1-based number of the run at or above row; 0 above all runs
    int total;  // runs in all
};
TPosition Position(const TLines &right, int row);
// Marked rows in all (the count a pass reports as "Changes=").
int MarkedRows(const TLines &right);

} // namespace DiffRuns
