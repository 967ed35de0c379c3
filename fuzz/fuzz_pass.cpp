// libFuzzer target: two texts cut from one input, loaded as files are, then
// the whole comparison pass that "Scan Difference" runs, rows and marks.
//
// The input is cut at its first 0xFF 0x00 pair (or in the middle). After
// the pass both lists hold one row per compare record; only the right list
// carries marks; an unmarked row shows two lines that count as equal; the
// marked rows are as many as "Changes=N" says; and the non-empty lines of
// each side, in order, are that side's non-empty lines from before.
#include "compare/CompareOps.h"
#include "FuzzCheck.h"
#include "compare/HashUnit.h"
#include "text/TextFile.h"

#include <cstdlib>

namespace {

QStringList nonEmpty(const TLines &l)
{
    QStringList out;
    for (int i = 0; i < l.Count(); ++i)
        if (l.Length(i) > 0)
            out << l.Get(i);
    return out;
}

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
    int marked = 0;
    for (int i = 0; i < records; ++i) {
        check(!left.GetBreakPoint(i) && !left.GetBookmark(i));
        const bool mark = right.GetBreakPoint(i) || right.GetBookmark(i);
        marked += mark;
        if (!mark)
            check(HashUnit::NormalizedEqual(left.Rec(i), right.Rec(i)));
    }
    check(status == CompareOps::kChangesPrefix + QString::number(marked));
    check(nonEmpty(left) == leftBefore && nonEmpty(right) == rightBefore);
    return 0;
}
