#pragma once
// What changed inside each changed row, for painting: a changed row holds
// text on both sides and is marked red on the right. Computed for the rows
// being painted only, and kept until either text changes.

#include "compare/InlineDiff.h"
#include "panes/RowEmphasis.h"

#include <QColor>
#include <QHash>
#include <QObject>

class TLines;

class TInlineEmphasis : public QObject
{
    Q_OBJECT
public:
    static constexpr QRgb kRightFill = 0xFF8B0000;  // dark red, white characters
    static constexpr QRgb kLeftFill = 0xFFFFC8C8;   // pale red behind the characters

    TInlineEmphasis(TLines &left, TLines &right, QObject *parent = nullptr);

    TRowEmphasis &LeftSide() { return fLeftSide; }
    TRowEmphasis &RightSide() { return fRightSide; }
    // The differences of a row (none for a row that is not a changed one).
    const InlineDiff::TCharDifferences &At(int row);

signals:
    // What the emphasis shows may have changed: the panes paint it again.
    void Changed();

private:
    class TSide : public TRowEmphasis
    {
    public:
        TSide(TInlineEmphasis &owner, bool left) : fOwner(owner), fLeft(left) {}
        std::vector<std::pair<int, int>> EmphasisSpans(int row) override;

    private:
        TInlineEmphasis &fOwner;
        bool fLeft;
    };

    void forget()
    {
        fCache.clear();
        emit Changed();
    }

    TLines &fLeft;
    TLines &fRight;
    TSide fLeftSide{*this, true};
    TSide fRightSide{*this, false};
    QHash<int, InlineDiff::TCharDifferences> fCache;
};
