#pragma once
// What changed inside a line, by words: each line is split into words
// (letters, digits, underscore) and single other characters, the two
// sequences are compared by the same rule as lines are (letter case and
// spaces or tabs do not count as differences), and the words that do not
// match are the changes. Of a word edited rather than replaced (20 -> 24)
// only the changed characters count. A line of which less than half of the
// non-blank characters are common to both counts as a whole, from its first
// to its last non-blank character. Blanks are not compared, and only such a
// whole line marks the blanks inside it.

#include <QStringView>
#include <vector>

namespace InlineDiff {

// Lines longer than this are not compared character by character.
constexpr int kMaxLength = 10000;
// Time the character search may take for one pair (milliseconds).
constexpr int kBudgetMs = 4;

struct TSpan
{
    int col;
    int length;
    bool operator==(const TSpan &) const = default;
};

struct TCharDifferences
{
    // The pair was too long or too costly: the whole of each line counts.
    bool whole = false;
    std::vector<TSpan> left;   // runs of differing columns, in order
    std::vector<TSpan> right;
};

TCharDifferences Compare(QStringView left, QStringView right);
// Whole lines of these lengths marked (for lines over kMaxLength, which a
// caller need not even copy).
TCharDifferences Whole(int leftLength, int rightLength);

} // namespace InlineDiff
