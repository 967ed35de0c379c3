#pragma once
// What changed inside each changed row, for painting: a changed row holds
// text on both sides and is marked red on the right. Computed for the rows
// being painted only, and kept until either text changes. The left pane
// carries no marks: its rows that stand against a changed or removed row
// (marked red on the right) are tinted instead.

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
    // Changed characters stand out alike on both sides: dark red, white
    // characters; on the red rows of the right pane as on the tinted ones
    // of the left.
    static constexpr QRgb kRightFill = 0xFF8B0000;
    static constexpr QRgb kLeftFill = 0xFF8B0000;
    static constexpr QRgb kLeftTint = 0xFFFFDCDC;  // light red, black characters

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
        bool RowTinted(int row) override;

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
