#pragma once
// One D step of the engine's forward and backward passes, eight diagonals
// at a time with AVX2. Within one step the diagonals are independent (each
// reads only diagonals of the other parity, written in the step before), so
// these give exactly what the scalar loops give; lanes whose next elements
// are equal extend their snakes one by one.
//
// Both work on k, k - 2, ... while eight diagonals down to `low` remain,
// leave k at the first diagonal not done, and, with testMeeting, return
// true, with k at that diagonal, when a path met the other direction's
// there (the first such diagonal in the scalar loop's order). Values written for diagonals past
// a meeting are never read: the step ends there.

#include <cstdint>

namespace DiagonalsAvx2 {

// True when the processor runs the AVX2 loops.
bool Available();

bool Forward(const int32_t *A, const int32_t *B, int32_t *fd, const int32_t *bd, int &k, int low, int len1,
             int len2, bool testMeeting);
bool Backward(const int32_t *A, const int32_t *B, const int32_t *fd, int32_t *bd, int &k, int low, int len1,
              int len2, bool testMeeting);

} // namespace DiagonalsAvx2
