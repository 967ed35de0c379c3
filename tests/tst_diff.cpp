#include "compare/Diff.h"
#include "compare/PathBound.h"
#include "compare/StepPartner.h"
#include "text/Errors.h"
#include "LinesTestUtil.h"

#include <QtTest>
#include <algorithm>
#include <random>

namespace {

std::vector<int32_t> seq(const QString &letters)
{
    std::vector<int32_t> v;
    for (QChar c : letters)
        v.push_back(c.unicode());
    return v;
}

// Records as "N0,0 M1,1 D2,0 A1,2" (kind letter, oldIndex1, oldIndex2).
QString describe(const TDiff &d)
{
    static const char kinds[] = {'N', 'A', 'D', 'M'};
    QStringList parts;
    for (int i = 0; i < d.Count(); ++i) {
        const TCompareRec r = d.Compares(i);
        parts << QStringLiteral("%1%2,%3").arg(QChar(kinds[r.Kind])).arg(r.oldIndex1).arg(r.oldIndex2);
    }
    return parts.join(u' ');
}

QString stats(const TDiff &d)
{
    const TDiffStats &s = d.DiffStats();
    return QStringLiteral("%1,%2,%3,%4").arg(s.matches).arg(s.adds).arg(s.deletes).arg(s.modifies);
}

bool run(TDiff &d, const std::vector<int32_t> &a, const std::vector<int32_t> &b)
{
    return d.Execute(a.data(), b.data(), int(a.size()), int(b.size()));
}

// Runs the search alone and the engine with the closed form allowed (values
// promised below `limit`); both must give the same records and statistics.
// Returns whether the closed form was taken (or not needed).
bool sameWithClosedForm(const std::vector<int32_t> &a, const std::vector<int32_t> &b, int32_t limit)
{
    TDiff plain;
    plain.SetOptions({.closedFormUse = TDiff::TClosedFormUse::Never});
    plain.SetIdLimit(limit);
    TDiff fast;
    fast.SetIdLimit(limit);
    fast.SetOptions({.closedFormUse = TDiff::TClosedFormUse::Always});
    if (!run(plain, a, b) || !run(fast, a, b))
        return false;
    [&] {
        QCOMPARE(describe(fast), describe(plain));
        QCOMPARE(stats(fast), stats(plain));
        for (int i = 0; i < fast.Count(); ++i) {
            QCOMPARE(fast.Compares(i).int1, plain.Compares(i).int1);
            QCOMPARE(fast.Compares(i).int2, plain.Compares(i).int2);
        }
    }();
    // Equal pairs need no script at all: nothing is left after stripping.
    return fast.UsedClosedForm() || plain.DiffStats().matches == plain.Count();
}

// A unique-matched pair: `shared` values once on each side, the right side
// in an order of the given shape, and one-sided values (drawn from small
// pools, so they repeat) put between them in gaps of mixed sizes.
void uniqueMatchedPair(std::mt19937 &rng, int shared, int shape, std::vector<int32_t> &a, std::vector<int32_t> &b)
{
    std::vector<int32_t> left(static_cast<size_t>(shared));
    std::iota(left.begin(), left.end(), 0);
    std::vector<int32_t> right = left;
    auto blocks = [&](bool reverseOrder, bool reverseEach) {
        const int size = 1 + int(rng() % std::max(1, shared / 3 + 1));
        std::vector<std::vector<int32_t>> parts;
        for (int at = 0; at < shared; at += size)
            parts.emplace_back(right.begin() + at, right.begin() + std::min(shared, at + size));
        if (reverseOrder)
            std::reverse(parts.begin(), parts.end());
        else
            std::shuffle(parts.begin(), parts.end(), rng);
        right.clear();
        for (auto &part : parts) {
            if (reverseEach)
                std::reverse(part.begin(), part.end());
            right.insert(right.end(), part.begin(), part.end());
        }
    };
    switch (shape) {
    case 0: break;  // same order: scattered edits only
    case 1: std::shuffle(right.begin(), right.end(), rng); break;
    case 2: std::reverse(right.begin(), right.end()); break;
    case 3: blocks(true, false); break;  // block order reversed
    case 4: blocks(false, false); break;  // blocks moved
    case 5: blocks(false, true); break;  // blocks moved and reversed
    default:  // a few swaps of neighbours or of far-apart values
        for (int s = int(rng() % 4); s >= 0 && shared > 1; --s)
            std::swap(right[rng() % size_t(shared)], right[rng() % size_t(shared)]);
    }
    const int32_t pool1 = 1000 + int32_t(rng() % 3) * 7;  // left-only values
    const int32_t pool2 = 2000;                           // right-only values
    const int poolSize = 1 + int(rng() % 6);
    auto spread = [&](const std::vector<int32_t> &core, int32_t pool, std::vector<int32_t> &out) {
        out.clear();
        const int density = int(rng() % 4);  // 0: no one-sided values
        for (size_t i = 0; i <= core.size(); ++i) {
            if (density && rng() % 4 < unsigned(density)) {
                const int gap = rng() % 8 == 0 ? 10 + int(rng() % 40) : 1 + int(rng() % 3);
                for (int g = 0; g < gap; ++g)
                    out.push_back(pool + int32_t(rng() % unsigned(poolSize)));
            }
            if (i < core.size())
                out.push_back(core[i]);
        }
    };
    spread(left, pool1, a);
    spread(right, pool2, b);
}

int lcsLength(const std::vector<int32_t> &a, const std::vector<int32_t> &b)
{
    std::vector<std::vector<int>> t(a.size() + 1, std::vector<int>(b.size() + 1, 0));
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j)
            t[i][j] = a[i - 1] == b[j - 1] ? t[i - 1][j - 1] + 1 : std::max(t[i - 1][j], t[i][j - 1]);
    return t[a.size()][b.size()];
}

} // namespace

class TstDiff : public QObject
{
    Q_OBJECT
private slots:
    void edgeCases_data();
    void edgeCases();
    void randomisedProperties();
    void characterVariantMatchesInteger();
    void disjointShortcutChangesNothing();
    void searchShortcutsMatchPlain_data();
    void searchShortcutsMatchPlain();
    void boundedSearchNarrowsALongScript();
    void pathBoundNeverExceedsTheEdits();
    void closedFormTieRules_data();
    void closedFormTieRules();
    void closedFormMatchesSearch();
    void wideLoopsMatchScalar_data();
    void wideLoopsMatchScalar();
    void longSearchHandsOverToClosedForm_data();
    void longSearchHandsOverToClosedForm();
    void longRunsPairIntoModifies();
    void reentryDuringYieldIsRefused();
    void cancelDuringRun();
    void writingALongScriptYields();
    void stepPartnerRunsEachJobOnce();
    void comparesOutOfRange();
    void lengthLimit();
    void recordValues();
};

void TstDiff::edgeCases_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("records");
    QTest::addColumn<QString>("stats");  // matches, adds, deletes, modifies

    QTest::newRow("both empty") << "" << "" << "" << "0,0,0,0";
    QTest::newRow("equal") << "ABC" << "ABC" << "N0,0 N1,1 N2,2" << "3,0,0,0";
    QTest::newRow("left empty") << "" << "AB" << "A-1,0 A-1,1" << "0,2,0,0";
    QTest::newRow("right empty") << "AB" << "" << "D0,-1 D1,-1" << "0,0,2,0";
    QTest::newRow("one against one") << "A" << "B" << "M0,0" << "0,0,0,1";
    QTest::newRow("ABCD / AXD") << "ABCD" << "AXD" << "N0,0 M1,1 D2,0 N3,2" << "2,0,1,1";
    QTest::newRow("ABC / AXYC") << "ABC" << "AXYC" << "N0,0 M1,1 A1,2 N2,3" << "2,1,0,1";
    QTest::newRow("AB / BA") << "AB" << "BA" << "D0,-1 N1,0 A1,1" << "1,1,1,0";
    QTest::newRow("AB / AAB tail first") << "AB" << "AAB" << "A-1,0 N0,1 N1,2" << "2,1,0,0";
    QTest::newRow("ABCD / DCBA") << "ABCD" << "DCBA" << "D0,-1 D1,-1 D2,-1 N3,0 A3,1 A3,2 A3,3" << "1,3,3,0";
    QTest::newRow("ABCDE / AXBYE") << "ABCDE" << "AXBYE" << "N0,0 A0,1 N1,2 M2,3 D3,2 N4,4" << "3,1,1,1";
}

void TstDiff::edgeCases()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, records);
    QFETCH(QString, stats);
    TDiff d;
    QVERIFY(run(d, seq(a), seq(b)));
    QCOMPARE(describe(d), records);
    QCOMPARE(::stats(d), stats);
    QVERIFY(!d.Cancelled());
}

void TstDiff::randomisedProperties()
{
    std::mt19937 rng(20261210);
    TDiff d;
    for (int round = 0; round < 3000; ++round) {
        const int alphabet = 2 + int(rng() % 5);
        std::vector<int32_t> a(rng() % 14);
        std::vector<int32_t> b(rng() % 14);
        for (auto &x : a)
            x = int32_t(rng() % alphabet);
        for (auto &x : b)
            x = int32_t(rng() % alphabet);
        if (round % 3 == 0 && !a.empty()) {  // related inputs: b is an edit of a
            b = a;
            for (int e = int(rng() % 4); e >= 0; --e) {
                const size_t at = rng() % (b.size() + 1);
                if (rng() % 2 && at < b.size())
                    b.erase(b.begin() + long(at));
                else
                    b.insert(b.begin() + long(at), int32_t(rng() % alphabet));
            }
        }
        QVERIFY(run(d, a, b));

        int next1 = 0;
        int next2 = 0;
        int counts[4] = {0, 0, 0, 0};
        int blockDeletes = 0, blockAdds = 0, blockModifies = 0;
        bool afterPairs = false;  // inside a block, past its modifies
        for (int i = 0; i <= d.Count(); ++i) {
            const bool end = i == d.Count();
            const TCompareRec r = end ? TCompareRec{} : d.Compares(i);
            if (end || r.Kind == ckNone) {
                QVERIFY2(!(blockDeletes && blockAdds), "a block holds both deletes and adds");
                blockDeletes = blockAdds = blockModifies = 0;
                afterPairs = false;
                if (end)
                    break;
            } else if (r.Kind == ckModify) {
                QVERIFY2(!afterPairs, "modify after a delete or add in one block");
                ++blockModifies;
            } else {
                afterPairs = true;
                (r.Kind == ckAdd ? blockAdds : blockDeletes)++;
            }
            ++counts[r.Kind];
            if (r.Kind != ckAdd) {
                QCOMPARE(r.oldIndex1, next1++);
                QCOMPARE(r.int1, a[size_t(r.oldIndex1)]);
            }
            if (r.Kind != ckDelete) {
                QCOMPARE(r.oldIndex2, next2++);
                QCOMPARE(r.int2, b[size_t(r.oldIndex2)]);
            }
            if (r.Kind == ckNone)
                QCOMPARE(r.int1, r.int2);
        }
        QCOMPARE(next1, int(a.size()));
        QCOMPARE(next2, int(b.size()));
        const TDiffStats &s = d.DiffStats();
        QCOMPARE(s.matches, counts[ckNone]);
        QCOMPARE(s.adds, counts[ckAdd]);
        QCOMPARE(s.deletes, counts[ckDelete]);
        QCOMPARE(s.modifies, counts[ckModify]);
        QCOMPARE(s.matches + s.adds + s.deletes + s.modifies, d.Count());
        QCOMPARE(s.matches, lcsLength(a, b));

        // Counting alone gives the same counts and keeps no records.
        TDiff counting;
        TDiff::TOptions options;
        options.keepRecords = false;
        counting.SetOptions(options);
        QVERIFY(run(counting, a, b));
        QCOMPARE(::stats(counting), ::stats(d));
        QCOMPARE(counting.Count(), 0);
    }
}

void TstDiff::characterVariantMatchesInteger()
{
    std::mt19937 rng(7);
    TDiff di;
    TDiff dc;
    for (int round = 0; round < 300; ++round) {
        QString a, b;
        for (int i = int(rng() % 12); i > 0; --i)
            a += QChar(u'a' + char16_t(rng() % 4));
        for (int i = int(rng() % 12); i > 0; --i)
            b += QChar(u'a' + char16_t(rng() % 4));
        QVERIFY(run(di, seq(a), seq(b)));
        QVERIFY(dc.Execute(QStringView(a).utf16(), QStringView(b).utf16(), int(a.size()), int(b.size())));
        QCOMPARE(describe(dc), describe(di));
        for (int i = 0; i < dc.Count(); ++i) {
            const TCompareRec r = dc.Compares(i);
            QCOMPARE(r.chr1, r.Kind == ckAdd ? u'\0' : a[r.oldIndex1].unicode());
            QCOMPARE(r.chr2, r.Kind == ckDelete ? u'\0' : b[r.oldIndex2].unicode());
        }
    }
}

void TstDiff::disjointShortcutChangesNothing()
{
    // Texts made of shared lines and rewritten blocks (long enough to reach
    // the shortcut): the records are the same with and without it.
    std::mt19937 rng(99);
    TDiff fast;
    TDiff plain;
    plain.SetOptions({.disjointShortcut = false});
    int32_t fresh = 1000000;
    for (int round = 0; round < 200; ++round) {
        std::vector<int32_t> a, b;
        for (int block = int(rng() % 6); block >= 0; --block) {
            for (int i = int(rng() % 4); i > 0; --i) {  // shared lines, from a small alphabet
                const int32_t v = int32_t(rng() % 8);
                a.push_back(v);
                b.push_back(v);
            }
            // A rewritten block: wholly new lines, or new lines with a few
            // shared ones among them.
            const int na = int(rng() % 200);
            const int nb = int(rng() % 200);
            const bool mixed = rng() % 2;
            for (int i = 0; i < na; ++i)
                a.push_back(!mixed || rng() % 8 ? fresh++ : int32_t(rng() % 8));
            for (int i = 0; i < nb; ++i)
                b.push_back(!mixed || rng() % 8 ? fresh++ : int32_t(rng() % 8));
        }
        QVERIFY(run(fast, a, b));
        QVERIFY(run(plain, a, b));
        QCOMPARE(describe(fast), describe(plain));
        QCOMPARE(stats(fast), stats(plain));
    }
    // Wholly different sequences of many sizes, both ways round.
    for (int n : {65, 199, 200, 201, 777}) {
        for (int m : {1, 64, 65, 300, 1001}) {
            std::vector<int32_t> a(static_cast<size_t>(n)), b(static_cast<size_t>(m));
            std::iota(a.begin(), a.end(), 0);
            std::iota(b.begin(), b.end(), 5000);
            for (bool swap : {false, true}) {
                QVERIFY(swap ? run(fast, b, a) : run(fast, a, b));
                QVERIFY(swap ? run(plain, b, a) : run(plain, a, b));
                QCOMPARE(describe(fast), describe(plain));
            }
        }
    }
}

void TstDiff::searchShortcutsMatchPlain_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("alphabet");  // 0: every left value different
    QTest::addColumn<int>("edits");     // changes that bring in new values
    QTest::addColumn<int>("shape");     // 0 scattered edits, 1 blocks moved, 2 reversed, 3 independent sides

    QTest::newRow("scattered, distinct values") << 600 << 0 << 150 << 0;
    QTest::newRow("scattered, dense") << 300 << 0 << 280 << 0;
    QTest::newRow("scattered, repeated values") << 600 << 40 << 150 << 0;
    QTest::newRow("scattered, three values") << 400 << 3 << 60 << 0;
    QTest::newRow("blocks moved") << 600 << 0 << 20 << 1;
    QTest::newRow("blocks moved, repeated values") << 600 << 30 << 20 << 1;
    QTest::newRow("reversed") << 400 << 0 << 10 << 2;
    QTest::newRow("independent, two values") << 300 << 2 << 0 << 3;
    QTest::newRow("independent, many values") << 300 << 50 << 0 << 3;
}

void TstDiff::searchShortcutsMatchPlain()
{
    // The search bounded from its first steps, and with every step split
    // over two threads, against the plain one-thread search: the same
    // records, on pairs where the bound is tight and where it is far too
    // low (moved and reversed blocks), both ways round.
    QFETCH(int, n);
    QFETCH(int, alphabet);
    QFETCH(int, edits);
    QFETCH(int, shape);
    std::mt19937 rng(uint32_t(n * 7 + alphabet * 3 + shape));
    TDiff plain;
    plain.SetOptions({.boundFromStep = 0, .twoThreadsFrom = 0});
    TDiff variants[3];
    variants[0].SetOptions({.boundFromStep = 1, .twoThreadsFrom = 0});
    variants[1].SetOptions({.boundFromStep = 0, .twoThreadsFrom = 1});
    variants[2].SetOptions({.boundFromStep = 1, .twoThreadsFrom = 1});
    auto sameAsPlain = [&](auto execute) {
        QVERIFY(execute(plain));
        for (TDiff &variant : variants) {
            QVERIFY(execute(variant));
            QCOMPARE(describe(variant), describe(plain));
            QCOMPARE(stats(variant), stats(plain));
        }
    };
    for (int round = 0; round < 30; ++round) {
        int32_t fresh = 1000000;
        auto value = [&] { return alphabet ? int32_t(rng() % unsigned(alphabet)) : fresh++; };
        std::vector<int32_t> a(static_cast<size_t>(n)), b;
        for (auto &v : a)
            v = value();
        if (shape == 3) {
            b.resize(size_t(n - n / 4 + int(rng() % unsigned(n / 2))));
            for (auto &v : b)
                v = value();
        } else {
            b = a;
            if (shape == 1 || shape == 2) {
                const size_t block = 5 + rng() % 40;
                std::vector<std::vector<int32_t>> parts;
                for (size_t at = 0; at < b.size(); at += block)
                    parts.emplace_back(b.begin() + long(at), b.begin() + long(std::min(b.size(), at + block)));
                if (shape == 1)
                    std::shuffle(parts.begin(), parts.end(), rng);
                else
                    std::reverse(parts.begin(), parts.end());
                b.clear();
                for (const auto &part : parts)
                    b.insert(b.end(), part.begin(), part.end());
            }
            for (int e = 0; e < edits; ++e) {
                const size_t at = rng() % b.size();
                switch (rng() % 3) {
                case 0: b[at] = fresh++; break;
                case 1: b.insert(b.begin() + long(at), fresh++); break;
                default: b.erase(b.begin() + long(at)); break;
                }
            }
        }
        if (round % 2)
            std::swap(a, b);
        sameAsPlain([&](TDiff &d) { return run(d, a, b); });
        if (QTest::currentTestFailed())
            return;
    }
    // The character variant takes the same path.
    QString left, right;
    for (int i = 0; i < 2000; ++i)
        left += QChar(u'a' + char16_t(rng() % 20));
    right = left;
    for (int e = 0; e < 300; ++e)
        right[int(rng() % unsigned(right.size()))] = QChar(u'A' + char16_t(rng() % 20));
    sameAsPlain([&](TDiff &d) {
        return d.Execute(QStringView(left).utf16(), QStringView(right).utf16(), int(left.size()), int(right.size()));
    });
}

void TstDiff::boundedSearchNarrowsALongScript()
{
    // 40,000 lines with 10,000 scattered edits: the plain search visits
    // hundreds of millions of diagonals, the bounded one (the default) a
    // small share of that, for the same records.
    std::vector<int32_t> a(40000), b;
    std::iota(a.begin(), a.end(), 0);
    std::mt19937 rng(5);
    b = a;
    int32_t fresh = 100000;
    for (int e = 0; e < 10000; ++e) {
        const size_t at = rng() % b.size();
        switch (e % 3) {
        case 0: b[at] = fresh++; break;
        case 1: b.insert(b.begin() + long(at), fresh++); break;
        default: b.erase(b.begin() + long(at)); break;
        }
    }
    TDiff bounded;
    TDiff plain;
    plain.SetOptions({.boundFromStep = 0});
    QVERIFY(run(bounded, a, b));
    QVERIFY(run(plain, a, b));
    QCOMPARE(describe(bounded), describe(plain));
    QVERIFY2(bounded.Visits() * 20 < plain.Visits(),
             qPrintable(QStringLiteral("%1 against %2 visits").arg(bounded.Visits()).arg(plain.Visits())));
}

void TstDiff::pathBoundNeverExceedsTheEdits()
{
    // The lower bound, on random stretches of random pairs, against the
    // true number of deletes and adds (from the longest common subsequence);
    // it is exact where one side's values are all new to the other.
    std::mt19937 rng(17);
    for (int round = 0; round < 400; ++round) {
        std::vector<int32_t> a(rng() % 30), b(rng() % 30);
        const int alphabet = 2 + int(rng() % 12);
        for (auto &x : a)
            x = int32_t(rng() % unsigned(alphabet));
        for (auto &x : b)
            x = int32_t(rng() % unsigned(alphabet)) + (round % 5 == 0 ? 100 : 0);
        TPathBound bound;
        QVERIFY(bound.Prepare(a.data(), int(a.size()), b.data(), int(b.size()), nullptr));
        for (int probe = 0; probe < 10; ++probe) {
            const int a0 = int(rng() % (a.size() + 1)), a1 = a0 + int(rng() % (a.size() - a0 + 1));
            const int b0 = int(rng() % (b.size() + 1)), b1 = b0 + int(rng() % (b.size() - b0 + 1));
            const std::vector<int32_t> x(a.begin() + a0, a.begin() + a1), y(b.begin() + b0, b.begin() + b1);
            const int edits = a1 - a0 + b1 - b0 - 2 * lcsLength(x, y);
            const int lower = bound.Edits(a0, a1, b0, b1);
            QVERIFY2(lower <= edits, qPrintable(QStringLiteral("%1 > %2").arg(lower).arg(edits)));
            if (round % 5 == 0)
                QCOMPARE(lower, edits);
        }
    }
    // Work on long sequences asks whether to go on, and a stop leaves no bound.
    std::vector<int32_t> longer(300000);
    std::iota(longer.begin(), longer.end(), 0);
    TPathBound bound;
    int asked = 0;
    QVERIFY(!bound.Prepare(longer.data(), int(longer.size()), longer.data(), int(longer.size()), [&] {
        return ++asked < 3;
    }));
    QCOMPARE(asked, 3);
    QVERIFY(!bound.Prepared());
}

void TstDiff::closedFormTieRules_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("records");
    QTest::addColumn<bool>("closed");  // the pair is unique-matched

    QTest::newRow("swap") << "AB" << "BA" << "D0,-1 N1,0 A1,1" << true;
    QTest::newRow("reversed") << "ABCD" << "DCBA" << "D0,-1 D1,-1 D2,-1 N3,0 A3,1 A3,2 A3,3" << true;
    QTest::newRow("more deletes than adds") << "ABCD" << "AXD" << "N0,0 M1,1 D2,0 N3,2" << true;
    QTest::newRow("more adds than deletes") << "ABC" << "AXYC" << "N0,0 M1,1 A1,2 N2,3" << true;
    QTest::newRow("gap at the start") << "XYZAB" << "WAB" << "M0,0 D1,-1 D2,-1 N3,1 N4,2" << true;
    QTest::newRow("adds at the start") << "AB" << "XYAB" << "A-1,0 A-1,1 N0,2 N1,3" << true;
    QTest::newRow("gap at the end") << "ABXY" << "ABWVU" << "N0,0 N1,1 M2,2 M3,3 A3,4" << true;
    QTest::newRow("deletes at the end") << "ABXY" << "AB" << "N0,0 N1,1 D2,1 D3,1" << true;
    QTest::newRow("crossing with a gap") << "ABCDE" << "AXBYE" << "N0,0 A0,1 N1,2 M2,3 D3,2 N4,4" << true;
    QTest::newRow("moved block") << "ABCDEF" << "DEFABC" << "D0,-1 D1,-1 D2,-1 N3,0 N4,1 N5,2 A5,3 A5,4 A5,5" << true;
    QTest::newRow("one-sided repeats") << "XAXXBX" << "BYYAY" << "D0,-1 D1,-1 D2,-1 D3,-1 N4,0 M5,1 A5,2 A5,3 A5,4" << true;
    // What is left after stripping the common tail and head decides.
    QTest::newRow("repeat stripped") << "AB" << "AAB" << "A-1,0 N0,1 N1,2" << true;
    QTest::newRow("repeated on the right") << "XABY" << "ZBAAW" << "M0,0 D1,-1 N2,1 M3,2 A3,3 A3,4" << false;
    QTest::newRow("repeated on the left") << "XABAY" << "ZBAW" << "M0,0 D1,-1 N2,1 N3,2 M4,3" << false;
    QTest::newRow("repeated on both sides") << "XABABY" << "ZBABAW" << "M0,0 D1,-1 N2,1 N3,2 N4,3 M5,4 A5,5" << false;
}

void TstDiff::closedFormTieRules()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, records);
    QFETCH(bool, closed);
    TDiff d;
    d.SetIdLimit(128);
    d.SetOptions({.closedFormUse = TDiff::TClosedFormUse::Always});
    QVERIFY(run(d, seq(a), seq(b)));
    QCOMPARE(describe(d), records);
    QCOMPARE(d.UsedClosedForm(), closed);
    QCOMPARE(sameWithClosedForm(seq(a), seq(b), 128), closed);
}

void TstDiff::closedFormMatchesSearch()
{
    // Many small unique-matched pairs of every shape, some larger ones, and
    // pairs with a value shared twice, which must go to the search.
    std::mt19937 rng(13);
    std::vector<int32_t> a, b;
    for (int round = 0; round < 12000; ++round) {
        uniqueMatchedPair(rng, int(rng() % 12), round % 7, a, b);
        QVERIFY2(sameWithClosedForm(a, b, 4096), "closed form not taken");
        if (QTest::currentTestFailed())
            return;
    }
    for (int round = 0; round < 120; ++round) {
        uniqueMatchedPair(rng, 50 + int(rng() % 600), round % 7, a, b);
        QVERIFY2(sameWithClosedForm(a, b, 4096), "closed form not taken");
        if (QTest::currentTestFailed())
            return;
    }
    for (int round = 0; round < 500; ++round) {
        const int shared = 1 + int(rng() % 10);
        uniqueMatchedPair(rng, shared, round % 7, a, b);
        const int32_t twice = int32_t(rng() % unsigned(shared));
        std::vector<int32_t> &side = round % 2 ? a : b;
        side.insert(side.begin() + long(rng() % (side.size() + 1)), twice);
        // Different ends, so that stripping leaves the pair whole.
        a.insert(a.begin(), 3000);
        a.push_back(3001);
        b.insert(b.begin(), 3002);
        b.push_back(3003);
        QVERIFY2(!sameWithClosedForm(a, b, 4096), "closed form taken on a value shared twice");
        if (QTest::currentTestFailed())
            return;
    }
    // Values outside the promised range leave the pair to the search.
    QVERIFY(!sameWithClosedForm({1, 2, 300}, {2, 300, 1}, 256));
}

void TstDiff::wideLoopsMatchScalar_data()
{
    QTest::addColumn<int>("n1");
    QTest::addColumn<int>("n2");
    QTest::addColumn<int>("alphabet");  // 0: all different
    QTest::addColumn<int>("edits");     // -1: independent sides; n: the right is the left with n edits

    QTest::newRow("empty") << 0 << 0 << 3 << -1;
    QTest::newRow("left empty") << 0 << 20 << 3 << -1;
    QTest::newRow("right empty") << 20 << 0 << 3 << -1;
    QTest::newRow("all equal") << 40 << 40 << 1 << -1;
    QTest::newRow("all different") << 60 << 50 << 0 << -1;
    for (int n : {7, 8, 9, 15, 16, 17, 31, 33, 64}) {
        QTest::addRow("%d against %d", n, n + 1) << n << n + 1 << 3 << -1;
        QTest::addRow("%d, two letters", n) << n << n << 2 << -1;
    }
    QTest::newRow("long snakes") << 2000 << 0 << 0 << 12;
    QTest::newRow("long snakes, few values") << 1500 << 0 << 5 << 40;
    QTest::newRow("wide search") << 400 << 380 << 6 << -1;
}

void TstDiff::wideLoopsMatchScalar()
{
    // The AVX2 loops (where the processor has them) against the scalar
    // ones, the reference, over many random pairs of each shape.
    QFETCH(int, n1);
    QFETCH(int, n2);
    QFETCH(int, alphabet);
    QFETCH(int, edits);
    std::mt19937 rng(uint32_t(n1 * 31 + n2 + alphabet));
    TDiff wide;
    TDiff scalar;
    scalar.SetOptions({.wideLoops = false});
    for (int round = 0; round < 40; ++round) {
        int32_t fresh = 1000000;
        auto value = [&] { return alphabet ? int32_t(rng() % unsigned(alphabet)) : fresh++; };
        std::vector<int32_t> a(static_cast<size_t>(n1)), b;
        for (auto &v : a)
            v = value();
        if (edits < 0) {
            b.resize(size_t(n2));
            for (auto &v : b)
                v = value();
        } else {
            b = a;
            for (int e = 0; e < edits; ++e) {
                const size_t at = rng() % (b.size() + 1);
                if (rng() % 2 && at < b.size())
                    b.erase(b.begin() + long(at));
                else
                    b.insert(b.begin() + long(at), value());
            }
        }
        QVERIFY(run(wide, a, b));
        QVERIFY(run(scalar, a, b));
        QCOMPARE(describe(wide), describe(scalar));
        QCOMPARE(stats(wide), stats(scalar));
    }
}

void TstDiff::longSearchHandsOverToClosedForm_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("period");  // values repeat with this period (n: never)
    QTest::addColumn<bool>("closed");

    QTest::newRow("short script: the search") << 40 << 40 << false;
    QTest::newRow("long script: the closed form") << 3000 << 3000 << true;
    QTest::newRow("long script, repeated values: the search") << 3000 << 1000 << false;
}

void TstDiff::longSearchHandsOverToClosedForm()
{
    // A reversed sequence: the search runs out of its budget on the long
    // ones and starts over in the closed form, or unbudgeted when the pair
    // is not unique-matched. The records are those of the search alone.
    QFETCH(int, n);
    QFETCH(int, period);
    QFETCH(bool, closed);
    std::vector<int32_t> a(static_cast<size_t>(n)), b(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        a[size_t(i)] = i % period;
        b[size_t(i)] = (n - 1 - i) % period;
    }
    TDiff plain;
    plain.SetOptions({.closedFormUse = TDiff::TClosedFormUse::Never});
    TDiff d;
    d.SetIdLimit(n);
    QVERIFY(run(plain, a, b));
    QVERIFY(run(d, a, b));
    QCOMPARE(d.UsedClosedForm(), closed);
    QCOMPARE(describe(d), describe(plain));
    QCOMPARE(stats(d), stats(plain));
}

void TstDiff::longRunsPairIntoModifies()
{
    // 3,000 left elements against 2,000 others: one block, modifies first.
    std::vector<int32_t> a(3000), b(2000);
    std::iota(a.begin(), a.end(), 0);
    std::iota(b.begin(), b.end(), 100000);
    TDiff d;
    QVERIFY(run(d, a, b));
    QCOMPARE(stats(d), QStringLiteral("0,0,1000,2000"));
    QCOMPARE(d.Compares(1999).Kind, ckModify);
    QCOMPARE(d.Compares(2000).Kind, ckDelete);
}

void TstDiff::reentryDuringYieldIsRefused()
{
    const auto a = seq(QStringLiteral("ABCDEFGHIJ"));
    const auto b = seq(QStringLiteral("AXCDYFGHZJ"));
    TDiff plain;
    QVERIFY(run(plain, a, b));

    TDiff d;
    int refused = 0;
    int yields = 0;
    d.SetYield([&] {
        ++yields;
        if (!run(d, b, a))
            ++refused;
    });
    QVERIFY(run(d, a, b));
    QVERIFY(yields > 0);
    QCOMPARE(refused, yields);
    QCOMPARE(describe(d), describe(plain));
    QCOMPARE(stats(d), stats(plain));
}

void TstDiff::cancelDuringRun()
{
    // Reversed order: a long search, with yields inside the D loop.
    std::vector<int32_t> a(2000), b(2000);
    std::iota(a.begin(), a.end(), 0);
    std::iota(b.rbegin(), b.rend(), 0);
    TDiff d;
    d.SetYieldInterval(std::chrono::nanoseconds(0));
    int yields = 0;
    d.SetYield([&] {
        if (++yields == 3)  // inside the D loop of the first step
            d.Cancel();
    });
    QVERIFY(!run(d, a, b));
    QCOMPARE(d.Count(), 0);
    QVERIFY(d.Cancelled());
    QCOMPARE(stats(d), QStringLiteral("0,0,0,0"));

    d.SetYield({});
    QVERIFY(run(d, seq(QStringLiteral("AB")), seq(QStringLiteral("AC"))));
    QVERIFY(!d.Cancelled());
    QCOMPARE(describe(d), QStringLiteral("N0,0 M1,1"));
}

// Two long sequences with nothing in common: the search ends at once, and
// the script of 300,000 modifies is written with yields along the way, so
// the window is not held while it is written, and a cancel there ends it.
void TstDiff::writingALongScriptYields()
{
    std::vector<int32_t> a(300000), b(300000);
    std::iota(a.begin(), a.end(), 0);
    std::iota(b.begin(), b.end(), 1000000);
    TDiff d;
    d.SetYieldInterval(std::chrono::nanoseconds(0));
    int yields = 0;
    d.SetYield([&] { ++yields; });
    QVERIFY(run(d, a, b));
    QCOMPARE(stats(d), QStringLiteral("0,0,0,300000"));
    QVERIFY2(yields >= 8, qPrintable(QString::number(yields)));

    const int cancelAt = yields - 2;  // while the records are written
    yields = 0;
    d.SetYield([&] {
        if (++yields == cancelAt)
            d.Cancel();
    });
    QVERIFY(!run(d, a, b));
    QCOMPARE(d.Count(), 0);
    QCOMPARE(yields, cancelAt);
}

void TstDiff::stepPartnerRunsEachJobOnce()
{
    // Jobs the partner picks up and jobs the caller runs itself because
    // the partner had not started them (no work here between Post and
    // Wait, or a sleep that lets the partner go to sleep too): each runs
    // once, and its writes are seen after Wait.
    struct TJobData
    {
        std::vector<int> *runs;
        int index;
    };
    constexpr int kJobs = 20000;
    std::vector<int> runs(kJobs, 0);
    TStepPartner partner;
    volatile unsigned sink = 0;
    for (int i = 0; i < kJobs; ++i) {
        TJobData job{&runs, i};
        partner.Post([](void *context) {
            auto *data = static_cast<TJobData *>(context);
            ++(*data->runs)[size_t(data->index)];
        }, &job);
        if (i % 3 == 1)
            for (int spin = 0; spin < 2000; ++spin)
                sink = sink + unsigned(spin);
        if (i % 5000 == 4999)
            QThread::msleep(5);
        partner.Wait();
        QCOMPARE(runs[size_t(i)], 1);
    }
    QCOMPARE(std::count(runs.begin(), runs.end(), 1), qsizetype(kJobs));
}

void TstDiff::comparesOutOfRange()
{
    TDiff d;
    QVERIFY(run(d, seq(QStringLiteral("AB")), seq(QStringLiteral("AB"))));
    for (int bad : {-1, 2}) {
        QCOMPARE(errorOf([&] { d.Compares(bad); }), QStringLiteral("List index out of bounds (%1)").arg(bad));
    }
}

void TstDiff::lengthLimit()
{
    // The real limit (about a billion) is too heavy for a test; the same
    // check at a reduced limit.
    TDiff d;
    d.SetOptions({.maxLength = 8});
    QVERIFY(run(d, seq(QStringLiteral("ABCDEFGH")), seq(QStringLiteral("HGFEDCBA"))));
    const int before = d.Count();
    QVERIFY_THROWS_EXCEPTION(EParlune, run(d, seq(QStringLiteral("ABCDEFGHI")), seq(QStringLiteral("A"))));
    QCOMPARE(d.Count(), before);  // refused before anything changed
    QVERIFY(!d.Executing());
    QVERIFY(run(d, seq(QStringLiteral("AB")), seq(QStringLiteral("B"))));
}

void TstDiff::recordValues()
{
    TDiff d;
    QVERIFY(run(d, seq(QStringLiteral("ABCD")), seq(QStringLiteral("AXD"))));
    const TCompareRec del = d.Compares(2);
    QCOMPARE(del.Kind, ckDelete);
    QCOMPARE(del.int1, int32_t(u'C'));
    QCOMPARE(del.int2, 0);
    const TCompareRec mod = d.Compares(1);
    QCOMPARE(mod.int1, int32_t(u'B'));
    QCOMPARE(mod.int2, int32_t(u'X'));
}

QTEST_APPLESS_MAIN(TstDiff)
#include "tst_diff.moc"
