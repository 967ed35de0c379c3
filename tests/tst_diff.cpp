#include "Diff.h"
#include "Errors.h"

#include <QtTest>
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
    void longRunsPairIntoModifies();
    void reentryDuringYieldIsRefused();
    void cancelDuringRun();
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
    plain.SetDisjointShortcut(false);
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
    int yields = 0;
    d.SetYield([&] {
        if (++yields == 3)  // past the first D that is a multiple of 200
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

void TstDiff::comparesOutOfRange()
{
    TDiff d;
    QVERIFY(run(d, seq(QStringLiteral("AB")), seq(QStringLiteral("AB"))));
    for (int bad : {-1, 2}) {
        try {
            d.Compares(bad);
            QFAIL("no error");
        } catch (const EParlune &e) {
            QCOMPARE(e.message(), QStringLiteral("List index out of bounds (%1)").arg(bad));
        }
    }
}

void TstDiff::lengthLimit()
{
    // The real limit (about a billion) is too heavy for a test; the same
    // check at a reduced limit.
    TDiff d;
    d.SetMaxLength(8);
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
