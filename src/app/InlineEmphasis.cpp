#include "app/InlineEmphasis.h"

#include "text/Lines.h"

TInlineEmphasis::TInlineEmphasis(TLines &left, TLines &right, QObject *parent)
    : QObject(parent), fLeft(left), fRight(right)
{
    for (TLines *l : {&fLeft, &fRight}) {
        connect(l, &TLines::Reset, this, &TInlineEmphasis::forget);
        connect(l, &TLines::LinesInserted, this, &TInlineEmphasis::forget);
        connect(l, &TLines::LinesRemoved, this, &TInlineEmphasis::forget);
        connect(l, &TLines::LineChanged, this, &TInlineEmphasis::forget);
        connect(l, &TLines::LinesChanged, this, &TInlineEmphasis::forget);
        connect(l, &TLines::MarksChanged, this, &TInlineEmphasis::forget);
    }
}

const InlineDiff::TCharDifferences &TInlineEmphasis::At(int row)
{
    static const InlineDiff::TCharDifferences kNone;
    const bool changed = row < fLeft.Count() && row < fRight.Count() && fRight.GetBreakPoint(row)
                      && fLeft.Length(row) > 0 && fRight.Length(row) > 0;
    if (!changed)
        return kNone;
    auto it = fCache.find(row);
    if (it == fCache.end()) {
        if (fCache.size() > 20000)  // scrolled through a long text: start afresh
            fCache.clear();
        const int a = fLeft.Length(row), b = fRight.Length(row);
        it = fCache.insert(row, a > InlineDiff::kMaxLength || b > InlineDiff::kMaxLength
                                    ? InlineDiff::Whole(a, b)
                                    : InlineDiff::Compare(fLeft.Get(row), fRight.Get(row)));
    }
    return *it;
}

bool TInlineEmphasis::TSide::RowTinted(int row)
{
    // Painted only: the left text itself stays without marks.
    return fLeft && row < fOwner.fRight.Count() && fOwner.fRight.GetBreakPoint(row);
}

std::vector<std::pair<int, int>> TInlineEmphasis::TSide::EmphasisSpans(int row)
{
    const InlineDiff::TCharDifferences &d = fOwner.At(row);
    std::vector<std::pair<int, int>> spans;
    for (const InlineDiff::TSpan &s : fLeft ? d.left : d.right)
        spans.emplace_back(s.col, s.length);
    return spans;
}
