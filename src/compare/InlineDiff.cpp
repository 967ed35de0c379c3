#include "compare/InlineDiff.h"

#include "compare/Diff.h"
#include "compare/HashUnit.h"

#include <QElapsedTimer>

namespace InlineDiff {

namespace {

// A line without its blanks, lower-cased, and where each unit came from.
struct TNormalized
{
    std::vector<char16_t> units;
    std::vector<int> column;
};

TNormalized normalize(QStringView s)
{
    TNormalized n;
    n.units.reserve(size_t(s.size()));
    n.column.reserve(size_t(s.size()));
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c == u' ' || c == u'\t')
            continue;
        n.units.push_back(HashUnit::LowerUnit(c));
        n.column.push_back(int(i));
    }
    return n;
}

void mark(std::vector<TSpan> &spans, int col)
{
    if (!spans.empty() && spans.back().col + spans.back().length == col)
        ++spans.back().length;
    else
        spans.push_back({col, 1});
}

} // namespace

TCharDifferences Whole(int leftLength, int rightLength)
{
    TCharDifferences d;
    d.whole = true;
    if (leftLength > 0)
        d.left.push_back({0, leftLength});
    if (rightLength > 0)
        d.right.push_back({0, rightLength});
    return d;
}

TCharDifferences Compare(QStringView left, QStringView right)
{
    if (left.size() > kMaxLength || right.size() > kMaxLength)
        return Whole(int(left.size()), int(right.size()));
    const TNormalized a = normalize(left);
    const TNormalized b = normalize(right);
    QElapsedTimer clock;
    clock.start();
    TDiff engine;
    engine.SetYield([&] {
        if (clock.elapsed() > kBudgetMs)
            engine.Cancel();
    });
    if (!engine.Execute(a.units.data(), b.units.data(), int(a.units.size()), int(b.units.size())))
        return Whole(int(left.size()), int(right.size()));
    TCharDifferences d;
    for (const TCompareRec &r : engine.Records()) {
        if (r.Kind == ckDelete || r.Kind == ckModify)
            mark(d.left, a.column[size_t(r.oldIndex1)]);
        if (r.Kind == ckAdd || r.Kind == ckModify)
            mark(d.right, b.column[size_t(r.oldIndex2)]);
    }
    return d;
}

} // namespace InlineDiff
