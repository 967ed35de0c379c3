#pragma once
// What counts as a difference. By default two lines are equal when they
// differ only in letter case, spaces and tabs, and empty lines take no part
// in the comparison; each of the three can be turned off.

#include "text/TextStore.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <vector>

struct TCompareRule
{
    bool ignoreCase = true;
    bool ignoreBlanks = true;
    bool ignoreEmptyLines = true;

    bool operator==(const TCompareRule &) const = default;
    bool IsDefault() const { return *this == TCompareRule{}; }
    // Equality of lines is the normalised one the lines' own hash stands for.
    bool NormalizedLines() const { return ignoreCase && ignoreBlanks; }
    static TCompareRule Exact() { return {false, false, false}; }
    // How the status bar names a rule that is not the default: what counts,
    // e.g. "Compared: case, empty lines"; empty for the default.
    QString Description() const;
};

namespace CompareRule {

// Whether two lines are equal under the rule's case and blank switches.
bool Equal(const TLineRec &a, const TLineRec &b, const TCompareRule &rule);
// A hash of a line that equal lines (under the rule) share; any value
// serves, as texts decide equality.
uint32_t Hash(const TLineRec &line, const TCompareRule &rule);

// The ids of InternLines under any rule: equal ids exactly for lines equal
// under the rule, an id being the index of one of the lines with that text
// (left lines counted first). Ends early, ids unfinished, once stop is true.
bool InternLines(const std::vector<TLineRec> &left, const std::vector<TLineRec> &right, const TCompareRule &rule,
                 std::vector<int32_t> &leftIds, std::vector<int32_t> &rightIds, const std::atomic<bool> *stop = nullptr);

} // namespace CompareRule
