#include "cli/Unified.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace Unified {

namespace {

enum class TKind : uint8_t { Equal, Delete, Add };

// One line of the script: in the left file (Equal, Delete), the right file
// (Equal, Add) or both. A row of -1 stands for an empty line the pass hid.
struct TOp
{
    TKind kind;
    bool marked;  // starts a hunk (lines the comparison marked)
    int32_t leftRow;
    int32_t rightRow;
};

bool isMarked(const TLines &right, int row)
{
    return right.GetBreakPoint(row) || right.GetBookmark(row);
}

// The script over both files' lines, hidden empty lines included: those
// before a row pair up as far as both sides have them; the rest are removed
// or added lines that start no hunk of their own.
std::vector<TOp> scriptOf(const TLines &left, const TLines &right)
{
    std::vector<TOp> ops;
    const auto hidden = [&](uint64_t onLeft, uint64_t onRight) {
        const uint64_t both = std::min(onLeft, onRight);
        ops.insert(ops.end(), size_t(both), TOp{TKind::Equal, false, -1, -1});
        ops.insert(ops.end(), size_t(onLeft - both), TOp{TKind::Delete, false, -1, -1});
        ops.insert(ops.end(), size_t(onRight - both), TOp{TKind::Add, false, -1, -1});
    };
    const int rows = std::min(left.Count(), right.Count());
    for (int k = 0; k < rows; ++k) {
        hidden(left.Row(k).hidden, right.Row(k).hidden);
        const bool leftLine = !left.Row(k).filler();
        const bool rightLine = !right.Row(k).filler();
        if (!isMarked(right, k) && leftLine && rightLine) {
            ops.push_back({TKind::Equal, false, k, k});
            continue;
        }
        if (leftLine)
            ops.push_back({TKind::Delete, true, k, -1});
        if (rightLine)
            ops.push_back({TKind::Add, true, -1, k});
    }
    hidden(left.HiddenAtEnd(), right.HiddenAtEnd());
    // A file without a final break whose last line is empty ends before
    // that line (a file with no lines at all shows one empty row): the line
    // is no line of that file.
    const auto lastIndex = [&](TKind other) {
        for (size_t k = ops.size(); k-- > 0;)
            if (ops[k].kind != other)
                return std::ptrdiff_t(k);
        return std::ptrdiff_t(-1);
    };
    const auto emptyRow = [](const TLines &side, int32_t row) { return row < 0 || side.Rec(row).length == 0; };
    if (const std::ptrdiff_t at = lastIndex(TKind::Add);
        at >= 0 && !left.FinalBreak() && emptyRow(left, ops[size_t(at)].leftRow)) {
        TOp &op = ops[size_t(at)];
        if (op.kind == TKind::Equal)
            op = {TKind::Add, true, -1, op.rightRow};
        else
            ops.erase(ops.begin() + at);
    }
    if (const std::ptrdiff_t at = lastIndex(TKind::Delete);
        at >= 0 && !right.FinalBreak() && emptyRow(right, ops[size_t(at)].rightRow)) {
        TOp &op = ops[size_t(at)];
        if (op.kind == TKind::Equal)
            op = {TKind::Delete, true, op.leftRow, -1};
        else
            ops.erase(ops.begin() + at);
    }
    // A line is context only when it has the same bytes on both sides, its
    // break included: each file's last line has one only with a final break.
    const std::ptrdiff_t leftLast = lastIndex(TKind::Add), rightLast = lastIndex(TKind::Delete);
    const auto breakAfter = [&](std::ptrdiff_t at, std::ptrdiff_t last, const TLines &side) {
        return at != last || side.FinalBreak();
    };
    std::vector<std::ptrdiff_t> split;
    for (const std::ptrdiff_t at : {leftLast, rightLast})
        if (at >= 0 && ops[size_t(at)].kind == TKind::Equal
            && breakAfter(at, leftLast, left) != breakAfter(at, rightLast, right)
            && std::find(split.begin(), split.end(), at) == split.end())
            split.push_back(at);
    std::sort(split.rbegin(), split.rend());
    for (const std::ptrdiff_t at : split) {
        const TOp equal = ops[size_t(at)];
        ops[size_t(at)] = {TKind::Delete, true, equal.leftRow, -1};
        ops.insert(ops.begin() + at + 1, {TKind::Add, true, -1, equal.rightRow});
    }
    return ops;
}

// "start,count" of a hunk side; an empty side names the line before it.
QByteArray range(int first, int count)
{
    return QByteArray::number(count == 0 ? first - 1 : first) + ',' + QByteArray::number(count);
}

} // namespace

QByteArray Diff(const TLines &left, const TLines &right, const QByteArray &leftName, const QByteArray &rightName,
                int context)
{
    const std::vector<TOp> ops = scriptOf(left, right);
    const int n = int(ops.size());
    // Line numbers (from 1) of each op's line in either file: the next
    // line's where the op has none there.
    std::vector<int> oldNo(size_t(n) + 1), newNo(size_t(n) + 1);
    int o = 1, w = 1, oldCount = 0, newCount = 0;
    for (int i = 0; i < n; ++i) {
        oldNo[size_t(i)] = o;
        newNo[size_t(i)] = w;
        o += ops[size_t(i)].kind != TKind::Add;
        w += ops[size_t(i)].kind != TKind::Delete;
    }
    oldNo[size_t(n)] = o;
    newNo[size_t(n)] = w;
    oldCount = o - 1;
    newCount = w - 1;

    const auto text = [](const TLines &lines, int row) { return row < 0 ? QByteArray() : lines.RowUtf8(row); };
    QByteArray out;
    int i = 0;
    while (i < n) {
        while (i < n && !ops[size_t(i)].marked)
            ++i;
        if (i == n)
            break;
        // A hunk runs from `context` lines before its first marked line to
        // `context` lines after its last, taking in every marked line that
        // starts within twice the context of the one before.
        const int first = std::max(0, i - context);
        int lastMarked = i;
        for (int j = i + 1; j < n && j <= lastMarked + 2 * context + 1; ++j)
            if (ops[size_t(j)].marked)
                lastMarked = j;
        const int end = std::min(n, lastMarked + context + 1);
        if (out.isEmpty())
            out += "--- " + leftName + "\n+++ " + rightName + '\n';
        out += "@@ -" + range(oldNo[size_t(first)], oldNo[size_t(end)] - oldNo[size_t(first)]) + " +"
             + range(newNo[size_t(first)], newNo[size_t(end)] - newNo[size_t(first)]) + " @@\n";
        const auto line = [&](char sign, const QByteArray &bytes, bool lastOfFile, bool finalBreak) {
            out += sign;
            out += bytes;
            out += '\n';
            if (lastOfFile && !finalBreak)
                out += "\\ No newline at end of file\n";
        };
        for (int j = first; j < end;) {
            const TOp &op = ops[size_t(j)];
            if (op.kind == TKind::Equal) {
                const bool lastOld = oldNo[size_t(j)] == oldCount, lastNew = newNo[size_t(j)] == newCount;
                line(' ', text(left, op.leftRow), lastOld && lastNew, left.FinalBreak());
                ++j;
                continue;
            }
            // A run of changes: its removed lines first, then its added ones.
            int k = j;
            while (k < end && ops[size_t(k)].kind != TKind::Equal)
                ++k;
            for (int m = j; m < k; ++m)
                if (ops[size_t(m)].kind == TKind::Delete)
                    line('-', text(left, ops[size_t(m)].leftRow), oldNo[size_t(m)] == oldCount, left.FinalBreak());
            for (int m = j; m < k; ++m)
                if (ops[size_t(m)].kind == TKind::Add)
                    line('+', text(right, ops[size_t(m)].rightRow), newNo[size_t(m)] == newCount, right.FinalBreak());
            j = k;
        }
        i = end;
    }
    return out;
}

} // namespace Unified
