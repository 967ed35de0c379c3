#pragma once
// Turns the lines of two lists into ids for the engine: equal ids exactly
// for lines whose normalised texts (spaces and tabs dropped, each unit
// lower-cased) are equal. The line hash only chooses where to look; texts
// decide equality, so hash collisions cannot make different lines equal.
//
// An id is the index of one of the lines with that text (left lines
// counted first, then right ones); only equality of ids carries meaning.

#include "text/TextStore.h"

#include <atomic>
#include <cstdint>
#include <vector>

// Below this many lines a second thread costs more than it saves.
constexpr size_t kParallelInternLines = 50000;

// Fills the two id lists, one id per line. Lines should carry their
// normalised hash (HashNormalized); one that does not is hashed here.
void InternLines(const std::vector<TLineRec> &left, const std::vector<TLineRec> &right,
                 std::vector<int32_t> &leftIds, std::vector<int32_t> &rightIds);
// The same, on two threads only from parallelFrom lines on (both paths give
// the same ids). When stop turns true (another thread cancels), the work
// ends within a few thousand lines and false comes back, the ids unfinished.
bool InternLines(const std::vector<TLineRec> &left, const std::vector<TLineRec> &right,
                 std::vector<int32_t> &leftIds, std::vector<int32_t> &rightIds, size_t parallelFrom,
                 const std::atomic<bool> *stop = nullptr);
