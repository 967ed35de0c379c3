#pragma once
// Turns the lines of two lists into ids for the engine: equal ids exactly
// for lines whose normalised texts (spaces and tabs dropped, each unit
// lower-cased) are equal. The line hash only chooses where to look; texts
// decide equality, so hash collisions cannot make different lines equal.
//
// An id is the index of the first line with that text, counting the left
// list first, then the right one.

#include "TextStore.h"

#include <cstdint>
#include <vector>

// On entry ids hold the normalised line hashes (HashNormalized) of left and
// then right lines; on return, the ids. Both lists' characters must stay
// alive during the call.
void InternLines(const std::vector<TLineRec> &left, const std::vector<TLineRec> &right,
                 std::vector<int32_t> &leftIds, std::vector<int32_t> &rightIds);
