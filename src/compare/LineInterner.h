#pragma once
// Gives every distinct normalised line (spaces and tabs dropped, each unit
// lower-cased) a small integer id, so that the engine compares lines by id
// and two lines count as the same exactly when their normalised texts are
// equal. The line hash only chooses the slot; texts decide equality, so
// hash collisions cannot make different lines equal.

#include "TextStore.h"

#include <cstdint>
#include <vector>

class TLineInterner
{
public:
    // Sized once for the number of lines to come, so it never rehashes
    // unless more lines arrive than announced.
    explicit TLineInterner(size_t expectedLines);

    // The line must stay alive as long as the interner (its characters are
    // compared against later lines).
    int32_t Intern(const TLineRec &line, uint32_t hash);
    int Distinct() const { return int(fReps.size()); }

private:
    struct TSlot
    {
        uint32_t hash;
        int32_t id;  // -1: empty
    };
    void grow();
    std::vector<TSlot> fSlots;
    size_t fMask;
    std::vector<TLineRec> fReps;
};
