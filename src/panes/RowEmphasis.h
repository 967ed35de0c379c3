#pragma once
// A source of characters a pane draws with emphasis, row by row (for
// example what changed inside a line), and of rows it paints with a light
// tint (for example those that stand against a change in the other pane).
// The pane asks only for the rows it paints; a source caches as it sees fit.

#include <utility>
#include <vector>

class TRowEmphasis
{
public:
    virtual ~TRowEmphasis() = default;
    // Runs of columns (first column, length) to emphasise, in column order;
    // empty for none.
    virtual std::vector<std::pair<int, int>> EmphasisSpans(int row) = 0;
    // Whether the row is painted with the pane's row tint.
    virtual bool RowTinted(int /*row*/) { return false; }
};
