#pragma once
// Comparing the two files named at start-up, where a file without text
// (git names /dev/null for the missing side of a file added or deleted)
// stands for no lines at all rather than for one empty line.

#include "compare/CompareOps.h"

namespace StartFiles {

// Whether every line is empty; a pane loaded from an empty file holds one
// empty line.
bool HoldsNoText(const TLines &lines);

// When exactly one side holds no text: empties that side, drops the empty
// lines of the other and runs the pass's comparison, so that every line of
// the other side is marked; returns the status text ("Changes=N"). Otherwise
// changes nothing and returns an empty string.
QString CompareWithNothing(CompareOps::TComparePass &pass, TLines &left, TLines &right);

} // namespace StartFiles
