#pragma once
// What changed inside a line: the characters of two lines that the shortest
// character script between them does not match, by the same rule as lines
// are compared (letter case and spaces or tabs do not count as
// differences). Blanks are never marked; they are not compared.

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
