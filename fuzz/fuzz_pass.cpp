// libFuzzer target: two texts cut from one input, loaded as files are, then
// the whole comparison pass that "Scan Difference" runs, rows and marks.
//
// The input is cut at its first 0xFF 0x00 pair (or in the middle). After
// the pass both lists hold one row per compare record; only the right list
// carries marks; an unmarked row shows two lines that count as equal; the
// marked rows are as many as "Changes=N" says; and the non-empty lines of
// each side, in order, are that side's non-empty lines from before. The
// script is minimal: the unmarked rows of lines are as many as the longest common
// subsequence of the two sides' non-empty lines, compared as the pass
// compares them (spaces and tabs dropped, letter case ignored).
#include "compare/CompareOps.h"
#include "FuzzCheck.h"
#include "compare/HashUnit.h"
#include "text/TextFile.h"

#include <QHash>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

QStringList nonEmpty(const TLines &l)
{
    QStringList out;
    for (int i = 0; i < l.Count(); ++i)
        if (l.Length(i) > 0)
            out << l.Get(i);
    return out;
}

// Longest common subsequence of two id lists (two rows of the table).
int lcsLength(const std::vector<int> &a, const std::vector<int> &b)
{
    std::vector<int> prev(b.size() + 1, 0), cur(b.size() + 1, 0);
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j)
            cur[j] = a[i - 1] == b[j - 1] ? prev[j - 1] + 1 : std::max(prev[j], cur[j - 1]);
        std::swap(prev, cur);
    }
    return prev[b.size()];
}

// The lines as ids, equal exactly for lines the pass counts as equal.
std::vector<int> normalizedIds(const QStringList &lines, QHash<QString, int> &ids)
{
    std::vector<int> out;
    for (const QString &line : lines) {
        QString key;
        for (const QChar c : line)
            if (c != u' ' && c != u'\t')
                key += QChar(HashUnit::LowerUnit(c.unicode()));
        auto it = ids.constFind(key);
        if (it == ids.constEnd())
            it = ids.insert(key, int(ids.size()));
        out.push_back(it.value());
    }
    return out;
}

// Above this many cells the table costs more time than a run should.
constexpr qsizetype kMaxLcsCells = 4'000'000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    qsizetype cut = bytes.indexOf(QByteArrayView("\xFF\x00", 2));
    const qsizetype rest = cut >= 0 ? cut + 2 : bytes.size() / 2;
    if (cut < 0)
        cut = bytes.size() / 2;
    TLines left, right;
    left.Assign(DecodeText(bytes.first(cut), 4, HashUnit::HashNormalized));
    right.Assign(DecodeText(bytes.sliced(rest), 4, HashUnit::HashNormalized));
    const QStringList leftBefore = nonEmpty(left), rightBefore = nonEmpty(right);

    CompareOps::TComparePass pass(left, right);
    int records = 0;
    pass.SetRecordSink([&](const TCompareRec &) { ++records; });
    const QString status = pass.Run();
    check(status.startsWith(CompareOps::kChangesPrefix));

    check(left.Count() == records && right.Count() == records);
    int marked = 0, equalLines = 0;
    for (int i = 0; i < records; ++i) {
        check(!left.GetBreakPoint(i) && !left.GetBookmark(i));
        const bool mark = right.GetBreakPoint(i) || right.GetBookmark(i);
        marked += mark;
        if (!mark) {
            check(HashUnit::NormalizedEqual(left.Rec(i), right.Rec(i)));
            // A side without lines still shows one empty row; it stands
            // for no line of the text.
            equalLines += left.Length(i) > 0 && right.Length(i) > 0;
        }
    }
    check(status == CompareOps::kChangesPrefix + QString::number(marked));
    check(nonEmpty(left) == leftBefore && nonEmpty(right) == rightBefore);
    if (qsizetype(leftBefore.size()) * rightBefore.size() <= kMaxLcsCells) {
        QHash<QString, int> ids;
        const std::vector<int> a = normalizedIds(leftBefore, ids), b = normalizedIds(rightBefore, ids);
        check(equalLines == lcsLength(a, b));
    }
    return 0;
}
